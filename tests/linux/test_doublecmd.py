"""Double Commander, the real program, with the Linux plug-in: it browses
and copies from disc images attached as loop devices, and shows the user
what the plug-in says about a drive that is gone or a disc it refuses."""

import os
import shutil
import time
import unittest

import common
import doublecmd
import loopdev

REASON = loopdev.unavailable() or (
    "missing " + ", ".join(doublecmd.missing_programs())
    if doublecmd.missing_programs() else None)
SAMPLE = os.path.join(common.REPO, "tools", "sample-disc")
# 2003-06-01 00:00 UTC, as the volume descriptor's FILETIME and as a copy's
# modification time.
VOLUME_TIME = 126988992000000000
VOLUME_MTIME = 1054425600
XGD2_BASE = 0xFD90000


@unittest.skipIf(REASON, f"Double Commander cannot run here: {REASON}")
class DoubleCommanderEndToEnd(unittest.TestCase):
    def setUp(self):
        self.work = os.path.join(common.settings.work, "doublecmd")
        self.screens = os.path.join(self.work, "screens")
        # The wide entry points carry any script to the local side.
        self.copies = os.path.join(self.work, "copies Łódź 日本語")
        for folder in (self.screens, self.copies,
                       os.path.join(self.work, "local")):
            os.makedirs(folder)
        images = os.path.join(self.work, "images")
        os.makedirs(images)
        sample = os.path.join(images, "sample.iso")
        common.make_image_of(SAMPLE, sample)
        common.set_volume_time(sample, VOLUME_TIME)
        gone = os.path.join(images, "gone.iso")
        shutil.copy(sample, gone)
        # A whole-disc image: the file system behind the XGD2 video
        # partition.
        whole = os.path.join(images, "whole disc.iso")
        common.make_image_of(os.path.join(SAMPLE, "docs"), whole, "--layout",
                             "xgd2")
        common.set_volume_time(whole, VOLUME_TIME, base=XGD2_BASE)
        blank = os.path.join(images, "blank.iso")
        with open(blank, "wb") as f:
            f.write(bytes(256 * 1024))
        self.loops = []
        self.disc, self.whole, self.blank, self.gone = (
            self.attach(p) for p in (sample, whole, blank, gone))

    def attach(self, image):
        loop = loopdev.Loop(image).__enter__()
        self.addCleanup(loop.__exit__)
        return loop

    def assert_copied(self, relative, source_relative=None):
        with open(os.path.join(SAMPLE, source_relative or relative), "rb") as f:
            source = f.read()
        copy = os.path.join(self.copies, relative)
        with open(copy, "rb") as f:
            self.assertEqual(f.read(), source, relative)
        self.assertEqual(os.stat(copy).st_mtime, VOLUME_MTIME, relative)

    def test_browse_copy_and_refusals(self):
        started = time.monotonic()
        dc = doublecmd.DoubleCommander(
            self.work, common.settings.plugin,
            {"F11": "/" + self.disc.drive,
             "Alt+F11": "/" + self.whole.drive,
             "Shift+F11": "/" + self.blank.drive,
             "Ctrl+F11": "/" + self.gone.drive},
            os.path.join(self.work, "local"), self.copies,
            os.path.join(common.settings.work, "doublecmd-defaults"))
        try:
            self.run_scenario(dc)
        finally:
            dc.screenshot(os.path.join(self.screens, "last.png"))
            dc.stop()
        common.note(f"Double Commander end to end: "
                    f"{time.monotonic() - started:.1f} s")
        self.assertEqual([line for line in dc.log_lines()
                          if line.startswith("Error")], [])

    def run_scenario(self, dc):
        shot = lambda name: dc.screenshot(os.path.join(self.screens, name))
        drive = "/" + self.disc.drive
        dc.navigate("F12")
        shot("root.png")

        # The disc's root: folders docs and media, then README.TXT.
        dc.navigate("F11")
        shot("disc.png")
        dc.navigate("End")
        dc.keys("F5")
        dc.wait_for_log(f"Done: Copy file {drive}/README.TXT -> "
                        f"{self.copies}/README.TXT")
        self.assert_copied("README.TXT")

        dc.focus_list()
        dc.navigate("Home", "Down", "Down")
        dc.keys("F5")
        media = ["media/levels/level1.txt", "media/levels/level2.txt",
                 "media/sounds/credits.txt"]
        for relative in media:
            dc.wait_for_log(f"Done: Copy file {drive}/{relative} -> "
                            f"{self.copies}/{relative}")
        dc.wait_for_log(f"Done: Copy file {drive}/media -> "
                        f"{self.copies}/media")
        for relative in media:
            self.assert_copied(relative)

        # Into the folder and one below it.
        dc.focus_list()
        dc.navigate("Return")
        dc.navigate("Down", "Return")
        shot("folder.png")

        # A disc that is no Xbox disc, and a drive detached after the root
        # listing showed it: the plug-in's message in the program's dialog.
        dc.keys("shift+F11")
        dialog = dc.dialog(doublecmd.PLUGIN_NAME)
        shot("refused.png")
        dc.dismiss(dialog)
        self.gone.__exit__()
        dc.keys("ctrl+F11")
        dc.dismiss(dc.dialog(doublecmd.PLUGIN_NAME))

        # Still browsing after both: the whole-disc image, whose root holds
        # the sample's docs folder.
        dc.navigate("alt+F11")
        shot("whole-disc.png")
        dc.navigate("End")
        dc.keys("F5")
        whole = "/" + self.whole.drive
        dc.wait_for_log(f"Done: Copy file {whole}/manual.txt -> "
                        f"{self.copies}/manual.txt")
        self.assert_copied("manual.txt", "docs/manual.txt")

        # The copies stand in the right panel.
        dc.focus_list()
        dc.navigate("F11")
        shot("copied.png")
