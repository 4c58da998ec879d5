"""The Linux release archive: what it holds and that the plug-in in it is
the one built."""

import os
import re
import subprocess
import tarfile
import unittest

import common

ARCHIVE_NAME = re.compile(r"^xdvdfs-(\d+\.\d+\.\d+)-linux-x86_64\.tar\.gz$")


class LinuxPackage(unittest.TestCase):
    def test_archive_holds_the_plugin_and_a_readme(self):
        out = os.path.join(common.settings.work, "package")
        build = os.path.dirname(common.settings.plugin)
        done = subprocess.run(
            [os.path.join(common.REPO, "tools", "package"), "-o", out,
             "--linux", build], check=True, capture_output=True, text=True)
        path = done.stdout.strip()
        match = ARCHIVE_NAME.match(os.path.basename(path))
        self.assertTrue(match and os.path.dirname(path) == out, path)
        with tarfile.open(path) as archive:
            self.assertEqual(sorted(archive.getnames()),
                             ["xdvdfs/readme.txt", "xdvdfs/xdvdfs.wcx",
                              "xdvdfs/xdvdfs.wdx", "xdvdfs/xdvdfs.wfx"])
            plugin = archive.getmember("xdvdfs/xdvdfs.wfx")
            self.assertEqual(plugin.mode & 0o111, 0o111)
            with open(common.settings.plugin, "rb") as f:
                self.assertEqual(archive.extractfile(plugin).read(), f.read())
            readme = archive.extractfile("xdvdfs/readme.txt").read()
        text = readme.decode("ascii")
        for needed in (match[1], "never write", "Plugins WFX", ".xiso",
                       "udisksctl loop-setup", "losetup --read-only",
                       "needs root", "2001-01-01", "Plugins WCX",
                       "Ctrl+PgDn", "no root", "Plugins WDX", "Title ID"):
            self.assertIn(needed, text)
