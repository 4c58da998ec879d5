"""Copying files out of a disc: contents, progress reports, cancellation and
each way a copy can fail."""

import os

import discs
import harness
from harness import read, windows_path

TITLE = "Xbox DVD Filesystem"
ONE_MIB_REPORTS = [6, 12, 18, 25, 31, 37, 43, 50, 56, 62, 68, 75, 81, 87, 93,
                   100]


def request(text):
    return ("request", TITLE, text)


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def files_below(folder):
    """Relative path -> bytes of every file below a local folder, and the
    relative paths of its folders."""
    files, folders = {}, set()
    for parent, subfolders, names in os.walk(folder):
        rel = os.path.relpath(parent, folder)
        folders.update(os.path.normpath(os.path.join(rel, s))
                       for s in subfolders)
        for name in names:
            files[os.path.normpath(os.path.join(rel, name))] = read(
                os.path.join(parent, name))
    return files, folders


class CopyCases:
    def get(self, remote, local, *options, **host_options):
        """One copy in a session of its own; returns its step."""
        session = self.host("get", *options, remote, windows_path(local),
                            **host_options)
        (step,) = session.steps
        return step

    def test_every_file_copies_byte_for_byte(self):
        for disc in (discs.MAIN, discs.SECOND):
            copy = self.local(disc.letter[0])
            session = self.host("getall", disc.path(), windows_path(copy))
            self.assertEqual(session.returncode, 0, session.output[-3000:])
            (step,) = session.steps
            wanted = sorted(path for path, (is_dir, _) in
                            disc.entries().items() if not is_dir)
            self.assertEqual(sorted(step.results), [(0, p) for p in wanted])
            source_files, source_folders = files_below(disc.source)
            copied_files, copied_folders = files_below(copy)
            self.assertEqual(copied_folders, source_folders)
            self.assertEqual(sorted(copied_files), sorted(source_files))
            for name, data in source_files.items():
                self.assertTrue(copied_files[name] == data, name)

    def test_progress_reports(self):
        main = discs.MAIN
        reports = {"big file.bin": [43, 87, 100], "empty.bin": [100],
                   "exact64k.bin": [100], "nested/odd size.bin": [100],
                   "one.mib": ONE_MIB_REPORTS}
        commands = []
        for name in reports:
            commands += ["get", main.path(name),
                         windows_path(self.local(os.path.basename(name)))]
        session = self.host(*commands)
        self.assertEqual(session.returncode, 0, session.output)
        for step, (name, percents) in zip(session.steps, reports.items()):
            local = self.local(os.path.basename(name))
            # The source is the remote path without its leading separator.
            self.assertEqual(step.progress,
                             [(p, main.path(name)[1:], windows_path(local))
                              for p in percents])
            self.assertEqual(step.results, [(0, main.path(name))])
            self.assertEqual(read(local), main.file(name), name)

    def test_cancel_keeps_what_was_written(self):
        remote = discs.MAIN.path("big file.bin")
        data = discs.MAIN.file("big file.bin")
        first, last = self.local("first"), self.local("last")
        session = self.host(
            "get", "--stop-at", "1", remote, windows_path(first),
            "get", "--stop-at", "3", remote, windows_path(last))
        at_first, at_last = session.steps
        self.assertEqual([p for p, _, _ in at_first.progress], [43])
        self.assertEqual(at_first.results, [(5, remote)])
        self.assertEqual(read(first), data[:65536])
        self.assertEqual([p for p, _, _ in at_last.progress], [43, 87, 100])
        self.assertEqual(at_last.results, [(5, remote)])
        self.assertEqual(read(last), data)
        self.assertEqual(at_first.messages + at_last.messages, [])

    def test_missing_remote_file_leaves_local_file_alone(self):
        kept, absent = self.local("kept"), self.local("absent")
        write(kept, b"keep me")
        missing_file = discs.MAIN.path("no such.bin")
        missing_folder = discs.MAIN.path("no such folder/x.bin")
        session = self.host("get", missing_file, windows_path(kept),
                            "get", missing_folder, windows_path(absent))
        in_root, in_missing_folder = session.steps
        self.assertEqual(in_root.results, [(2, missing_file)])
        self.assertEqual(in_root.messages,
                         [request("ERROR: file 'E:\\no such.bin' not found")])
        self.assertEqual(in_missing_folder.results, [(2, missing_folder)])
        self.assertEqual(read(kept), b"keep me")
        self.assertFalse(os.path.exists(absent))

    def test_existing_local_file_needs_overwrite(self):
        remote = discs.MAIN.path("big file.bin")
        data = discs.MAIN.file("big file.bin")
        longer, shorter = self.local("longer"), self.local("shorter")
        old = {longer: b"L" * 200000, shorter: b"S" * 10}
        for path, content in old.items():
            write(path, content)
            step = self.get(remote, path)
            self.assertEqual(step.results, [(1, remote)])
            self.assertEqual(step.messages + step.progress, [])
            self.assertEqual(read(path), content)
            step = self.get(remote, path, "-f")
            self.assertEqual(step.results, [(0, remote)])
            self.assertEqual(read(path), data)

    def test_local_file_that_cannot_be_opened(self):
        target = os.path.join(os.path.dirname(self.local("x")), "no folder",
                              "x.bin")
        step = self.get(discs.MAIN.path("readme.txt"), target)
        self.assertEqual(step.results, [(4, discs.MAIN.path("readme.txt"))])
        self.assertEqual(step.messages, [request(
            "ERROR: file '%s' cannot be opened for writing"
            % windows_path(target))])

    def test_local_file_that_cannot_be_written(self):
        # Every write to this device fails with "no space left".
        step = self.get(discs.MAIN.path("big file.bin"), "/dev/full", "-f")
        self.assertEqual(step.results, [(4, discs.MAIN.path("big file.bin"))])
        self.assertEqual(step.messages, [request(
            "ERROR: file 'Z:\\dev\\full' cannot be written")])

    def test_disc_ending_inside_a_file(self):
        local = self.local("cut")
        # The disc really ends there: its second read lies past the end.
        step = self.get(discs.CUT.path("big.bin"), local,
                        allowed_refusals=("past-end",))
        self.assertEqual(step.results, [(3, discs.CUT.path("big.bin"))])
        self.assertEqual(step.messages,
                         [request("ERROR: vepo_extractdata failed, code = 13")])
        self.assertEqual(read(local), discs.CUT.file("big.bin")[:65536])

    def test_files_at_the_end_of_the_image(self):
        for disc, name in ((discs.TAIL, "tail.bin"),
                           (discs.EMPTY_LAST, "empty.bin")):
            local = self.local(name)
            step = self.get(disc.path(name), local)
            self.assertEqual(step.results, [(0, disc.path(name))])
            self.assertEqual(step.messages, [])
            self.assertEqual(step.progress[-1][0], 100)
            self.assertEqual(read(local), disc.file(name))

    def test_copy_before_init(self):
        local = self.local("never")
        step = self.get(discs.MAIN.path("readme.txt"), local, init=False)
        self.assertEqual(step.messages, [(
            "messagebox", TITLE,
            "ERROR: plugin wasnt initialized, cannot proceed with file copy")])
        self.assertEqual(step.results, [(3, discs.MAIN.path("readme.txt"))])
        self.assertFalse(os.path.exists(local))


class Copy32(CopyCases, harness.HostTest):
    bits = 32


class Copy64(CopyCases, harness.HostTest):
    bits = 64
