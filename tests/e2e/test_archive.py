"""The archive plug-in DLLs on image files, driven by wcxhost as the
Windows file manager drives them: every header of plain and whole-disc
images, every file extracted byte for byte (one past 4 GiB of the image)
into a folder no 8-bit code page can name, names that would leave the
target or name a stream, detection, test, cancel and a cut image."""

import os

import discs
import harness
from harness import read, run_archive_host, windows_path
from test_copy import files_below

TARGET = "Łódź 日本語 Ελληνικά"
FALLBACK = 978307200  # 2001-01-01 00:00 UTC
HEADER = "H "


def headers(lines):
    """path -> (is folder, size) from the H lines."""
    found = {}
    for line in lines:
        if line.startswith(HEADER):
            kind, _, size, _, path = line[2:].split(" ", 4)
            found[path] = (kind == "D", int(size))
    return found


def results(lines):
    """path -> (result, progress bytes) from the RESULT lines."""
    found = {}
    for line in lines:
        if line.startswith("RESULT "):
            result, size, path = line[7:].split(" ", 2)
            found[path] = (int(result), int(size))
    return found


class ArchiveCases:
    def archive(self, *args):
        return run_archive_host(self.build, *args)

    def test_lists_and_extracts_plain_and_whole_disc_images(self):
        for disc in [discs.MAIN, *discs.WHOLE]:
            image = windows_path(disc.image)
            code, lines = self.archive("list", image)
            self.assertEqual(code, 0, lines[-5:])
            listed = headers(lines)
            wanted = {path[len(disc.letter) + 2:]: entry
                      for path, entry in disc.entries().items()}
            self.assertEqual({p: (d, None if d else s)
                              for p, (d, s) in listed.items()}, wanted)

            copy = os.path.join(self.local(disc.letter[0]), TARGET)
            os.makedirs(copy)
            code, lines = self.archive("extract", image, windows_path(copy))
            self.assertEqual(code, 0, lines[-5:])
            self.assertEqual(files_below(copy), files_below(disc.source))
            for path, (result, size) in results(lines).items():
                self.assertEqual((result, size), (0, listed[path][1]), path)
            if disc is discs.MAIN:
                # No time of its own: 2001-01-01, set by the plug-in.
                self.assertEqual(
                    os.stat(os.path.join(copy, "readme.txt")).st_mtime,
                    FALLBACK)

    def test_names_that_are_paths_stay_out(self):
        disc = discs.make_disc(harness.settings.work, "-",
                               f"hostile{self.bits}", {
                                   "keep.txt": b"kept",
                                   "zz_escape.txt": b"out",
                                   "colon_a.txt": b"stream"})
        discs.linux_common.rename_in_image(
            disc.image, ((b"zz_escape.txt", b"..\\..\\esc.txt"),
                         (b"colon_a.txt", b"a:stream.tx")))
        image = windows_path(disc.image)
        self.assertEqual(headers(self.archive("list", image)[1]),
                         {"keep.txt": (False, 4)})
        copy = os.path.join(self.local("hostile"), "in")
        os.makedirs(copy)
        code, lines = self.archive("extract", image, windows_path(copy))
        self.assertEqual(code, 0, lines)
        self.assertEqual(os.listdir(os.path.dirname(copy)), ["in"])
        # Where the escaping name would have put its file.
        self.assertFalse(os.path.exists(self.local("esc.txt")))
        self.assertEqual(os.listdir(copy), ["keep.txt"])

    def test_detects_xbox_images_only(self):
        empty = self.local("empty.iso")
        open(empty, "wb").close()
        for image, xbox in ((discs.MAIN.image, True), (discs.XGD3.image, True),
                            (discs.NOT_XBOX.image, False),
                            (discs.VIDEO_ONLY.image, False), (empty, False),
                            (self.local("missing.iso"), False)):
            code, lines = self.archive("detect", windows_path(image))
            self.assertEqual(lines, [f"DETECT {int(xbox)}"], image)
            code, lines = self.archive("list", windows_path(image))
            self.assertEqual(code != 0, not xbox, image)
        self.assertEqual(self.archive("list", windows_path(empty))[1],
                         ["OPEN 14"])
        self.assertEqual(
            self.archive("list", windows_path(self.local("missing.iso")))[1],
            ["OPEN 15"])
        self.assertEqual(self.archive("caps")[1], ["CAPS 79 BACKGROUND 1"])

    def test_test_cancel_and_a_cut_image(self):
        image = windows_path(discs.SECOND.image)
        code, lines = self.archive("test", image)
        self.assertEqual(code, 0, lines)
        self.assertEqual({p: r for p, (r, _) in results(lines).items()},
                         {"readme.txt": 0, "big file.bin": 0,
                          "only on f\\f.dat": 0})

        copy = self.local("cancel")
        os.makedirs(copy)
        code, lines = self.archive("extract", image, windows_path(copy), "2")
        self.assertNotEqual(code, 0)
        # big file.bin's second report answers 0: nothing of it is left.
        self.assertEqual(results(lines)["big file.bin"][0], 21)
        self.assertFalse(os.path.exists(os.path.join(copy, "big file.bin")))

        copy = self.local("cut")
        os.makedirs(copy)
        code, lines = self.archive("extract", windows_path(discs.CUT.image),
                                   windows_path(copy))
        self.assertEqual(results(lines)["big.bin"][0], 18)
        self.assertEqual(os.listdir(copy), [])


    def tree(self, name, files):
        """A local folder holding files (relative path -> bytes, None for
        a folder); its path."""
        root = self.local(name)
        for path, data in files.items():
            full = os.path.join(root, path)
            if data is None:
                os.makedirs(full, exist_ok=True)
                continue
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "wb") as out:
                out.write(data)
        return root

    def unpacked(self, image, name):
        copy = self.local(name)
        os.makedirs(copy)
        code, lines = self.archive("extract", windows_path(image),
                                   windows_path(copy))
        self.assertEqual(code, 0, lines[-5:])
        return files_below(copy)

    def test_packs_edits_and_deletes(self):
        src = self.tree("src", {
            "a.txt": b"ay", "\u00c9t\u00e9.bin": os.urandom(300000),
            "empty": b"", "void": None, "sub/deep/x.dat": b"x" * 5000})
        image = self.local("new.xiso")
        code, lines = self.archive("pack", windows_path(image),
                                   windows_path(src), "2")
        self.assertEqual(lines[-1], "PACK 0 305002")
        self.assertEqual(self.unpacked(image, "back"), files_below(src))

        # A.TXT replaces a.txt; sub is merged; the edit renames over the
        # image the host listed just before.
        self.archive("list", windows_path(image))
        more = self.tree("more", {"A.TXT": b"new", "sub/y": b"why"})
        code, lines = self.archive("pack", windows_path(image),
                                   windows_path(more), "2")
        self.assertEqual(lines[-1], "PACK 0 305006")
        files, folders = self.unpacked(image, "edited")
        self.assertEqual(files["A.TXT"], b"new")
        self.assertEqual(files["sub/y"], b"why")
        self.assertNotIn("a.txt", files)

        code, lines = self.archive("delete", windows_path(image), "0",
                                   "sub\\*.*", "A.TXT", "empty")
        self.assertEqual(lines[-1], "DELETE 0")
        self.assertEqual(lines[-2], "PERCENT 100")
        files, folders = self.unpacked(image, "deleted")
        self.assertEqual(sorted(files), ["\u00c9t\u00e9.bin"])
        self.assertEqual(folders, {"void"})

    def refused(self, image, src, result, named, *sub):
        """Packs src into image and expects result, with a box naming
        named and no temporary file left."""
        code, lines = self.archive("pack", windows_path(image),
                                   windows_path(src), "2", *sub)
        self.assertEqual(lines[-1].split()[:2], ["PACK", str(result)], lines)
        self.assertTrue(any(line.startswith("MESSAGEBOX") and named in line
                            for line in lines), lines)
        self.assertFalse(os.path.exists(image + ".partial"))
        return lines

    def test_bad_input_leaves_nothing_and_an_image_as_it_was(self):
        existing = self.local("existing.xiso")
        self.archive("pack", windows_path(existing),
                     windows_path(self.tree("first", {"keep": b"k" * 5000})),
                     "2")
        before = read(existing)
        huge = self.tree("huge", {"small": b"s", "huge.bin": b""})
        os.truncate(os.path.join(huge, "huge.bin"), 1 << 32)  # sparse
        new = self.local("bad.xiso")
        for i, (files, sub, named) in enumerate([
                ({"\u65e5\u672c.txt": b"x"}, "",
                 "Windows-1252 cannot hold: \u65e5\u672c.txt"),
                ({"a": b"1", "A": None}, "", "A"),
                ({"con.txt": b"x"}, "", "act as a path"),
                ({"x": b"x"}, "n" * 256, "longer than 255"),
                (huge, "", "4 GiB or more: " + windows_path(huge))]):
            src = files if files is huge else self.tree(f"bad{i}", files)
            for image in (new, existing):
                # Refused before a byte is read: no progress at all.
                lines = self.refused(image, src, 16, named, sub)
                self.assertEqual(lines[-1], "PACK 16 0")
            self.assertFalse(os.path.exists(new))
            self.assertEqual(read(existing), before)

        src = self.tree("good", {"f": b"f" * 3000000})
        code, lines = self.archive("pack", windows_path(new),
                                   windows_path(src), "2", "", "2")
        self.assertEqual(lines[-1].split()[:2], ["PACK", "21"])
        self.assertFalse(os.path.exists(new))
        other = self.local("other.iso")
        with open(other, "wb") as out:
            out.write(b"o" * 70000)
        code, lines = self.archive("pack", windows_path(other),
                                   windows_path(src), "2")
        self.assertEqual(lines[-1], "PACK 14 0")
        self.assertEqual(read(other), b"o" * 70000)

    def test_a_full_disk_leaves_nothing_and_an_image_as_it_was(self):
        big = self.tree("big", {"big.bin": os.urandom(1 << 20)})
        small_disk = discs.linux_common.small_disk
        with small_disk(self.local("disk"), 512 * 1024) as disk:
            image = os.path.join(disk, "full.xiso")
            code, lines = self.archive(
                "pack", windows_path(image),
                windows_path(self.tree("first", {"keep": b"k" * 100000})),
                "2")
            self.assertEqual(lines[-1], "PACK 0 100000")
            before = read(image)
            for target in (image, os.path.join(disk, "new.xiso")):
                self.refused(target, big, 19,
                             "cannot write " + windows_path(target))
            self.assertEqual(read(image), before)
            self.assertEqual(os.listdir(disk), ["full.xiso"])

    def test_moves_from_and_to_folders_deeper_than_max_path(self):
        # Windows opens and removes these, sources and image alike, only in
        # the long form; the strict host refuses any other.
        deep = self.tree(os.path.join("src", *["d" * 60] * 4), {
            "a.bin": os.urandom(70000), "sub/b.bin": b"b" * 3000,
            "sub/empty": b""})
        self.assertGreater(len(windows_path(deep)), 300)
        wanted = files_below(deep)
        image = self.local(os.path.join(*["i" * 60] * 4, "moved.xiso"))
        os.makedirs(os.path.dirname(image))
        code, lines = self.archive("pack", windows_path(image),
                                   windows_path(deep), "3")
        self.assertEqual(lines[-1], "PACK 0 73000")
        self.assertEqual(self.unpacked(image, "back"), wanted)
        self.assertEqual(os.listdir(deep), [])


class Archive32(ArchiveCases, harness.HostTest):
    bits = 32


class Archive64(ArchiveCases, harness.HostTest):
    bits = 64
