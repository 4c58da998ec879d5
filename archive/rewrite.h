// Every edit of an image is a whole rewrite: the image's tree, its files
// taken as ranges of the old image, changed in memory, then written to a
// temporary file beside it that replaces it only when complete.
#pragma once

#include <memory>
#include <string>

#include "archive/imagearchive.h"
#include "writer/writer.h"

struct ImageEdit {
  std::unique_ptr<ImageArchive> archive;  // the old image, open until replaced
  writer::Node root;
};

// Reads the whole tree of the image: 0, or the archive's open result, or
// E_BAD_DATA for a table that cannot be read. The old image is not touched.
int ReadImageTree(const HostText& image, ImageEdit* edit);

// A local file's name as the writer and the system take it: a wide one in
// the long form past MAX_PATH, from LongPathForm as every wide local name.
writer::LocalName LocalNameOf(const HostText& text);

// How the rewrite tells the host of its progress.
enum class ProgressForm { kBytes, kPercent };

// Writes root to target with the host's pack callbacks: 0, E_EABORTED,
// E_ECREATE, E_EREAD or E_EWRITE with error naming the file. Closes the old
// image before the new one takes its name; reports nothing after that.
int WriteHostImage(const writer::Node& root, const HostText& target,
                   ImageEdit* edit, ProgressForm form, HostText* error);

// text, then name, in the side's own text: a message that names a local
// file as the host gave it.
HostText Naming(const std::string& text, const HostText& name);

// The one message of a failed pack or edit, naming what is at fault.
int Refuse(int result, const HostText& message);
