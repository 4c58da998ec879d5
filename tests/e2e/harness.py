"""Runs the Windows host under Wine and reads what it prints."""

import os
import re
import subprocess
import tempfile
import unittest
from dataclasses import dataclass, field

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
WINE_TOOLS = os.path.join(REPO, "tools", "wine")
# The longest one Wine program or tool may take before the test gives up on
# it: minutes, for a fresh and loaded machine runs several times slower
# than a developer's, and the first start of a prefix is slow anyway.
PATIENCE = 600


@dataclass
class Build:
    """One Windows build folder: the plug-in and the host of one bitness."""

    bits: int
    folder: str

    @property
    def plugin(self):
        name = "xdvdfs.wfx" if self.bits == 32 else "xdvdfs.wfx64"
        return os.path.join(self.folder, name)

    @property
    def host(self):
        return os.path.join(self.folder, "tools", "host", "wfxhost.exe")

    @property
    def archive(self):
        name = "xdvdfs.wcx" if self.bits == 32 else "xdvdfs.wcx64"
        return os.path.join(self.folder, name)

    @property
    def archive_host(self):
        return os.path.join(self.folder, "tools", "host", "wcxhost.exe")

    @property
    def content(self):
        name = "xdvdfs.wdx" if self.bits == 32 else "xdvdfs.wdx64"
        return os.path.join(self.folder, name)

    @property
    def content_host(self):
        return os.path.join(self.folder, "tools", "host", "wdxhost.exe")

    @property
    def objdump(self):
        arch = "i686" if self.bits == 32 else "x86_64"
        return arch + "-w64-mingw32-objdump"


@dataclass
class Settings:
    native: str
    builds: dict  # bits -> Build
    work: str  # holds the Wine prefix, the sources, images and copies
    runnable_bits: set = field(default_factory=lambda: {32, 64})

    @property
    def mkxdvdfs(self):
        return os.path.join(self.native, "tools", "imagewriter", "mkxdvdfs")


# Set by the runner before any test loads.
settings = None


def wine_bits():
    """The bitnesses whose programs Wine runs on this machine."""
    out = subprocess.run([os.path.join(WINE_TOOLS, "bits")], check=True,
                         capture_output=True, text=True).stdout
    return {int(line) for line in out.split()}


def wine_tool(name, *args):
    subprocess.run([os.path.join(WINE_TOOLS, name), settings.work, *args],
                   check=True, timeout=PATIENCE)


def windows_path(path):
    """The path under which Wine programs see a local file."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


RECORD = re.compile(r"^([DF]) ([0-9a-f]{8}) +(\d+) (.*)$")
RESULT = re.compile(r"^RESULT (-?\d+) \S+ (.*)$")
PROGRESS = re.compile(r"^PROGRESS +(-?\d+) (.*) -> (.*)$")
REQUEST = re.compile(r'^REQUEST type=(\d+) title=(null|".*?") text=(null|".*")$')
MESSAGEBOX = re.compile(r'^MESSAGEBOX caption=(null|".*?") text=(null|".*")$')
STRICT_SUMMARY = re.compile(
    r"^STRICT opens=(\d+) reads=(\d+) refused=(\d+) open-at-exit=(\d+)")


def unquote(value):
    return None if value == "null" else value[1:-1]


@dataclass
class Record:
    is_dir: bool
    attributes: int
    size: int
    name: str  # as listed; for tree, the full plug-in path


@dataclass
class Step:
    """What the host printed for one command."""

    command: str
    lines: list = field(default_factory=list)

    def matches(self, pattern):
        return [m for m in map(pattern.match, self.lines) if m]

    @property
    def records(self):
        return [Record(m[1] == "D", int(m[2], 16), int(m[3]), m[4])
                for m in self.matches(RECORD)]

    @property
    def results(self):
        return [(int(m[1]), m[2]) for m in self.matches(RESULT)]

    @property
    def progress(self):
        return [(int(m[1]), m[2], m[3]) for m in self.matches(PROGRESS)]

    @property
    def messages(self):
        """Requests as ("request", title, text), message boxes as
        ("messagebox", caption, text), in the order shown."""
        found = []
        for line in self.lines:
            if m := REQUEST.match(line):
                found.append(("request", unquote(m[2]), unquote(m[3])))
            elif m := MESSAGEBOX.match(line):
                found.append(("messagebox", unquote(m[1]), unquote(m[2])))
        return found


@dataclass
class Session:
    returncode: int
    preamble: list  # lines before the first command
    steps: list
    output: str
    strict: list  # the STRICT lines: refusals, then the summary


class StrictRuleBroken(AssertionError):
    """The plug-in made a device call that Windows refuses."""


# What the strict wrappers saw over the whole run, for run.py's last line.
strict_totals = {"sessions": 0, "opens": 0, "reads": 0, "refused": 0,
                 "open-at-exit": 0}


def add_strict_totals(summary):
    strict_totals["sessions"] += 1
    for key, value in zip(("opens", "reads", "refused", "open-at-exit"),
                          summary.groups()):
        strict_totals[key] += int(value)


def check_strict(strict, allowed):
    """Fails when the STRICT lines strict show a call refused by a rule not
    in allowed, a handle left open, or no summary (the host died before
    it)."""
    summary = [m for m in map(STRICT_SUMMARY.match, strict) if m]
    if summary:
        add_strict_totals(summary[-1])
    refused = [line for line in strict
               if " REFUSED " in line and
               line.split()[2].removeprefix("rule=") not in allowed]
    if refused or not summary or summary[-1][4] != "0":
        raise StrictRuleBroken("Windows rules broken:\n" +
                               "\n".join(strict or ["no summary"]))


def run_program(program, *args, timeout=PATIENCE):
    """Runs a Windows program; returns its exit code, stdout and stderr, with
    line ends as on Linux."""
    command = [os.path.join(WINE_TOOLS, "run"), settings.work, program, *args]
    # Output goes to files, not pipes: Wine's background processes, started
    # by the first program of a prefix, inherit its handles and would hold a
    # pipe open long after the program has ended.
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        done = subprocess.run(command, stdout=out, stderr=err,
                              timeout=timeout)
        printed = []
        for f in (out, err):
            f.seek(0)
            # Windows console programs end their lines with CRLF.
            printed.append(f.read().decode("latin-1").replace("\r\n", "\n"))
    return done.returncode, printed[0], printed[1]


def run_host(build, *args, init=True, timeout=PATIENCE, plugin=None, strict=True,
             allowed_refusals=(), extra_options=()):
    """Runs one host process with message boxes caught and the plug-in's
    device calls held to Windows' rules; args are its commands with their
    arguments. The plug-in is the build's unless plugin names another file;
    extra_options go before it.
    A call refused by a rule fails the caller's test, naming the rule,
    unless the rule is in allowed_refusals (a disc that really ends early
    makes a read past its end: "past-end"); with strict=False the session is
    returned for the caller to judge."""
    options = (["--catch-msgbox", "--strict"] +
               ([] if init else ["--no-init"]) + list(extra_options))
    returncode, out, err = run_program(
        build.host, *options, windows_path(plugin or build.plugin), *args,
        timeout=timeout)
    # The host writes to stderr only when it runs no command at all.
    output = out + err
    preamble, steps, strict_lines = [], [], []
    # Only line feeds end lines: splitlines() would also cut at bytes such
    # as 0x85, which names and UTF-8 text hold.
    lines = output.split("\n")
    if lines[-1] == "":
        lines.pop()
    for line in lines:
        if line.startswith("STRICT "):
            strict_lines.append(line)
        elif line.startswith("CMD "):
            steps.append(Step(line[4:]))
        elif steps:
            steps[-1].lines.append(line)
        else:
            preamble.append(line)
    session = Session(returncode, preamble, steps, output, strict_lines)
    if strict:
        check_strict(strict_lines, allowed_refusals)
    return session


def run_archive_host(build, *args, timeout=PATIENCE, host=None, plugin=None,
                     strict=True):
    """Runs wcxhost with the build's archive plug-in (or another host and
    its plug-in); its exit code and the lines it printed, in UTF-8 as it
    prints them. With strict the plug-in's calls are held to Windows' rules
    as run_host holds them, and the STRICT lines are left out."""
    returncode, out, err = run_program(
        host or build.archive_host, *(["--strict"] if strict else []),
        windows_path(plugin or build.archive), *args, timeout=timeout)
    text = (out + err).encode("latin-1").decode("utf-8", "replace")
    lines = text.split("\n")[:-1] if text.endswith("\n") else text.split("\n")
    if not strict:
        return returncode, lines
    check_strict([line for line in lines if line.startswith("STRICT ")], ())
    return returncode, [line for line in lines
                        if not line.startswith("STRICT ")]


def run_content_host(build, *args, timeout=PATIENCE):
    """Runs wdxhost with the build's content plug-in, as run_archive_host."""
    return run_archive_host(build, *args, timeout=timeout,
                            host=build.content_host, plugin=build.content,
                            strict=False)


class HostTest(unittest.TestCase):
    """Base of the test classes; a subclass names its bitness in bits, and
    the host and plug-in of that build run its tests."""

    bits = None

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        if cls.bits not in settings.runnable_bits:
            raise unittest.SkipTest(
                f"this machine runs no {cls.bits}-bit programs: its kernel "
                "has no IA-32 emulation")

    @property
    def build(self):
        return settings.builds[self.bits]

    def host(self, *args, **options):
        return run_host(self.build, *args, **options)

    def local(self, name):
        """A local file name in a folder of this test's own."""
        folder = os.path.join(settings.work, "out", str(self.bits), self.id())
        os.makedirs(folder, exist_ok=True)
        return os.path.join(folder, name)


def listing(records):
    """Records as sorted (name, is folder, size), a folder's size left out."""
    return sorted((r.name, r.is_dir, None if r.is_dir else r.size)
                  for r in records)


def read(path):
    with open(path, "rb") as f:
        return f.read()
