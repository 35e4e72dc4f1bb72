// The page's first script, small so that it runs while the rest of the code is still on its way:
// it asks at once for what the game cannot start without (the menu picture, the code and the
// font first, then the stage's background and frames), so the link is never idle.
import { startEarly } from './loader.js';
import { PictureFiles } from './picture-files.js';

const picture = (name) => PictureFiles[name]?.[0];

startEarly(picture('imgMenu'), 'high');
startEarly('skelvar.wasm', 'high');
startEarly('label.woff2', 'high');
startEarly(picture('imgBack'), 'auto');
// The frames are the pictures the site holds as PNG.
for (const [file] of Object.values(PictureFiles)) {
  if (file.endsWith('.png')) startEarly(file, 'auto');
}
