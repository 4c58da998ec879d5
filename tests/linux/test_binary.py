"""The Linux plug-ins as files, every kind: the DLLs' exports under plain names, and
nothing needed beyond the C and C++ runtimes of Debian 12."""

import re
import subprocess
import unittest

import common

EXPORTS = {"FsInit", "FsGetDefRootName", "FsFindFirst", "FsFindNext",
           "FsFindClose", "FsGetFile", "FsInitW", "FsFindFirstW",
           "FsFindNextW", "FsGetFileW", "fnTarvel", "nTarvel",
           "FsContentGetSupportedField", "FsContentGetValue",
           "FsContentGetValueW", "FsContentGetDetectString",
           "FsContentPluginUnloading",
           # CTarvel's constructor (complete and base object) and assignment.
           "_ZN7CTarvelC1Ev", "_ZN7CTarvelC2Ev", "_ZN7CTarvelaSERKS_"}
ARCHIVE_EXPORTS = {
    "OpenArchive", "OpenArchiveW", "ReadHeader", "ReadHeaderEx",
    "ReadHeaderExW", "ProcessFile", "ProcessFileW", "CloseArchive",
    "SetChangeVolProc", "SetChangeVolProcW", "SetProcessDataProc",
    "SetProcessDataProcW", "GetPackerCaps", "CanYouHandleThisFile",
    "CanYouHandleThisFileW", "PackSetDefaultParams", "GetBackgroundFlags",
    "PackFiles", "PackFilesW", "DeleteFiles", "DeleteFilesW"}
CONTENT_EXPORTS = {
    "ContentGetSupportedField", "ContentGetValue", "ContentGetValueW",
    "ContentGetDetectString", "ContentSetDefaultParams",
    "ContentPluginUnloading"}
RUNTIMES = {"libc.so.6", "libm.so.6", "libstdc++.so.6", "libgcc_s.so.1",
            "ld-linux-x86-64.so.2", "linux-vdso.so.1"}
# The newest symbol versions of Debian 12's glibc 2.36 and GCC 12.
NEWEST = {"GLIBC": (2, 36), "GLIBCXX": (3, 4, 30), "CXXABI": (1, 3, 13),
          "GCC": (12, 0, 0)}
VERSIONED = re.compile(r"\b(GLIBC|GLIBCXX|CXXABI|GCC)_([0-9.]+)\b")


def dynamic_symbols(plugin):
    return subprocess.run(["objdump", "-T", plugin],
                          check=True, capture_output=True, text=True).stdout


def plugins():
    return ((common.settings.plugin, EXPORTS),
            (common.settings.archive, ARCHIVE_EXPORTS),
            (common.settings.content, CONTENT_EXPORTS))


class LinuxBinary(unittest.TestCase):
    def test_exports_are_the_dlls(self):
        for plugin, wanted in plugins():
            exported = set()
            for line in dynamic_symbols(plugin).splitlines():
                fields = line.split()
                if len(fields) == 7 and fields[3] != "*UND*":
                    exported.add(fields[6])
            self.assertEqual(exported, wanted)

    def test_needs_only_debian_12_runtimes(self):
        for plugin, _ in plugins():
            ldd = subprocess.run(["ldd", plugin], check=True,
                                 capture_output=True, text=True).stdout
            needed = {line.split()[0].rsplit("/", 1)[-1]
                      for line in ldd.splitlines() if line.strip()}
            self.assertLessEqual(needed, RUNTIMES)
            versions = VERSIONED.findall(dynamic_symbols(plugin))
            self.assertTrue(versions)
            for name, version in versions:
                numbers = tuple(int(n) for n in version.split("."))
                self.assertLessEqual(numbers, NEWEST[name],
                                     name + "_" + version)
