#include "game_main.h"

namespace skelvar {

void TGameMain::FormKeyDown(int key) {
  SourceKeyDown(KeyboardSource, key);
}

void TGameMain::FormKeyUp(int key) {
  SourceKeyUp(KeyboardSource, key);
}

void TGameMain::SourceKeyDown(int source, int key) {
  if (!IsInputSource(source)) return;
  MouseMoved = false;
  if (!IsWatchedKey(key)) return;
  heldKeys.Press(source, key);
  // Every press writes the table, repeats included, so a key still held after a run cleared the
  // table is seen again at its next repeat.
  KeyState[key] = 1;
}

void TGameMain::SourceKeyUp(int source, int key) {
  if (!IsInputSource(source) || !IsWatchedKey(key)) return;
  if (heldKeys.Release(source, key)) KeyState[key] = 0;
}

void TGameMain::ReleaseSource(int source) {
  const uint8_t letGo = heldKeys.ReleaseAll(source);
  for (int key : WatchedKeys) {
    if ((letGo & HeldKeys::Bit(key)) != 0) KeyState[key] = 0;
  }
}

void TGameMain::PollKeys(CommandTarget target) {
  // Each test reads the table afresh: a command that starts a run or returns to the menu
  // clears it and so silences the rest of the tick.
  if (KeyState[VK_UP] || KeyState[VK_DOWN] || KeyState[VK_RETURN] || KeyState[VK_SPACE]) {
    Command(target, 'u');
  }
  if (KeyState[VK_RIGHT]) {
    Command(target, 'r');
  } else if (KeyState[VK_LEFT]) {
    Command(target, 'l');
  }
  if (KeyState[VK_ESCAPE]) Command(target, 'e');
}

void TGameMain::imgBackMouseMove(int32_t x) {
  if (MouseMoved) {
    const double left = scene.pnlGame.left;
    const double width = scene.pnlGame.width;
    if (x < left + width / 4.0) {
      PlayCommand('l');
    } else if (x > left + 3.0 * width / 4.0) {
      PlayCommand('r');
    }
  }
  if (x != LastMouseX) MouseMoved = true;
  LastMouseX = x;
}

void TGameMain::imgBackClick() {
  PlayCommand('u');
}

void TGameMain::imgMenuClick() {
  MenuCommand('u');
}

void TGameMain::MouseMove(int32_t x, int32_t y) {
  if (scene.HitTest(x, y) == ComponentId::imgBack) imgBackMouseMove(x);
}

void TGameMain::MouseClick(int32_t x, int32_t y) {
  switch (scene.HitTest(x, y)) {
    case ComponentId::imgBack:
      imgBackClick();
      break;
    case ComponentId::imgMenu:
    case ComponentId::imgOver:
      imgMenuClick();
      break;
    default:
      break;
  }
}

}  // namespace skelvar
