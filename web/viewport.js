// The canvas covers the browser's viewport: its CSS size is the viewport's, its backing store the
// same in device pixels. The loading bar and the game's window both size it here, and a change of
// either (a resized window, the page dragged to a screen of another pixel ratio) is watched here.

// The viewport's CSS size, without scroll bars.
export function viewportSize() {
  return [document.documentElement.clientWidth || window.innerWidth,
    document.documentElement.clientHeight || window.innerHeight];
}

// Sizes the canvas to the viewport; returns its CSS size and the device pixels per CSS pixel.
export function sizeCanvas(canvas) {
  const [width, height] = viewportSize();
  const ratio = window.devicePixelRatio || 1;
  canvas.style.width = `${width}px`;
  canvas.style.height = `${height}px`;
  // Set only when they change: setting a canvas's size clears it.
  const backingWidth = Math.max(1, Math.round(width * ratio));
  const backingHeight = Math.max(1, Math.round(height * ratio));
  if (canvas.width !== backingWidth) canvas.width = backingWidth;
  if (canvas.height !== backingHeight) canvas.height = backingHeight;
  return { width, height, ratio };
}

// Calls changed() after every resize and every change of the device pixel ratio. A ratio query
// matches one ratio only, so each change watches the new one afresh.
export function watchViewport(changed) {
  window.addEventListener('resize', () => changed());
  const watchRatio = () => {
    matchMedia(`(resolution: ${window.devicePixelRatio}dppx)`).addEventListener('change', () => {
      changed();
      watchRatio();
    }, { once: true });
  };
  watchRatio();
}
