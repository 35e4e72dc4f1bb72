#include "run/run_link.h"

namespace skelvar::tick {

bool IsLink(std::string_view text) {
  return text.find('#') != std::string_view::npos || text.find("://") != std::string_view::npos;
}

std::optional<std::string_view> LinkedRunCode(std::string_view link) {
  const std::size_t hash = link.find('#');
  if (hash == std::string_view::npos) return std::nullopt;
  std::string_view rest = link.substr(hash + 1);
  constexpr std::string_view Name = "run=";
  while (true) {
    const std::size_t end = rest.find('&');
    const std::string_view parameter = rest.substr(0, end);
    if (parameter.starts_with(Name)) return parameter.substr(Name.size());
    if (end == std::string_view::npos) return std::nullopt;
    rest = rest.substr(end + 1);
  }
}

}  // namespace skelvar::tick
