#include "tools/host/contentplugin.h"

#include "tools/host/resolve.h"

bool LoadContentPlugin(const std::string& fileName, ContentPlugin& plugin,
                       std::string& error) {
  HMODULE m = LoadModule(fileName, error);
  return m &&
         ResolveEntryPoint(m, "ContentGetSupportedField", plugin.field,
                           error) &&
         ResolveEntryPoint(m, "ContentGetValue", plugin.value, error) &&
         ResolveEntryPoint(m, "ContentGetValueW", plugin.valueW, error) &&
         ResolveEntryPoint(m, "ContentGetDetectString", plugin.detect, error) &&
         ResolveEntryPoint(m, "ContentSetDefaultParams", plugin.setDefaults,
                           error) &&
         ResolveEntryPoint(m, "ContentPluginUnloading", plugin.unloading,
                           error);
}
