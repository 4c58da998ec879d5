#include "tools/host/callbacks.h"

#include "tools/host/output.h"
#include "tools/host/pause.h"

CallbackState callbackState;

void ResetProgress(int stopAtReport, int pauseAtReport,
                   const std::string& pauseFile) {
  callbackState.stopAtReport = stopAtReport;
  callbackState.pauseAtReport = pauseAtReport;
  callbackState.pauseFile = pauseFile;
  callbackState.reportsSeen = 0;
}

int CountProgressReport() {
  ++callbackState.reportsSeen;
  // A pause that fails stops the copy: what it waited for never happened.
  if (callbackState.reportsSeen == callbackState.pauseAtReport &&
      !PauseUntilRemoved(callbackState.pauseFile)) {
    return 1;
  }
  return callbackState.reportsSeen == callbackState.stopAtReport ? 1 : 0;
}

bool CountMessage() {
  if (callbackState.quiet) return false;
  ++callbackState.messagesSeen;
  return true;
}

int WINAPI OnProgress(int, char* sourceName, char* targetName,
                      int percentDone) {
  ShowProgress(sourceName, targetName, percentDone);
  return CountProgressReport();
}

void WINAPI OnLog(int, int messageType, char* text) {
  if (callbackState.quiet) return;
  Say("LOG type=%d text=%s", messageType, Quoted(text).c_str());
}

int WINAPI OnRequest(int, int requestType, char* title, char* text, char*,
                     int) {
  if (!CountMessage()) return 1;
  Say("REQUEST type=%d title=%s text=%s", requestType, Quoted(title).c_str(),
      Quoted(text).c_str());
  return 1;  // as if the user pressed OK
}

int WINAPI OnMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
  if (!CountMessage()) return IDOK;
  if (!callbackState.printMessageBoxes)
    return MessageBoxA(owner, text, caption, style);
  Say("MESSAGEBOX caption=%s text=%s", Quoted(caption).c_str(),
      Quoted(text).c_str());
  return IDOK;
}
