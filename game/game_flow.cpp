#include <cmath>

#include "arith.h"
#include "game_main.h"
#include "start_fields.h"
#include "texts.h"

namespace skelvar {

void TGameMain::timGameTimer() {
  // The handler is chosen once, so a run started by the first command of a tick does not
  // hand the later commands of that tick to the play handler.
  const CommandTarget target = scene.pnlMenu.visible ? CommandTarget::Menu : CommandTarget::Play;
  PollKeys(target);
  if (GameState == StatePlaying) {
    GameStep();
  } else if (GameState == StateOutcome) {
    OutcomeFrame();
  }
}

void TGameMain::Command(CommandTarget target, char command) {
  if (target == CommandTarget::Menu) {
    MenuCommand(command);
  } else {
    PlayCommand(command);
  }
}

void TGameMain::MenuCommand(char command) {
  switch (command) {
    case 'e':
      scene.window.closed = true;
      break;
    case 'l':
    case 'r':
    case 'u':
      StartGame();
      break;
    default:
      break;
  }
}

void TGameMain::PlayCommand(char command) {
  if (GameState == StatePlaying) {
    switch (command) {
      case 'e':
        ReturnToMenu();
        break;
      case 'l':
        VelX[0] = -Speed[0];
        break;
      case 'r':
        VelX[0] = Speed[0];
        break;
      case 'u':
        if (VelY[0] == 0.0) {
          VelY[0] = -Trunc(Jump[0] / 2.0);
          happened.Note(Happening::Jumped);
        }
        break;
      default:
        break;
    }
  } else if (GameState == StateFinished) {
    ReturnToMenu();
  }
}

void TGameMain::StartGame() {
  scene.pnlMenu.visible = false;
  scene.imgOver.top = scene.pnlGame.height;
  scene.shpOver.top = scene.imgOver.top;
  TickCount = 0;
  GameState = StatePlaying;
  happened.Note(Happening::RunStarted);
  ++happened.runsStarted;
  StartTime = clock_.LocalDateTimeDays();
  StartMonotonic = clock_.MonotonicSeconds();
  CameraX = 0;
  CameraY = 0;
  SetLabelText(StartHint);
  for (int i = 0; i < ActorCount; ++i) {
    VelX[i] = 0.0;
    VelY[i] = 0.0;
    PosX[i] = StartX[i];
    PosY[i] = GroundLine(i);
    Facing[i] = 0;
  }
  KeyState.fill(0);
  startFields = ReadStartFields(*this);
  startDraws = random_.Draws();
}

void TGameMain::ReturnToMenu() {
  scene.pnlMenu.visible = true;
  scene.pnlGame.visible = false;
  GameState = StateMenu;
  KeyState.fill(0);
  happened.Note(Happening::BackToMenu);
}

void TGameMain::FitOutcomeFrame() {
  const Picture& over = scene.imgOver;
  scene.shpOver.left = over.left - 1;
  scene.shpOver.width = over.width + 2;
  scene.shpOver.height = over.height + 2;
}

void TGameMain::OutcomeFrame() {
  ++TickCount;
  const int32_t W = scene.pnlGame.width;
  const int32_t H = scene.pnlGame.height;
  Picture& over = scene.imgOver;
  Label& label = scene.lblMsg;
  const bool won = Outcome[HitIndex] == 1;

  if (TickCount == 5) {
    ShowImage(over, FirstOutcomePictures[HitIndex]);
    over.visible = true;
    over.left = RoundEven(W / 2.0 - over.width / 2.0);
    FitOutcomeFrame();
    if (won) {
      SetLabelText(ClearCries[random_.Below(static_cast<int32_t>(ClearCries.size()))]);
    } else {
      SetLabelText(OverCries[random_.Below(static_cast<int32_t>(OverCries.size()))]);
    }
    label.left = Trunc(W / 2.0 - label.width / 2.0);
    happened.Note(Happening::OutcomePicture);
  } else if (TickCount == 45) {
    ShowImage(over, SecondOutcomePictures[HitIndex]);
    FitOutcomeFrame();
    // Elapsed time comes from the monotonic clock so that a clock change during the run cannot
    // make it wrong; rounding to the microsecond first keeps float noise from losing a second.
    const double elapsed = std::fabs(clock_.MonotonicSeconds() - StartMonotonic);
    const int64_t seconds = std::llround(elapsed * 1e6) / 1000000;
    SetLabelClearTime(ResultTexts[Outcome[HitIndex]], seconds);
    if (won) happened.clearSeconds = seconds;
    label.left = Trunc(W / 2.0 - label.width / 2.0);
    happened.Note(Happening::OutcomePicture);
    happened.Note(Happening::ResultShown);
  } else if (TickCount == 60) {
    GameState = StateFinished;
    return;
  }

  int32_t from = 0, to = 0, t0 = 0;
  const int32_t Ph = over.height;
  const int32_t Ym = RoundEven(H / 2.0 - Ph / 2.0);
  if (TickCount >= 5 && TickCount <= 15) {
    from = H, to = Ym, t0 = 5;
  } else if (TickCount >= 35 && TickCount <= 45) {
    from = Ym, to = -Ph, t0 = 35;
  } else if (TickCount >= 45 && TickCount <= 55) {
    from = H, to = Ym, t0 = 45;
  } else {
    return;
  }
  over.top = RoundEven(static_cast<double>(to - from) / 10.0 * (TickCount - t0) + from);
  scene.shpOver.top = over.top - 1;
  label.top = over.top + Ph - 2 * label.height;
}

}  // namespace skelvar
