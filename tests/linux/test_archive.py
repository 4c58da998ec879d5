"""The archive plug-in (.wcx) on image files, driven through ctypes as
Double Commander drives it: headers with Unix modes and times, every file
of plain and whole-disc images copied byte for byte, names that would
escape the target left out, cancel, and files that are no Xbox disc."""

import os
import threading
import unittest

import common
import wfx

FOLDER_MODE = 0o040755
FILE_MODE = 0o100644
# 2003-01-01 00:00 UTC.
VOLUME_TIME = 126858528000000000
VOLUME_SECONDS = 1041379200
BASES = {"plain": 0, "xgd1": 0x18300000, "xgd2": 0xFD90000,
         "xgd3": 0x2080000}


def tree_files():
    return {"default.xbe": common.pattern(1, 300000),
            "media/intro.xmv": common.pattern(2, 1 << 20),
            "media/sub/deep.bin": common.pattern(3, 4097),
            "zero.bin": b""}


def make(name, layout="plain", files=None):
    source = os.path.join(common.settings.work, "src", name)
    common.write_tree(source, files or tree_files())
    os.makedirs(os.path.join(source, "media", "empty"), exist_ok=True)
    image = os.path.join(common.settings.work, "images", name + ".xiso")
    os.makedirs(os.path.dirname(image), exist_ok=True)
    common.make_image_of(source, image, "--layout", layout)
    common.set_volume_time(image, VOLUME_TIME, BASES[layout])
    return source, image


def host_list(source, relative=""):
    """Double Commander's AddList for a folder: at each level the plain
    entries (links too, not followed), then each folder, ending in "/",
    with its subtree."""
    names, folders = [], []
    for entry in sorted(os.scandir(os.path.join(source, relative)),
                        key=lambda e: e.name):
        path = os.path.join(relative, entry.name)
        if entry.is_dir(follow_symlinks=False):
            folders.append(path)
        else:
            names.append(path)
    for folder in folders:
        names.append(folder + "/")
        names.extend(host_list(source, folder))
    return names


def read(path):
    with open(path, "rb") as f:
        return f.read()


class ArchiveOnLinux(unittest.TestCase):
    def setUp(self):
        self.archive = wfx.Archive(common.settings.archive)

    def target(self, name):
        path = os.path.join(common.settings.work, "out", name)
        os.makedirs(path)
        return path

    def test_lists_and_copies_plain_and_whole_disc_images(self):
        for layout in BASES:
            with self.subTest(layout=layout):
                source, image = make("archive-" + layout, layout)
                self.assertTrue(self.archive.can_handle(image))
                headers, end = self.archive.headers(image)
                self.assertEqual(end, wfx.E_END_ARCHIVE)
                wanted = {path: FOLDER_MODE if data is None else FILE_MODE
                          for path, data in
                          common.tree_entries(source).items()}
                self.assertEqual({h.path: h.mode for h in headers}, wanted)
                self.assertEqual(len(headers), len(wanted))
                self.assertEqual({h.time for h in headers}, {VOLUME_SECONDS})
                # Pre-order: every folder comes before what it holds.
                seen = set()
                for header in headers:
                    parent = os.path.dirname(header.path)
                    self.assertTrue(not parent or parent in seen, header.path)
                    seen.add(header.path)

                target = self.target(layout)
                results = self.archive.extract_all(image, target)
                self.assertEqual(set(results.values()), {0})
                self.assertEqual(common.source_files(target),
                                 common.source_files(source))
                self.assertEqual(
                    os.stat(os.path.join(target, "default.xbe")).st_mtime,
                    VOLUME_SECONDS)

    def test_images_extract_side_by_side_while_another_lists(self):
        # As Double Commander does with background unpacking: each handle
        # keeps its own state, the whole-disc probe's included.
        images = [make(f"archive-side-{layout}", layout)
                  for layout in ("xgd1", "xgd3")]
        failures = []

        def extract(index, source, image):
            archive = wfx.Archive(common.settings.archive)
            for round_ in range(3):
                target = self.target(f"side-{index}-{round_}")
                results = archive.extract_all(image, target)
                if (set(results.values()) != {0} or
                        common.source_files(target) !=
                        common.source_files(source)):
                    failures.append((image, round_))

        threads = [threading.Thread(target=extract, args=(i, *pair))
                   for i, pair in enumerate(images)]
        for thread in threads:
            thread.start()
        _, plain = make("archive-side-plain")
        while any(thread.is_alive() for thread in threads):
            headers, end = self.archive.headers(plain)
            self.assertEqual((len(headers), end), (7, wfx.E_END_ARCHIVE))
        for thread in threads:
            thread.join()
        self.assertEqual(failures, [])

    def test_twenty_whole_disc_images_open_at_once(self):
        # Each handle carries its own partition base: none is shared, none
        # is limited in number, and a handle value the system hands out
        # again (Linux gives the lowest free descriptor) starts afresh.
        layouts = ("xgd1", "xgd2", "xgd3")
        images = []
        for i in range(20):
            files = {"default.xbe": common.pattern(100 + i, 70000 + i),
                     f"d{i}/f.bin": common.pattern(200 + i, 3000)}
            images.append(make(f"archive-many-{i}", layouts[i % 3], files))
        failures = []

        def interleaved(group, tag):
            archive = wfx.Archive(common.settings.archive)
            steps = [archive.extract_steps(image, self.target(f"{tag}-{i}"))
                     for i, (_, image) in enumerate(group)]
            while steps:
                for step in list(steps):
                    if next(step, None) is None:
                        steps.remove(step)
            for i, (source, _) in enumerate(group):
                target = os.path.join(common.settings.work, "out",
                                      f"{tag}-{i}")
                if common.source_files(target) != common.source_files(source):
                    failures.append((tag, i))

        interleaved(images, "many")
        threads = [threading.Thread(target=interleaved,
                                    args=(images[i::4], f"thread{i}"))
                   for i in range(4)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        self.assertEqual(failures, [])

        # Open one and close it, then another in its descriptor's place,
        # each at its own base.
        for i in range(20):
            handle, _ = self.archive.open(images[i][1])
            self.assertTrue(handle)
            self.archive.lib.CloseArchive(handle)
            source, image = images[(i * 7 + 1) % 20]
            target = self.target(f"reopen-{i}")
            self.assertEqual(set(self.archive.extract_all(image, target)
                                 .values()), {0})
            self.assertEqual(common.source_files(target),
                             common.source_files(source))

    def test_test_reads_and_writes_nothing(self):
        _, image = make("archive-test")
        target = self.target("test")
        results = self.archive.extract_all(image, target, wfx.PK_TEST)
        self.assertEqual(set(results.values()), {0})
        self.assertEqual(common.source_files(target), {})

    def test_names_that_are_paths_never_leave_the_target(self):
        # Same-length names patched into the table after writing.
        files = {"aa_escape.txt": b"1", "bb.txt": b"2", "ctl_name.txt": b"3",
                 "sub/dd": b"4", "keep.txt": b"5"}
        _, image = make("archive-hostile", files=files)
        common.rename_in_image(image, ((b"aa_escape.txt", b"../../esc.txt"),
                                       (b"bb.txt", b"..\\b.t"),
                                       (b"ctl_name.txt", b"ctl\x01name.txt"),
                                       (b"dd", b"..")))
        headers, end = self.archive.headers(image)
        self.assertEqual(end, wfx.E_END_ARCHIVE)
        self.assertEqual(sorted(h.path for h in headers),
                         ["keep.txt", "media", "media/empty", "sub"])
        target = self.target("hostile")
        self.archive.extract_all(image, target)
        outside = os.path.dirname(os.path.dirname(target))
        self.assertFalse(os.path.exists(os.path.join(outside, "esc.txt")))
        self.assertEqual(common.source_files(target), {"keep.txt": b"5"})

    def test_cancel_leaves_no_partial_file(self):
        _, image = make("archive-cancel",
                        files={"big.bin": common.pattern(5, 3 << 20)})
        target = self.target("cancel")
        self.archive.cancel_at = 2
        results = self.archive.extract_all(image, target)
        self.assertEqual(results, {"big.bin": wfx.E_EABORTED})
        self.assertEqual(len(self.archive.progress), 3)
        self.assertFalse(os.path.exists(os.path.join(target, "big.bin")))

    def test_files_that_are_no_xbox_disc_are_refused(self):
        folder = os.path.join(common.settings.work, "other")
        os.makedirs(folder)
        iso9660 = bytearray(0x20000)
        iso9660[0x8000:0x8006] = b"\x01CD001"
        cases = {"zeros.iso": (bytes(0x20000), 14), "empty.iso": (b"", 14),
                 "cd.iso": (bytes(iso9660), 14)}
        for name, (data, code) in cases.items():
            path = os.path.join(folder, name)
            with open(path, "wb") as f:
                f.write(data)
            self.assertFalse(self.archive.can_handle(path), name)
            self.assertEqual(self.archive.open(path), (None, code))
        missing = os.path.join(folder, "missing.iso")
        self.assertFalse(self.archive.can_handle(missing))
        self.assertEqual(self.archive.open(missing), (None, 15))
        self.assertEqual(self.archive.open(folder), (None, 15))
        # A FIFO with no writer: refused at once, not waited on.
        fifo = os.path.join(folder, "fifo.iso")
        os.mkfifo(fifo)
        self.assertFalse(self.archive.can_handle(fifo))
        self.assertEqual(self.archive.open(fifo), (None, 15))

    def unpacked(self, image, name):
        target = self.target(name)
        results = self.archive.extract_all(image, target)
        self.assertEqual(set(results.values()), {0})
        return common.tree_entries(target)

    def test_packs_edits_and_deletes(self):
        source = os.path.join(common.settings.work, "src", "pack")
        common.write_tree(source, tree_files())
        os.makedirs(os.path.join(source, "media", "empty"))
        os.symlink("default.xbe", os.path.join(source, "link.xbe"))
        image = os.path.join(common.settings.work, "images", "packed.xiso")
        os.makedirs(os.path.dirname(image), exist_ok=True)
        self.assertEqual(self.archive.pack(image, source, host_list(source)),
                         0)
        self.assertEqual(sum(self.archive.progress), 300000 * 2 +
                         (1 << 20) + 4097)
        wanted = common.tree_entries(source)
        self.assertEqual(self.unpacked(image, "packed"), wanted)

        more = os.path.join(common.settings.work, "src", "more")
        common.write_tree(more, {"INTRO.XMV": b"new", "new.txt": b"n"})
        self.assertEqual(self.archive.pack(image, more, ["INTRO.XMV",
                                                         "new.txt"],
                                           sub_path="media"), 0)
        found = self.unpacked(image, "edited")
        self.assertEqual(found["media/INTRO.XMV"], b"new")
        self.assertNotIn("media/intro.xmv", found)
        self.assertEqual(found["default.xbe"], wanted["default.xbe"])

        self.assertEqual(self.archive.delete(image, ["media/*.*",
                                                     "zero.bin"]), 0)
        self.assertTrue(all(-100 <= p <= -1 for p in self.archive.progress))
        self.assertEqual(self.archive.progress[-1], -100)
        self.assertEqual(sorted(self.unpacked(image, "deleted")),
                         ["default.xbe", "link.xbe"])

    def refused(self, target, source, names, result, named, sub_path=None):
        """Packs names into target (moving them) and expects result, with a
        message naming named and no temporary file left."""
        self.assertEqual(self.archive.pack(
            target, source, names,
            wfx.PK_PACK_SAVE_PATHS | wfx.PK_PACK_MOVE_FILES, sub_path), result)
        self.assertIn(named, self.archive.messages)
        self.assertFalse(os.path.exists(target + ".partial"))

    def test_bad_packs_leave_nothing_and_an_image_as_it_was(self):
        source = os.path.join(common.settings.work, "src", "bad")
        common.write_tree(source, {"\u65e5.txt": b"x", "ok": b"ok",
                                   "huge": b""})
        os.truncate(os.path.join(source, "huge"), 1 << 32)  # sparse
        image = os.path.join(common.settings.work, "images", "bad.xiso")
        existing = os.path.join(common.settings.work, "images", "kept.xiso")
        os.makedirs(os.path.dirname(image), exist_ok=True)
        self.assertEqual(self.archive.pack(existing, source, ["ok"]), 0)
        before = read(existing)
        for names, sub_path, named in (
                (["ok", "\u65e5.txt"], None,
                 "Windows-1252 cannot hold: \u65e5.txt"),
                (["ok"], "n" * 256, "longer than 255 bytes: " + "n" * 256),
                (["huge"], None, "4 GiB or more: " + source + "/huge")):
            for target in (image, existing):
                # Refused before a byte is read.
                self.refused(target, source, names, 16, named, sub_path)
                self.assertEqual(self.archive.progress, [])
            self.assertFalse(os.path.exists(image))
            self.assertEqual(read(existing), before)
        self.assertTrue(os.path.exists(os.path.join(source, "ok")))
        self.archive.cancel_at = 0
        self.assertEqual(self.archive.pack(image, source, ["ok"]),
                         wfx.E_EABORTED)
        self.archive.cancel_at = None
        self.assertFalse(os.path.exists(image))
        with open(image, "wb") as out:
            out.write(b"no image" * 10000)
        self.assertEqual(self.archive.pack(image, source, ["ok"]), 14)
        self.assertEqual(read(image), b"no image" * 10000)
        os.remove(image)
        self.assertEqual(self.archive.pack(
            image, source, ["ok"], wfx.PK_PACK_SAVE_PATHS |
            wfx.PK_PACK_MOVE_FILES), 0)
        self.assertFalse(os.path.exists(os.path.join(source, "ok")))

    def test_a_full_disk_leaves_nothing_and_an_image_as_it_was(self):
        source = os.path.join(common.settings.work, "src", "tofull")
        common.write_tree(source, {"keep": b"k" * 100000,
                                   "big": os.urandom(1 << 20)})
        disk = os.path.join(common.settings.work, "disk")
        with common.small_disk(disk, 512 * 1024):
            image = os.path.join(disk, "full.xiso")
            self.assertEqual(self.archive.pack(image, source, ["keep"]), 0)
            before = read(image)
            for target in (image, os.path.join(disk, "new.xiso")):
                self.refused(target, source, ["big"], 19,
                             "cannot write " + target + ".partial")
            self.assertEqual(read(image), before)
            self.assertEqual(os.listdir(disk), ["full.xiso"])
        self.assertTrue(os.path.exists(os.path.join(source, "big")))
