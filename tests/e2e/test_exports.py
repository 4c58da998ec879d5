"""What the plug-in DLLs export and import, as a host's loader sees it."""

import re
import subprocess

import harness

ENTRY_POINTS = {"FsInit", "FsGetDefRootName", "FsFindFirst", "FsFindNext",
                "FsFindClose", "FsGetFile",
                "FsInitW", "FsFindFirstW", "FsFindNextW", "FsGetFileW"}
# stdcall names: the argument bytes follow the @.
DECORATED = {"_FsInit@16", "_FsGetDefRootName@8", "_FsFindFirst@8",
             "_FsFindNext@8", "_FsFindClose@4", "_FsGetFile@16",
             "_FsInitW@16", "_FsFindFirstW@8", "_FsFindNextW@8",
             "_FsGetFileW@16"}
# fnTarvel, nTarvel and CTarvel's default constructor and copy assignment.
TEMPLATE = {"fnTarvel", "nTarvel", "_ZN7CTarvelC1Ev", "_ZN7CTarvelaSERKS_"}
# The archive plug-in's, under plain names only, in both DLLs.
ARCHIVE_ENTRY_POINTS = {
    "OpenArchive", "OpenArchiveW", "ReadHeader", "ReadHeaderEx",
    "ReadHeaderExW", "ProcessFile", "ProcessFileW", "CloseArchive",
    "SetChangeVolProc", "SetChangeVolProcW", "SetProcessDataProc",
    "SetProcessDataProcW", "GetPackerCaps", "CanYouHandleThisFile",
    "CanYouHandleThisFileW", "PackSetDefaultParams", "GetBackgroundFlags",
    "PackFiles", "PackFilesW", "DeleteFiles", "DeleteFilesW"}
CONTENT_ENTRY_POINTS = {
    "ContentGetSupportedField", "ContentGetValue", "ContentGetValueW",
    "ContentGetDetectString", "ContentSetDefaultParams",
    "ContentPluginUnloading"}
ALLOWED_IMPORTS = {"kernel32.dll", "user32.dll", "msvcrt.dll"}


def headers(build, dll=None):
    return subprocess.run([build.objdump, "-p", dll or build.plugin],
                          check=True, capture_output=True, text=True).stdout


def exported_names(dump):
    table = dump.split("[Ordinal/Name Pointer] Table", 1)[1].split("\n\n")[0]
    return set(re.findall(r"^\s*\[\s*\d+\] (\S+)$", table, re.M))


class ExportCases:
    def test_exports_and_imports(self):
        dump = headers(self.build)
        wanted = ENTRY_POINTS | TEMPLATE | (DECORATED if self.bits == 32
                                            else set())
        self.assertLessEqual(wanted, exported_names(dump))
        imports = {name.lower() for name in re.findall(r"DLL Name: (\S+)",
                                                       dump)}
        self.assertLessEqual(imports, ALLOWED_IMPORTS)

    def test_archive_and_content_exports_and_imports(self):
        for dll, entry_points in ((self.build.archive, ARCHIVE_ENTRY_POINTS),
                                  (self.build.content, CONTENT_ENTRY_POINTS)):
            dump = headers(self.build, dll)
            self.assertEqual(exported_names(dump), entry_points)
            imports = {name.lower()
                       for name in re.findall(r"DLL Name: (\S+)", dump)}
            self.assertLessEqual(imports, ALLOWED_IMPORTS)


class Exports32(ExportCases, harness.HostTest):
    bits = 32


class Exports64(ExportCases, harness.HostTest):
    bits = 64
