// What the host prints. Every line starts with an upper-case tag (CMD, ROOT,
// D, F, COUNT, EMPTY, PROGRESS, RESULT, REQUEST, LOG, MESSAGEBOX, VERSION,
// FAIL, NOTE, PAUSE, TIME, FILECOPY) so that scripts can pick out what they
// need. On a terminal, progress is one bar redrawn in place instead of
// PROGRESS lines.
#pragma once

#include <string>

// Prints one line (printf-style, without the newline) and flushes it.
void Say(const char* format, ...) __attribute__((format(printf, 1, 2)));

// True when progress is drawn as a bar, that is, stdout is a console.
bool ProgressIsBar();

// Starts the clock of a copy whose size is totalBytes (-1: unknown), for the
// bar's byte counts and speed.
void StartProgress(long long totalBytes);

// Shows a progress report: a bar on a terminal, else a line with the tag
// (PROGRESS, or PROGRESSW for the wide callback).
void ShowProgress(const char* source, const char* target, int percent,
                  const char* tag = "PROGRESS");

// A string as it appears in messages: quoted, or null for a null pointer.
std::string Quoted(const char* text);
