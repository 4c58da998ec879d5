"""Loads the Linux plug-in with ctypes and drives it as a file manager does:
FsInit with callbacks, listings through FsFindFirst/FsFindNext/FsFindClose,
copies through FsGetFile."""

import ctypes
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
        self.requests = []
        self.progress = []
        # Kept referenced: the plug-in holds on to them.
        self._callbacks = (PROGRESS(self._on_progress), LOG(lambda *a: None),
                           REQUEST(self._on_request))
        self.lib.FsInit(7, *self._callbacks)

    def _on_progress(self, number, source, target, percent):
        self.progress.append(percent)
        return 0

    def _on_request(self, number, kind, title, text, reply, size):
        self.requests.append((kind, title.decode(), text.decode()))
        return 0

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
