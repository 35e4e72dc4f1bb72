// Writes game_numbers.js, the page's copy of the game's numbers: the stored pictures, key codes,
// input sources, touch zones, draw kinds, the controllers' controls, the label's font size, the
// kinds of the page's calls, and where every field of the records in web/page_records.h sits. Run
// by the build, compiled for node by the same compiler as the page, so the offsets are the
// WebAssembly's own.
//
//   node skelvar-game-numbers.js OUTPUT
#include <array>
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "game/controllers.h"
#include "game/cue.h"
#include "game/draw_list.h"
#include "game/held_keys.h"
#include "game/images.h"
#include "game/logic_version.h"
#include "game/scene.h"
#include "game/touch_zone.h"
#include "game/world.h"
#include "web/page_calls.h"
#include "web/page_records.h"

using namespace skelvar;
using namespace skelvar::web;

namespace {

using Fields = std::vector<std::pair<std::string_view, long long>>;

template <typename E>
long long N(E value) {
  return static_cast<long long>(value);
}

std::string Object(const Fields& fields) {
  std::string text = "{";
  for (const auto& [name, value] : fields) {
    if (text.size() > 1) text += ", ";
    text.append(name).append(": ").append(std::to_string(value));
  }
  return text + "}";
}

std::string Frozen(std::string_view name, const Fields& fields) {
  return std::string("export const ").append(name).append(" = Object.freeze(") + Object(fields) +
         ");\n";
}

// A field's place in units of its own size, as the page's typed views of the memory count.
#define AT(record, field, unit) \
  { #field, static_cast < long long>(offsetof(record, field) / sizeof(unit)) }

std::string Module() {
  std::string js =
      "// Written by skelvar-game-numbers at build time from the game's headers; do not edit.\n";
  js += Frozen("Picture", {{"Menu", N(ImageId::Menu)}, {"Back", N(ImageId::Back)}});
  js += Frozen("Key", {{"Return", VK_RETURN},
                       {"Escape", VK_ESCAPE},
                       {"Space", VK_SPACE},
                       {"Left", VK_LEFT},
                       {"Up", VK_UP},
                       {"Right", VK_RIGHT},
                       {"Down", VK_DOWN},
                       {"Backspace", VK_BACK},
                       {"Tab", VK_TAB},
                       {"Shift", VK_SHIFT},
                       {"Control", VK_CONTROL},
                       {"Alt", VK_MENU},
                       {"Digit0", '0'},
                       {"F1", VK_F1}});
  js += Frozen("Source", {{"Keyboard", KeyboardSource},
                          {"Touch", TouchSource},
                          {"FirstController", FirstControllerSource},
                          {"Controllers", ControllerSlots}});
  js += Frozen("TouchZone", {{"None", N(TouchZone::None)},
                             {"Click", N(TouchZone::Click)},
                             {"Left", N(TouchZone::Left)},
                             {"Right", N(TouchZone::Right)},
                             {"Middle", N(TouchZone::Middle)}});
  js += Frozen("DrawKind", {{"Fill", N(DrawKind::Fill)},
                            {"Outline", N(DrawKind::Outline)},
                            {"Image", N(DrawKind::Image)},
                            {"Text", N(DrawKind::Text)}});
  // The menu's record line and the note: their Text operations draw the list's second and third
  // texts.
  js += "export const RecordLineComponent = " + std::to_string(N(ComponentId::lblBest)) + ";\n";
  js += "export const NoteComponent = " + std::to_string(N(ComponentId::lblNote)) + ";\n";
  // Bit numbers of the buttons in the mask the game reads a controller by, and where the page
  // finds them.
  js += Frozen("PadButton", {{"DpadLeft", N(PadControl::DpadLeft)},
                             {"DpadRight", N(PadControl::DpadRight)},
                             {"DpadUp", N(PadControl::DpadUp)},
                             {"DpadDown", N(PadControl::DpadDown)},
                             {"South", N(PadControl::South)},
                             {"East", N(PadControl::East)},
                             {"Start", N(PadControl::Start)},
                             {"Back", N(PadControl::Back)}});
  // The Gamepad API's standard mapping: the index of each of those buttons in a pad's buttons.
  const std::array<std::pair<int, PadControl>, PadButtonCount> standard = {{
      {14, PadControl::DpadLeft},
      {15, PadControl::DpadRight},
      {12, PadControl::DpadUp},
      {13, PadControl::DpadDown},
      {0, PadControl::South},
      {1, PadControl::East},
      {9, PadControl::Start},
      {8, PadControl::Back},
  }};
  js += "export const StandardPadButtons = Object.freeze([";
  for (const auto& [index, control] : standard) {
    js += "[" + std::to_string(index) + ", " + std::to_string(N(control)) + "], ";
  }
  js += "]);\n";

  // The calls' kinds, and the record's uses, by the numbers the binding takes.
  js += Frozen("Input", {{"KeyDown", N(PageInput::KeyDown)},
                         {"KeyUp", N(PageInput::KeyUp)},
                         {"MouseMove", N(PageInput::MouseMove)},
                         {"Click", N(PageInput::Click)},
                         {"Resize", N(PageInput::Resize)},
                         {"ReleaseSource", N(PageInput::ReleaseSource)},
                         {"MousePress", N(PageInput::MousePress)},
                         {"MouseRelease", N(PageInput::MouseRelease)},
                         {"MouseCancel", N(PageInput::MouseCancel)},
                         {"PadsLetGo", N(PageInput::PadsLetGo)},
                         {"Hidden", N(PageInput::Hidden)},
                         {"Shown", N(PageInput::Shown)}});
  js += Frozen("RecordUse", {{"Check", N(RecordUse::Check)},
                             {"Kept", N(RecordUse::Kept)},
                             {"Merge", N(RecordUse::Merge)},
                             {"Saved", N(RecordUse::Saved)}});
  js += "export const LabelFontPixels = " + std::to_string(LabelFontPixels) + ";\n";
  js += "export const CueCount = " + std::to_string(CueCount) + ";\n";
  // The play logic's version: a board answers for the runs of its own version only.
  js += "export const LogicVersion = " + std::to_string(PlayLogicVersion) + ";\n";
  // Every stored picture that has pixels: its id, its component's name and whether it is keyed.
  js += "export const Pictures = Object.freeze([";
  for (int id = 0; id < ImageCount; ++id) {
    const PixelSize size = ShippedCatalogue()[static_cast<std::size_t>(id)];
    if (size.width <= 0 || size.height <= 0) continue;
    const auto image = static_cast<ImageId>(id);
    js += "{ id: " + std::to_string(id) + ", name: '" + std::string(ImageName(image)) +
          "', keyed: " + (ImageIsKeyed(image) ? "true" : "false") + " }, ";
  }
  js += "]);\n";

  using IntOp = OpRecord<int32_t>;
  using IntDraw = DrawRecord<int32_t>;
  // Operations: places in numbers of the buffer's kind, the same for whole and fractional ones.
  const Fields op = {AT(IntOp, kind, int32_t),
                     AT(IntOp, clip, int32_t),
                     AT(IntOp, dest, int32_t),
                     AT(IntOp, source, int32_t),
                     AT(IntOp, image, int32_t),
                     AT(IntOp, keyed, int32_t),
                     AT(IntOp, colour, int32_t),
                     AT(IntOp, component, int32_t),
                     AT(IntOp, alpha, int32_t),
                     {"numbers", static_cast<long long>(sizeof(IntOp) / sizeof(int32_t))}};
  // Both draw buffers' header, in bytes, since it holds integers and a double.
  const Fields draw = {AT(DrawHeader, generation, char),      AT(DrawHeader, count, char),
                       AT(DrawHeader, textPointer, char),     AT(DrawHeader, textLength, char),
                       AT(DrawHeader, lineTextPointer, char), AT(DrawHeader, lineTextLength, char),
                       AT(DrawHeader, noteTextPointer, char), AT(DrawHeader, noteTextLength, char),
                       AT(DrawHeader, backgroundLeft, char),  AT(IntDraw, ops, char)};
  const Fields report = {
      AT(ReportRecord, cues, double),          AT(ReportRecord, ticked, double),
      AT(ReportRecord, faded, double),         AT(ReportRecord, pictureChanged, double),
      AT(ReportRecord, recordChanged, double), AT(ReportRecord, backAtMenu, double),
      AT(ReportRecord, clicked, double),       AT(ReportRecord, blended, double),
      AT(ReportRecord, closed, double),        AT(ReportRecord, opacityEnabled, double),
      AT(ReportRecord, opacity, double),       AT(ReportRecord, openEnabled, double),
      AT(ReportRecord, gameEnabled, double),   AT(ReportRecord, openInterval, double),
      AT(ReportRecord, gameInterval, double),  AT(ReportRecord, clientWidth, double),
      AT(ReportRecord, clientHeight, double),  AT(ReportRecord, moving, double),
      AT(ReportRecord, ticks, double),         AT(ReportRecord, deadline, double),
      AT(ReportRecord, generation, double),    AT(ReportRecord, drawList, double),
      AT(ReportRecord, frame, double),         AT(ReportRecord, runStarted, double),
      AT(ReportRecord, watching, double),      AT(ReportRecord, playedBack, double),
      AT(ReportRecord, shareable, double),     AT(ReportRecord, ghostShown, double)};
  const Fields layout = {
      AT(LayoutRecord, scale, double),        AT(LayoutRecord, clientWidth, double),
      AT(LayoutRecord, clientHeight, double), AT(LayoutRecord, playLeft, double),
      AT(LayoutRecord, playTop, double),      AT(LayoutRecord, playWidth, double),
      AT(LayoutRecord, playHeight, double)};
  const Fields player = {
      AT(PlayerRecord, valid, double),          AT(PlayerRecord, best, double),
      AT(PlayerRecord, runs, double),           AT(PlayerRecord, clears, double),
      AT(PlayerRecord, bestRunPointer, double), AT(PlayerRecord, bestRunLength, double)};
  const Fields span = {AT(SpanRecord, pointer, int32_t), AT(SpanRecord, length, int32_t)};
  js += "// Where each field of the records shared with the WebAssembly sits.\n";
  js += "export const Layout = Object.freeze({\n  op: " + Object(op) +
        ",\n  draw: " + Object(draw) + ",\n  report: " + Object(report) +
        ",\n  layout: " + Object(layout) + ",\n  player: " + Object(player) +
        ",\n  span: " + Object(span) + ",\n});\n";
  return js;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: skelvar-game-numbers OUTPUT\n", stderr);
    return 2;
  }
  const std::string js = Module();
  std::FILE* out = std::fopen(argv[1], "wb");
  if (out == nullptr) {
    std::fprintf(stderr, "skelvar-game-numbers: cannot write %s\n", argv[1]);
    return 1;
  }
  const bool written = std::fwrite(js.data(), 1, js.size(), out) == js.size();
  if (std::fclose(out) != 0 || !written) {
    std::fprintf(stderr, "skelvar-game-numbers: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
