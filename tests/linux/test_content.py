"""The content plug-in (.wdx) through ctypes as Double Commander calls it:
the default-params record of 4108 bytes, UTF-16 paths, every field of
plain and whole-disc images, titles as valid UTF-8 from both calls (a lone
surrogate as U+FFFD), and files that hold no game."""

import ctypes
import os
import unittest

import common
from wfx import wide

STRING, NUMBER, STRINGW, EMPTY, ERROR = 8, 1, 11, -3, -2
MAXLEN = 2049  # what the program passes, in bytes


class DefaultParams(ctypes.Structure):
    """Double Commander's record on Linux: a 4096-byte name field."""
    _fields_ = [("size", ctypes.c_int), ("low", ctypes.c_uint32),
                ("high", ctypes.c_uint32), ("ini", ctypes.c_char * 4096)]


class ContentPlugin(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.lib = ctypes.CDLL(common.settings.content)
        params = DefaultParams(ctypes.sizeof(DefaultParams), 50, 1,
                               b"/home/user/.config/doublecmd/wdx.ini")
        assert ctypes.sizeof(params) == 4108
        cls.lib.ContentSetDefaultParams(ctypes.byref(params))
        work = os.path.join(common.settings.work, "content Łódź 日本語")
        os.makedirs(work)
        cls.images = {}
        for name, files, layout in (
                ("plain.iso", {"default.xbe": common.xbe(
                    "Plain \U0001F3AE Ωμέγα", 0x4D530004, region=0x80000001,
                    disc=2)}, "plain"),
                ("whole.iso", {"default.xbe": common.xbe(
                    "Whole", 0x4D530005)}, "xgd1"),
                ("lone.iso", {"default.xbe": common.xbe(
                    "A\ud800B", 0x4D530006)}, "plain"),
                ("none.iso", {"a.txt": b"a"}, "plain")):
            source = os.path.join(work, "src " + name)
            common.write_tree(source, files)
            cls.images[name] = os.path.join(work, name)
            common.make_image_of(source, cls.images[name], "--layout", layout)
        cls.work = work

    @classmethod
    def tearDownClass(cls):
        cls.lib.ContentPluginUnloading()

    def value(self, path, field, wide_call=True):
        buffer = ctypes.create_string_buffer(MAXLEN)
        if wide_call:
            kind = self.lib.ContentGetValueW(wide(path), field, 0, buffer,
                                             MAXLEN, 0)
        else:
            kind = self.lib.ContentGetValue(path.encode(), field, 0, buffer,
                                            MAXLEN, 0)
        if kind == STRING:
            return kind, buffer.value.decode("utf-8")  # strict: valid UTF-8
        if kind == STRINGW:
            raw = buffer.raw
            end = next(i for i in range(0, len(raw), 2)
                       if raw[i:i + 2] == b"\0\0")
            return kind, raw[:end].decode("utf-16-le")
        if kind == NUMBER:
            return kind, int.from_bytes(buffer.raw[:4], "little", signed=True)
        return kind, None

    def test_every_field_of_plain_and_whole_disc_images(self):
        plain = self.images["plain.iso"]
        self.assertEqual([self.value(plain, i) for i in range(6)], [
            (STRINGW, "Plain \U0001F3AE Ωμέγα"), (STRING, "4D530004"),
            (STRING, "NTSC-U/Debug"), (NUMBER, 3), (STRING, "00000102"),
            (STRING, "Xbox")])
        self.assertEqual(self.value(plain, 0, False),
                         (STRING, "Plain \U0001F3AE Ωμέγα"))
        self.assertEqual(self.value(self.images["whole.iso"], 1),
                         (STRING, "4D530005"))

    def test_a_lone_surrogate_becomes_the_replacement_character(self):
        lone = self.images["lone.iso"]
        self.assertEqual(self.value(lone, 0), (STRINGW, "A\ufffdB"))
        self.assertEqual(self.value(lone, 0, False), (STRING, "A\ufffdB"))

    def test_files_that_hold_no_game(self):
        for path, kind in ((self.images["none.iso"], EMPTY),
                           (self.work, ERROR),
                           (os.path.join(self.work, "missing.iso"), ERROR)):
            self.assertEqual({self.value(path, i)[0] for i in range(6)},
                             {kind}, path)
        self.assertEqual(self.value(self.images["plain.iso"], 6)[0], -1)
