#include "tools/host/archiveplugin.h"

#include "tools/host/resolve.h"

bool LoadArchivePlugin(const std::string& fileName, ArchivePlugin& plugin,
                       std::string& error) {
  HMODULE m = plugin.module = LoadModule(fileName, error);
  return m && ResolveEntryPoint(m, "OpenArchiveW", plugin.open, error) &&
         ResolveEntryPoint(m, "ReadHeaderExW", plugin.readHeader, error) &&
         ResolveEntryPoint(m, "ProcessFileW", plugin.process, error) &&
         ResolveEntryPoint(m, "CloseArchive", plugin.close, error) &&
         ResolveEntryPoint(m, "SetProcessDataProcW", plugin.setProgress,
                           error) &&
         ResolveEntryPoint(m, "CanYouHandleThisFileW", plugin.canHandle,
                           error) &&
         ResolveEntryPoint(m, "GetPackerCaps", plugin.caps, error) &&
         ResolveEntryPoint(m, "GetBackgroundFlags", plugin.background, error) &&
         ResolveEntryPoint(m, "PackFilesW", plugin.pack, error) &&
         ResolveEntryPoint(m, "DeleteFilesW", plugin.remove, error);
}
