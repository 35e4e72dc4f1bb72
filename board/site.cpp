#include "board/site.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <climits>
#include <cstdlib>
#include <utility>

namespace skelvar::board {

const char* ContentType(std::string_view path) {
  static constexpr std::array<std::pair<std::string_view, const char*>, 20> Types{{
      {".html", "text/html; charset=utf-8"},
      {".js", "text/javascript; charset=utf-8"},
      {".mjs", "text/javascript; charset=utf-8"},
      {".css", "text/css; charset=utf-8"},
      {".wasm", "application/wasm"},
      {".json", "application/json"},
      {".map", "application/json"},
      {".webmanifest", "application/manifest+json"},
      {".png", "image/png"},
      {".jpg", "image/jpeg"},
      {".jpeg", "image/jpeg"},
      {".svg", "image/svg+xml"},
      {".ico", "image/x-icon"},
      {".woff2", "font/woff2"},
      {".woff", "font/woff"},
      {".ttf", "font/ttf"},
      {".txt", "text/plain; charset=utf-8"},
      {".xml", "application/xml"},
      {".wav", "audio/wav"},
      {".webp", "image/webp"},
  }};
  for (const auto& [suffix, type] : Types) {
    if (path.ends_with(suffix)) return type;
  }
  return "application/octet-stream";
}

Site::Site(const std::string& root) {
  if (root.empty()) return;
  std::array<char, PATH_MAX> resolved{};
  root_ = realpath(root.c_str(), resolved.data()) ? resolved.data() : root;
  while (root_.size() > 1 && root_.back() == '/') root_.pop_back();
}

std::optional<SiteFile> Site::Open(std::string_view path) const {
  if (root_.empty() || path.empty() || path.front() != '/') return std::nullopt;
  std::string relative;
  std::string_view rest = path.substr(1);
  while (!rest.empty()) {
    std::size_t slash = rest.find('/');
    std::string_view segment = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (segment.empty()) continue;
    // No way up, no hidden files, nothing a file name on disk should not hold.
    if (segment.front() == '.' || segment.find('\0') != std::string_view::npos ||
        segment.find('\\') != std::string_view::npos) {
      return std::nullopt;
    }
    relative += '/';
    relative += segment;
  }
  std::string file = root_ + relative;
  struct stat info {};
  if (stat(file.c_str(), &info) != 0) return std::nullopt;
  if (S_ISDIR(info.st_mode)) file += "/index.html";

  // A link inside the site may not lead out of it.
  std::array<char, PATH_MAX> resolved{};
  if (!realpath(file.c_str(), resolved.data())) return std::nullopt;
  std::string_view real = resolved.data();
  if (!real.starts_with(root_ + "/")) return std::nullopt;

  int fd = open(resolved.data(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return std::nullopt;
  }
  return SiteFile{fd, static_cast<uint64_t>(info.st_size), ContentType(real)};
}

}  // namespace skelvar::board
