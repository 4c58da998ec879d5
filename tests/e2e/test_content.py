"""The content plug-in DLLs, driven by wdxhost as a file manager fills
columns: every field of plain and whole-disc images with XBE and XEX
executables, in a folder no 8-bit code page can name, the 8-bit call, and
files that hold no game."""

import os
import subprocess

import discs
import harness
from harness import run_content_host, windows_path
from test_archive import TARGET

FIELDS = ["Title", "Title ID", "Region", "Disc", "Version", "Platform"]
STRING, NUMBER, STRINGW, EMPTY, ERROR = 8, 1, 11, -3, -2


def values(lines):
    """file -> {field: (type, value)} from the FILE and V lines."""
    found, current = {}, None
    for line in lines:
        if line.startswith("FILE "):
            current = found.setdefault(line[5:], {})
        elif line.startswith("V "):
            kind, rest = line[2:].split(" ", 1)
            name = next(f for f in sorted(FIELDS, key=len, reverse=True)
                        if rest.startswith(f + " ") or rest == f)
            current[name] = (int(kind), rest[len(name) + 1:])
    return found


def make_image(folder, name, files, layout="plain"):
    source = os.path.join(folder, "src " + name)
    discs.write_tree(source, files, [])
    image = os.path.join(folder, name)
    subprocess.run([harness.settings.mkxdvdfs, "--layout", layout, source,
                    image], check=True, stdout=subprocess.DEVNULL)
    return image


class Images:
    folder = None

    @classmethod
    def make(cls):
        if cls.folder:
            return
        cls.folder = os.path.join(harness.settings.work, "content", TARGET)
        os.makedirs(cls.folder, exist_ok=True)
        title = "Jeu d'été Ωμέγα 日本語"
        cls.plain = make_image(cls.folder, "plain game.iso", {
            "default.xbe": discs.xbe(title, 0x4D530004, region=0x5, disc=0),
            "media/a.bin": b"a"})
        cls.xgd3 = make_image(cls.folder, "whole disc.iso", {
            "DEFAULT.XBE": discs.xbe(title, 0x4D530004, region=0x5, disc=0)},
            "xgd3")
        cls.xex = make_image(cls.folder, "successor.iso", {
            "default.xex": discs.xex(0x4D5307E6, 0x20000B00, 1)})
        cls.no_game = make_image(cls.folder, "no game.iso", {"a.txt": b"a"})
        cls.zeros = os.path.join(cls.folder, "zeros.iso")
        with open(cls.zeros, "wb") as f:
            f.write(bytes(100000))
        # The 8-bit call reaches only names of the ANSI code page.
        cls.narrow = os.path.join(harness.settings.work, "content", "café.iso")
        os.replace(make_image(cls.folder, "narrow.iso", {
            "default.xbe": discs.xbe("Café Ωμέγα", 0x41430001)}), cls.narrow)
        cls.title = title


class ContentCases:
    def content(self, *args):
        return run_content_host(self.build, *args)

    def setUp(self):
        Images.make()

    def test_fields_and_detect_string(self):
        code, lines = self.content("fields")
        self.assertEqual(code, 0, lines)
        self.assertEqual(lines[:6], [
            "FIELD 0 11 Title", "FIELD 1 8 Title ID", "FIELD 2 8 Region",
            "FIELD 3 1 Disc", "FIELD 4 8 Version", "FIELD 5 8 Platform"])
        self.assertIn('EXT="XISO"', lines[6])

    def test_every_field_of_plain_and_whole_disc_images(self):
        images = [Images.plain, Images.xgd3, Images.xex]
        code, lines = self.content("values",
                                   *(windows_path(i) for i in images))
        self.assertEqual(code, 0, lines)
        found = values(lines)
        xbe = {"Title": (STRINGW, Images.title),
               "Title ID": (STRING, "4D530004"),
               "Region": (STRING, "NTSC-U/PAL"), "Disc": (NUMBER, "1"),
               "Version": (STRING, "00000102"), "Platform": (STRING, "Xbox")}
        self.assertEqual(found[windows_path(Images.plain)], xbe)
        self.assertEqual(found[windows_path(Images.xgd3)], xbe)
        self.assertEqual(found[windows_path(Images.xex)], {
            "Title": (EMPTY, ""), "Title ID": (STRING, "4D5307E6"),
            "Region": (EMPTY, ""), "Disc": (NUMBER, "1"),
            "Version": (STRING, "20000B00"),
            "Platform": (STRING, "Xbox 360")})

    def test_the_8_bit_call_answers_windows_1252(self):
        code, lines = self.content("narrow", windows_path(Images.narrow))
        self.assertEqual(code, 0, lines)
        found = values(lines)[windows_path(Images.narrow)]
        self.assertEqual(found["Title"], (STRING, "Café ?????"))
        self.assertEqual(found["Title ID"], (STRING, "41430001"))

    def test_files_that_hold_no_game(self):
        damaged = discs.XGD1.image  # its default.xbe is random bytes
        files = [Images.no_game, Images.zeros, damaged, Images.folder,
                 os.path.join(Images.folder, "missing.iso"), Images.plain]
        code, lines = self.content("values",
                                   *(windows_path(f) for f in files))
        self.assertEqual(code, 6, lines)  # the folder and the missing file
        found = values(lines)
        for path in files[:2]:
            self.assertEqual({t for t, _ in found[windows_path(path)].values()},
                             {EMPTY}, path)
        self.assertEqual(found[windows_path(damaged)]["Platform"],
                         (STRING, "Xbox"))
        self.assertEqual(found[windows_path(damaged)]["Title ID"], (EMPTY, ""))
        for path in files[3:5]:
            self.assertEqual({t for t, _ in found[windows_path(path)].values()},
                             {ERROR}, path)
        # And the next file works.
        self.assertEqual(found[windows_path(Images.plain)]["Title ID"],
                         (STRING, "4D530004"))


class DriveFieldCases:
    """The file-system plug-in's fields of each drive in its root listing,
    through wfxhost, asked before FsInit as Double Commander asks them."""

    def fields(self, drive):
        session = self.host("fields", "\\" + drive, init=False)
        lines = [line.encode("latin-1").decode("utf-8")
                 for step in session.steps for line in step.lines]
        return session.returncode, values(lines)["\\" + drive]

    def test_the_drives_show_their_discs_game(self):
        for disc, title_id in ((discs.XGD2, "58450002"),
                               (discs.XGD3, "58450003")):
            code, found = self.fields(disc.letter)
            self.assertEqual(code, 0, found)
            self.assertEqual(found, {
                "Title": (STRINGW, discs.WHOLE_TITLE),
                "Title ID": (STRING, title_id),
                "Region": (STRING, "NTSC-U/NTSC-J/PAL/Debug"),
                "Disc": (NUMBER, "2"), "Version": (STRING, "00000102"),
                "Platform": (STRING, "Xbox")})
        code, found = self.fields(discs.XGD1.letter)  # a damaged executable
        self.assertEqual(found["Platform"], (STRING, "Xbox"))
        self.assertEqual(found["Title"], (EMPTY, ""))
        code, found = self.fields(discs.MAIN.letter)  # no executable
        self.assertEqual({t for t, _ in found.values()}, {EMPTY})


class Content32(ContentCases, harness.HostTest):
    bits = 32


class Content64(ContentCases, harness.HostTest):
    bits = 64


class DriveFields32(DriveFieldCases, harness.HostTest):
    bits = 32


class DriveFields64(DriveFieldCases, harness.HostTest):
    bits = 64
