"""The DLLs over a long life in one process, and a local disk that fills up
in the middle of a copy."""

import os
import re

import discs
import harness
from harness import read, windows_path

CYCLE = re.compile(r"^CYCLE (\d+) handles=(\d+) nexthandle=(\d+) "
                   r"private=(\d+)$")
CYCLES = 1000
# Private memory may move by a page or so as the runtime's heap settles.
MEMORY_SLACK = 64 * 1024
DISK_SIZE = 200 * 1024


class RobustCases:
    def test_load_cycles_leave_handles_and_memory_flat(self):
        # Reads as slow as a drive's. (The copies read in turn: a copy
        # reads ahead only where its writes are slow too, and the host
        # fails its load cycles with --write-rate.)
        session = self.host("cycles", str(CYCLES),
                            discs.MAIN.path("big file.bin"),
                            windows_path(self.local("cycled")),
                            extra_options=["--read-rate", "32"])
        self.assertEqual(session.returncode, 0, session.output)
        (step,) = session.steps
        (warm, end) = [tuple(map(int, m.groups()))
                       for m in step.matches(CYCLE)]
        self.assertEqual((warm[0], end[0]), (10, CYCLES))
        self.assertEqual(end[1], warm[1], "handle count grew")
        self.assertEqual(end[2], warm[2], "handles leaked")
        self.assertLessEqual(end[3], warm[3] + MEMORY_SLACK, "memory grew")
        self.assertEqual(read(self.local("cycled")),
                         discs.MAIN.file("big file.bin"))

    def test_copies_stopped_while_the_reads_run_ahead(self):
        # Reads slow enough to go ahead, writes slower still.
        remote = discs.MAIN.path("one.mib")
        whole = discs.MAIN.file("one.mib")
        stops = (1, 8, 16)  # the first, a middle and the last of 16 chunks
        commands = []
        for stop in stops:
            commands += ["get", "-f", "--stop-at", str(stop), remote,
                         windows_path(self.local(f"stopped-{stop}"))]
        commands += ["get", "-f", remote, windows_path(self.local("whole"))]
        session = self.host(*commands, extra_options=[
            "--read-rate", "32", "--write-rate", "16"])
        self.assertEqual([step.results for step in session.steps],
                         [[(5, remote)]] * len(stops) + [[(0, remote)]])
        for stop in stops:
            self.assertEqual(read(self.local(f"stopped-{stop}")),
                             whole[:stop * 65536])
        self.assertEqual(read(self.local("whole")), whole)

    def test_full_local_disk_fails_the_copy(self):
        folder = os.path.join(harness.settings.work, f"full-disk-{self.bits}")
        with discs.linux_common.small_disk(folder, DISK_SIZE) as disk:
            local = os.path.join(disk, "one.mib")
            remote = discs.MAIN.path("one.mib")
            # Reading ahead, as from a drive to a slow disk: the reads stop
            # with the copy.
            session = self.host("get", remote, windows_path(local),
                                extra_options=["--read-rate", "32",
                                               "--write-rate", "32"])
            (step,) = session.steps
            self.assertEqual(step.results, [(4, remote)])
            self.assertEqual(step.messages, [(
                "request", "Xbox DVD Filesystem",
                "ERROR: file '%s' cannot be written" % windows_path(local))])
            # What is left is the start of the file, never more.
            left = read(local)
            self.assertLess(len(left), len(discs.MAIN.file("one.mib")))
            self.assertEqual(left, discs.MAIN.file("one.mib")[:len(left)])


class Robust32(RobustCases, harness.HostTest):
    bits = 32


class Robust64(RobustCases, harness.HostTest):
    bits = 64
