"""The strict wrappers refuse, with Windows' errors, the device calls that
Windows refuses, and pass the good ones."""

import os
import re

import discs
import harness

CHECK = re.compile(r"^CHECK (\S+) ok=(\d) error=(\d+) got=(\d+)$")
SHARING_VIOLATION, INVALID_PARAMETER, SECTOR_NOT_FOUND, INVALID_HANDLE = (
    32, 87, 27, 6)
FILE_NOT_FOUND, PATH_NOT_FOUND = 2, 3


class StrictCases:
    def test_wrappers_refuse_what_windows_refuses(self):
        program = os.path.join(self.build.folder, "tools", "host",
                               "strictcheck.exe")
        code, out, _ = harness.run_program(program, discs.MAIN.letter)
        self.assertEqual(code, 0, out)
        checks = {m[1]: (int(m[2]), int(m[3]), int(m[4]))
                  for m in map(CHECK.match, out.splitlines()) if m}
        # (ok, error, bytes read)
        self.assertEqual(checks, {
            "open-share-read": (0, SHARING_VIOLATION, 0),
            "open-always": (0, INVALID_PARAMETER, 0),
            "open": (1, 0, 0),
            "read-buffer-off-512": (0, INVALID_PARAMETER, 0),
            "read-count-100": (0, INVALID_PARAMETER, 0),
            "read-position-1024": (0, INVALID_PARAMETER, 0),
            "read-past-end": (0, SECTOR_NOT_FOUND, 0),
            "read-last-sector": (1, 0, 2048),
            "read": (1, 0, 4096),
            "close": (1, 0, 0),
            "read-closed": (0, INVALID_HANDLE, 0),
            "close-again": (0, INVALID_HANDLE, 0),
            "attributes-long": (0, PATH_NOT_FOUND, 0),
            "attributes-long-form": (0, FILE_NOT_FOUND, 0),
            "wfopen-long": (0, PATH_NOT_FOUND, 0),
        })
        self.assertIn(
            "STRICT opens=1 reads=7 refused=10 open-at-exit=0 align-buffer=1 "
            "align-count=1 align-position=1 closed-handle=2 long-path=2 "
            "past-end=1 volume-create=1 volume-share=1", out.splitlines())


class Strict32(StrictCases, harness.HostTest):
    bits = 32


class Strict64(StrictCases, harness.HostTest):
    bits = 64
