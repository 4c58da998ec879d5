"""Whole-disc images mapped as drives: the file system found at the XGD1,
XGD2 and XGD3 bases, a file past 4 GiB of the device, a 200-character name,
and a disc with only its video partition."""

from collections import defaultdict

import discs
import harness
from harness import read, windows_path
from test_copy import files_below


class WholeDiscCases:
    def test_every_folder_lists_like_its_source(self):
        for disc in discs.WHOLE:
            session = self.host("tree", disc.path())
            self.assertEqual(session.returncode, 0, session.output)
            (step,) = session.steps
            self.assertEqual(
                {r.name: (r.is_dir, None if r.is_dir else r.size)
                 for r in step.records}, disc.entries(), disc.letter)

    def test_every_file_copies_byte_for_byte_with_progress(self):
        for disc in discs.WHOLE:
            copy = self.local(disc.letter[0])
            session = self.host("getall", disc.path(), windows_path(copy))
            self.assertEqual(session.returncode, 0, session.output[-3000:])
            (step,) = session.steps
            percents = defaultdict(list)
            for percent, source, _ in step.progress:
                percents[source].append(percent)
            source_files, _ = files_below(disc.source)
            self.assertEqual(files_below(copy), files_below(disc.source))
            self.assertEqual(len(percents), len(source_files))
            for source, reports in percents.items():
                self.assertEqual(reports[-1], 100, source)
                self.assertEqual(reports, sorted(reports), source)

    def test_file_past_4_gib_copies_in_64_kib_chunks(self):
        folder = "past 4 GiB"
        commands = []
        for name in ("straddles.bin", "beyond.bin"):
            commands += ["get", discs.XGD1.path(f"{folder}/{name}"),
                         windows_path(self.local(name))]
        session = self.host(*commands)
        self.assertEqual(session.returncode, 0, session.output)
        straddles, beyond = session.steps
        self.assertEqual([p for p, _, _ in straddles.progress], [43, 87, 100])
        self.assertEqual([p for p, _, _ in beyond.progress], [93, 100])
        for name in ("straddles.bin", "beyond.bin"):
            self.assertEqual(read(self.local(name)),
                             discs.XGD1.file(f"{folder}/{name}"))

    def test_200_character_name_lists_and_copies(self):
        remote = discs.XGD2.path(discs.LONG_NAME)
        local = self.local("long")
        session = self.host("ls", discs.XGD2.path(), "get", remote,
                            windows_path(local))
        self.assertEqual(session.returncode, 0, session.output)
        listed, copied = session.steps
        self.assertIn((discs.LONG_NAME, False, 3000),
                      harness.listing(listed.records))
        self.assertEqual(copied.results, [(0, remote)])
        self.assertEqual(read(local), discs.XGD2.file(discs.LONG_NAME))

    def test_video_only_disc_is_refused(self):
        session = self.host("ls", discs.VIDEO_ONLY.path(), "get",
                            discs.VIDEO_ONLY.path("default.xbe"),
                            windows_path(self.local("none")))
        self.assertNotEqual(session.returncode, 0)
        listed, copied = session.steps
        self.assertEqual(listed.messages, [
            ("messagebox", None, "ERROR: cant open 'N:' device")])
        self.assertIn("EMPTY lasterror=18", listed.lines)
        self.assertEqual(copied.results, [(2, discs.VIDEO_ONLY.path(
            "default.xbe"))])


class WholeDisc32(WholeDiscCases, harness.HostTest):
    bits = 32


class WholeDisc64(WholeDiscCases, harness.HostTest):
    bits = 64
