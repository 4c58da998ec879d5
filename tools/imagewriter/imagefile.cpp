#include "tools/imagewriter/imagefile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace imagewriter {

namespace {

bool FailWithErrno(const ImageFile& file, std::string* error) {
  *error = "cannot write " + file.path + ": " + std::strerror(errno);
  return false;
}

}  // namespace

bool OpenImageFile(const std::string& path, ImageFile* file,
                   std::string* error) {
  file->path = path;
  errno = 0;
  file->stream.open(path, std::ios::binary | std::ios::trunc);
  return file->stream.is_open() || FailWithErrno(*file, error);
}

bool WriteImageBytes(ImageFile* file, uint64_t offset, const uint8_t* data,
                     size_t length, std::string* error) {
  errno = 0;
  file->stream.seekp(static_cast<std::streamoff>(file->base + offset));
  file->stream.write(reinterpret_cast<const char*>(data),
                     static_cast<std::streamsize>(length));
  return static_cast<bool>(file->stream) || FailWithErrno(*file, error);
}

bool FinishImageFile(ImageFile* file, uint64_t size, std::string* error) {
  errno = 0;
  file->stream.close();
  if (file->stream.fail()) return FailWithErrno(*file, error);
  std::error_code ec;
  std::filesystem::resize_file(file->path, size, ec);
  if (!ec) return true;
  *error = "cannot write " + file->path + ": " + ec.message();
  return false;
}

void DiscardImageFile(ImageFile* file) {
  if (file->stream.is_open()) file->stream.close();
  std::error_code ignored;
  std::filesystem::remove(file->path, ignored);
}

}  // namespace imagewriter
