#include "plugin/longpath.h"

#include <algorithm>

#include "platform/win32.h"

namespace {

bool IsSeparator(WCHAR unit) { return unit == '/' || unit == '\\'; }

}  // namespace

WideString LongPathForm(const WideString& path) {
  if (path.size() < MAX_PATH) return path;
  const bool drive = path[1] == ':' && IsSeparator(path[2]);
  // \\?\ and \\.\ are device forms already.
  const bool unc =
      IsSeparator(path[0]) && IsSeparator(path[1]) &&
      !((path[2] == '?' || path[2] == '.') && IsSeparator(path[3]));
  if (!drive && !unc) return path;
  WideString whole = path;
  std::replace(whole.begin(), whole.end(), WCHAR{'/'}, WCHAR{'\\'});
  const WCHAR prefix[] = {'\\', '\\', '?', '\\', 0};
  const WCHAR uncPrefix[] = {'\\', '\\', '?', '\\', 'U', 'N', 'C', 0};
  return drive ? prefix + whole : uncPrefix + whole.substr(1);
}
