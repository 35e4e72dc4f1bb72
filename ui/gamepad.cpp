#include "ui/gamepad.h"

#include <algorithm>

#include "game/world.h"

namespace skelvar::ui {

namespace {

// The left stick steers only when pushed past half its travel, so a resting or drifting stick
// never walks the girl.
constexpr int kStickThreshold = 16384;

}  // namespace

// Collects transitions into the caller's span; what does not fit is dropped, but the held counts
// are updated all the same so a later release still matches its press.
class Gamepads::Writer {
 public:
  explicit Writer(std::span<KeyTransition> out) : out_(out) {}
  void Add(int code, bool down, int source) {
    if (written_ < out_.size()) out_[written_++] = KeyTransition{code, down, source};
  }
  int Written() const { return static_cast<int>(written_); }

 private:
  std::span<KeyTransition> out_;
  std::size_t written_ = 0;
};

int Gamepads::CodeOf(Source source) {
  switch (source) {
    case kDpadLeft:
    case kStickLeft:
      return VK_LEFT;
    case kDpadRight:
    case kStickRight:
      return VK_RIGHT;
    case kDpadUp:
    case kButtonEast:
      return VK_UP;
    case kDpadDown:
      return VK_DOWN;
    case kButtonSouth:
      return VK_SPACE;
    case kButtonStart:
      return VK_RETURN;
    case kButtonBack:
      return VK_ESCAPE;
    case kSourceCount:
      break;
  }
  return 0;
}

Gamepads::Pad* Gamepads::Find(SDL_JoystickID id) {
  auto it = std::find_if(pads_.begin(), pads_.end(), [id](const Pad& pad) { return pad.id == id; });
  return it == pads_.end() ? nullptr : &*it;
}

void Gamepads::Open(int device_index) {
  // SDL announces controllers already present at start-up with the same event as a hot-plug, and
  // may announce one twice; a pad already open is left as it is.
  if (Find(SDL_JoystickGetDeviceInstanceID(device_index)) != nullptr) return;
  // The lowest slot no open pad has.
  int source = FirstControllerSource;
  while (source < InputSourceCount &&
         std::any_of(pads_.begin(), pads_.end(),
                     [source](const Pad& p) { return p.source == source; })) {
    ++source;
  }
  if (source == InputSourceCount) return;
  SDL_GameController* controller = SDL_GameControllerOpen(device_index);
  if (controller == nullptr) return;
  Pad pad;
  pad.source = source;
  pad.controller.reset(controller);
  pad.id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
  pads_.push_back(std::move(pad));
}

void Gamepads::SetSource(Pad& pad, Source source, bool held, Writer& writer) {
  if (pad.held[source] == held) return;
  pad.held[source] = held;
  const int code = CodeOf(source);
  int& holders = pad.holders[static_cast<std::size_t>(code)];
  if (held) {
    if (++holders == 1) writer.Add(code, true, pad.source);
  } else {
    if (--holders == 0) writer.Add(code, false, pad.source);
  }
}

int Gamepads::LetGoAll(std::span<KeyTransition> out) {
  Writer writer(out);
  for (Pad& pad : pads_) {
    for (std::size_t s = 0; s < kSourceCount; ++s) {
      SetSource(pad, static_cast<Source>(s), false, writer);
    }
  }
  return writer.Written();
}

int Gamepads::Handle(const SDL_Event& event, std::span<KeyTransition> out) {
  Writer writer(out);
  switch (event.type) {
    case SDL_CONTROLLERDEVICEADDED:
      Open(event.cdevice.which);
      break;
    case SDL_CONTROLLERDEVICEREMOVED: {
      Pad* pad = Find(event.cdevice.which);
      if (pad == nullptr) break;
      // An unplugged pad lets go of everything it held, or the girl would run on forever.
      for (std::size_t s = 0; s < kSourceCount; ++s) {
        SetSource(*pad, static_cast<Source>(s), false, writer);
      }
      pads_.erase(pads_.begin() + (pad - pads_.data()));
      break;
    }
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
      Pad* pad = Find(event.cbutton.which);
      if (pad == nullptr) break;
      const bool down = event.type == SDL_CONTROLLERBUTTONDOWN;
      switch (event.cbutton.button) {
        case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
          SetSource(*pad, kDpadLeft, down, writer);
          break;
        case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
          SetSource(*pad, kDpadRight, down, writer);
          break;
        case SDL_CONTROLLER_BUTTON_DPAD_UP:
          SetSource(*pad, kDpadUp, down, writer);
          break;
        case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
          SetSource(*pad, kDpadDown, down, writer);
          break;
        case SDL_CONTROLLER_BUTTON_A:
          SetSource(*pad, kButtonSouth, down, writer);
          break;
        case SDL_CONTROLLER_BUTTON_B:
          SetSource(*pad, kButtonEast, down, writer);
          break;
        case SDL_CONTROLLER_BUTTON_START:
          SetSource(*pad, kButtonStart, down, writer);
          break;
        case SDL_CONTROLLER_BUTTON_BACK:
          SetSource(*pad, kButtonBack, down, writer);
          break;
        default:
          break;
      }
      break;
    }
    case SDL_CONTROLLERAXISMOTION: {
      if (event.caxis.axis != SDL_CONTROLLER_AXIS_LEFTX) break;
      Pad* pad = Find(event.caxis.which);
      if (pad == nullptr) break;
      const int value = event.caxis.value;
      // Release before press, so a stick flicked across in one event never holds both sides.
      if (value >= -kStickThreshold) SetSource(*pad, kStickLeft, false, writer);
      if (value <= kStickThreshold) SetSource(*pad, kStickRight, false, writer);
      if (value < -kStickThreshold) SetSource(*pad, kStickLeft, true, writer);
      if (value > kStickThreshold) SetSource(*pad, kStickRight, true, writer);
      break;
    }
    default:
      break;
  }
  return writer.Written();
}

}  // namespace skelvar::ui
