#include "records/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace skelvar::records {
namespace {

std::string Reason(const std::string& what, int error) {
  return what + ": " + std::strerror(error);
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace

bool ReplaceFile(const std::string& folder, const std::string& name, std::string_view bytes,
                 std::string* error) {
  const std::string path = folder + "/" + name;
  const std::string temporary = path + ".new";
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) {
    if (error != nullptr) *error = Reason(temporary, errno);
    return false;
  }
  if (!WriteAll(fd, bytes) || fsync(fd) != 0) {
    const int e = errno;
    close(fd);
    unlink(temporary.c_str());
    if (error != nullptr) *error = Reason(temporary, e);
    return false;
  }
  if (close(fd) != 0) {
    const int e = errno;
    unlink(temporary.c_str());
    if (error != nullptr) *error = Reason(temporary, e);
    return false;
  }
  if (rename(temporary.c_str(), path.c_str()) != 0) {
    const int e = errno;
    unlink(temporary.c_str());
    if (error != nullptr) *error = Reason(path, e);
    return false;
  }
  // Without this the rename may still be only in memory when the power goes.
  const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return true;
}

FolderLock::FolderLock(const std::string& folder, const std::string& name) {
  const std::string path = folder + "/" + name + ".lock";
  fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  // A file system without locks still gets the write; only two windows at once could then lose
  // the worse of two updates.
  if (fd_ >= 0) {
    while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) close(fd_);
}

bool ReadWholeFile(const std::string& path, std::string& out, bool& missing, std::string* error) {
  missing = false;
  out.clear();
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    // A folder that is not there yet (or is a file) holds no file either.
    missing = errno == ENOENT || errno == ENOTDIR;
    if (error != nullptr) *error = Reason(path, errno);
    return false;
  }
  // The kept files are a few lines; anything far larger is not one of them.
  constexpr size_t Limit = 64 * 1024;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int e = errno;
      close(fd);
      if (error != nullptr) *error = Reason(path, e);
      return false;
    }
    if (n == 0) break;
    out.append(buffer, static_cast<size_t>(n));
    if (out.size() > Limit) {
      close(fd);
      if (error != nullptr) *error = path + ": far too large";
      return false;
    }
  }
  close(fd);
  return true;
}

bool MakeFolders(const std::string& folder, std::string* error) {
  for (size_t at = 1; at <= folder.size(); ++at) {
    if (at != folder.size() && folder[at] != '/') continue;
    const std::string part = folder.substr(0, at);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
      if (error != nullptr) *error = Reason(part, errno);
      return false;
    }
  }
  struct stat st {};
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    if (error != nullptr) *error = folder + ": not a folder";
    return false;
  }
  return true;
}

}  // namespace skelvar::records
