"""A disc changed in its drive while the host runs with the drive open: P:
is a loop device, and disc B takes disc A's place under Wine's handle
between commands and in the middle of a copy, the root never listed."""

import os
import threading
import time
import unittest

import discs
import harness
from harness import listing, read, windows_path

TITLE = "Xbox DVD Filesystem"


class SwapCases:
    def host_with_swaps(self, flag, images, *args):
        """Runs the host with these commands, which pause on the file flag;
        at each pause the next of images goes in the drive."""
        loop = discs.SWAP_LOOP
        done = {}

        def run():
            try:
                done["session"] = self.host(*args)
            except BaseException as error:
                done["error"] = error

        thread = threading.Thread(target=run)
        thread.start()
        try:
            for image in images:
                while not os.path.exists(flag):
                    self.assertTrue(thread.is_alive(), "no pause came")
                    time.sleep(0.02)
                before = loop.diskseq()
                loop.swap(image)
                self.assertGreater(loop.diskseq(), before)
                os.remove(flag)
        finally:
            # Lets a host go that waits at a pause this side gave up on.
            end = time.monotonic() + harness.PATIENCE
            while thread.is_alive() and time.monotonic() < end:
                if os.path.exists(flag):
                    os.remove(flag)
                thread.join(0.1)
        if "error" in done:
            raise done["error"]
        return done["session"]

    def test_a_changed_disc_lists_and_copies_the_new_one(self):
        a, b = discs.SWAP_A, discs.SWAP_B
        discs.SWAP_LOOP.swap(a.image)
        flag = self.local("pause")
        pause = windows_path(flag)
        names = ("readme.txt", "shared/data.bin", "only on a.txt", "big.bin")
        local = {name: self.local(os.path.basename(name)) for name in names}
        session = self.host_with_swaps(
            flag, [b.image, a.image, b.image],
            "ls", a.path(), "ls", a.path("shared"), "pause", pause,
            "ls", a.path(), "ls", a.path("shared"), "ls", a.path("a folder"),
            *(arg for name in names[:3] for arg in (
                "get", a.path(name), windows_path(local[name]))),
            # Back to A, then B again after the first chunk of A's big file.
            "pause", pause, "get", "--pause-at", "1", pause,
            a.path("big.bin"), windows_path(local["big.bin"]))
        (a_root, a_shared, _, root, shared, gone, readme, data, only_a, _,
         big) = session.steps
        self.assertEqual(listing(a_root.records), a.listing())
        self.assertEqual(listing(a_shared.records), a.listing("shared"))
        self.assertEqual(listing(root.records), b.listing())
        self.assertEqual(listing(shared.records), b.listing("shared"))

        self.assertEqual(gone.records, [])
        self.assertIn("EMPTY lasterror=18", gone.lines)
        (message,) = gone.messages
        self.assertEqual(message[:2], ("messagebox", None))
        self.assertTrue(message[2].startswith(
            "ERROR: vepo_getupdatedirsubtree error, path: "
            f"'{a.letter}\\a folder', code = 1,"), message)

        for step, name in ((readme, "readme.txt"), (data, "shared/data.bin")):
            self.assertEqual(step.results, [(0, a.path(name))])
            self.assertEqual(read(local[name]), b.file(name), name)
        self.assertEqual(only_a.results, [(2, a.path("only on a.txt"))])
        self.assertEqual(only_a.messages, [(
            "request", TITLE,
            f"ERROR: file '{a.letter}\\only on a.txt' not found")])

        self.assertEqual(big.results, [(3, a.path("big.bin"))])
        self.assertEqual(big.messages, [(
            "request", TITLE,
            f"ERROR: the disc in drive '{a.letter}' changed during the copy "
            f"of '{a.letter}\\big.bin'")])
        self.assertLess(os.path.getsize(local["big.bin"]),
                        len(a.file("big.bin")))


@unittest.skipUnless(discs.SWAP_LOOP, "no loop devices here")
class Swap32(SwapCases, harness.HostTest):
    bits = 32


@unittest.skipUnless(discs.SWAP_LOOP, "no loop devices here")
class Swap64(SwapCases, harness.HostTest):
    bits = 64
