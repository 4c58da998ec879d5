#include "archive/delete.h"

#include <algorithm>
#include <string>

#include "archive/rewrite.h"

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool SameName(const std::string& a, const std::string& b) {
  return !writer::NameLess(a, b) && !writer::NameLess(b, a);
}

// Removes the entry at the components of path, or, when the last one is
// "*.*", the folder they lead to with everything in it.
void Remove(writer::Node* folder, std::vector<std::string> parts) {
  if (parts.size() >= 2 && parts.back() == "*.*") parts.pop_back();
  for (std::size_t i = 0; folder && i < parts.size(); ++i) {
    auto& children = folder->children;
    const auto found = std::find_if(
        children.begin(), children.end(),
        [&](const writer::Node& c) { return SameName(c.name, parts[i]); });
    if (found == children.end()) return;
    if (i + 1 == parts.size()) {
      children.erase(found);
      return;
    }
    folder = found->isDirectory ? &*found : nullptr;
  }
}

std::vector<std::string> Components(const std::string& bytes) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : bytes) {
    if (!IsSeparator(c)) {
      part += c;
    } else if (!part.empty()) {
      parts.push_back(part);
      part.clear();
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

}  // namespace

int DeleteImageEntries(const HostText& image,
                       const std::vector<HostText>& names) {
  ImageEdit edit;
  const int read = ReadImageTree(image, &edit);
  if (read != 0) return read;
  for (const HostText& name : names) {
    // A name no disc byte decodes to names nothing on the disc.
    if (name.unmatchable == std::string::npos) {
      Remove(&edit.root, Components(name.bytes));
    }
  }
  HostText error;
  const int result =
      WriteHostImage(edit.root, image, &edit, ProgressForm::kPercent, &error);
  return result == 0 ? 0 : Refuse(result, error);
}
