#include "ui/gl_driver.h"

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdlib>

namespace skelvar::ui {

bool IsSoftwareRasteriser(std::string_view glRenderer) {
  // "LLVM" alone is no sign: hardware drivers built on it (radeonsi) name it too.
  constexpr std::array<std::string_view, 8> names = {
      "llvmpipe", "softpipe", "swrast", "software rasterizer", "swiftshader", "lavapipe",
      "microsoft basic render driver", "apple software renderer"};
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

std::optional<std::string> ReadRenderer(unsigned platform) {
  void* egl = dlopen("libEGL.so.1", RTLD_NOW | RTLD_LOCAL);
  if (egl == nullptr) return std::nullopt;
  const auto find = [egl](const char* name) { return dlsym(egl, name); };
  const auto getProc = reinterpret_cast<void* (*)(const char*)>(find("eglGetProcAddress"));
  const auto getDisplay = reinterpret_cast<EglDisplay (*)(unsigned, void*, const intptr_t*)>(
      find("eglGetPlatformDisplay"));
  const auto initialize =
      reinterpret_cast<EglBoolean (*)(EglDisplay, EglInt*, EglInt*)>(find("eglInitialize"));
  const auto bindApi = reinterpret_cast<EglBoolean (*)(unsigned)>(find("eglBindAPI"));
  const auto createContext =
      reinterpret_cast<EglContext (*)(EglDisplay, void*, EglContext, const EglInt*)>(
          find("eglCreateContext"));
  const auto makeCurrent = reinterpret_cast<EglBoolean (*)(EglDisplay, void*, void*, EglContext)>(
      find("eglMakeCurrent"));
  const auto destroyContext =
      reinterpret_cast<EglBoolean (*)(EglDisplay, EglContext)>(find("eglDestroyContext"));
  const auto terminate = reinterpret_cast<EglBoolean (*)(EglDisplay)>(find("eglTerminate"));
  const auto releaseThread = reinterpret_cast<EglBoolean (*)()>(find("eglReleaseThread"));
  if (getProc == nullptr || getDisplay == nullptr || initialize == nullptr || bindApi == nullptr ||
      createContext == nullptr || makeCurrent == nullptr || destroyContext == nullptr ||
      terminate == nullptr || releaseThread == nullptr) {
    return std::nullopt;
  }
  // The default native display: EGL opens its own connection to the display the environment
  // names, apart from SDL's.
  EglDisplay display = getDisplay(platform, nullptr, nullptr);
  if (display == nullptr) return std::nullopt;
  std::optional<std::string> renderer;
  EglInt major = 0, minor = 0;
  if (initialize(display, &major, &minor) != 0 && bindApi(EglOpenGlApi) != 0) {
    // A context with no configuration and no surface: all it is for is the renderer string.
    EglContext context = createContext(display, nullptr, nullptr, nullptr);
    if (context != nullptr) {
      if (makeCurrent(display, nullptr, nullptr, context) != 0) {
        const auto getString =
            reinterpret_cast<const unsigned char* (*)(unsigned)>(getProc("glGetString"));
        const unsigned char* name = getString != nullptr ? getString(GlRenderer) : nullptr;
        if (name != nullptr) renderer = reinterpret_cast<const char*>(name);
        makeCurrent(display, nullptr, nullptr, nullptr);
      }
      destroyContext(display, context);
    }
  }
  terminate(display);
  releaseThread();
  return renderer;
}

}  // namespace

GlDriverProbe GlDriverProbe::Start() {
  GlDriverProbe probe;
  const unsigned platform = DisplayPlatform();
  if (platform == 0) return probe;
  probe.reading_ = std::async(std::launch::async, [platform] { return ReadRenderer(platform); });
  return probe;
}

const std::optional<std::string>& GlDriverProbe::Renderer() {
  if (reading_.valid()) renderer_ = reading_.get();
  return renderer_;
}

}  // namespace skelvar::ui
