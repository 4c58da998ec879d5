"""Loads the Linux plug-in with ctypes and drives it as a file manager does:
FsInit with callbacks, listings through FsFindFirst/FsFindNext/FsFindClose,
copies through FsGetFile, and the same through the wide (UTF-16) entry
points, which Double Commander prefers."""

import ctypes
import os
import tempfile
from dataclasses import dataclass

INVALID_HANDLE = ctypes.c_void_p(-1).value
DIRECTORY = 0x10


class FileTime(ctypes.Structure):
    _fields_ = [("low", ctypes.c_uint32), ("high", ctypes.c_uint32)]

    @property
    def value(self):
        return self.high << 32 | self.low


class FindData(ctypes.Structure):
    _fields_ = [("attributes", ctypes.c_uint32),
                ("creation", FileTime), ("access", FileTime),
                ("write", FileTime),
                ("size_high", ctypes.c_uint32), ("size_low", ctypes.c_uint32),
                ("reserved0", ctypes.c_uint32), ("reserved1", ctypes.c_uint32),
                ("name", ctypes.c_char * 260), ("alternate", ctypes.c_char * 14)]


class WideFindData(ctypes.Structure):
    _fields_ = FindData._fields_[:8] + [
        ("name", ctypes.c_uint16 * 260), ("alternate", ctypes.c_uint16 * 14)]


def wide(text):
    """A zero-terminated UTF-16 string (WCHAR is 16 bits, not wchar_t)."""
    units = memoryview(text.encode("utf-16-le")).cast("H").tolist()
    return (ctypes.c_uint16 * (len(units) + 1))(*units)


def from_wide(pointer):
    units = []
    while pointer[len(units)]:
        units.append(pointer[len(units)])
    return b"".join(u.to_bytes(2, "little") for u in units).decode(
        "utf-16-le", "surrogatepass")


WIDE = ctypes.POINTER(ctypes.c_uint16)
PROGRESS_W = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_int, WIDE, WIDE,
                              ctypes.c_int)
LOG_W = ctypes.CFUNCTYPE(None, ctypes.c_int, ctypes.c_int, WIDE)
REQUEST_W = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_int, ctypes.c_int, WIDE,
                             WIDE, WIDE, ctypes.c_int)

PROGRESS = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_int, ctypes.c_char_p,
                            ctypes.c_char_p, ctypes.c_int)
LOG = ctypes.CFUNCTYPE(None, ctypes.c_int, ctypes.c_int, ctypes.c_char_p)
REQUEST = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_int, ctypes.c_int,
                           ctypes.c_char_p, ctypes.c_char_p, ctypes.c_void_p,
                           ctypes.c_int)


@dataclass
class Entry:
    name: str
    is_dir: bool
    size: int
    times: tuple  # creation, access, write as FILETIME numbers


class Plugin:
    """One loaded plug-in; requests and progress reports are collected."""

    def __init__(self, path):
        self.lib = ctypes.CDLL(path)
        self.lib.FsFindFirst.restype = ctypes.c_void_p
        self.lib.FsFindFirst.argtypes = [ctypes.c_char_p,
                                         ctypes.POINTER(FindData)]
        self.lib.FsFindNext.argtypes = [ctypes.c_void_p,
                                        ctypes.POINTER(FindData)]
        self.lib.FsFindClose.argtypes = [ctypes.c_void_p]
        self.lib.FsGetFile.argtypes = [ctypes.c_char_p, ctypes.c_char_p,
                                       ctypes.c_int, ctypes.c_void_p]
        self.lib.FsFindFirstW.restype = ctypes.c_void_p
        self.lib.FsFindFirstW.argtypes = [WIDE, ctypes.POINTER(WideFindData)]
        self.lib.FsFindNextW.argtypes = [ctypes.c_void_p,
                                         ctypes.POINTER(WideFindData)]
        self.lib.FsGetFileW.argtypes = [WIDE, WIDE, ctypes.c_int,
                                        ctypes.c_void_p]
        self.requests = []
        self.wide_requests = []
        self.progress = []
        # Called with each progress report's percent, when set.
        self.on_progress = None
        # Both sets, as Double Commander gives them; kept referenced, for the
        # plug-in holds on to them.
        self._callbacks = (PROGRESS(self._on_progress), LOG(lambda *a: None),
                           REQUEST(self._on_request))
        self._wide_callbacks = (
            PROGRESS_W(lambda n, s, t, percent: self._on_progress(n, s, t,
                                                                  percent)),
            LOG_W(lambda *a: None), REQUEST_W(self._on_wide_request))
        self.lib.FsInit(7, *self._callbacks)
        self.lib.FsInitW(7, *self._wide_callbacks)

    def _on_progress(self, number, source, target, percent):
        self.progress.append(percent)
        if self.on_progress:
            self.on_progress(percent)
        return 0

    def _on_request(self, number, kind, title, text, reply, size):
        self.requests.append((kind, title.decode(), text.decode()))
        return 0

    def _on_wide_request(self, number, kind, title, text, reply, size):
        self.wide_requests.append((kind, from_wide(title), from_wide(text)))
        return 0

    def list_wide(self, path):
        """The names of a folder listed through FsFindFirstW/FsFindNextW."""
        data = WideFindData()
        handle = self.lib.FsFindFirstW(wide(path), ctypes.byref(data))
        if handle is None or handle == INVALID_HANDLE:
            return []
        names = []
        while True:
            names.append(from_wide(data.name))
            if not self.lib.FsFindNextW(handle, ctypes.byref(data)):
                break
        self.lib.FsFindClose(handle)
        return names

    def get_file_wide(self, remote, local, flags=0):
        return self.lib.FsGetFileW(wide(remote), wide(local), flags, None)

    def list(self, path):
        """The records of a folder, or [] when FsFindFirst gives none."""
        data = FindData()
        handle = self.lib.FsFindFirst(path.encode(), ctypes.byref(data))
        if handle is None or handle == INVALID_HANDLE:
            return []
        entries = []
        while True:
            entries.append(Entry(data.name.decode(),
                                 bool(data.attributes & DIRECTORY),
                                 data.size_low,
                                 (data.creation.value, data.access.value,
                                  data.write.value)))
            if not self.lib.FsFindNext(handle, ctypes.byref(data)):
                break
        self.lib.FsFindClose(handle)
        return entries

    def get_file(self, remote, local, flags=0):
        return self.lib.FsGetFile(remote.encode(), local.encode(), flags, None)


# The archive plug-in (.wcx): records packed as Double Commander declares
# them.
class HeaderDataExW(ctypes.Structure):
    _pack_ = 1
    _fields_ = [("arc_name", ctypes.c_uint16 * 1024),
                ("file_name", ctypes.c_uint16 * 1024),
                ("flags", ctypes.c_int), ("pack_size", ctypes.c_uint32),
                ("pack_size_high", ctypes.c_uint32),
                ("unp_size", ctypes.c_uint32),
                ("unp_size_high", ctypes.c_uint32),
                ("host_os", ctypes.c_int), ("file_crc", ctypes.c_int),
                ("file_time", ctypes.c_int), ("unp_ver", ctypes.c_int),
                ("method", ctypes.c_int), ("file_attr", ctypes.c_int),
                ("cmt_buf", ctypes.c_void_p), ("cmt_buf_size", ctypes.c_int),
                ("cmt_size", ctypes.c_int), ("cmt_state", ctypes.c_int),
                ("reserved", ctypes.c_char * 1024)]


class OpenArchiveDataW(ctypes.Structure):
    _fields_ = [("arc_name", WIDE), ("open_mode", ctypes.c_int),
                ("open_result", ctypes.c_int), ("cmt_buf", ctypes.c_void_p),
                ("cmt_buf_size", ctypes.c_int), ("cmt_size", ctypes.c_int),
                ("cmt_state", ctypes.c_int)]


PROCESS_DATA_W = ctypes.CFUNCTYPE(ctypes.c_int, WIDE, ctypes.c_int)
PK_SKIP, PK_TEST, PK_EXTRACT = 0, 1, 2
PK_OM_LIST, PK_OM_EXTRACT = 0, 1
E_END_ARCHIVE, E_EABORTED = 10, 21
PK_PACK_MOVE_FILES, PK_PACK_SAVE_PATHS = 1, 2
# The handle the host sets the callbacks of packs with.
ALL_PACKS = ctypes.c_void_p((1 << 64) - 1)
S_IFDIR = 0o040000


@dataclass
class Header:
    path: str
    mode: int
    size: int
    time: int

    @property
    def is_dir(self):
        return self.mode & S_IFDIR != 0


class Archive:
    """The archive plug-in, driven as Double Commander drives it: the wide
    calls, a listing, and a copy that makes the folders itself and has the
    plug-in write each file."""

    def __init__(self, path):
        lib = self.lib = ctypes.CDLL(path)
        lib.OpenArchiveW.restype = ctypes.c_void_p
        lib.OpenArchiveW.argtypes = [ctypes.POINTER(OpenArchiveDataW)]
        lib.ReadHeaderExW.argtypes = [ctypes.c_void_p,
                                      ctypes.POINTER(HeaderDataExW)]
        lib.ProcessFileW.argtypes = [ctypes.c_void_p, ctypes.c_int, WIDE, WIDE]
        lib.CloseArchive.argtypes = [ctypes.c_void_p]
        lib.SetProcessDataProcW.argtypes = [ctypes.c_void_p, PROCESS_DATA_W]
        lib.CanYouHandleThisFileW.argtypes = [WIDE]
        lib.PackFilesW.argtypes = [WIDE, WIDE, WIDE, WIDE, ctypes.c_int]
        lib.DeleteFilesW.argtypes = [WIDE, WIDE]
        self.progress = []  # byte counts of the last file
        self.cancel_at = None  # answer 0 at this report
        self.messages = ""  # of the last pack or delete

    def _on_progress(self, name, size):
        self.progress.append(size)
        return 0 if len(self.progress) - 1 == self.cancel_at else 1

    def _packing(self, call, *args):
        """The call's result; what the plug-in shows in place of message
        boxes, on standard error, in self.messages."""
        self.progress = []
        callback = PROCESS_DATA_W(self._on_progress)
        self.lib.SetProcessDataProcW(ALL_PACKS, callback)
        with tempfile.TemporaryFile() as caught:
            saved = os.dup(2)
            os.dup2(caught.fileno(), 2)
            try:
                return call(*args)
            finally:
                os.dup2(saved, 2)
                os.close(saved)
                caught.seek(0)
                self.messages = caught.read().decode(errors="replace")

    def pack(self, image, source, names, flags=PK_PACK_SAVE_PATHS,
             sub_path=None):
        """PackFilesW as Double Commander calls it: SrcPath ending in "/",
        a list of relative names; progress byte counts in self.progress."""
        return self._packing(
            self.lib.PackFilesW, wide(image),
            wide(sub_path) if sub_path else None,
            wide(source.rstrip("/") + "/"),
            wide("".join(name + "\0" for name in names) + "\0"), flags)

    def delete(self, image, names):
        return self._packing(
            self.lib.DeleteFilesW, wide(image),
            wide("".join(name + "\0" for name in names) + "\0"))

    def can_handle(self, image):
        return bool(self.lib.CanYouHandleThisFileW(wide(image)))

    def open(self, image, mode=PK_OM_LIST):
        """(handle or None, OpenResult)."""
        data = OpenArchiveDataW(arc_name=ctypes.cast(wide(image), WIDE),
                                open_mode=mode)
        handle = self.lib.OpenArchiveW(ctypes.byref(data))
        return handle, data.open_result

    def headers(self, image):
        """Every header, and the result that ended the list."""
        handle, result = self.open(image)
        if not handle:
            return [], result
        found = []
        for header in self._each(handle):
            found.append(header)
            self.lib.ProcessFileW(handle, PK_SKIP, None, None)
        self.lib.CloseArchive(handle)
        return found, self.end

    def _each(self, handle):
        record = HeaderDataExW()
        while (result := self.lib.ReadHeaderExW(handle,
                                                ctypes.byref(record))) == 0:
            size = record.unp_size | record.unp_size_high << 32
            yield Header(from_wide(record.file_name), record.file_attr, size,
                         record.file_time)
        self.end = result

    def extract_all(self, image, target, operation=PK_EXTRACT):
        """Copies every file below target; the ProcessFile result of each
        file by path."""
        results = {}
        for _ in self.extract_steps(image, target, operation, results):
            pass
        return results

    def extract_steps(self, image, target, operation=PK_EXTRACT,
                      results=None):
        """extract_all one header at a time, so that several archives can
        be walked in turns."""
        results = {} if results is None else results
        handle, result = self.open(image, PK_OM_EXTRACT)
        assert handle, result
        callback = PROCESS_DATA_W(self._on_progress)
        self.lib.SetProcessDataProcW(handle, callback)
        for header in self._each(handle):
            destination = os.path.join(target, header.path)
            if header.is_dir:
                os.makedirs(destination, exist_ok=True)
                self.lib.ProcessFileW(handle, PK_SKIP, None, wide(""))
                yield header
                continue
            self.progress = []
            results[header.path] = self.lib.ProcessFileW(
                handle, operation, None, wide(destination))
            if results[header.path] == E_EABORTED:
                break
            yield header
        self.lib.CloseArchive(handle)
