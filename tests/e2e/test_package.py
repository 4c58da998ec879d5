"""The release zips: what they hold, the install descriptors, and that the
DLLs from them load and carry the version the names do."""

import os
import re
import shutil
import subprocess
import unittest
import zipfile

import harness

ZIP_NAME = re.compile(r"^xdvdfs-wfx-(\d+\.\d+\.\d+)\.zip$")
VERSION = re.compile(r'^VERSION product="(.*)" version=(\S+) original="(.*)" '
                     r"fixed=(\S+)$")
CONTENTS = {"xdvdfs.wfx", "xdvdfs.wfx64", "readme.txt", "pluginst.inf"}
WCX_CONTENTS = {"xdvdfs.wcx", "xdvdfs.wcx64", "readme.txt", "pluginst.inf"}
WDX_CONTENTS = {"xdvdfs.wdx", "xdvdfs.wdx64", "readme.txt", "pluginst.inf"}

_package = None


def package():
    """Packs the builds under test once; returns (zip path, version, folder
    it was unpacked to)."""
    global _package
    if _package is None:
        settings = harness.settings
        out = os.path.join(settings.work, "package")
        shutil.rmtree(out, ignore_errors=True)
        done = subprocess.run(
            [os.path.join(harness.REPO, "tools", "package"), "-o", out,
             settings.builds[32].folder, settings.builds[64].folder],
            check=True, capture_output=True, text=True)
        wcx_path, path = done.stdout.splitlines()[-2:]
        assert wcx_path == path.replace("-wfx-", "-wcx-"), wcx_path
        match = ZIP_NAME.match(os.path.basename(path))
        assert match and os.path.dirname(path) == out, path
        unpacked = os.path.join(out, "unpacked")
        with zipfile.ZipFile(path) as z:
            z.extractall(unpacked)
        _package = (path, match[1], unpacked)
    return _package


def read_inf(data):
    """Sections of an install descriptor as name -> {key: value}."""
    sections, current = {}, None
    for line in data.decode("ascii").split("\r\n"):
        if line.startswith("[") and line.endswith("]"):
            current = sections.setdefault(line[1:-1], {})
        elif "=" in line:
            key, value = line.split("=", 1)
            current[key] = value
    return sections


class PackageContents(unittest.TestCase):
    def test_zip_holds_the_dlls_readme_and_descriptor(self):
        path, version, _ = package()
        with zipfile.ZipFile(path) as z:
            names = set(z.namelist())
            self.assertEqual(names, CONTENTS)
            for bits, name in ((32, "xdvdfs.wfx"), (64, "xdvdfs.wfx64")):
                self.assertEqual(z.read(name),
                                 harness.read(harness.settings.builds[bits]
                                              .plugin), name)
            texts = {name: z.read(name) for name in ("readme.txt",
                                                     "pluginst.inf")}
        for name, text in texts.items():
            self.assertNotIn(b"\n", text.replace(b"\r\n", b""), name)
            self.assertTrue(text.endswith(b"\r\n"), name)
        readme = texts["readme.txt"].decode("ascii")
        self.assertIn(version, readme)
        self.assertIn("never writes to a disc", readme)

        inf = read_inf(texts["pluginst.inf"])
        self.assertEqual(list(inf), ["plugininstall"])
        keys = inf["plugininstall"]
        self.assertEqual(set(keys), {"description", "type", "file",
                                     "defaultdir", "version"})
        self.assertEqual((keys["type"], keys["file"], keys["version"]),
                         ("wfx", "xdvdfs.wfx", version))
        self.assertTrue(keys["description"] and keys["defaultdir"])
        # The 64-bit DLL is found beside the named one by its suffix.
        for named in (keys["file"], keys["file"] + "64"):
            self.assertIn(named, names)


    def test_archive_zip_installs_for_iso(self):
        path, version, _ = package()
        with zipfile.ZipFile(path.replace("-wfx-", "-wcx-")) as z:
            self.assertEqual(set(z.namelist()), WCX_CONTENTS)
            for bits, name in ((32, "xdvdfs.wcx"), (64, "xdvdfs.wcx64")):
                self.assertEqual(z.read(name), harness.read(
                    harness.settings.builds[bits].archive), name)
            inf = read_inf(z.read("pluginst.inf"))["plugininstall"]
            readme = z.read("readme.txt").decode("ascii")
        self.assertEqual(
            (inf["type"], inf["file"], inf["defaultextension"],
             inf["version"]), ("wcx", "xdvdfs.wcx", "iso", version))
        self.assertIn("Ctrl+PgDn", readme)

    def test_content_zip_installs_the_content_plugin(self):
        path, version, _ = package()
        with zipfile.ZipFile(path.replace("-wfx-", "-wdx-")) as z:
            self.assertEqual(set(z.namelist()), WDX_CONTENTS)
            for bits, name in ((32, "xdvdfs.wdx"), (64, "xdvdfs.wdx64")):
                self.assertEqual(z.read(name), harness.read(
                    harness.settings.builds[bits].content), name)
            inf = read_inf(z.read("pluginst.inf"))["plugininstall"]
            readme = z.read("readme.txt").decode("ascii")
        self.assertEqual((inf["type"], inf["file"], inf["version"]),
                         ("wdx", "xdvdfs.wdx", version))
        self.assertIn("Title ID", readme)


class UnpackedCases:
    def test_unpacked_dll_loads_and_reads_its_version_back(self):
        _, version, unpacked = package()
        name = os.path.basename(self.build.plugin)
        session = self.host("root", "version",
                            plugin=os.path.join(unpacked, name))
        self.assertEqual(session.returncode, 0, session.output)
        root, shown = session.steps
        self.assertEqual(root.lines, ["ROOT Xbox DVD Filesystem"])
        (match,) = shown.matches(VERSION)
        self.assertEqual(match.groups(), ("Xbox DVD Filesystem", version,
                                          name, version + ".0"))


class Unpacked32(UnpackedCases, harness.HostTest):
    bits = 32


class Unpacked64(UnpackedCases, harness.HostTest):
    bits = 64
