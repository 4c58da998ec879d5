#include "archive/pack.h"

#include "archive/packtree.h"
#include "archive/rewrite.h"
#include "plugin/localfile.h"

int PackLocalFiles(const PackRequest& request) {
  ImageEdit edit;
  edit.root.isDirectory = true;
  if (LocalFileExists(request.packedFile)) {
    // Hosts pack into any file they can list: one that is no Xbox image
    // gets the open's result and stays as it is.
    const int read = ReadImageTree(request.packedFile, &edit);
    if (read != 0) return read;
  }
  HostText error;
  int result = AddLocalFiles(request, &edit.root, &error);
  if (result == 0) {
    result = WriteHostImage(edit.root, request.packedFile, &edit,
                            ProgressForm::kBytes, &error);
  }
  if (result != 0) return Refuse(result, error);
  if (request.flags & PK_PACK_MOVE_FILES) RemovePackedSources(request);
  return 0;
}
