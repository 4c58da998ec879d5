// An image file being written at arbitrary offsets; what is never written
// stays a hole and reads as zero.
#ifndef TOOLS_IMAGEWRITER_IMAGEFILE_H_
#define TOOLS_IMAGEWRITER_IMAGEFILE_H_

#include <cstdint>
#include <fstream>
#include <string>

namespace imagewriter {

struct ImageFile {
  std::string path;
  std::ofstream stream;
  // Added to every offset written at: where the file system starts.
  uint64_t base = 0;
};

bool OpenImageFile(const std::string& path, ImageFile* file,
                   std::string* error);
bool WriteImageBytes(ImageFile* file, uint64_t offset, const uint8_t* data,
                     size_t length, std::string* error);
// Closes the file and sets its size, counted from the file's start (not
// from base), which extends it with a hole where the image ends in zeros.
bool FinishImageFile(ImageFile* file, uint64_t size, std::string* error);
// Closes and removes a file whose writing failed.
void DiscardImageFile(ImageFile* file);

}  // namespace imagewriter

#endif  // TOOLS_IMAGEWRITER_IMAGEFILE_H_
