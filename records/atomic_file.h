// Replacing a file so that a crash or a power cut at any moment leaves either the old file or the
// new one whole, never a mix or a cut-off.
#pragma once

#include <string>
#include <string_view>

namespace skelvar::records {

// Writes `bytes` to folder/name: into folder/name.new first, flushed to the disk, then renamed
// over the old file, and the folder flushed so the rename itself lasts. The caller holds the
// folder's lock (see FolderLock), so no other writer uses the same temporary name. On failure
// the old file is untouched and `error` says why.
bool ReplaceFile(const std::string& folder, const std::string& name, std::string_view bytes,
                 std::string* error);

// An exclusive lock on folder/name.lock for one read-merge-write; released when it goes out of
// scope or the process ends, however it ends.
class FolderLock {
 public:
  FolderLock(const std::string& folder, const std::string& name);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  int fd_ = -1;
};

// Reads a whole file. Returns false with errno's message in `error`; `missing` tells a file that
// does not exist from one that cannot be read.
bool ReadWholeFile(const std::string& path, std::string& out, bool& missing, std::string* error);

// Creates the folder and its parents as needed, private to the user (0700).
bool MakeFolders(const std::string& folder, std::string* error);

}  // namespace skelvar::records
