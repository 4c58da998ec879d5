"""Browsing: the plug-in root, the folders of each disc, failing discs and
moving between drives in one session."""

import discs
import harness
from harness import listing

NOT_XBOX_MESSAGE = ("messagebox", None, "ERROR: cant open 'G:' device")


class BrowseCases:
    def test_root_shows_exactly_the_disc_drives(self):
        session = self.host("root", "ls", "\\", "ls", "/")
        self.assertEqual(session.returncode, 0, session.output)
        root, backslash, slash = session.steps
        self.assertEqual(root.lines, ["ROOT Xbox DVD Filesystem"])
        for step in (backslash, slash):
            # In the system's order; C: and Z: are no CD/DVD drives.
            self.assertEqual(
                [(r.name, r.attributes, r.size) for r in step.records],
                [(d.letter, 0x10, 0) for d in discs.ALL])
            self.assertEqual(step.messages, [])

    def test_tree_matches_source(self):
        for disc in (discs.MAIN, discs.SECOND):
            session = self.host("tree", disc.path())
            self.assertEqual(session.returncode, 0, session.output)
            (step,) = session.steps
            listed = {r.name: (r.is_dir, None if r.is_dir else r.size)
                      for r in step.records}
            self.assertEqual(len(listed), len(step.records), "duplicates")
            self.assertEqual(listed, disc.entries())
            self.assertTrue(all(r.attributes in (0, 0x10)
                                for r in step.records))

    def test_folder_forms(self):
        main = discs.MAIN
        session = self.host("ls", main.path("nested"), "ls",
                            main.path("nested") + "\\", "ls",
                            main.path("nested/empty folder"))
        plain, trailing, empty = session.steps
        self.assertEqual(listing(plain.records), main.listing("nested"))
        self.assertEqual(listing(trailing.records), main.listing("nested"))
        self.assertEqual(empty.records, [])
        self.assertIn("EMPTY lasterror=18", empty.lines)

    def test_failed_listings_show_their_message(self):
        session = self.host("ls", discs.NOT_XBOX.path(), "ls",
                            discs.MAIN.path("no such folder"), "ls",
                            discs.MAIN.path("readme.txt"),
                            **discs.NOT_XBOX_PROBES)
        self.assertNotEqual(session.returncode, 0)
        not_xbox, missing, file_as_folder = session.steps
        self.assertEqual(not_xbox.messages, [NOT_XBOX_MESSAGE])
        self.assertIn("EMPTY lasterror=18", not_xbox.lines)
        for step, path in ((missing, "E:\\no such folder"),
                           (file_as_folder, "E:\\readme.txt")):
            self.assertEqual(step.records, [])
            (message,) = step.messages
            self.assertEqual(message[:2], ("messagebox", None))
            self.assertTrue(message[2].startswith(
                "ERROR: vepo_getupdatedirsubtree error, path: '%s', code = "
                % path), message)

    def test_switching_drives_keeps_each_disc_apart(self):
        main, second = discs.MAIN, discs.SECOND
        e_copy, f_copy = self.local("e readme"), self.local("f readme")
        session = self.host(
            "ls", main.path(), "ls", second.path(), "ls", main.path("nested"),
            "ls", "\\", "ls", second.path(), "ls", discs.NOT_XBOX.path(),
            "ls", main.path(),
            "get", main.path("readme.txt"), harness.windows_path(e_copy),
            "get", second.path("readme.txt"), harness.windows_path(f_copy),
            "ls", second.path("only on f"), **discs.NOT_XBOX_PROBES)
        steps = session.steps
        expected = [main.listing(), second.listing(), main.listing("nested"),
                    None, second.listing(), None, main.listing()]
        for step, want in zip(steps, expected):
            if want is not None:
                self.assertEqual(listing(step.records), want, step.command)
        self.assertEqual([r.name for r in steps[3].records],
                         [d.letter for d in discs.ALL])
        self.assertEqual(steps[5].messages, [NOT_XBOX_MESSAGE])
        self.assertEqual(steps[7].results, [(0, main.path("readme.txt"))])
        self.assertEqual(steps[8].results, [(0, second.path("readme.txt"))])
        self.assertEqual(harness.read(e_copy), main.file("readme.txt"))
        self.assertEqual(harness.read(f_copy), second.file("readme.txt"))
        self.assertEqual(listing(steps[9].records),
                         second.listing("only on f"))


class Browse32(BrowseCases, harness.HostTest):
    bits = 32


class Browse64(BrowseCases, harness.HostTest):
    bits = 64
