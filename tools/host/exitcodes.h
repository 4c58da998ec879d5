// The hosts' exit codes. A session exits with the outcome of its first
// failed command.
#pragma once

constexpr int kExitOk = 0;
// wfxhost: 1 to 5 are FsGetFile's result (kFileExists .. kFileUserAbort) of
// a failed copy. A listing, version read, load cycle or local folder failed,
// a copy returned an unknown result, or the plug-in reported an error to the
// user; for wcxhost, an archive call failed.
constexpr int kExitFailed = 6;
constexpr int kExitUsage = 64;     // bad command line
constexpr int kExitNoPlugin = 65;  // the plug-in DLL cannot be loaded
