// The game's sound in the page: the cues each tick calls for, played from the samples the game's
// own synthesizer renders once, the same as on the desktop. The audio context is made only on the
// player's first key, click or touch, so no browser has sound that starts by itself to warn
// about; without Web Audio, or if it fails, the game plays silently.
import { CueCount } from './game_numbers.js';

const Rate = 48000;

export class Sound {
  constructor(game) {
    this.game = game;
    this.context = null;
    this.output = null;
    this.buffers = [];
    this.playing = new Set();
    this.muted = false;
    this.away = false;
    // Told whenever the player switches the sound off or on, with the new setting.
    this.onMuteToggled = null;
    // Told whenever the setting changes, for the speaker button.
    this.onMuteShown = null;
    const wake = () => this.wake();
    for (const type of ['keydown', 'pointerdown', 'touchstart']) {
      window.addEventListener(type, wake, { capture: true, passive: true });
    }
    // While the page is hidden or without the focus, the sound stops with the game.
    const hidden = () => document.visibilityState === 'hidden';
    window.addEventListener('blur', () => this.setAway(true));
    window.addEventListener('focus', () => this.setAway(hidden()));
    window.addEventListener('pagehide', () => this.setAway(true));
    window.addEventListener('pageshow', () => this.setAway(hidden()));
    document.addEventListener('visibilitychange', () => this.setAway(hidden()));
    this.away = hidden();
    window.addEventListener('keydown', (e) => {
      if (e.code === 'KeyM' && !e.repeat && !e.ctrlKey && !e.altKey && !e.metaKey) this.toggle();
    });
  }

  // The first gesture makes the context; a later one resumes one the browser held back.
  wake() {
    if (this.context) {
      if (!this.away && this.context.state === 'suspended') this.context.resume().catch(() => {});
      return;
    }
    const Context = globalThis.AudioContext ?? globalThis.webkitAudioContext;
    if (!Context) return;
    try {
      // A browser that cannot run at the sounds' own rate converts them.
      try {
        this.context = new Context({ sampleRate: Rate });
      } catch {
        this.context = new Context();
      }
      this.output = this.context.createGain();
      this.output.gain.value = this.muted ? 0 : 1;
      this.output.connect(this.context.destination);
      for (let cue = 0; cue < CueCount; ++cue) {
        const samples = this.game.cueSamples(cue);
        const buffer = this.context.createBuffer(1, samples.length, Rate);
        buffer.getChannelData(0).set(samples);
        this.buffers.push(buffer);
      }
      if (this.away) this.context.suspend().catch(() => {});
    } catch (error) {
      console.warn(`playing without sound: ${error.message}`);
      this.context?.close().catch(() => {});
      this.context = null;
      this.buffers = [];
    }
  }

  // A tick is over: its cues (a bit for each) start now.
  play(cues) {
    if (!cues || !this.context || this.muted || this.away) return;
    for (let cue = 0; cue < CueCount; ++cue) {
      if ((cues & (1 << cue)) === 0) continue;
      const source = this.context.createBufferSource();
      source.buffer = this.buffers[cue];
      source.connect(this.output);
      source.onended = () => this.playing.delete(source);
      this.playing.add(source);
      source.start();
    }
  }

  // The one switch for all sound.
  setMuted(muted) {
    this.muted = muted;
    // What still sounds fades out in a few milliseconds rather than stopping with a click.
    this.output?.gain.setTargetAtTime(muted ? 0 : 1, this.context.currentTime, 0.003);
    this.onMuteShown?.(muted);
  }

  toggle() {
    this.setMuted(!this.muted);
    this.onMuteToggled?.(this.muted);
  }

  setAway(away) {
    if (away === this.away) return;
    this.away = away;
    if (!this.context) return;
    if (away) {
      this.stopAll();
      this.context.suspend().catch(() => {});
    } else {
      this.context.resume().catch(() => {});
    }
  }

  stopAll() {
    for (const source of this.playing) source.stop();
    this.playing.clear();
  }
}
