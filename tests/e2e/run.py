#!/usr/bin/env python3
"""End-to-end tests: the plug-in DLLs, driven by our host under Wine, read
disc images mapped as CD/DVD drives.

Usage: tests/e2e/run.py NATIVE_BUILD WIN32_BUILD WIN64_BUILD WORK_FOLDER
                        [PATTERN]
The work folder receives the Wine prefix, the test discs and the copies;
PATTERN picks test files (test_*.py by default)."""

import os
import sys
import unittest

import discs
import harness


def check_inputs(settings):
    needed = [settings.mkxdvdfs] + [
        path for b in settings.builds.values()
        for path in (b.plugin, b.host, b.archive, b.archive_host)]
    missing = [path for path in needed if not os.path.isfile(path)]
    for path in missing:
        print("missing: " + path, file=sys.stderr)
    return not missing


def main(argv):
    if len(argv) not in (5, 6):
        print(__doc__, file=sys.stderr)
        return 2
    native, win32, win64, work = (os.path.abspath(a) for a in argv[1:5])
    harness.settings = harness.Settings(
        native, {32: harness.Build(32, win32), 64: harness.Build(64, win64)},
        work)
    if not check_inputs(harness.settings):
        return 2
    harness.settings.runnable_bits = harness.wine_bits()
    for bits in sorted({32, 64} - harness.settings.runnable_bits):
        print(f"SKIPPING the {bits}-bit DLLs: this machine runs no {bits}-bit "
              "programs", file=sys.stderr)
    os.makedirs(work, exist_ok=True)

    try:
        discs.prepare(work)
        harness.wine_tool("server", "start")
        here = os.path.dirname(os.path.abspath(__file__))
        suite = unittest.defaultTestLoader.discover(
            here, pattern=argv[5] if len(argv) == 6 else "test_*.py",
            top_level_dir=here)
        result = unittest.TextTestRunner(stream=sys.stderr,
                                         verbosity=2).run(suite)
    finally:
        harness.wine_tool("server", "stop")
        discs.release()

    print("STRICT " + " ".join(
        f"{key}={value}" for key, value in harness.strict_totals.items()))
    failed = len(result.failures) + len(result.errors)
    passed = result.testsRun - failed - len(result.skipped)
    print(f"{passed} passed, {failed} failed, {len(result.skipped)} skipped")
    return 0 if failed == 0 and result.testsRun > 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
