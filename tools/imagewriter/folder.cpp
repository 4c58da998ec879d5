// Reads a real folder into a tree model.
#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "tools/imagewriter/imagewriter.h"

namespace imagewriter {

namespace fs = std::filesystem;

namespace {

bool Fail(std::string* error, const std::string& message) {
  *error = message;
  return false;
}

bool Fail(std::string* error, const fs::path& path, std::error_code ec) {
  return Fail(error, path.string() + ": " + ec.message());
}

bool ReadFolder(const fs::path& folder, TreeNode* node, std::string* error) {
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const fs::path& path = it->path();
    const std::string name = path.filename().string();
    const fs::file_status status = it->status(ec);
    if (ec) return Fail(error, path, ec);
    if (fs::is_directory(status)) {
      TreeNode child = MakeDirectory(name);
      if (!ReadFolder(path, &child, error)) return false;
      node->children.push_back(std::move(child));
    } else if (fs::is_regular_file(status)) {
      const uintmax_t size = it->file_size(ec);
      if (ec) return Fail(error, path, ec);
      node->children.push_back(MakeSourceFile(name, path.string(), size));
    } else {
      return Fail(error, "neither a file nor a folder: " + path.string());
    }
  }
  if (ec) return Fail(error, folder, ec);
  std::sort(node->children.begin(), node->children.end(),
            [](const TreeNode& a, const TreeNode& b) {
              return NameLess(a.name, b.name);
            });
  return true;
}

}  // namespace

bool ReadFolderTree(const std::string& path, TreeNode* root,
                    std::string* error) {
  std::error_code ec;
  if (!fs::is_directory(path, ec)) {
    return Fail(error, "not a folder: " + path);
  }
  *root = MakeDirectory("");
  return ReadFolder(path, root, error);
}

}  // namespace imagewriter
