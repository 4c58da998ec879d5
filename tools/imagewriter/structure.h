// An image's structure checked apart from the writer, so the two check each
// other: run on every image the tests write.
#pragma once

#include <cstdint>
#include <string>

namespace imagewriter {

// Empty when the file system at base of the image file holds every rule the
// console's reader depends on: both signatures; tables whose entries are
// 4-byte aligned, never cross a sector and leave only 0xFF; every entry
// found by the console's search from the table's first entry, each once, in
// its order, names never equal; balanced trees; folders 0x10 and files
// 0x20; tables before the data; file data in the walk's order, inside the
// file, never overlapping. Else what is wrong, first fault only.
std::string CheckImageStructure(const std::string& path, std::uint64_t base);

}  // namespace imagewriter
