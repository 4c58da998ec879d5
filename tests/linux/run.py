#!/usr/bin/env python3
"""Tests of the Linux plug-in: its binary, its platform layer on loop
devices, and Double Commander using it.

Usage: tests/linux/run.py NATIVE_BUILD LINUX_BUILD WORK_FOLDER [PATTERN]
The native build gives the image writer; PATTERN picks test files
(test_*.py by default)."""

import os
import shutil
import sys
import unittest

import common


def main(argv):
    if len(argv) not in (4, 5):
        print(__doc__, file=sys.stderr)
        return 2
    native, linux, work = (os.path.abspath(a) for a in argv[1:4])
    common.settings = common.Settings(native, linux, work)
    for path in (common.settings.mkxdvdfs, common.settings.plugin):
        if not os.path.isfile(path):
            print("missing: " + path, file=sys.stderr)
            return 2
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)

    here = os.path.dirname(os.path.abspath(__file__))
    suite = unittest.defaultTestLoader.discover(
        here, pattern=argv[4] if len(argv) == 5 else "test_*.py",
        top_level_dir=here)
    result = unittest.TextTestRunner(stream=sys.stderr, verbosity=2).run(suite)
    failed = len(result.failures) + len(result.errors)
    skipped = len(result.skipped)
    passed = result.testsRun - failed - skipped
    print(f"{passed} passed, {failed} failed, {skipped} skipped")
    return 0 if failed == 0 and result.testsRun > 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
