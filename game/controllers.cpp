#include "controllers.h"

#include <algorithm>

namespace skelvar {

namespace {

constexpr std::size_t KeyIndex(int code) {
  for (std::size_t i = 0; i < WatchedKeys.size(); ++i) {
    if (WatchedKeys[i] == code) return i;
  }
  return WatchedKeys.size();
}

// Every control holds a watched key, so its count has a place.
constexpr bool EveryControlWatched() {
  return std::all_of(PadControlKeys.begin(), PadControlKeys.end(),
                     [](int code) { return KeyIndex(code) < WatchedKeys.size(); });
}
static_assert(EveryControlWatched());
static_assert(static_cast<std::size_t>(PadControl::StickRight) + 1 == PadControlCount);
static_assert(static_cast<std::size_t>(PadControl::Back) + 1 == PadButtonCount);

}  // namespace

class Controllers::Writer {
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

int Controllers::FreeSlot() const {
  for (int slot = 0; slot < ControllerSlots; ++slot) {
    if (!pads_[static_cast<std::size_t>(slot)].connected) return slot;
  }
  return -1;
}

bool Controllers::Connect(int slot) {
  if (!InRange(slot)) return false;
  Pad& pad = pads_[static_cast<std::size_t>(slot)];
  if (!pad.connected) pad = Pad{true, {}, {}};
  return true;
}

bool Controllers::Connected(int slot) const {
  return InRange(slot) && pads_[static_cast<std::size_t>(slot)].connected;
}

std::size_t Controllers::ConnectedCount() const {
  return static_cast<std::size_t>(
      std::count_if(pads_.begin(), pads_.end(), [](const Pad& p) { return p.connected; }));
}

Controllers::Pad* Controllers::Find(int slot) {
  if (!Connected(slot)) return nullptr;
  return &pads_[static_cast<std::size_t>(slot)];
}

void Controllers::SetControl(int slot, Pad& pad, PadControl control, bool held, Writer& writer) {
  const auto c = static_cast<std::size_t>(control);
  if (pad.held[c] == held) return;
  pad.held[c] = held;
  const int code = PadControlKeys[c];
  uint8_t& holders = pad.holders[KeyIndex(code)];
  if (held) {
    if (++holders == 1) writer.Add(code, true, SourceOf(slot));
  } else {
    if (--holders == 0) writer.Add(code, false, SourceOf(slot));
  }
}

int Controllers::Set(int slot, PadControl control, bool held, std::span<KeyTransition> out) {
  Writer writer(out);
  if (Pad* pad = Find(slot)) SetControl(slot, *pad, control, held, writer);
  return writer.Written();
}

int Controllers::SetStick(int slot, double x, std::span<KeyTransition> out) {
  Writer writer(out);
  Pad* pad = Find(slot);
  if (pad == nullptr) return 0;
  if (x >= -StickThreshold) SetControl(slot, *pad, PadControl::StickLeft, false, writer);
  if (x <= StickThreshold) SetControl(slot, *pad, PadControl::StickRight, false, writer);
  if (x < -StickThreshold) SetControl(slot, *pad, PadControl::StickLeft, true, writer);
  if (x > StickThreshold) SetControl(slot, *pad, PadControl::StickRight, true, writer);
  return writer.Written();
}

int Controllers::Read(int slot, uint32_t buttons, double x, std::span<KeyTransition> out) {
  Pad* pad = Find(slot);
  if (pad == nullptr) return 0;
  Writer writer(out);
  for (std::size_t c = 0; c < PadButtonCount; ++c) {
    const auto control = static_cast<PadControl>(c);
    SetControl(slot, *pad, control, (buttons & PadButtonBit(control)) != 0, writer);
  }
  const int written = writer.Written();
  return written + SetStick(slot, x, out.subspan(std::min(out.size(), std::size_t(written))));
}

// Keys go up in the order of WatchedKeys, as the game lets go of a whole source.
void Controllers::LetGo(int slot, Pad& pad, Writer& writer) {
  pad.held.fill(false);
  for (std::size_t i = 0; i < WatchedKeys.size(); ++i) {
    if (pad.holders[i] == 0) continue;
    pad.holders[i] = 0;
    writer.Add(WatchedKeys[i], false, SourceOf(slot));
  }
}

int Controllers::Disconnect(int slot, std::span<KeyTransition> out) {
  Writer writer(out);
  if (Pad* pad = Find(slot)) {
    LetGo(slot, *pad, writer);
    pad->connected = false;
  }
  return writer.Written();
}

int Controllers::LetGoAll(std::span<KeyTransition> out) {
  Writer writer(out);
  for (int slot = 0; slot < ControllerSlots; ++slot) {
    if (Pad* pad = Find(slot)) LetGo(slot, *pad, writer);
  }
  return writer.Written();
}

void Controllers::Forget() {
  pads_.fill(Pad{});
}

}  // namespace skelvar
