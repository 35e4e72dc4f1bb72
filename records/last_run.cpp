#include "records/last_run.h"

#include "records/atomic_file.h"

namespace skelvar::records {

LastRunFile::LastRunFile(std::string folder, WarningSink warn)
    : folder_(std::move(folder)), warn_(std::move(warn)), disabled_(folder_.empty()) {
  if (!disabled_) thread_ = std::thread([this] { Writer(); });
}

LastRunFile::~LastRunFile() {
  if (!thread_.joinable()) return;
  {
    const std::lock_guard lock(mutex_);
    ending_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void LastRunFile::Keep(std::string script) {
  if (!thread_.joinable()) return;
  {
    const std::lock_guard lock(mutex_);
    waiting_ = std::move(script);
  }
  wake_.notify_one();
}

void LastRunFile::Writer() {
  std::unique_lock lock(mutex_);
  while (true) {
    wake_.wait(lock, [this] { return waiting_ || ending_; });
    if (!waiting_) return;
    const std::string script = std::move(*waiting_);
    waiting_.reset();
    lock.unlock();
    Write(script);
    lock.lock();
  }
}

void LastRunFile::Write(const std::string& script) {
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
