// The content plug-in's entry points, looked up by name.
#pragma once

#include "plugin/wdxapi.h"

// Hosts ask for fields only of files this matches (see README: what it
// costs images named otherwise).
constexpr char kDetectString[] =
    "(EXT=\"ISO\" | EXT=\"XISO\" | EXT=\"IMG\" | EXT=\"BIN\") & SIZE>67583";

extern "C" {
int WINAPI ContentGetSupportedField(int fieldIndex, char* fieldName,
                                    char* units, int maxlen);
int WINAPI ContentGetValue(char* fileName, int fieldIndex, int unitIndex,
                           void* fieldValue, int maxlen, int flags);
int WINAPI ContentGetValueW(WCHAR* fileName, int fieldIndex, int unitIndex,
                            void* fieldValue, int maxlen, int flags);
void WINAPI ContentGetDetectString(char* detectString, int maxlen);
void WINAPI ContentSetDefaultParams(ContentDefaultParamStruct* params);
void WINAPI ContentPluginUnloading();
}
