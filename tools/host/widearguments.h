// The wide command line in UTF-8, so that names outside the ANSI code page
// survive.
#pragma once

// Replaces argc and argv with the wide command line in UTF-8.
void TakeWideArguments(int& argc, char**& argv);
