// Disc images for tests: written at run time into a temporary folder and
// put into a CD/DVD drive of the native platform layer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "disc/device.h"
#include "tools/imagewriter/imagewriter.h"

// A temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Writes the image of tree into dir; its path. Fails the current test when
// writing fails.
std::string WriteTree(
    const TempDir& dir, const imagewriter::TreeNode& tree,
    const imagewriter::WriteOptions& options = imagewriter::WriteOptions(),
    imagewriter::LayoutReport* report = nullptr);

// Adds drive root (E:\ by default) to the platform layer, holding the
// image written from tree. Fails the current test when writing fails.
imagewriter::LayoutReport InsertTree(
    const TempDir& dir, const imagewriter::TreeNode& tree,
    const std::string& root = "E:\\",
    const imagewriter::WriteOptions& options = imagewriter::WriteOptions());

// The same for a crafted image.
void InsertRaw(const TempDir& dir, const imagewriter::RawImage& image,
               const std::string& root = "E:\\");

using imagewriter::RawDiscWithRoot;

// A read rate, in bytes per second, slow enough that a stream reads ahead
// on its worker after its first two chunks, yet quick enough for many
// copies.
constexpr double kSlowDriveRate = 48.0 * 1024 * 1024;

// Threads the process runs now.
std::size_t ThreadCount();

// Opens drive E: of the platform layer; fails the test when it cannot.
Device OpenE();

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);

// The bytes a tree file holds, whatever its content kind.
std::string ExpectedContent(const imagewriter::TreeNode& file);
