// Redirecting one imported function of a loaded module to our own.
#pragma once

#include "platform/win32.h"

// Overwrites the import address table slot of function (imported by name
// from dll, compared without regard to case) in module with replacement.
// Returns false when the module does not import it. previous, when given,
// receives what the slot held, for a replacement that calls on to it.
bool PatchImport(HMODULE module, const char* dll, const char* function,
                 const void* replacement, const void** previous = nullptr);
