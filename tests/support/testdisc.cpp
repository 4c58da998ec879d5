#include "tests/support/testdisc.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/native/testapi.h"

TempDir::TempDir() {
  char pattern[] = "/tmp/xdvdfs-test-XXXXXX";
  const char* made = mkdtemp(pattern);
  if (!made) ADD_FAILURE() << "cannot make a temporary folder";
  path_ = made ? made : "";
}

TempDir::~TempDir() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

namespace {

int gImageCounter = 0;

std::string NextImagePath(const TempDir& dir) {
  return dir.File("disc" + std::to_string(++gImageCounter) + ".iso");
}

// With XDVDFS_KEEP_IMAGES set to a folder, every image a test inserts is
// also copied there, named after the test, for the replay through the DLLs.
void KeepImage(const std::string& image) {
  const char* folder = std::getenv("XDVDFS_KEEP_IMAGES");
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  if (!folder || !test) return;
  std::string name = std::string(test->test_suite_name()) + "." + test->name() +
                     "-" + std::to_string(gImageCounter) + ".iso";
  // Parameterised tests have slashes in their names.
  for (char& c : name) c = c == '/' ? '_' : c;
  std::error_code error;
  std::filesystem::copy_file(image, std::string(folder) + "/" + name,
                             std::filesystem::copy_options::overwrite_existing,
                             error);
  EXPECT_FALSE(error) << "cannot keep " << image << ": " << error.message();
}

void Insert(const std::string& root, const std::string& image) {
  KeepImage(image);
  nativewin::AddDrive(root, DRIVE_CDROM, image);
}

}  // namespace

std::string WriteTree(const TempDir& dir, const imagewriter::TreeNode& tree,
                      const imagewriter::WriteOptions& options,
                      imagewriter::LayoutReport* report) {
  std::string error;
  const std::string image = NextImagePath(dir);
  imagewriter::LayoutReport ignored;
  EXPECT_TRUE(imagewriter::WriteImage(tree, image, options,
                                      report ? report : &ignored, &error))
      << error;
  return image;
}

imagewriter::LayoutReport InsertTree(const TempDir& dir,
                                     const imagewriter::TreeNode& tree,
                                     const std::string& root,
                                     const imagewriter::WriteOptions& options) {
  imagewriter::LayoutReport report;
  Insert(root, WriteTree(dir, tree, options, &report));
  return report;
}

void InsertRaw(const TempDir& dir, const imagewriter::RawImage& raw,
               const std::string& root) {
  std::string error;
  const std::string image = NextImagePath(dir);
  EXPECT_TRUE(imagewriter::SaveRawImage(raw, image, &error)) << error;
  Insert(root, image);
}

Device OpenE() {
  Device device = vepo_opendevice("\\\\.\\E:");
  EXPECT_NE(device.handle, nullptr);
  return device;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ExpectedContent(const imagewriter::TreeNode& file) {
  switch (file.source.kind) {
    case imagewriter::SourceKind::kLocalFile:
      return ReadWholeFile(file.source.path.bytes);
    case imagewriter::SourceKind::kGenerated: {
      const auto bytes =
          imagewriter::PatternBytes(file.source.seed, 0, file.size);
      return std::string(bytes.begin(), bytes.end());
    }
    case imagewriter::SourceKind::kZeros:
    case imagewriter::SourceKind::kImageRange:
      break;
  }
  return std::string(file.size, '\0');
}

void WriteToASlowTarget() {
  std::this_thread::sleep_for(std::chrono::microseconds(
      static_cast<int>(65536 / kSlowDriveRate * 1e6)));
}

std::size_t ThreadCount() {
  std::size_t count = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator("/proc/self/task")) {
    (void)entry;
    ++count;
  }
  return count;
}
