#include "records/last_run.h"

#include "records/atomic_file.h"

namespace skelvar::records {

LastRunFile::LastRunFile(std::string folder, WarningSink warn)
    : folder_(std::move(folder)), warn_(std::move(warn)), disabled_(folder_.empty()) {}

void LastRunFile::Keep(std::string_view script) {
  if (disabled_) return;
  std::string error;
  if (MakeFolders(folder_, &error)) {
    const FolderLock lock(folder_, Name);
    if (ReplaceFile(folder_, Name, script, &error)) return;
  }
  disabled_ = true;
  warn_("cannot keep the last run in " + path() + ": " + error);
}

}  // namespace skelvar::records
