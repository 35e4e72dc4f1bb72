// The speaker button in the bottom right corner: all sound off and on, drawn with the pen like the game's
// pictures. It never takes the keyboard from the game: a press does not focus it.
const Ink = 'fill="none" stroke="currentColor" stroke-width="2.2" stroke-linecap="round" stroke-linejoin="round"';
const Body = `<path ${Ink} d="M4 9.5h4l5-4.2v13.4l-5-4.2H4z"/>`;
const Waves = `<path ${Ink} d="M16 9.2q1.8 2.8 0 5.6M18.6 6.8q3.6 5.2 0 10.4"/>`;
const Cross = `<path ${Ink} d="M16.2 9.4l5 5.2M21.2 9.4l-5 5.2"/>`;

export function addSpeakerButton(sound) {
  const button = document.createElement('button');
  button.id = 'speaker';
  button.type = 'button';
  button.setAttribute('aria-label', '消音');
  const show = (muted) => {
    button.setAttribute('aria-pressed', String(muted));
    button.innerHTML = `<svg viewBox="0 0 24 24" aria-hidden="true">${Body}${muted ? Cross : Waves}</svg>`;
  };
  show(sound.muted);
  sound.onMuteShown = show;
  button.addEventListener('pointerdown', (e) => e.preventDefault());
  button.addEventListener('mousedown', (e) => e.preventDefault());
  button.addEventListener('click', () => sound.toggle());
  document.body.append(button);
  return sound;
}
