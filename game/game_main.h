// The main window's logic: the run state, the scene and every handler of the game.
#pragma once

#include <array>
#include <cstdint>

#include "happenings.h"
#include "held_keys.h"
#include "images.h"
#include "platform.h"
#include "scene.h"
#include "world.h"

namespace skelvar {

enum GameStateValue : int32_t {
  StateMenu = -1,
  StatePlaying = 0,
  StateOutcome = 1,
  StateFinished = 2,
};

// The fields a run's start leaves as it found it, as start_fields.h walks them.
inline constexpr int StartFieldCount = 161;
using StartFields = std::array<int32_t, StartFieldCount>;

// A command handler: MenuCommand or PlayCommand.
enum class CommandTarget { Menu, Play };

class TGameMain {
 public:
  // The clock, the random generator and the text measure must outlive this object.
  TGameMain(Clock& clock, Random& random, const TextMeasurer& measurer,
            const ImageCatalogue& catalogue = ShippedCatalogue());

  // Start-up and layout. The frontend sets scene.window.clientWidth/Height before FormCreate
  // and before every FormResize.
  void FormCreate();
  void FormResize();
  void LayoutPanels();
  void timOpenTimer();

  // The 50 ms tick: poll the held keys, then advance play or the outcome sequence.
  void timGameTimer();

  // Input. FormKeyDown and FormKeyUp are the keyboard's; the touch screen and each controller
  // press and release through SourceKeyDown and SourceKeyUp with their own source number, so a
  // key stays in KeyState while any source still holds it.
  void FormKeyDown(int key);
  void FormKeyUp(int key);
  void SourceKeyDown(int source, int key);
  void SourceKeyUp(int source, int key);
  // A source lets go of every key it holds at once (focus lost, a controller unplugged).
  void ReleaseSource(int source);
  // x is the cursor's horizontal position in the main window's client coordinates.
  void imgBackMouseMove(int32_t x);
  void imgBackClick();
  void imgMenuClick();

  // Routes a mouse event at a client point to the component under it, as the window does.
  void MouseMove(int32_t x, int32_t y);
  void MouseClick(int32_t x, int32_t y);

  // Game flow.
  void MenuCommand(char command);
  void PlayCommand(char command);
  void Command(CommandTarget target, char command);
  void StartGame();
  void ReturnToMenu();
  void GameStep();
  void OutcomeFrame();

  // The per-actor update of one step.
  void ApplyBehaviour(int i, int32_t distance, int32_t side);
  void ApplyBody(int i, int32_t distance);

  // Run state.
  int32_t GameState = 0;
  int32_t TickCount = 0;
  int32_t HitIndex = 0;
  double StartTime = 0.0;
  // Monotonic clock reading at the start of the run, for the clear time.
  double StartMonotonic = 0.0;
  int32_t CameraX = 0;
  int32_t CameraY = 0;
  std::array<int32_t, ActorCount> PosX{};
  std::array<int32_t, ActorCount> PosY{};
  std::array<double, ActorCount> VelX{};
  std::array<double, ActorCount> VelY{};
  std::array<int32_t, ActorCount> Facing{};
  std::array<uint8_t, 256> KeyState{};
  // What happened since a frontend last took it (TakeHappenings); never read by the play itself.
  Happenings happened;
  // Which source holds which key; KeyState is what the polling reads.
  HeldKeys heldKeys;
  bool MouseMoved = false;
  int32_t LastMouseX = 0;
  // Where the last run started: its fields as the start left them and the random generator's
  // draws by then, for a record of the run to start from.
  StartFields startFields{};
  uint64_t startDraws = 0;

  // The window's components.
  Scene scene;

  // Picture references bound at start-up: entry facing * 11 + actor.
  std::array<ImageId, 2 * ActorCount> Frame0Pictures{};
  std::array<ImageId, 2 * ActorCount> Frame1Pictures{};
  std::array<ImageId, ActorCount> FirstOutcomePictures{};
  std::array<ImageId, ActorCount> SecondOutcomePictures{};

  // The menu's record line; an empty text shows no line.
  void SetRecordLine(std::string_view text);

  // What happened since the last call, and nothing from now on.
  Happenings TakeHappenings() {
    const Happenings h = happened;
    happened = {};
    return h;
  }

  // Whether the window has been closed (the program is to end).
  bool Closed() const { return scene.window.closed; }

 private:
  Picture& ActorImage(int i) { return scene.imgEm[i]; }
  const Picture& ActorImage(int i) const { return scene.imgEm[i]; }
  // Makes a picture show a copy of a stored image, sizing itself to it when the image has pixels.
  void ShowImage(Picture& picture, ImageId image);
  void ShowFrame(int i, int frame);
  void SetLabelText(std::string_view text);
  void SetLabelClearTime(std::string_view pattern, int64_t seconds);
  void FitOutcomeFrame();
  void PollKeys(CommandTarget target);
  int32_t GroundLine(int i) const {
    return WorldHeight - ActorImage(i).height - StartHeight[i] - GroundMargin;
  }
  int32_t FloorLine(int i) const { return WorldHeight - ActorImage(i).height - GroundMargin; }

  Clock& clock_;
  Random& random_;
  const TextMeasurer& measurer_;
  const ImageCatalogue& catalogue_;
};

}  // namespace skelvar
