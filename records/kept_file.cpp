#include "records/kept_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "records/atomic_file.h"

namespace skelvar::records {
namespace {

std::string XdgFolder(const char* variable, const char* fallback) {
  const char* set = std::getenv(variable);
  if (set != nullptr && set[0] == '/') return std::string(set) + "/skelvar";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/" + fallback + "/skelvar";
  return {};
}

}  // namespace

std::string RecordsFolder() {
  return XdgFolder("XDG_STATE_HOME", ".local/state");
}

std::string SettingsFolder() {
  return XdgFolder("XDG_CONFIG_HOME", ".config");
}

KeptFile::KeptFile(std::string folder, std::string name, Check check, WarningSink warn)
    : folder_(std::move(folder)),
      name_(std::move(name)),
      path_(folder_ + "/" + name_),
      check_(std::move(check)),
      warn_(std::move(warn)) {}

std::optional<KeyValueText> KeptFile::Load() {
  if (disabled_) return std::nullopt;
  if (folder_.empty()) {
    Disable("no folder to keep " + name_ + " in (neither its XDG variable nor HOME is set)");
    return std::nullopt;
  }
  return Read();
}

std::optional<KeyValueText> KeptFile::Read() {
  std::string bytes, error;
  bool missing = false;
  if (!ReadWholeFile(path_, bytes, missing, &error)) {
    if (!missing) KeepAside("cannot be read (" + error + ")");
    return std::nullopt;
  }
  std::string why;
  std::optional<KeyValueText> text = ParseKeyValueText(bytes, &why);
  if (text && check_ && !check_(*text, &why)) text.reset();
  if (!text) KeepAside(why);
  return text;
}

void KeptFile::KeepAside(const std::string& why) {
  // A hard link under a name not yet taken never overwrites an earlier damaged file.
  std::string aside;
  for (int n = 1; n < 1000; ++n) {
    // Built piece by piece: GCC 12 at -O3 takes `"." + std::to_string(n)` for an overlapping copy.
    aside = path_;
    if (n > 1) {
      aside += '.';
      aside += std::to_string(n);
    }
    aside += ".damaged";
    if (link(path_.c_str(), aside.c_str()) == 0) {
      unlink(path_.c_str());
      warn_(path_ + " is damaged (" + why + "); kept as " + aside + ", starting afresh");
      return;
    }
    if (errno != EEXIST) break;
  }
  const int linkError = errno;
  // Without hard links (some file systems), a rename to a name checked free first.
  if (linkError == EPERM || linkError == EOPNOTSUPP) {
    aside = path_ + ".damaged";
    if (access(aside.c_str(), F_OK) != 0 && rename(path_.c_str(), aside.c_str()) == 0) {
      warn_(path_ + " is damaged (" + why + "); kept as " + aside + ", starting afresh");
      return;
    }
  }
  // It cannot be moved aside, so it must not be written over either.
  Disable(path_ + " is damaged (" + why + ") and cannot be kept aside (" +
          std::strerror(linkError) + ")");
}

void KeptFile::Disable(const std::string& why) {
  if (!disabled_) warn_(why + "; playing on without keeping " + name_);
  disabled_ = true;
}

std::optional<KeyValueText> KeptFile::Update(const std::function<void(KeyValueText&)>& change) {
  if (disabled_) return std::nullopt;
  std::string error;
  if (folder_.empty() || !MakeFolders(folder_, &error)) {
    Disable(folder_.empty() ? "no folder to keep " + name_ + " in" : "cannot create " + error);
    return std::nullopt;
  }
  const FolderLock lock(folder_, name_);
  KeyValueText text = Read().value_or(KeyValueText{});
  if (disabled_) return std::nullopt;
  change(text);
  if (!ReplaceFile(folder_, name_, PrintKeyValueText(text), &error)) {
    Disable("cannot write " + error);
    return std::nullopt;
  }
  return text;
}

}  // namespace skelvar::records
