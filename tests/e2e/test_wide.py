"""The wide entry points under Wine, called as a file manager calls them once
it has found them: targets in any script, disc names with bytes 0x80-0xFF,
and the 8-bit side's answers to cancel, "exists" and failures."""

import os
import re

import discs
import harness
from harness import read, windows_path

TITLE = "Xbox DVD Filesystem"
FOLDERS = ["Łódź", "日本語", "Ελληνικά", "Łódź 日本語 Ελληνικά"]
PROGRESSW = re.compile(r"^PROGRESSW +(-?\d+) (.*) -> (.*)$")
REQUESTW = re.compile(r'^REQUESTW type=8 title="(.*?)" text="(.*)"$')
MESSAGEBOXW = re.compile(r'^MESSAGEBOXW caption=(null|".*?") text="(.*)"$')


def utf8(text):
    """The host prints UTF-8 in wide mode; the harness reads bytes as
    Latin-1."""
    return text.encode("latin-1").decode("utf-8")


def wide_path(disc, relative=""):
    """The wide plug-in path of a disc entry named by its bytes."""
    return disc.path(discs.cp1252(os.fsencode(relative)))


class WideCases:
    def wide(self, *args, init_both=False, init=True):
        options = ["--wide"] + (["--init-both"] if init_both else [])
        session = harness.run_host(self.build, *args, init=init,
                                   extra_options=options)
        session.preamble = [utf8(line) for line in session.preamble]
        for step in session.steps:
            step.command = utf8(step.command)
            step.lines = [utf8(line) for line in step.lines]
        return session

    def check_no_narrow_callbacks(self, session):
        for step in session.steps:
            self.assertEqual(step.progress + step.messages, [], step.command)

    def test_copies_into_folders_of_any_script(self):
        remote = discs.MAIN.path("big file.bin")
        commands, targets = [], []
        for folder in FOLDERS:
            target = os.path.join(self.local(folder), folder + " ✓.bin")
            os.makedirs(os.path.dirname(target), exist_ok=True)
            targets.append(target)
            commands += ["get", remote, windows_path(target)]
        session = self.wide(*commands)
        self.assertEqual(session.returncode, 0, session.output)
        for step, target in zip(session.steps, targets):
            self.assertEqual(step.results, [(0, remote)])
            self.assertEqual(
                [(int(m[1]), m[2], m[3]) for m in step.matches(PROGRESSW)],
                [(p, remote[1:], windows_path(target)) for p in (43, 87, 100)])
            self.assertEqual(read(target), discs.MAIN.file("big file.bin"))
        self.check_no_narrow_callbacks(session)

    def test_disc_names_show_as_1252_and_copy_by_that_name(self):
        disc = discs.WIDE
        session = self.wide("tree", disc.path())
        self.assertEqual(session.returncode, 0, session.output)
        (tree,) = session.steps
        wanted = {wide_path(disc, path[len(disc.path()) + 1:]): entry
                  for path, entry in disc.entries().items()}
        self.assertEqual({r.name: (r.is_dir, None if r.is_dir else r.size)
                          for r in tree.records}, wanted)
        commands, copies = [], {}
        for relative in sorted(discs.wide_tree()[0]):
            local = self.local("copy %d" % len(copies))
            copies[local] = relative
            commands += ["get", wide_path(disc, relative), windows_path(local)]
        session = self.wide(*commands)
        self.assertEqual(session.returncode, 0, session.output)
        for local, relative in copies.items():
            self.assertEqual(read(local), disc.file(relative), relative)

    def test_cancel_and_exists_answer_as_on_the_8bit_side(self):
        remote = discs.MAIN.path("big file.bin")
        data = discs.MAIN.file("big file.bin")
        target = os.path.join(self.local("Łódź"), "日本語.bin")
        os.makedirs(os.path.dirname(target), exist_ok=True)
        session = self.wide(
            "get", "--stop-at", "1", remote, windows_path(target),
            "get", remote, windows_path(target),
            "get", "-f", remote, windows_path(target))
        stopped, exists, overwritten = session.steps
        self.assertEqual(stopped.results, [(5, remote)])
        self.assertEqual(len(stopped.matches(PROGRESSW)), 1)
        self.assertEqual(exists.results, [(1, remote)])
        self.assertEqual(exists.lines[:-1], [])
        self.assertEqual(overwritten.results, [(0, remote)])
        self.assertEqual(read(target), data)
        self.check_no_narrow_callbacks(session)

    def test_failures_name_the_wide_paths(self):
        folder = self.local("Ελληνικά")
        os.makedirs(folder, exist_ok=True)
        unopenable = os.path.join(folder, "日本語", "x.bin")
        missing = [discs.WIDE.path("Łódź.bin"), wide_path(discs.WIDE, "\x80")]
        session = self.wide(
            "get", missing[0], windows_path(os.path.join(folder, "a")),
            "get", missing[1], windows_path(os.path.join(folder, "b")),
            "get", discs.MAIN.path("readme.txt"), windows_path(unopenable),
            "get", "-f", discs.MAIN.path("big file.bin"),
            windows_path("/dev/full"))
        self.assertEqual([s.results[0][0] for s in session.steps],
                         [2, 2, 4, 4])
        texts = ["ERROR: file '%s' not found" % missing[0][1:],
                 "ERROR: file '%s' not found" % missing[1][1:],
                 "ERROR: file '%s' cannot be opened for writing"
                 % windows_path(unopenable),
                 "ERROR: file 'Z:\\dev\\full' cannot be written"]
        for step, text in zip(session.steps, texts):
            self.assertEqual([(m[1], m[2]) for m in step.matches(REQUESTW)],
                             [(TITLE, text)])
        self.assertEqual(os.listdir(folder), [])
        self.check_no_narrow_callbacks(session)

    def test_host_that_calls_both_inits_then_only_wide(self):
        local = os.path.join(self.local("日本語"), "readme.txt")
        os.makedirs(os.path.dirname(local), exist_ok=True)
        session = self.wide(
            "ls", wide_path(discs.WIDE, os.fsdecode(b"dir \x81\x8d\x8f\x90\x9d \xff")),
            "get", discs.MAIN.path("readme.txt"), windows_path(local),
            "get", discs.MAIN.path("Łódź"), windows_path(local),
            init_both=True)
        self.assertEqual(session.preamble, ["INIT 0", "INITW 0"])
        listed, copied, missing = session.steps
        self.assertEqual([r.name for r in listed.records],
                         ["\x81\x8d\x8f\x90\x9d.bin"])
        self.assertEqual(copied.results, [(0, discs.MAIN.path("readme.txt"))])
        self.assertEqual(len(copied.matches(PROGRESSW)), 1)
        self.assertEqual(len(missing.matches(REQUESTW)), 1)
        self.check_no_narrow_callbacks(session)

    def test_without_init_the_wide_message_box_speaks(self):
        session = self.wide("get", discs.MAIN.path("readme.txt"),
                            windows_path(self.local("never")), init=False)
        (step,) = session.steps
        self.assertEqual(step.results, [(3, discs.MAIN.path("readme.txt"))])
        self.assertEqual(
            [(m[1], m[2]) for m in step.matches(MESSAGEBOXW)],
            [('"%s"' % TITLE, "ERROR: plugin wasnt initialized, cannot "
              "proceed with file copy")])


class Wide32(WideCases, harness.HostTest):
    bits = 32


class Wide64(WideCases, harness.HostTest):
    bits = 64
