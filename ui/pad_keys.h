// A controller's key transitions handed to the game, with the repeats its held buttons make: the
// event loop and the controller tests feed the game through these two calls alike.
#pragma once

#include "game/game_main.h"
#include "game/key_repeat.h"
#include "ui/gamepad.h"

namespace skelvar::ui {

inline void DeliverPadKey(TGameMain& game, KeyRepeat& repeats, const KeyTransition& key,
                          double now) {
  if (key.down) {
    game.SourceKeyDown(key.source, key.code);
    repeats.Press(key.source, key.code, now);
  } else {
    game.SourceKeyUp(key.source, key.code);
    repeats.Release(key.source, key.code);
  }
}

// Before a game tick: every button still held whose repeat has come presses its key again, as a
// keyboard's repeat would have between the ticks.
inline int DeliverRepeats(TGameMain& game, KeyRepeat& repeats, double now) {
  return repeats.Due(now, [&game](int source, int code) { game.SourceKeyDown(source, code); });
}

}  // namespace skelvar::ui
