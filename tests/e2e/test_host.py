"""The host program's command line: help, usage errors and the exit codes
that tell a script what went wrong."""

import re

import discs
import harness
from harness import windows_path

COMMANDS = ["root", "version", "ls", "tree", "fields", "get", "getall",
            "filecopy", "cycles", "pause"]
HINT = "Try 'wfxhost --help'"


class HostCases:
    def wfxhost(self, *args):
        return harness.run_program(self.build.host, *args)

    def test_help_lists_every_command_and_exit_code(self):
        for option in ("--help", "-h"):
            code, out, err = self.wfxhost(option)
            self.assertEqual((code, err), (0, ""), option)
            commands = out.split("\ncommands", 1)[1].split("\noptions:")[0]
            listed = re.findall(r"^  ([a-z]+)", commands, re.M)
            self.assertEqual(listed, COMMANDS)
            for exit_code in ("0", "1..5", "6", "64", "65"):
                self.assertRegex(out, r"\n  %s +\S" % exit_code)

    def test_usage_errors_name_the_fault_and_run_nothing(self):
        plugin = windows_path(self.build.plugin)
        cases = [
            ((), "missing PLUGIN_DLL"),
            (("--bogus", plugin, "root"), "unknown option '--bogus'"),
            ((plugin,), "missing COMMAND after PLUGIN_DLL"),
            ((plugin, "root", "bogus"), "unknown command 'bogus'"),
            ((plugin, "ls"), "ls needs PATH"),
            ((plugin, "get", "-f", "\\E:\\a"), "get needs REMOTE LOCAL"),
            ((plugin, "getall", "--stop-at", "1", "\\E:", "x"),
             "unknown option '--stop-at' for getall"),
            ((plugin, "get", "--stop-at", "0", "\\E:\\a", "x"),
             "--stop-at needs a report number above 0"),
            ((plugin, "cycles", "ten", "\\E:\\a", "x"),
             "cycles needs a count N above 0"),
            ((plugin, "get", "--pause-at", "1", "\\E:\\a", "x"),
             "get needs REMOTE LOCAL"),
            ((plugin, "get", "--pause-at", "x", "f", "\\E:\\a", "x"),
             "--pause-at needs a report number above 0 and a file"),
        ]
        for args, problem in cases:
            code, out, err = self.wfxhost(*args)
            self.assertEqual(code, 64, args)
            # Nothing is loaded or run before the whole line is read.
            self.assertEqual(out, "", args)
            self.assertEqual(err.splitlines(),
                             ["wfxhost: " + problem,
                              HINT + " for the commands."], args)

    def test_plugin_that_cannot_be_loaded(self):
        other = harness.settings.builds[96 - self.bits].plugin
        cases = [
            ("Z:\\no\\such.wfx", "cannot load Z:\\no\\such.wfx (error 126)"),
            # The other bitness's DLL is no module this process can load.
            (windows_path(other),
             "cannot load %s (error 193)" % windows_path(other)),
            ("version.dll", "entry point FsInit not exported"),
        ]
        for plugin, problem in cases:
            code, out, err = self.wfxhost(plugin, "root")
            self.assertEqual((code, out), (65, ""), plugin)
            self.assertEqual(err.splitlines(), ["wfxhost: " + problem])

    def test_exit_code_is_the_first_failure(self):
        main = discs.MAIN
        kept = self.local("kept")
        with open(kept, "wb") as f:
            f.write(b"kept")
        missing = ("get", main.path("no such.bin"), windows_path(self.local("m")))
        exists = ("get", main.path("readme.txt"), windows_path(kept))
        stopped = ("get", "--stop-at", "1", main.path("big file.bin"),
                   windows_path(self.local("stopped")))
        not_xbox = ("ls", discs.NOT_XBOX.path())
        cases = [
            ((("root",), ("version",), ("ls", main.path())), {}, 0),
            ((exists,), {}, 1),
            ((missing, exists), {}, 2),
            ((stopped, missing), {}, 5),
            ((exists, not_xbox), discs.NOT_XBOX_PROBES, 1),
            ((not_xbox, missing), discs.NOT_XBOX_PROBES, 6),
            # The copy fails with a read error after its message box.
            ((("get", main.path("readme.txt"),
               windows_path(self.local("uninit"))),), {"init": False}, 3),
        ]
        for commands, options, want in cases:
            session = self.host(*(a for c in commands for a in c), **options)
            self.assertEqual(session.returncode, want, session.output)
            self.assertEqual(len(session.steps), len(commands))

    def test_folder_copy_exits_with_its_first_failed_file(self):
        main = discs.MAIN
        folder = self.local("nested")
        session = self.host("getall", main.path("nested"),
                            windows_path(folder))
        self.assertEqual(session.returncode, 0, session.output)
        # Now every file is there; only -f may replace them.
        session = self.host("getall", main.path("nested"),
                            windows_path(folder))
        self.assertEqual(session.returncode, 1, session.output)
        (step,) = session.steps
        self.assertEqual({code for code, _ in step.results}, {1})
        self.assertEqual(len(step.results), 3)


class Host32(HostCases, harness.HostTest):
    bits = 32


class Host64(HostCases, harness.HostTest):
    bits = 64
