"""Double Commander with the archive plug-in: image files open in place,
no root needed. Enter on an .xiso image and F5 copies everything; Ctrl+PgDn
opens an image of another extension by its content; a whole-disc image
copies the same; names that would leave the target are not copied; Escape
during a copy leaves no partial file. Alt+F5 packs a folder into a new
image and converts an open whole-disc image; F5 into an open image replaces
a file, F8 inside one deletes."""

import os
import shutil
import time
import unittest

import common
import doublecmd
import wfx

REASON = ("missing " + ", ".join(doublecmd.missing_programs())
          if doublecmd.missing_programs() else None)
# Enter by extension on .xiso; Ctrl+PgDn by content on any file.
FLAGS = 79
BIG = 2 << 30


def files(prefix, seed):
    return {f"{prefix}/default.xbe": common.pattern(seed, 200000),
            f"{prefix}/media/intro.xmv": common.pattern(seed + 1, 3 << 20),
            f"{prefix}/media/levels/l1.bin": common.pattern(seed + 2, 4097),
            f"{prefix}/readme.txt": b"in place\n",
            f"{prefix}/zero.bin": b""}


@unittest.skipIf(REASON, f"Double Commander cannot run here: {REASON}")
class DoubleCommanderArchive(unittest.TestCase):
    def setUp(self):
        self.work = os.path.join(common.settings.work,
                                 "dcarchive-" + self._testMethodName)
        self.screens = os.path.join(self.work, "screens")
        self.images = os.path.join(self.work, "images")
        self.copies = os.path.join(self.work, "copies Łódź 日本語")
        for folder in (self.screens, self.images, self.copies):
            os.makedirs(folder)
        self.sources = {}
        # In the order the panel lists them: big, game, hostile, other,
        # whole.
        for name, layout, seed in (("game.xiso", "plain", 10),
                                   ("other.img", "plain", 20),
                                   ("whole.xiso", "xgd3", 30)):
            source = os.path.join(self.work, "src", name)
            common.write_tree(source, files(name.split(".")[0], seed))
            os.makedirs(os.path.join(source, name.split(".")[0], "empty"))
            common.make_image_of(source, os.path.join(self.images, name),
                                 "--layout", layout)
            self.sources[name] = source
        hostile = os.path.join(self.work, "src", "hostile")
        common.write_tree(hostile, {"hostile/keep.txt": b"kept\n",
                                    "zz_escape.txt": b"out\n",
                                    "hostile/ctl_name.txt": b"ctl\n"})
        image = os.path.join(self.images, "hostile.xiso")
        common.make_image_of(hostile, image)
        common.rename_in_image(image, ((b"zz_escape.txt", b"../../esc.txt"),
                                       (b"ctl_name.txt", b"ctl\nname.txt")))
        big = os.path.join(self.work, "src", "big")
        os.makedirs(big)
        with open(os.path.join(big, "big.bin"), "wb") as f:
            f.truncate(BIG)
        common.make_image_of(big, os.path.join(self.images, "big.xiso"))

    def start(self, left, right):
        """Double Commander with our archive plug-in for .xiso."""
        return doublecmd.DoubleCommander(
            self.work, common.settings.plugin, {}, left, right,
            os.path.join(common.settings.work, "doublecmd-defaults"),
            archives={"xiso": (common.settings.archive, FLAGS)})

    def assert_no_errors(self, dc):
        self.assertEqual([line for line in dc.log_lines()
                          if line.startswith("Error")], [])

    def shot(self, dc, name):
        dc.screenshot(os.path.join(self.screens, name))

    def copy_all(self, dc, name, open_keys):
        """Opens the image at its place in the list with open_keys, copies
        everything out and compares the bytes; then leaves the image."""
        position = ["big.xiso", "game.xiso", "hostile.xiso", "other.img",
                    "whole.xiso"].index(name) + 1
        dc.focus_list()
        dc.navigate("Home", *["Down"] * position)
        dc.navigate(*open_keys)
        self.shot(dc, name + ".png")
        dc.keys("ctrl+a", "F5")
        image = os.path.join(self.images, name)
        wanted = common.source_files(self.sources[name])
        for relative in wanted:
            dc.wait_for_log(f"Done: Extract file {image}/{relative} -> "
                            f"{self.copies}/{relative}")
        copied = common.source_files(self.copies)
        for relative, data in wanted.items():
            self.assertEqual(copied.get(relative), data, relative)
        top = next(iter(wanted)).split("/")[0]
        self.assertTrue(os.path.isdir(os.path.join(self.copies, top,
                                                   "empty")))
        dc.focus_list()
        dc.navigate("Home", "Return")

    def test_open_copy_and_cancel_image_files(self):
        started = time.monotonic()
        dc = self.start(self.images, self.copies)
        try:
            self.copy_all(dc, "game.xiso", ["Return"])
            self.copy_all(dc, "whole.xiso", ["Return"])
            self.copy_all(dc, "other.img", ["ctrl+Next"])
            self.copy_hostile(dc)
            self.cancel_big_copy(dc)
        finally:
            self.shot(dc, "last.png")
            dc.stop()
        common.note(f"Double Commander archive end to end: "
                    f"{time.monotonic() - started:.1f} s")
        self.assert_no_errors(dc)

    def test_delete_inside_an_image(self):
        """F8 on a folder and an empty file inside an open image: the
        plug-in rewrites the image without them."""
        image = os.path.join(self.images, "game.xiso")
        dc = self.start(self.images, self.copies)
        try:
            dc.focus_list()
            dc.navigate("Home", "Down", "Down")
            dc.navigate("Return")
            dc.navigate("Down")
            dc.navigate("Return")
            # .., empty, media, default.xbe, readme.txt, zero.bin
            dc.navigate("Down")
            dc.keys("Down", "Insert", "Down", "Down", "Insert")
            self.shot(dc, "delete-selected.png")
            # The test configuration asks for no confirmation.
            dc.keys("F8")
            doublecmd.wait_for(lambda: any(
                line.startswith("Done: Delete") for line in dc.log_lines()),
                "the delete to be done")
            self.shot(dc, "deleted.png")
        finally:
            dc.stop()
        self.assert_no_errors(dc)
        wanted = {r: d for r, d in
                  common.source_files(self.sources["game.xiso"]).items()
                  if r != "game/zero.bin" and not r.startswith("game/media/")}
        self.assert_image_holds(image, wanted, "after-delete")

    def test_copy_into_an_image_replaces_a_file(self):
        """F5 of a local file into the open image in the other panel
        replaces the file of that name."""
        image = os.path.join(self.images, "game.xiso")
        with open(os.path.join(self.copies, "readme.txt"), "wb") as f:
            f.write(b"replaced\n")
        dc = self.start(self.images, self.copies)
        try:
            dc.focus_list()
            dc.navigate("Home", "Down", "Down")
            dc.navigate("Return")
            dc.navigate("Down")
            dc.navigate("Return")
            # The test configuration asks nothing before the pack.
            dc.keys("Tab", "End", "F5")
            self.shot(dc, "copy-in-asked.png")
            dc.keys("Return")
            doublecmd.wait_for(lambda: any(
                line.startswith("Done: Pack") for line in dc.log_lines()),
                "the pack to be done")
            self.shot(dc, "copied-in.png")
        finally:
            dc.stop()
        self.assert_no_errors(dc)
        wanted = common.source_files(self.sources["game.xiso"])
        wanted["game/readme.txt"] = b"replaced\n"
        self.assert_image_holds(image, wanted, "after-copy")

    def pack_selection(self, dc, target_folder):
        """Alt+F5 on what is selected; the Pack dialog proposes a name in
        the other panel's folder and our packer, the only one registered;
        Return takes both. The path of the image once packed."""
        dc.keys("alt+F5")
        dc.dialog("Pack files")
        self.shot(dc, "pack-asked.png")
        dc.keys("Return")
        done = doublecmd.wait_for(lambda: [
            line for line in dc.log_lines()
            if line.startswith("Done: Pack to file")], "the pack to be done")
        self.shot(dc, "packed.png")
        image = done[0].split("Done: Pack to file ", 1)[1].strip()
        self.assertEqual(os.path.dirname(image), target_folder)
        self.assertTrue(image.endswith(".xiso"), image)
        return image

    def assert_image_holds(self, image, wanted, name):
        """Our reader extracts exactly wanted (relative path -> bytes)
        from a plain image."""
        with open(image, "rb") as f:
            f.seek(32 * common.SECTOR)
            self.assertEqual(f.read(20), b"MICROSOFT*XBOX*MEDIA")
        target = os.path.join(self.work, name)
        os.makedirs(target)
        archive = wfx.Archive(common.settings.archive)
        self.assertEqual(set(archive.extract_all(image, target).values()), {0})
        self.assertEqual(common.source_files(target), wanted)

    def test_pack_a_folder_and_open_the_image(self):
        """Alt+F5 on a local folder makes an .xiso in the other panel; Enter
        opens it there and F5 copies its files back out."""
        source = os.path.join(self.work, "games 日本語")
        shutil.copytree(os.path.join(self.sources["game.xiso"], "game"),
                        os.path.join(source, "game"))
        dc = self.start(self.copies, source)
        try:
            # The right panel holds .. and game; pack game into the left.
            dc.keys("Tab", "Home", "Down")
            image = self.pack_selection(dc, self.copies)
            dc.focus_list()
            dc.navigate("Home", "Down")
            dc.navigate("Return")
            dc.navigate("Down")
            dc.navigate("Return")
            self.shot(dc, "opened.png")
            # Into the right panel, beside the source folder game.
            dc.keys("ctrl+a", "F5")
            for relative in common.source_files(os.path.join(source, "game")):
                dc.wait_for_log(f"Done: Extract file {image}/game/{relative} "
                                f"-> {source}/{relative}")
        finally:
            dc.stop()
        self.assert_no_errors(dc)
        wanted = common.source_files(source)
        self.assertEqual(os.path.basename(image), "game.xiso")
        self.assertEqual(
            {r: d for r, d in common.source_files(source).items()
             if not r.startswith("game/")},
            {r[len("game/"):]: d for r, d in wanted.items()
             if r.startswith("game/")})
        self.assertTrue(os.path.isdir(os.path.join(source, "empty")))
        self.assert_image_holds(
            image, {r: d for r, d in wanted.items() if r.startswith("game/")},
            "from-new-image")

    def test_convert_an_open_whole_disc_image(self):
        """Alt+F5 on everything inside an open whole-disc image packs a
        plain .xiso in the other panel in one step."""
        dc = self.start(self.images, self.copies)
        try:
            dc.focus_list()
            dc.navigate("Home", *["Down"] * 5)
            dc.navigate("Return")
            self.shot(dc, "whole-opened.png")
            dc.keys("ctrl+a")
            image = self.pack_selection(dc, self.copies)
        finally:
            dc.stop()
        self.assert_no_errors(dc)
        self.assert_image_holds(image,
                                common.source_files(self.sources["whole.xiso"]),
                                "from-converted")

    def copy_hostile(self, dc):
        dc.focus_list()
        dc.navigate("Home", "Down", "Down", "Down")
        dc.navigate("Return")
        dc.keys("ctrl+a", "F5")
        image = os.path.join(self.images, "hostile.xiso")
        dc.wait_for_log(f"Done: Extract file {image}/hostile/keep.txt -> "
                        f"{self.copies}/hostile/keep.txt")
        self.assertEqual(os.listdir(os.path.join(self.copies, "hostile")),
                         ["keep.txt"])
        outside = os.path.dirname(os.path.dirname(self.copies))
        self.assertFalse(os.path.exists(os.path.join(outside, "esc.txt")))
        dc.focus_list()
        dc.navigate("Home", "Return")

    def cancel_big_copy(self, dc):
        dc.focus_list()
        dc.navigate("Home", "Down")
        dc.navigate("Return")
        dc.navigate("End")
        dc.keys("F5")
        partial = os.path.join(self.copies, "big.bin")
        doublecmd.wait_for(lambda: os.path.exists(partial) and
                           os.path.getsize(partial) > (16 << 20),
                           "the copy to be under way")
        progress = dc.dialog("Extracting")
        self.shot(dc, "extracting.png")
        dc.xdotool("windowfocus", "--sync", progress)
        dc.keys("Escape")
        doublecmd.wait_for(lambda: progress not in dc.xdotool(
            "search", "--onlyvisible", "--name", "Extracting").split(),
            "the copy to stop")
        doublecmd.wait_for(lambda: not os.path.exists(partial),
                           "the partial file to go")
        self.assertFalse([line for line in dc.log_lines()
                          if line.startswith("Done: Extract file")
                          and "big.bin" in line])
