// The page's first script, small so that it runs while the rest of the code is still on its way:
// it asks at once for what the menu cannot show without (the menu picture, the code and the
// font), so the link is never idle. The stage's pictures follow once these are nearly in, so they
// do not share the link with them.
import { startEarly } from './loader.js';
import { PictureFiles } from './picture-files.js';

startEarly(PictureFiles.imgMenu[0], 'high');
startEarly('skelvar.wasm', 'high');
startEarly('label.woff2', 'high');
