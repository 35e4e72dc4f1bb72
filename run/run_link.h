// The one reading of run links, for the window, the page and the replay tool: a text is a bare
// code, or a link whose fragment holds the code as its parameter run=CODE, right after '#' or
// after '&' among the fragment's other parameters (https://example.org/#run=CODE,
// https://example.org/#from=board&run=CODE&at=3).
#pragma once

#include <optional>
#include <string_view>

namespace skelvar::tick {

// Whether the text is a link (it holds a fragment or a scheme) rather than a bare code.
bool IsLink(std::string_view text);

// The code a link's fragment holds as run=CODE, up to the next '&'; none when the text has no
// fragment or its fragment no such parameter.
std::optional<std::string_view> LinkedRunCode(std::string_view link);

}  // namespace skelvar::tick
