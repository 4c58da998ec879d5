#include "archive/packtree.h"

#include "archive/rewrite.h"
#include "path/safename.h"
#include "plugin/localfile.h"

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The components of a relative name; wide sides keep one byte per unit, so
// positions agree.
std::vector<HostText> Components(const HostText& name) {
  std::vector<HostText> parts;
  const std::string& bytes = name.bytes;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= bytes.size(); ++i) {
    if (i < bytes.size() && !IsSeparator(bytes[i])) continue;
    if (i > start) parts.push_back(Slice(name, start, i - start));
    start = i + 1;
  }
  return parts;
}

HostText Join(const HostText& a, const HostText& b) {
  HostText joined = a;
  joined.bytes += b.bytes;
  joined.units += b.units;
  if (joined.unmatchable == std::string::npos &&
      b.unmatchable != std::string::npos) {
    joined.unmatchable = a.bytes.size() + b.unmatchable;
  }
  return joined;
}

int Fail(HostText* error, const std::string& message, const HostText& name) {
  *error = Naming(message + ": ", name);
  return E_ECREATE;
}

// The disc's bytes for one component, or a refusal.
int DiscName(const HostText& part, std::string* bytes, HostText* error) {
  if (part.unmatchable != std::string::npos) {
    return Fail(error, "a name Windows-1252 cannot hold", part);
  }
  if (part.bytes.size() > writer::kMaxNameBytes) {
    return Fail(error, "a name longer than 255 bytes", part);
  }
  if (!IsSafeName(part.bytes)) {
    return Fail(error, "a name that would act as a path", part);
  }
  *bytes = part.bytes;
  return 0;
}

writer::Node* FindChild(writer::Node* folder, const std::string& name) {
  for (writer::Node& child : folder->children) {
    if (!writer::NameLess(child.name, name) &&
        !writer::NameLess(name, child.name)) {
      return &child;
    }
  }
  return nullptr;
}

// Entries of an image being edited, folders too, have an image range.
bool FromList(const writer::Node& node) {
  return node.source.kind != writer::SourceKind::kImageRange;
}

// The folder or file named name in folder: merged with a folder of the
// same name, replacing an image's entry, refused beside a listed one.
int Place(writer::Node* folder, writer::Node node, writer::Node** placed,
          HostText* error, const HostText& shown) {
  writer::Node* existing = FindChild(folder, node.name);
  if (existing && existing->isDirectory && node.isDirectory) {
    *placed = existing;
    return 0;
  }
  if (existing && FromList(*existing)) {
    return Fail(error, "two entries of the same name", shown);
  }
  if (existing) {
    *existing = std::move(node);
  } else {
    folder->children.push_back(std::move(node));
    existing = &folder->children.back();
  }
  *placed = existing;
  return 0;
}

writer::Node Folder(const std::string& name) {
  writer::Node node;
  node.name = name;
  node.isDirectory = true;
  return node;
}

int AddOne(const PackRequest& request, const HostText& listed,
           writer::Node* base, HostText* error) {
  const bool folderEntry =
      !listed.bytes.empty() && IsSeparator(listed.bytes.back());
  if (folderEntry && !(request.flags & PK_PACK_SAVE_PATHS)) return 0;
  std::vector<HostText> parts = Components(listed);
  if (parts.empty()) return Fail(error, "an empty name", listed);
  if (!(request.flags & PK_PACK_SAVE_PATHS))
    parts.erase(parts.begin(), parts.end() - 1);
  std::vector<std::string> names(parts.size());
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (const int refused = DiscName(parts[i], &names[i], error)) {
      return refused;
    }
  }
  const HostText source = Join(request.srcPath, listed);
  bool isFolder = false;
  std::uint64_t size = 0;
  const writer::LocalName local = LocalNameOf(source);
  const bool found = local.units.empty()
                         ? StatLocalFile(local.bytes.c_str(), &isFolder, &size)
                         : StatLocalFile(local.units.c_str(), &isFolder, &size);
  if (!found) {
    *error = Naming("cannot read ", source);
    return E_EOPEN;
  }
  writer::Node* folder = base;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::string& name = names[i];
    writer::Node node = Folder(name);
    const bool leafFile = i + 1 == parts.size() && !folderEntry && !isFolder;
    if (leafFile) {
      node = writer::Node();
      node.name = name;
      node.size = size;
      node.source.kind = writer::SourceKind::kLocalFile;
      node.source.path = local;
      if (size > 0xFFFFFFFFull) {
        return Fail(error, "a file of 4 GiB or more", source);
      }
    }
    if (const int refused =
            Place(folder, std::move(node), &folder, error, source)) {
      return refused;
    }
  }
  return 0;
}

}  // namespace

int AddLocalFiles(const PackRequest& request, writer::Node* root,
                  HostText* error) {
  writer::Node* base = root;
  for (const HostText& part : Components(request.subPath)) {
    std::string name;
    if (const int refused = DiscName(part, &name, error)) return refused;
    writer::Node* existing = FindChild(base, name);
    if (existing && !existing->isDirectory) {
      return Fail(error, "not a folder in the image", part);
    }
    if (!existing) {
      base->children.push_back(Folder(name));
      existing = &base->children.back();
    }
    base = existing;
  }
  for (const HostText& listed : request.names) {
    if (const int result = AddOne(request, listed, base, error)) return result;
  }
  return 0;
}

void RemovePackedSources(const PackRequest& request) {
  std::vector<HostText> folders;
  for (const HostText& listed : request.names) {
    const HostText source = Join(request.srcPath, listed);
    if (!listed.bytes.empty() && IsSeparator(listed.bytes.back())) {
      folders.push_back(source);
    } else {
      RemoveLocalFile(source);
    }
  }
  // A folder's own entry comes before its contents: deepest last.
  for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) {
    const writer::LocalName local = LocalNameOf(*folder);
    if (local.units.empty()) {
      RemoveLocalFolder(local.bytes.c_str());
    } else {
      RemoveLocalFolder(local.units.c_str());
    }
  }
}
