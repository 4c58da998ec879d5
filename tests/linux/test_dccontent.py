"""Double Commander with the content plug-in: a column set shows each
image's Title and Title ID in a folder of images named however they were
dumped, the Multi-Rename tool renames an image after its game, and Find
files finds an image by its title. In the
file-system plug-in, a column set of its own shows the title of the disc
in a loop device."""

import os
import subprocess
import time
import unittest

import common
import doublecmd
import loopdev

REASON = ("missing " + ", ".join(doublecmd.missing_programs())
          if doublecmd.missing_programs() else None)
NAME = "xdvdfs"
TITLE = "Crafted Quest"
OTHER_TITLE = "Jeu d'été Ωμέγα"
COLUMNS = [("Default", "&lt;General&gt;", [
    ("Name", "[DC().GETFILENAMENOEXT{}]", 220),
    ("Ext", "[DC().GETFILEEXT{}]", 50),
    ("Title", f"[Plugin({NAME}).Title{{}}]", 260),
    ("Title ID", f"[Plugin({NAME}).Title ID{{}}]", 110),
])]
MASK = f"[=Plugin({NAME}).Title{{}}] ([=Plugin({NAME}).Title ID{{}}])"
# The file-system plug-in's own set; the plug-in name in Plugin() is
# ignored in its panel, which asks the plug-in's FsContent calls.
DRIVE_COLUMNS = [("Default", "&lt;General&gt;", [
    ("Name", "[DC().GETFILENAMENOEXT{}]", 220),
    ("Ext", "[DC().GETFILEEXT{}]", 50),
]), ("Drives", doublecmd.PLUGIN_NAME, [
    ("Name", "[DC().GETFILENAMENOEXT{}]", 220),
    ("Title", f"[Plugin({NAME}).Title{{}}]", 300),
    ("Title ID", f"[Plugin({NAME}).Title ID{{}}]", 110),
])]
# Where the list's rows lie below the header, and the Title column in them.
TITLE_CELLS = "290x60+225+200"


@unittest.skipIf(REASON, f"Double Commander cannot run here: {REASON}")
class DoubleCommanderContent(unittest.TestCase):
    def setUp(self):
        self.work = os.path.join(common.settings.work, "dccontent",
                                 self._testMethodName)
        self.screens = os.path.join(self.work, "screens")
        self.images = os.path.join(self.work, "games Łódź Ελληνικά")
        for folder in (self.screens, self.images):
            os.makedirs(folder)
        # In the order the panel lists them.
        for name, executable, layout in (
                ("ABCD-1234.xiso", ("default.xbe", common.xbe(
                    OTHER_TITLE, 0x41430002, region=2)), "xgd3"),
                ("disc1.iso", ("default.xbe", common.xbe(
                    TITLE, 0x4D530004)), "plain"),
                ("dump 0042.iso", ("default.xex", common.xex(
                    0x4D5307E6, 0x20000B00, 1)), "plain")):
            source = os.path.join(self.work, "src", name)
            common.write_tree(source, {executable[0]: executable[1],
                                       "media/intro.bin": b"x" * 5000})
            common.make_image_of(source, os.path.join(self.images, name),
                                 "--layout", layout)
        with open(os.path.join(self.images, "notes.txt"), "w") as f:
            f.write("not an image\n")

    def shot(self, dc, name):
        path = os.path.join(self.screens, name)
        dc.screenshot(path)
        return path

    def test_columns_and_multi_rename(self):
        started = time.monotonic()
        dc = doublecmd.DoubleCommander(
            self.work, common.settings.plugin, {}, self.images, self.images,
            os.path.join(common.settings.work, "doublecmd-defaults"),
            contents={NAME: common.settings.content}, columns=COLUMNS)
        try:
            dc.focus_list()
            dc.navigate("Home", "Down")
            # The README's screenshot.
            self.shot(dc, "columns.png")
            # disc1.iso, the second image, renamed after its game.
            dc.navigate("Down")
            dc.keys("ctrl+m")
            dialog = dc.dialog("Multi-Rename")
            dc.xdotool("windowfocus", "--sync", dialog)
            dc.keys("ctrl+a")
            dc.xdotool("type", "--delay", "20", MASK)
            self.shot(dc, "multirename.png")
            dc.keys("alt+r")
            renamed = os.path.join(self.images, f"{TITLE} (4D530004).iso")
            doublecmd.wait_for(lambda: os.path.exists(renamed),
                               "the image renamed after its game")
            self.assertFalse(os.path.exists(
                os.path.join(self.images, "disc1.iso")))
        finally:
            self.shot(dc, "last.png")
            dc.stop()
        common.note(f"Double Commander content end to end: "
                    f"{time.monotonic() - started:.1f} s")

    def test_find_files_by_title(self):
        dc = doublecmd.DoubleCommander(
            self.work, common.settings.plugin, {}, self.images, self.images,
            os.path.join(common.settings.work, "doublecmd-defaults"),
            contents={NAME: common.settings.content})
        click = lambda name: dc.xdotool("mousemove", *FIND[name], "click", "1")
        try:
            dc.keys("alt+F7")
            dialog = dc.dialog("Find files")
            dc.xdotool("windowmove", "--sync", dialog, "0", "0")
            dc.xdotool("windowfocus", "--sync", dialog)
            dc.keys("ctrl+Tab", "ctrl+Tab")
            click("use plug-ins")
            click("more rules")  # xdvdfs, Title, =
            click("value")
            dc.xdotool("type", "--delay", "20", TITLE)
            self.shot(dc, "find.png")
            click("start")
            # Found: disc1.iso, on the Results tab's first line (the
            # path's text), and no second line.
            doublecmd.wait_for(lambda: dark_pixels(dc, "700x16+12+110"),
                               "a result")
            self.shot(dc, "found.png")
            self.assertEqual(dark_pixels(dc, "700x40+12+130"), 0)
            # Closed, so that the program takes the key that quits it.
            dc.xdotool("windowfocus", "--sync", dialog)
            dc.keys("Escape")
            doublecmd.wait_for(lambda: dialog not in dc.xdotool(
                "search", "--onlyvisible", "--name", "Find files").split(),
                "the dialog to close")
            dc.focus_list()
        finally:
            self.shot(dc, "find-last.png")
            dc.stop()


# The Find files dialog, moved to the screen's corner (there is no window
# manager to place it): its Plugins tab and buttons.
FIND = {"use plug-ins": ("17", "118"), "more rules": ("63", "425"),
        "value": ("518", "188"), "start": ("820", "89")}


def dark_pixels(dc, area):
    """Pixels of text (all channels below 100) in an area of the screen."""
    rgb = subprocess.run(["import", "-window", "root", "-crop", area, "rgb:-"],
                         env=dc.env, capture_output=True, check=True).stdout
    return sum(1 for i in range(0, len(rgb) - 2, 3)
               if max(rgb[i], rgb[i + 1], rgb[i + 2]) < 100)


@unittest.skipIf(loopdev.unavailable() or REASON,
                 f"no loop devices or Double Commander: "
                 f"{loopdev.unavailable() or REASON}")
class DoubleCommanderDriveColumns(unittest.TestCase):
    def test_the_drive_column_set_shows_the_discs_title(self):
        work = os.path.join(common.settings.work, "dcdrives")
        source = os.path.join(work, "src")
        common.write_tree(source, {"default.xbe": common.xbe(
            "Loop Drive Game", 0x4C440001)})
        image = os.path.join(work, "loop game.iso")
        common.make_image_of(source, image, "--layout", "xgd2")
        loop = loopdev.Loop(image).__enter__()
        self.addCleanup(loop.__exit__)
        os.makedirs(os.path.join(work, "local"))
        dc = doublecmd.DoubleCommander(
            work, common.settings.plugin, {}, os.path.join(work, "local"),
            os.path.join(work, "local"),
            os.path.join(common.settings.work, "doublecmd-defaults"),
            columns=DRIVE_COLUMNS)
        try:
            dc.navigate("F12")
            empty = dark_pixels(dc, TITLE_CELLS)
            # The plug-in's sets come first in the header's menu, which
            # covers part of the list.
            before = dc._list_hash()
            dc.xdotool("mousemove", "100", "183", "click", "3")
            doublecmd.wait_for(lambda: dc._list_hash() != before, "the menu")
            dc.keys("Down", "Return")
            # The title's text in the Title column of the drive's row.
            doublecmd.wait_for(
                lambda: dark_pixels(dc, TITLE_CELLS) > empty + 50,
                "the drive's title")
            dc.screenshot(os.path.join(work, "drives.png"))
        finally:
            dc.stop()
