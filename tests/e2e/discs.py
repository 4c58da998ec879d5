"""The test discs: folder trees made on the spot, their images written by
mkxdvdfs, and the drive letter each image is mapped to."""

import os
import random
import shutil
import subprocess
import sys
from dataclasses import dataclass

import harness

# The Linux tests' loop devices and the two discs of a disc change.
sys.path.append(os.path.join(harness.REPO, "tests", "linux"))
import common as linux_common  # noqa: E402
import loopdev  # noqa: E402

SECTOR = 2048


def pattern(seed, size):
    return random.Random(seed).randbytes(size)


xbe = linux_common.xbe
xex = linux_common.xex


# The title of XGD2's and XGD3's executables: 40 units, no NUL, and
# characters no 8-bit code page holds together.
WHOLE_TITLE = "Whole Disc Ωμέγα 日本 Ünïcödé Test Game XY"


def main_tree():
    files = {
        "readme.txt": b"The main test disc.\r\n",
        "empty.bin": b"",
        "exact64k.bin": pattern(1, 65536),
        "big file.bin": pattern(2, 150000),
        "one.mib": pattern(3, 1 << 20),
        "MixedCase.TXT": b"letter case is kept\n",
        "nested/level2/level3/deep.dat": pattern(4, 5000),
        "nested/level2/notes.v1.2.txt": b"dots in a name\n",
        "nested/odd size.bin": pattern(5, 4097),
        "a.b.c/x y z.txt": b"spaces and dots\n",
    }
    for i in range(3000):
        files[f"many/entry {i:04d}.txt"] = f"entry {i}\n".encode()
    return files, ["nested/empty folder"]


def second_tree():
    files = {
        "readme.txt": b"The second disc, with another readme.\r\n",
        "big file.bin": pattern(6, 70000),
        "only on f/f.dat": pattern(7, 3000),
    }
    return files, []


def cp1252(data):
    """Bytes as the wide entry points show them: Windows-1252, the five bytes
    it leaves undefined as the C1 controls of the same value."""
    return "".join(bytes([b]).decode("cp1252", errors="ignore") or chr(b)
                   for b in data)


def wide_tree():
    """Names with every byte from 0x80 to 0xFF, the five undefined ones in a
    folder's name too. Keys are bytes made file names."""
    undefined = bytes([0x81, 0x8D, 0x8F, 0x90, 0x9D])
    folder = b"dir " + undefined + b" \xff"
    names = {
        b"80-9f " + bytes(range(0x80, 0xA0)): pattern(10, 3000),
        b"a0-bf " + bytes(range(0xA0, 0xC0)): pattern(11, 70000),
        b"c0-ff " + bytes(range(0xC0, 0x100)): pattern(12, 100),
        folder + b"/" + undefined + b".bin": pattern(13, 5000),
    }
    return {os.fsdecode(name): data for name, data in names.items()}, []


@dataclass
class Disc:
    letter: str  # drive name such as "E:"
    image: str
    source: str = None  # the folder the image was made from, if any

    def path(self, relative=""):
        """The plug-in path of a file or folder of this disc."""
        inside = relative.replace("/", "\\")
        return "\\" + self.letter + ("\\" + inside if inside else "")

    def file(self, relative):
        with open(os.path.join(self.source, relative), "rb") as f:
            return f.read()

    def entries(self, relative=""):
        """Everything below a folder of the source as plug-in path ->
        (is folder, size); a folder's size is left out (None), since on the
        disc it is its directory table's."""
        found = {}
        top = os.path.join(self.source, relative)
        for folder, subfolders, files in os.walk(top):
            for name in subfolders + files:
                full = os.path.join(folder, name)
                found[self.path(os.path.relpath(full, self.source))] = (
                    describe(full))
        return found

    def listing(self, relative=""):
        """One folder of the source as sorted (name, is folder, size)."""
        top = os.path.join(self.source, relative)
        return sorted((name, *describe(os.path.join(top, name)))
                      for name in os.listdir(top))


def describe(path):
    if os.path.isdir(path):
        return True, None
    return False, os.path.getsize(path)


def write_tree(folder, files, empty_folders):
    for relative, data in files.items():
        path = os.path.join(folder, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
    for relative in empty_folders:
        os.makedirs(os.path.join(folder, relative), exist_ok=True)


def make_disc(work, letter, name, files, empty_folders=(), options=()):
    """options are mkxdvdfs's, such as ("--layout", "xgd1")."""
    source = os.path.join(work, "src", name)
    write_tree(source, files, empty_folders)
    image = os.path.join(work, "images", name + ".iso")
    os.makedirs(os.path.dirname(image), exist_ok=True)
    subprocess.run([harness.settings.mkxdvdfs, *options, source, image],
                   check=True, stdout=subprocess.DEVNULL)
    return Disc(letter, image, source)


# The host options of a session that lists NOT_XBOX: its probes at the
# whole-disc bases read past its end, which Windows refuses, as it should.
NOT_XBOX_PROBES = {"allowed_refusals": ("past-end",)}

# Whole-disc images: where the file system starts and how long a dump is.
XGD1_BASE, XGD1_SIZE = 0x18300000, 7825162240
LONG_NAME = "n" * 196 + ".bin"  # 200 characters
# The file's first 64 KiB chunk ends exactly at 4 GiB of the device, so its
# next seek is the first whose high part is set; the file after it lies
# wholly beyond.
STRADDLE_SECTOR = ((4 << 30) - 65536 - XGD1_BASE) // SECTOR


def whole_disc_tree(seed, title_id=None):
    """With a title ID, default.xbe is a game's (titled WHOLE_TITLE), else
    random bytes, as a damaged one would be."""
    executable = pattern(seed, 70000)
    if title_id is not None:
        executable = xbe(WHOLE_TITLE, title_id, region=0x80000007, disc=1,
                         size=0x1000) + executable[0x1000:]
    files = {
        "default.xbe": executable,
        "media/level1.bin": pattern(seed + 1, 150000),
        "media/sub/deep.dat": pattern(seed + 2, 5000),
        "media/empty.bin": b"",
    }
    return files, ["media/empty folder"]


def xgd1_tree():
    files, folders = whole_disc_tree(20)
    files["past 4 GiB/straddles.bin"] = pattern(23, 150000)
    files["past 4 GiB/beyond.bin"] = pattern(24, 70000)
    return files, folders


def xgd2_tree():
    files, folders = whole_disc_tree(30, 0x58450002)
    files[LONG_NAME] = pattern(33, 3000)
    return files, folders


def video_only(work, letter):
    """What an ordinary DVD drive shows of a pressed disc: an XGD1-long
    image with an ISO 9660 volume descriptor at sector 16 and no file
    system at any base."""
    disc = Disc(letter, os.path.join(work, "images", "video-only.iso"))
    with open(disc.image, "wb") as f:
        f.seek(16 * SECTOR)
        f.write(b"\x01CD001\x01")
        f.truncate(XGD1_SIZE)
    return disc


def data_offset(image, data):
    """Where a file's bytes lie in an image (they are random, so unique)."""
    with open(image, "rb") as f:
        content = f.read()
    offset = content.find(data)
    assert offset > 0 and offset % SECTOR == 0, (image, offset)
    assert content.find(data, offset + 1) < 0, image
    return offset


def cut_image(disc, relative, keep):
    """Ends the image keep bytes into the given file's data."""
    offset = data_offset(disc.image, disc.file(relative))
    os.truncate(disc.image, offset + keep)


# 2003-06-01 and 2004-06-01 00:00 UTC as FILETIMEs.
SWAP_A_TIME, SWAP_B_TIME = 126988992000000000, 127305216000000000


def swap_discs(work):
    """Discs A and B of one size, and a read-only loop device holding A,
    for drive P:; (None, None, None) where loop devices cannot be had."""
    if loopdev.unavailable():
        return None, None, None
    trees = linux_common.swap_trees()
    a, b = (make_disc(work, "P:", "swap " + name, files)
            for name, files in zip("ab", trees))
    linux_common.pad_to_same_size(a.image, b.image)
    # Discs made apart carry their own times. Wine has no media-change
    # count, so the volume descriptor is all that tells these two apart.
    for disc, filetime in ((a, SWAP_A_TIME), (b, SWAP_B_TIME)):
        linux_common.set_volume_time(disc.image, filetime)
    return a, b, loopdev.Loop(a.image).__enter__()


def release():
    """Detaches what prepare() attached."""
    if SWAP_LOOP:
        SWAP_LOOP.__exit__()


# Filled by prepare().
MAIN = SECOND = NOT_XBOX = CUT = TAIL = EMPTY_LAST = WIDE = None
XGD1 = XGD2 = XGD3 = VIDEO_ONLY = None
WHOLE = []  # the whole-disc images with a file system
ALL = []
# Drive P: maps to the loop device, which holds SWAP_A or SWAP_B.
SWAP_A = SWAP_B = SWAP_LOOP = None


def prepare(work):
    """Makes every disc and maps them as drives E: to J:, K: to N:, O:
    and, with loop devices, P:."""
    global MAIN, SECOND, NOT_XBOX, CUT, TAIL, EMPTY_LAST, WIDE, ALL
    global XGD1, XGD2, XGD3, VIDEO_ONLY, WHOLE, SWAP_A, SWAP_B, SWAP_LOOP
    for folder in ("src", "images", "out"):
        shutil.rmtree(os.path.join(work, folder), ignore_errors=True)

    MAIN = make_disc(work, "E:", "main", *main_tree())
    SECOND = make_disc(work, "F:", "second", *second_tree())

    # Shorter than any whole-disc base, so looking for the file system there
    # reads past its end (NOT_XBOX_PROBES).
    NOT_XBOX = Disc("G:", os.path.join(work, "images", "zeros.iso"))
    with open(NOT_XBOX.image, "wb") as f:
        f.write(bytes(256 * 1024))

    # Ends one chunk (65536 bytes) into a 1 MiB file: the copy's second read
    # finds no bytes.
    CUT = make_disc(work, "H:", "cut", {"big.bin": pattern(8, 1 << 20)})
    cut_image(CUT, "big.bin", 65536)

    # Ends at the last byte of the file, mid-sector.
    TAIL = make_disc(work, "I:", "tail", {"tail.bin": pattern(9, 150001)})
    cut_image(TAIL, "tail.bin", 150001)

    # The only file is empty, so its start sector is the one just past the
    # tables, where the image ends.
    EMPTY_LAST = make_disc(work, "J:", "emptylast", {"empty.bin": b""})

    XGD1 = make_disc(work, "K:", "xgd1", *xgd1_tree(), options=(
        "--layout", "xgd1",
        "--place", f"past 4 GiB/straddles.bin={STRADDLE_SECTOR}"))
    XGD2 = make_disc(work, "L:", "xgd2", *xgd2_tree(),
                     options=("--layout", "xgd2"))
    XGD3 = make_disc(work, "M:", "xgd3", *whole_disc_tree(40, 0x58450003),
                     options=("--layout", "xgd3"))
    VIDEO_ONLY = video_only(work, "N:")
    WHOLE = [XGD1, XGD2, XGD3]

    # Names with bytes 0x80-0xFF, for the wide entry points.
    WIDE = make_disc(work, "O:", "wide", *wide_tree())

    ALL = [MAIN, SECOND, NOT_XBOX, CUT, TAIL, EMPTY_LAST, *WHOLE, VIDEO_ONLY,
           WIDE]
    mapping = [arg for d in ALL for arg in (d.letter[0], d.image)]
    SWAP_A, SWAP_B, SWAP_LOOP = swap_discs(work)
    if SWAP_LOOP:
        ALL.append(SWAP_A)
        mapping += [SWAP_A.letter[0], SWAP_LOOP.path]
    harness.wine_tool("drives", *mapping)
