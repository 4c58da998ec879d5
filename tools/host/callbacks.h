// The callbacks the host hands to the plug-in, and the stand-in for the
// system message box.
#pragma once

#include <string>

#include "filesystem/wfxapi.h"

// What the callbacks answer and what they have seen. One per process, since
// the plug-in's callbacks carry no context.
struct CallbackState {
  int stopAtReport = 0;   // answer 1 (stop) at this progress report; 0: never
  int pauseAtReport = 0;  // pause for pauseFile at this report; 0: never
  std::string pauseFile;
  int reportsSeen = 0;   // progress reports since the last ResetProgress
  int messagesSeen = 0;  // requests and message boxes so far
  bool printMessageBoxes = false;  // print them instead of showing them
  // While set, requests and message boxes are answered unseen and
  // uncounted: the host is asking for itself, not for the user.
  bool quiet = false;
};

extern CallbackState callbackState;

void ResetProgress(int stopAtReport, int pauseAtReport,
                   const std::string& pauseFile);

// What the 8-bit and the wide callbacks share. A progress report's answer;
// true when a message is to be printed or shown (counting it), false while
// quiet.
int CountProgressReport();
bool CountMessage();

int WINAPI OnProgress(int pluginNr, char* sourceName, char* targetName,
                      int percentDone);
void WINAPI OnLog(int pluginNr, int messageType, char* text);
int WINAPI OnRequest(int pluginNr, int requestType, char* title, char* text,
                     char* replyText, int replySize);

// Replaces the plug-in's MessageBoxA: counts the message, then prints it and
// answers IDOK, or shows it with the system's.
int WINAPI OnMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT style);
