"""The Linux plug-in on real loop devices: which drives it lists, byte-exact
copies of every file through unbuffered device reads, the reads it makes,
and what it refuses."""

import ctypes
import os
import unittest

import common
import loopdev
import wfx
from wfx import Plugin

REASON = loopdev.unavailable()


def main_files():
    return {
        "readme.txt": b"The main loop disc.\n",
        "empty.bin": b"",
        "big file.bin": common.pattern(1, 300001),
        "one.mib": common.pattern(2, 1 << 20),
        "nested/deeper/deep.dat": common.pattern(3, 5000),
        "nested/odd size.bin": common.pattern(4, 4097),
    }


@unittest.skipIf(REASON, f"loop devices unavailable: {REASON}")
class LoopDrives(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.source, image = common.make_image("main", main_files())
        # Same content under names the listing must keep out or let in.
        _, upper = common.make_image("upper", {"u.txt": b"u"}, "UPPER.XISO")
        _, other = common.make_image("other", {"o.txt": b"o"}, "other.img")
        zeros = os.path.join(common.settings.work, "images", "zeros.iso")
        with open(zeros, "wb") as f:
            f.write(bytes(256 * 1024))
        cls.loops = [loopdev.Loop(path) for path in (image, upper, other,
                                                     zeros)]
        for loop in cls.loops:
            loop.__enter__()
        cls.main, cls.upper, cls.other, cls.zeros = cls.loops
        cls.plugin = Plugin(common.settings.plugin)
        os.makedirs(os.path.join(common.settings.work, "out"), exist_ok=True)

    @classmethod
    def tearDownClass(cls):
        for loop in cls.loops:
            loop.__exit__(None, None, None)

    def setUp(self):
        self.plugin.requests.clear()

    def copy_all(self, folder, local):
        """Copies every file below a plug-in folder; returns relative path
        -> bytes copied."""
        copied = {}
        for entry in self.plugin.list(folder):
            remote = folder + "/" + entry.name
            target = os.path.join(local, entry.name)
            if entry.is_dir:
                os.makedirs(target)
                copied.update({entry.name + "/" + k: v for k, v in
                               self.copy_all(remote, target).items()})
            else:
                self.assertEqual(self.plugin.get_file(remote, target), 0,
                                 remote)
                with open(target, "rb") as f:
                    copied[entry.name] = f.read()
        return copied

    def test_lists_disc_images_as_cd_drives(self):
        names = {e.name: e for e in self.plugin.list("/")}
        for loop in (self.main, self.upper, self.zeros):
            self.assertIn(loop.drive, names)
            entry = names[loop.drive]
            self.assertTrue(entry.is_dir)
            self.assertEqual(entry.times, (common.FALLBACK_TIME,) * 3)
        self.assertNotIn(self.other.drive, names)
        self.assertTrue(all(n.startswith(("sr", "loop")) for n in names))

    def test_every_file_copies_byte_for_byte(self):
        local = os.path.join(common.settings.work, "out", "all")
        os.makedirs(local)
        copied = self.copy_all("/" + self.main.drive, local)
        expected = {k.replace(os.sep, "/"): v for k, v in
                    common.source_files(self.source).items()}
        self.assertEqual(copied, expected)
        self.assertEqual(self.plugin.requests, [])

    def test_a_copy_reads_only_its_file_sectors_from_the_device(self):
        drive = "/" + self.main.drive
        self.assertTrue(self.plugin.list(drive))
        before = self.main.sectors_read()
        self.assertTrue(self.plugin.list(drive))
        self.assertEqual(self.main.sectors_read(), before, "cached listing")
        local = os.path.join(common.settings.work, "out", "counted.bin")
        for overwrite in (0, 1):
            before = self.main.sectors_read()
            self.assertEqual(
                self.plugin.get_file(drive + "/big file.bin", local,
                                     overwrite), 0)
            # Unbuffered: the page cache neither serves nor reads ahead.
            whole_sectors = -(-300001 // common.SECTOR) * common.SECTOR
            self.assertEqual((self.main.sectors_read() - before) * 512,
                             whole_sectors)

    def test_refusals_reach_the_host_dialog(self):
        for drive in (self.other.drive, self.zeros.drive, "loop999:",
                      "vda:", "SR99:"):
            self.plugin.requests.clear()
            self.assertEqual(self.plugin.list("/" + drive), [], drive)
            self.assertEqual(self.plugin.requests, [
                (8, "Xbox DVD Filesystem", f"ERROR: cant open '{drive}' device")])
        self.plugin.requests.clear()
        local = os.path.join(common.settings.work, "out", "refused.bin")
        self.assertEqual(
            self.plugin.get_file(f"/{self.other.drive}/o.txt", local), 2)
        self.assertEqual(len(self.plugin.requests), 1)

    def test_drive_names_ignore_letter_case(self):
        upper = "/" + self.main.drive.upper()
        self.assertEqual(sorted(e.name for e in self.plugin.list(upper)),
                         sorted(e.name for e in
                                self.plugin.list("/" + self.main.drive)))


@unittest.skipIf(REASON, f"loop devices unavailable: {REASON}")
class LoopVolumeTimes(unittest.TestCase):
    def listed_time(self, filetime):
        _, image = common.make_image(f"time{filetime}", {"t.txt": b"t"})
        common.set_volume_time(image, filetime)
        with loopdev.Loop(image) as loop:
            entries = Plugin(common.settings.plugin).list("/" + loop.drive)
        self.assertEqual(len(entries), 1)
        return entries[0].times

    def test_entries_carry_the_volume_time_when_valid(self):
        # 2003-06-01 00:00 UTC.
        may2003 = 126988992000000000
        self.assertEqual(self.listed_time(may2003), (may2003,) * 3)
        for unusable in (0, 1, 0x01A8E79FE1D58000 - 1, 0xFFFFFFFFFFFFFFFF):
            self.assertEqual(self.listed_time(unusable),
                             (common.FALLBACK_TIME,) * 3, hex(unusable))


@unittest.skipIf(REASON, f"loop devices unavailable: {REASON}")
class LoopWholeDisc(unittest.TestCase):
    def test_whole_disc_file_past_4_gib_copies_exactly(self):
        data = common.pattern(9, 300001)
        source = os.path.join(common.settings.work, "src", "xgd1")
        common.write_tree(source, {"far.bin": data, "near.txt": b"near\n"})
        image = os.path.join(common.settings.work, "images", "xgd1.iso")
        # Behind the XGD1 base, sector 2,000,000 of the partition lies past
        # 4 GiB of the device: every seek needs its high part.
        common.make_image_of(source, image, "--layout", "xgd1",
                             "--place", "far.bin=2000000")
        local = os.path.join(common.settings.work, "out", "far.bin")
        with loopdev.Loop(image) as loop:
            plugin = Plugin(common.settings.plugin)
            self.assertEqual(sorted(e.name for e in
                                    plugin.list("/" + loop.drive)),
                             ["far.bin", "near.txt"])
            before = loop.sectors_read()
            self.assertEqual(plugin.get_file(f"/{loop.drive}/far.bin", local),
                             0)
            self.assertEqual((loop.sectors_read() - before) * 512,
                             -(-len(data) // common.SECTOR) * common.SECTOR)
        with open(local, "rb") as f:
            self.assertEqual(f.read(), data)


@unittest.skipIf(REASON, f"loop devices unavailable: {REASON}")
class LoopWide(unittest.TestCase):
    """The wide entry points, which Double Commander uses: disc names in
    Windows-1252, local names in any script, messages to the wide dialog."""

    def test_lists_and_copies_through_the_wide_side(self):
        source = os.path.join(common.settings.work, "src", "wide")
        os.makedirs(source)
        # A name with byte 0xE9, 'é' in Windows-1252.
        with open(os.path.join(os.fsencode(source), b"caf\xe9.txt"), "wb") as f:
            f.write(b"wide side\n")
        image = os.path.join(common.settings.work, "images", "wide.iso")
        common.make_image_of(source, image)
        target = os.path.join(common.settings.work, "out", "Łódź 日本語")
        os.makedirs(target)
        zeros = os.path.join(common.settings.work, "images", "zeros2.iso")
        with open(zeros, "wb") as f:
            f.write(bytes(256 * 1024))
        with loopdev.Loop(image) as loop, loopdev.Loop(zeros) as blank:
            plugin = Plugin(common.settings.plugin)
            self.assertIn(loop.drive, plugin.list_wide("/"))
            self.assertEqual(plugin.list_wide("/" + loop.drive), ["café.txt"])
            local = os.path.join(target, "café.txt")
            self.assertEqual(
                plugin.get_file_wide(f"/{loop.drive}/café.txt", local), 0)
            with open(local, "rb") as f:
                self.assertEqual(f.read(), b"wide side\n")
            self.assertEqual(plugin.list_wide("/" + blank.drive), [])
        self.assertEqual(plugin.wide_requests, [
            (8, "Xbox DVD Filesystem",
             f"ERROR: cant open '{blank.drive}' device")])
        self.assertEqual(plugin.requests, [])


def listed(entries):
    """Records as sorted (name, is folder, size), a folder's size left out."""
    return sorted((e.name, e.is_dir, None if e.is_dir else e.size)
                  for e in entries)


def expected(files, folder=""):
    """What the plug-in should list of one folder of a tree of files."""
    found = set()
    for relative, data in files.items():
        if not relative.startswith(folder):
            continue
        first, _, rest = relative[len(folder):].partition("/")
        found.add((first, True, None) if rest else (first, False, len(data)))
    return sorted(found)


@unittest.skipIf(REASON, f"loop devices unavailable: {REASON}")
class LoopSwap(unittest.TestCase):
    """Disc B put in place of disc A under the plug-in's open device, the
    root never listed after: every listing and copy shows B or fails with
    its message. A and B have the same volume descriptor (no time, root
    table at the same place and size): only the kernel's media-change count
    tells them apart."""

    A, B = common.swap_trees()

    def test_a_swapped_disc_lists_and_copies_the_new_one(self):
        _, a = common.make_image("swap a", self.A)
        _, b = common.make_image("swap b", self.B)
        common.pad_to_same_size(a, b)
        out = os.path.join(common.settings.work, "out", "swap")
        os.makedirs(out)
        plugin = Plugin(common.settings.plugin)
        with loopdev.Loop(a) as loop:
            drive = "/" + loop.drive
            # A fresh start: the root drops what earlier tests left cached
            # under this device's name.
            self.assertIn(loop.drive, [e.name for e in plugin.list("/")])
            self.assertEqual(listed(plugin.list(drive)), expected(self.A))
            self.assertEqual(listed(plugin.list(drive + "/shared")),
                             expected(self.A, "shared/"))
            seq = loop.diskseq()
            loop.swap(b)
            self.assertGreater(loop.diskseq(), seq)

            self.assertEqual(listed(plugin.list(drive)), expected(self.B))
            self.assertEqual(listed(plugin.list(drive + "/shared")),
                             expected(self.B, "shared/"))
            self.assertEqual(plugin.lib.FsFindFirst(
                f"{drive}/a folder".encode(), ctypes.byref(wfx.FindData())),
                wfx.INVALID_HANDLE)
            self.assertEqual(len(plugin.requests), 1)
            self.assertTrue(plugin.requests[0][2].startswith(
                "ERROR: vepo_getupdatedirsubtree error, path: "
                f"'{loop.drive}/a folder', code = 1,"), plugin.requests)
            for relative in ("readme.txt", "shared/data.bin"):
                local = os.path.join(out, os.path.basename(relative))
                self.assertEqual(
                    plugin.get_file(f"{drive}/{relative}", local), 0)
                with open(local, "rb") as f:
                    self.assertEqual(f.read(), self.B[relative], relative)
            plugin.requests.clear()
            self.assertEqual(plugin.get_file(f"{drive}/only on a.txt",
                                             os.path.join(out, "a.txt")), 2)
            self.assertEqual(plugin.requests, [(
                8, "Xbox DVD Filesystem",
                f"ERROR: file '{loop.drive}/only on a.txt' not found")])

            # Back to A, then B again while A's big file is copied.
            loop.swap(a)
            plugin.requests.clear()
            swapped = []

            def swap_once(percent):
                if not swapped:
                    loop.swap(b)
                    swapped.append(percent)

            plugin.on_progress = swap_once
            local = os.path.join(out, "big.bin")
            self.assertEqual(plugin.get_file(drive + "/big.bin", local), 3)
            self.assertEqual(plugin.requests, [(
                8, "Xbox DVD Filesystem",
                f"ERROR: the disc in drive '{loop.drive}' changed during the "
                f"copy of '{loop.drive}/big.bin'")])
            self.assertLess(os.path.getsize(local), len(self.A["big.bin"]))
