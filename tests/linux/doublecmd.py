"""Double Commander under Xvfb with a private configuration that registers
our plug-in, driven by keys through xdotool. Every step waits on something
it can see: a window, the file list settling, a log line or a file."""

import hashlib
import os
import select
import shutil
import subprocess
import time

PLUGIN_NAME = "Xbox DVD Filesystem"
PROGRAMS = ("doublecmd", "Xvfb", "xdotool", "import")
# The left file list once the window fills the screen; the caret of the
# command line, which blinks, lies outside it.
LIST_AREA = "630x530+0+200"
SCREEN = (1280, 800)
# How long any one step may take. Each wait ends as soon as what it waits
# for shows, so the limit costs nothing on a fast machine; a fresh, loaded
# one took 45 s for the program's first start.
PATIENCE = 300


def missing_programs():
    return [p for p in PROGRAMS if shutil.which(p) is None]


def wait_for(check, what, timeout=PATIENCE, interval=0.1):
    """check() until it gives something true; that value, or AssertionError
    after timeout seconds."""
    end = time.monotonic() + timeout
    while True:
        value = check()
        if value:
            return value
        if time.monotonic() > end:
            raise AssertionError(f"timed out after {timeout} s waiting for "
                                 f"{what}")
        time.sleep(interval)


class Xvfb:
    """A private X server on the first free display."""

    def __init__(self, output):
        read, write = os.pipe()
        with open(output, "wb") as out:
            self.process = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write), "-screen", "0",
                 f"{SCREEN[0]}x{SCREEN[1]}x24", "-nolisten", "tcp",
                 # No reset when the first program leaves, which would turn
                 # the next one away.
                 "-noreset"],
                pass_fds=(write,), stdout=out, stderr=subprocess.STDOUT)
        os.close(write)
        # Read up to the line end: the server writes the number and the end
        # apart, and dies when the second write finds the pipe closed.
        text = b""
        try:
            while not text.endswith(b"\n"):
                ready, _, _ = select.select([read], [], [], PATIENCE)
                chunk = os.read(read, 64) if ready else b""
                if not chunk:
                    break
                text += chunk
        finally:
            os.close(read)
        number = text.decode().strip()
        if not number:
            self.stop()
            raise AssertionError("Xvfb gave no display")
        self.display = ":" + number

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=PATIENCE)


def default_shortcuts(env, folder):
    """The program's full default shortcuts file, which it writes on its
    first start in an empty configuration folder (a short hand-written one
    is replaced by the defaults). That start is slow, so the file is kept in
    folder and later calls read it from there."""
    path = os.path.join(folder, "shortcuts.scf")
    complete = lambda: os.path.exists(path) and open(
        path).read().rstrip().endswith("</doublecmd>")
    if not complete():
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        process = subprocess.Popen(
            ["doublecmd", f"--config-dir={folder}", "--no-splash"], env=env,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            wait_for(complete, "the default shortcuts file")
        finally:
            quit_program(process, env)
    with open(path) as f:
        return f.read()


def quit_program(process, env):
    """alt+x once its window is up, as a user quits, again every few
    seconds while it takes no keys yet; ended when that fails."""
    try:
        wait_for(lambda: process.poll() is not None or subprocess.run(
            ["xdotool", "search", "--onlyvisible", "--name",
             "Double Commander"], env=env, capture_output=True).stdout,
            "the window")
        sent = [0.0]

        def quit_once_more():
            # Again every few seconds: a key sent too early is lost.
            if process.poll() is not None:
                return True
            if time.monotonic() - sent[0] >= 3:
                subprocess.run(["xdotool", "key", "alt+x"], env=env)
                sent[0] = time.monotonic()
            return False

        wait_for(quit_once_more, "the program to quit")
    except AssertionError:
        pass
    if process.poll() is None:
        process.kill()
        process.wait()


def hotkey(shortcut, path):
    return (f"      <Hotkey>\n        <Shortcut>{shortcut}</Shortcut>\n"
            "        <Command>cm_ChangeDir</Command>\n"
            f'        <Param>activepath="wfx://{PLUGIN_NAME}{path}"</Param>\n'
            "      </Hotkey>\n")


CONFIGURATION = """<?xml version="1.0" encoding="UTF-8"?>
<doublecmd DCVersion="1.0.10" ConfigVersion="13">
  <FileOperations>
    <Confirmations>0</Confirmations>
  </FileOperations>
  <Log Enabled="True" Count="0" LogFileWithDateInName="False">
    <FileName>{log}</FileName>
    <Options>1023</Options>
  </Log>
  <Configuration Save="False"/>
  <Plugins>
    <WfxPlugins>
      <WfxPlugin Enabled="True">
        <Name>{name}</Name>
        <Path>{plugin}</Path>
      </WfxPlugin>
    </WfxPlugins>
    <WcxPlugins>{archives}</WcxPlugins>
    <WdxPlugins>{contents}</WdxPlugins>
  </Plugins>{columns}
</doublecmd>
"""


def archive_entries(archives):
    """WcxPlugin entries: extension -> (plug-in path, PK_CAPS flags)."""
    return "".join(
        f'\n      <WcxPlugin Enabled="True"><ArchiveExt>{ext}</ArchiveExt>'
        f"<Path>{path}</Path><Flags>{flags}</Flags></WcxPlugin>"
        for ext, (path, flags) in archives.items())


def content_entries(contents):
    """WdxPlugin entries: name -> plug-in path. The detect string is left
    empty, so that the program asks the plug-in for it, as on Add."""
    return "".join(
        f"\n      <WdxPlugin><Name>{name}</Name><Path>{path}</Path>"
        "<DetectString/></WdxPlugin>"
        for name, path in contents.items())


def column_sets(sets):
    """ColumnsSets: (set name, file system, [(title, FuncString, width)]).
    A set named Default for <General> replaces the one every panel shows."""
    out = []
    for name, file_system, columns in sets:
        out.append(
            f"\n    <ColumnsSet><Name>{name}</Name>"
            f"<CustomView>False</CustomView>"
            f"<FileSystem>{file_system}</FileSystem><Columns>" +
            "".join(f"<Column><Title>{title}</Title><FuncString>{func}"
                    f"</FuncString><Width>{width}</Width><Align>0</Align>"
                    "</Column>" for title, func, width in columns) +
            "</Columns></ColumnsSet>")
    return ("\n  <ColumnsSets>" + "".join(out) + "\n  </ColumnsSets>"
            if sets else "")


class DoubleCommander:
    """The program with our plug-in. hotkeys maps shortcuts such as
    "Shift+F11" to plug-in paths such as "/loop2:"; F12 opens the root.
    archives registers archive plug-ins by extension (archive_entries).
    contents registers content plug-ins by name (content_entries) and
    columns adds column sets (column_sets).
    The left panel starts in local, the right one in target."""

    def __init__(self, work, plugin, hotkeys, local, target, defaults,
                 archives=None, contents=None, columns=None):
        """defaults: where the program's default shortcuts are kept for the
        whole run (see default_shortcuts)."""
        self.work = work
        self.defaults = defaults
        self.log = os.path.join(work, "doublecmd.log")
        self.screen = Xvfb(os.path.join(work, "xvfb.out"))
        self.env = dict(os.environ, DISPLAY=self.screen.display,
                        NO_AT_BRIDGE="1")
        self.process = None
        try:
            self._configure(plugin, hotkeys, archives or {}, contents or {},
                            columns or [])
            self.process = subprocess.Popen(
                ["doublecmd", f"--config-dir={self.config}", "--no-splash",
                 "-L", local, "-R", target, "-P", "L"], env=self.env,
                stdout=open(os.path.join(work, "doublecmd.out"), "wb"),
                stderr=subprocess.STDOUT)
            self.window = wait_for(
                lambda: self._visible("Double Commander"), "its window")[0]
            self.xdotool("windowmove", self.window, "0", "0")
            self.xdotool("windowsize", self.window, *map(str, SCREEN))
            size = "{}x{}".format(*SCREEN)
            wait_for(lambda: size in self.xdotool("getwindowgeometry",
                                                  self.window), "the resize")
            self._settle()
            self.focus_list()
        except BaseException:
            self.stop()
            raise

    def _configure(self, plugin, hotkeys, archives, contents, columns):
        self.config = os.path.join(self.work, "config")
        defaults = default_shortcuts(self.env, self.defaults)
        os.makedirs(self.config)
        keys = hotkey("F12", "/") + "".join(
            hotkey(k, p) for k, p in hotkeys.items())
        main_form = '<Form Name="Main">\n'
        assert main_form in defaults
        with open(os.path.join(self.config, "shortcuts.scf"), "w") as f:
            f.write(defaults.replace(main_form, main_form + keys, 1))
        with open(os.path.join(self.config, "doublecmd.xml"), "w") as f:
            f.write(CONFIGURATION.format(log=self.log, name=PLUGIN_NAME,
                                         plugin=plugin,
                                         archives=archive_entries(archives),
                                         contents=content_entries(contents),
                                         columns=column_sets(columns)))

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env,
                              capture_output=True, text=True).stdout

    def _visible(self, name):
        return self.xdotool("search", "--onlyvisible", "--name",
                            name).split()

    def _list_area(self):
        return subprocess.run(
            ["import", "-window", "root", "-crop", LIST_AREA, "rgb:-"],
            env=self.env, capture_output=True).stdout

    def focus_list(self):
        """Clicks into the empty part of the left list. Without a window
        manager the list gets the keyboard back only so, after the program
        opened a window of its own (a copy's progress, a message)."""
        self.xdotool("mousemove", "300", "680", "click", "1")

    def keys(self, *names):
        self.xdotool("key", "--delay", "50", *names)

    def navigate(self, *names):
        """Sends keys that change the file list and waits until the list
        has changed and stands still."""
        before = self._list_hash()
        self.keys(*names)
        self._settle(before)

    def _list_hash(self):
        return hashlib.sha1(self._list_area()).digest()

    def _settle(self, before=None):
        """Waits until the list differs from before, when given, and then
        until it stands still."""
        last = self._list_hash()
        if before is not None:
            last = wait_for(lambda: (lambda h: h != before and h)(
                self._list_hash()), "the list to change")
        end = time.monotonic() + PATIENCE
        while time.monotonic() < end:
            time.sleep(0.2)
            now = self._list_hash()
            if now == last:
                return
            last = now
        raise AssertionError("the file list never stood still")

    def log_lines(self):
        if not os.path.exists(self.log):
            return []
        with open(self.log, encoding="utf-8", errors="replace") as f:
            # Each line starts with the date and time.
            return [line.rstrip("\n").split(" ", 3)[-1] for line in f]

    def wait_for_log(self, line, timeout=PATIENCE):
        wait_for(lambda: line in self.log_lines(), f"log line '{line}'",
                 timeout)

    def dialog(self, title, timeout=PATIENCE):
        """Waits for a dialog window with this title; returns its id."""
        return wait_for(lambda: [w for w in self._visible(title)
                                 if w != self.window], f"dialog '{title}'",
                        timeout)[0]

    def dismiss(self, dialog):
        self.keys("Return")
        wait_for(lambda: dialog not in self._visible(PLUGIN_NAME),
                 "the dialog to close")
        self.focus_list()

    def screenshot(self, path):
        subprocess.run(["import", "-window", "root", path], env=self.env,
                       check=True)

    def stop(self):
        if self.process:
            quit_program(self.process, self.env)
        self.screen.stop()
