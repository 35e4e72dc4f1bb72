#include "ui/gl_driver.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace skelvar::ui {

bool IsSoftwareRasteriser(std::string_view glRenderer) {
  // "LLVM" alone is no sign: hardware drivers built on it (radeonsi) name it too.
  constexpr std::array<std::string_view, 8> names = {"llvmpipe",
                                                     "softpipe",
                                                     "swrast",
                                                     "software rasterizer",
                                                     "swiftshader",
                                                     "lavapipe",
                                                     "microsoft basic render driver",
                                                     "apple software renderer"};
  std::string lower(glRenderer);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return std::any_of(names.begin(), names.end(),
                     [&](std::string_view name) { return lower.find(name) != std::string::npos; });
}

namespace {

// The few EGL and GL names the probe needs, as the Khronos headers define them.
using EglDisplay = void*;
using EglContext = void*;
using EglBoolean = unsigned;
using EglInt = int32_t;
constexpr unsigned EglPlatformX11 = 0x31D5;
constexpr unsigned EglPlatformWayland = 0x31D8;
constexpr unsigned EglOpenGlApi = 0x30A2;
constexpr unsigned GlRenderer = 0x1F01;

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// The EGL platform of the display SDL is going to open; 0 when it is none EGL can reach.
unsigned DisplayPlatform() {
  const char* asked = std::getenv("SDL_VIDEODRIVER");
  const std::string_view driver = asked != nullptr ? asked : "";
  if (driver == "x11") return EglPlatformX11;
  if (driver == "wayland") return EglPlatformWayland;
  if (!driver.empty()) return 0;
  // SDL takes the X server first where there is one.
  if (Set("DISPLAY")) return EglPlatformX11;
  if (Set("WAYLAND_DISPLAY")) return EglPlatformWayland;
  return 0;
}

// The renderer string of a context of the display's default driver; empty when there is none.
// Runs in the child, which exits right after: nothing is let go here.
std::string ReadRenderer(unsigned platform) {
  void* egl = dlopen("libEGL.so.1", RTLD_NOW | RTLD_LOCAL);
  if (egl == nullptr) return {};
  const auto find = [egl](const char* name) { return dlsym(egl, name); };
  const auto getProc = reinterpret_cast<void* (*)(const char*)>(find("eglGetProcAddress"));
  using GetDisplay = EglDisplay (*)(unsigned, void*, const void*);
  auto getDisplay = reinterpret_cast<GetDisplay>(find("eglGetPlatformDisplay"));
  // Before EGL 1.5 the same call was an extension's.
  if (getDisplay == nullptr && getProc != nullptr) {
    getDisplay = reinterpret_cast<GetDisplay>(getProc("eglGetPlatformDisplayEXT"));
  }
  const auto initialize =
      reinterpret_cast<EglBoolean (*)(EglDisplay, EglInt*, EglInt*)>(find("eglInitialize"));
  const auto bindApi = reinterpret_cast<EglBoolean (*)(unsigned)>(find("eglBindAPI"));
  const auto createContext =
      reinterpret_cast<EglContext (*)(EglDisplay, void*, EglContext, const EglInt*)>(
          find("eglCreateContext"));
  const auto makeCurrent = reinterpret_cast<EglBoolean (*)(EglDisplay, void*, void*, EglContext)>(
      find("eglMakeCurrent"));
  if (getProc == nullptr || getDisplay == nullptr || initialize == nullptr || bindApi == nullptr ||
      createContext == nullptr || makeCurrent == nullptr) {
    return {};
  }
  // The default native display: EGL opens its own connection to the display the environment
  // names.
  EglDisplay display = getDisplay(platform, nullptr, nullptr);
  EglInt major = 0, minor = 0;
  if (display == nullptr || initialize(display, &major, &minor) == 0 ||
      bindApi(EglOpenGlApi) == 0) {
    return {};
  }
  // A context with no configuration and no surface: all it is for is the renderer string.
  EglContext context = createContext(display, nullptr, nullptr, nullptr);
  if (context == nullptr || makeCurrent(display, nullptr, nullptr, context) == 0) return {};
  const auto getString =
      reinterpret_cast<const unsigned char* (*)(unsigned)>(getProc("glGetString"));
  const unsigned char* name = getString != nullptr ? getString(GlRenderer) : nullptr;
  return name != nullptr ? reinterpret_cast<const char*>(name) : "";
}

// How long the game waits for the driver's name: a driver that takes longer is taken as broken.
constexpr int AnswerMs = 2000;

}  // namespace

GlDriverProbe GlDriverProbe::Start() {
  GlDriverProbe probe;
  const unsigned platform = DisplayPlatform();
  int ends[2];
  if (platform == 0 || pipe2(ends, O_CLOEXEC) != 0) return probe;
  const pid_t child = fork();
  if (child == 0) {
    close(ends[0]);
    // The driver's own complaints are not the game's to show.
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null >= 0) dup2(null, STDERR_FILENO);
    // The name and a newline, then the pipe closes: the parent need not wait while the child
    // lets go of the driver on its way out.
    const std::string answer = ReadRenderer(platform) + "\n";
    for (size_t at = 0; at < answer.size();) {
      const ssize_t n = write(ends[1], answer.data() + at, answer.size() - at);
      if (n <= 0) break;
      at += static_cast<size_t>(n);
    }
    close(ends[1]);
    _exit(0);
  }
  close(ends[1]);
  if (child < 0) {
    close(ends[0]);
    return probe;
  }
  probe.pipe_ = ends[0];
  probe.child_ = child;
  return probe;
}

GlDriverProbe::GlDriverProbe(GlDriverProbe&& other) noexcept
    : pipe_(std::exchange(other.pipe_, -1)),
      child_(std::exchange(other.child_, -1)),
      report_(std::move(other.report_)) {}

GlDriverProbe& GlDriverProbe::operator=(GlDriverProbe&& other) noexcept {
  if (this != &other) {
    Reap();
    pipe_ = std::exchange(other.pipe_, -1);
    child_ = std::exchange(other.child_, -1);
    report_ = std::move(other.report_);
  }
  return *this;
}

GlDriverProbe::~GlDriverProbe() {
  Reap();
}

void GlDriverProbe::Reap() {
  if (pipe_ >= 0) close(pipe_);
  pipe_ = -1;
  if (child_ < 0) return;
  kill(child_, SIGKILL);
  waitpid(child_, nullptr, 0);
  child_ = -1;
}

const GlDriverReport& GlDriverProbe::Report() {
  if (pipe_ < 0) return report_;
  std::string answer;
  bool closed = false;
  std::array<char, 256> buffer;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(AnswerMs);
  while (!closed && answer.find('\n') == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd ready{pipe_, POLLIN, 0};
    if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) == 0) break;
    const ssize_t n = read(pipe_, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    closed = n <= 0;
    if (n > 0) answer.append(buffer.data(), static_cast<size_t>(n));
  }
  close(pipe_);
  pipe_ = -1;
  if (const size_t end = answer.find('\n'); end != std::string::npos) {
    // Answered; the child is reaped when the probe goes.
    if (end > 0) report_ = {GlDriverReport::Kind::Named, answer.substr(0, end)};
    return report_;
  }
  if (!closed) {
    Reap();
    report_ = {GlDriverReport::Kind::Failed,
               "the OpenGL driver did not answer within " + std::to_string(AnswerMs / 1000) + " s"};
    return report_;
  }
  int status = 0;
  waitpid(child_, &status, 0);
  child_ = -1;
  if (WIFSIGNALED(status)) {
    report_ = {GlDriverReport::Kind::Failed,
               std::string("the OpenGL driver crashed (") + strsignal(WTERMSIG(status)) + ")"};
  }
  return report_;
}

}  // namespace skelvar::ui
