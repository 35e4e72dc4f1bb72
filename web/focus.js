// The page losing the keyboard or the screen. A key released while the focus is elsewhere never
// reaches the page, so every held key is let go when the focus leaves (blur), when the page is
// hidden (another tab in front) and when it is left (pagehide); while hidden the game is paused.
export function watchFocus({ leave, back, hide, show }) {
  window.addEventListener('blur', () => leave());
  window.addEventListener('focus', () => back());
  document.addEventListener('visibilitychange', () => {
    if (document.visibilityState === 'hidden') {
      leave();
      hide();
    } else {
      show();
    }
  });
  window.addEventListener('pagehide', () => {
    leave();
    hide();
  });
  // A page brought back from the back-forward cache is shown again.
  window.addEventListener('pageshow', () => {
    if (document.visibilityState !== 'hidden') show();
  });
}
