"""What the Linux tests share: the builds under test, a work folder, and
images made by our writer from folder trees written on the spot."""

import contextlib
import os
import random
import struct
import subprocess
import sys
import unittest

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
SECTOR = 2048
# The volume descriptor's FILETIME.
VOLUME_TIME_OFFSET = 0x10000 + 28
# What the plug-in lists when a disc has no usable time: 2001-01-01 UTC.
FALLBACK_TIME = 126227808000000000


class Settings:
    def __init__(self, native, linux, work):
        self.mkxdvdfs = os.path.join(native, "tools", "imagewriter",
                                     "mkxdvdfs")
        self.plugin = os.path.join(linux, "xdvdfs.wfx")
        self.archive = os.path.join(linux, "xdvdfs.wcx")
        self.content = os.path.join(linux, "xdvdfs.wdx")
        self.work = work


# Set by run.py before any test loads.
settings = None


def pattern(seed, size):
    return random.Random(seed).randbytes(size)


def write_tree(folder, files):
    for relative, data in files.items():
        path = os.path.join(folder, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)


def swap_trees():
    """Discs A and B for a disc change in a drive: B lacks a folder and a
    file of A, holds others A lacks, and the same names with other bytes.
    Both drives' tests (loop devices here, Wine's under tests/e2e) use
    them."""
    a = {"readme.txt": b"Disc A.\n", "only on a.txt": b"a\n",
         "a folder/a.dat": pattern(20, 3000),
         "shared/data.bin": pattern(21, 70000),
         # Five 64 KiB chunks: a copy long enough to change discs in.
         "big.bin": pattern(22, 300001)}
    b = {"readme.txt": b"Disc B, another readme.\n",
         "b folder/b.dat": pattern(30, 5000),
         "shared/data.bin": pattern(31, 90000),
         "shared/new.txt": b"new\n",
         "big.bin": pattern(32, 200000)}
    return a, b


def make_image(name, files, image_name=None):
    """Writes files (relative path -> bytes) to a source folder and an
    image of it; returns (source folder, image path)."""
    source = os.path.join(settings.work, "src", name)
    write_tree(source, files)
    image = os.path.join(settings.work, "images", image_name or name + ".iso")
    os.makedirs(os.path.dirname(image), exist_ok=True)
    make_image_of(source, image)
    return source, image


def make_image_of(source, image, *options):
    """options go to mkxdvdfs, such as --layout xgd1."""
    subprocess.run([settings.mkxdvdfs, *options, source, image], check=True,
                   stdout=subprocess.DEVNULL)


def pad_to_same_size(*images):
    """Zeros at the end of the shorter images: a loop device takes another
    image in place of its own only at the same size."""
    size = max(os.path.getsize(image) for image in images)
    for image in images:
        os.truncate(image, size)


def set_volume_time(image, filetime, base=0):
    """base: where the file system starts, for a whole-disc image."""
    with open(image, "r+b") as f:
        f.seek(base + VOLUME_TIME_OFFSET)
        f.write(filetime.to_bytes(8, "little"))


def rename_in_image(image, renames):
    """Gives entries names the writer cannot: each old name's bytes become
    the new name's, of the same length, where they stand in the image."""
    with open(image, "r+b") as f:
        data = f.read()
        for old, new in renames:
            assert len(old) == len(new), (old, new)
            f.seek(data.index(old))
            f.write(new)


@contextlib.contextmanager
def small_disk(folder, size):
    """A disk of size bytes (a tmpfs) mounted at folder for the block; the
    test is skipped where it cannot be mounted."""
    os.makedirs(folder, exist_ok=True)
    mounted = subprocess.run(
        ["mount", "-t", "tmpfs", "-o", f"size={size}", "tmpfs", folder],
        capture_output=True)
    if mounted.returncode != 0:
        raise unittest.SkipTest("cannot mount a small tmpfs: "
                                + mounted.stderr.decode(errors="replace"))
    try:
        yield folder
    finally:
        subprocess.run(["umount", folder], check=True)


def source_files(source):
    """Every file below a folder as relative path -> bytes."""
    found = {}
    for folder, _, files in os.walk(source):
        for name in files:
            full = os.path.join(folder, name)
            with open(full, "rb") as f:
                found[os.path.relpath(full, source)] = f.read()
    return found


def tree_entries(root):
    """Every entry below a folder as relative path -> bytes, None for a
    folder."""
    found = {}
    for folder, dirs, files in os.walk(root):
        for name in dirs + files:
            full = os.path.join(folder, name)
            found[os.path.relpath(full, root)] = (
                None if name in dirs else open(full, "rb").read())
    return found


def note(text):
    print(text, file=sys.stderr, flush=True)


def xbe(title, title_id, region=1, disc=0, version=0x102, size=0x1000):
    """An XBE whose certificate follows the header, as linkers put it; the
    title is cut at 40 UTF-16 units, with no NUL when it fills them."""
    data = bytearray(size)
    data[0:4] = b"XBEH"
    struct.pack_into("<II", data, 0x104, 0x10000, 0)
    struct.pack_into("<I", data, 0x118, 0x10000 + 0x178)
    certificate = 0x178
    struct.pack_into("<I", data, certificate + 0x8, title_id)
    name = title.encode("utf-16-le", "surrogatepass")[:80]
    data[certificate + 0xC:certificate + 0xC + len(name)] = name
    struct.pack_into("<I", data, certificate + 0xA0, region)
    struct.pack_into("<II", data, certificate + 0xA8, disc, version)
    return bytes(data)


def xex(title_id, version, disc, info_offset=0x3000, size=0x4000):
    """An XEX2 whose execution info lies at info_offset, after another
    optional header."""
    data = bytearray(size)
    data[0:4] = b"XEX2"
    struct.pack_into(">I", data, 0x14, 2)
    struct.pack_into(">IIII", data, 0x18, 0x000002FF, 0x100, 0x00040006,
                     info_offset)
    struct.pack_into(">IIII", data, info_offset, 0x12345678, version,
                     version, title_id)
    data[info_offset + 22:info_offset + 24] = bytes([disc, 2])
    return bytes(data)
