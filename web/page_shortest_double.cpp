// The page writes a double as the browser writes a Number: the shortest text that reads back as
// the same double, which is all the page's state lines need (they are compared as parsed JSON),
// without the printf, strtod and long-double arithmetic the portable writer would bring along.
#include <emscripten.h>

#include "tick/shortest_double.h"

// clang-format off
EM_JS(int, skelvar_js_number_text, (double v, char* out), {
  const text = String(v);
  for (let i = 0; i < text.length; ++i) HEAPU8[out + i] = text.charCodeAt(i);
  return text.length;
});
// clang-format on

namespace skelvar::tick {

char* WriteShortestDouble(char* out, double v) {
  return out + skelvar_js_number_text(v, out);
}

}  // namespace skelvar::tick
