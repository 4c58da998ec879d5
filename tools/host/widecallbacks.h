// The host's wide callbacks and wide message box, and the UTF-8 in which the
// host prints and takes UTF-16 text.
#pragma once

#include <string>

#include "filesystem/wfxapi.h"

std::string Utf8(const wchar_t* text);
std::wstring FromUtf8(const std::string& text);

int WINAPI OnProgressW(int pluginNr, WCHAR* sourceName, WCHAR* targetName,
                       int percentDone);
void WINAPI OnLogW(int pluginNr, int messageType, WCHAR* text);
int WINAPI OnRequestW(int pluginNr, int requestType, WCHAR* title, WCHAR* text,
                      WCHAR* replyText, int replySize);
// Replaces the plug-in's MessageBoxW, as OnMessageBox does MessageBoxA.
int WINAPI OnMessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style);
