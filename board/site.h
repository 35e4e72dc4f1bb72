// The page's static files, served by the board beside its API: a path is looked up only inside
// the site's folder, and each file goes with the content type a browser expects of it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace skelvar::board {

struct SiteFile {
  int fd = -1;  // open for reading; the caller hands it on or closes it
  uint64_t size = 0;
  const char* type = "";
};

class Site {
 public:
  // An empty `root` is a board without a site.
  explicit Site(const std::string& root);
  bool Empty() const { return root_.empty(); }
  // The file a request path names: "/" and folders give their index.html. None for a path that
  // leaves the folder, names a hidden file or nothing.
  std::optional<SiteFile> Open(std::string_view path) const;

 private:
  std::string root_;  // resolved, without a trailing slash
};

const char* ContentType(std::string_view path);

}  // namespace skelvar::board
