// The node build's standard output, buffered as the C library buffers it on a desktop: in large
// blocks when it goes to a file or a pipe, line by line on a terminal. Emscripten's own default
// (its file system takes every descriptor for a terminal) writes nearly every line with two calls
// into JavaScript.
#include <emscripten.h>

#include <cstdio>

namespace {

// The C library here only takes a bigger buffer when it is handed one.
char buffer[1 << 16];

[[gnu::constructor]] void BufferStandardOutput() {
  const int terminal = EM_ASM_INT({ return require('tty').isatty(1) ? 1 : 0; });
  if (terminal == 0) std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
}

}  // namespace
