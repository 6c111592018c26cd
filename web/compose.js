// Button pictures with see-through parts. A BMP has no alpha, so the page lays the image over the
// background at the button's place; it keeps the image in source/ beside the BMP, under the
// BMP's name with the image's ending (pictures/logo.bmp: pictures/source/logo.png), and lays it
// again whenever the button moves or the background changes.
import { pictureStates } from './button_art.js';
import { bitmap, bmpFile, decodeImage, decodeWithAlpha, picturePath, pngFile } from './picture.js';

const folderPath = (name) => name.replaceAll('\\', '/').replace(/^(\.\/)+/, '');
const folderOf = (path) => path.slice(0, path.lastIndexOf('/') + 1);
const stem = (path) => path.slice(path.lastIndexOf('/') + 1).replace(/\.[^.]*$/, '');
// A source by its folder and name without the ending, in lower case; a picture's is in source/.
const sourceKey = (path) => `${folderOf(path)}${stem(path)}`.toLowerCase();
const pictureSource = (path) => sourceKey(`${folderOf(path)}source/${stem(path)}`);
const asBlob = ({ path, bytes }) => new Blob([bytes], { type: /\.svg$/i.test(path) ? 'image/svg+xml' : '' });
const same = (a, b) => a.length === b.length && a.every((byte, i) => byte === b[i]);

function put(page, path, bytes, owner) {
  page.folder.put(path, bytes, owner);
  page.menu.putFile(path, bytes);
}

// The source image laid over the background's pixels from (left, top) on, white beyond them.
async function composite(source, background, left, top) {
  const image = await bitmap(asBlob(source));
  const { width, height } = image;
  const context = new OffscreenCanvas(width, height).getContext('2d');
  context.fillStyle = '#fff';
  context.fillRect(0, 0, width, height);
  if (background) context.putImageData(background, -left, -top);
  context.drawImage(image, 0, 0);
  image.close();
  return context.getImageData(0, 0, width, height);
}

// The background the menu shows, as ImageData, or null; decoded once per file.
let under = { bytes: null, image: null };
async function background(page) {
  const bytes = page.folder.get(folderPath(page.layout.main.backgroundName ?? ''))?.bytes ?? null;
  if (under.bytes !== bytes) under = { bytes, image: bytes && (await decodeImage(new Blob([bytes])).catch(() => null)) };
  return under;
}

// Writes the BMP of an image (bytes of a file called name) for a button at (left, top), and
// keeps the image as its source; owner names the button and state, so that the same choice
// again keeps the name. Returns the BMP's path; throws for what is no image.
export async function keepPicture(page, name, bytes, owner, left, top) {
  const path = page.folder.nameFor(picturePath(name, page.codePage), owner);
  const source = { path: `${folderOf(path)}source/${stem(path)}${/\.[^./]*$/.exec(name)?.[0] ?? ''}`, bytes };
  const picture = bmpFile(await composite(source, (await background(page)).image, left, top));
  put(page, source.path, bytes, owner);
  put(page, path, picture, owner);
  return path;
}

// The four pictures of a button made from one image, as keepPicture writes them, at the place
// placeFor(width, height) gives: { left, top, paths: { normal, hover, pressed, disabled } }, or
// null for what is no image.
export async function keepPictureStates(page, name, bytes, owner, placeFor) {
  let states;
  try {
    states = pictureStates(await decodeWithAlpha(asBlob({ path: name, bytes })));
  } catch {
    return null;
  }
  const { left, top } = placeFor(states.normal.width, states.normal.height);
  const paths = { normal: await keepPicture(page, name, bytes, `${owner} normal`, left, top) };
  for (const state of ['hover', 'pressed', 'disabled'])
    paths[state] = await keepPicture(page, `${stem(name)}-${state}.png`, await pngFile(states[state]), `${owner} ${state}`, left, top);
  return { left, top, paths };
}

// The folder's source images by sourceKey.
function sourcesOf(page) {
  const sources = new Map();
  for (const file of page.folder.files())
    if (/(^|\/)source\/[^/]*$/i.test(file.path)) sources.set(sourceKey(file.path), file);
  return sources;
}

// A copy of a button names its original's pictures, which are laid where the original stands.
// The copy gets pictures of its own from the same sources, laid at its place: for each slot of
// button index whose picture has a source, [slot, the new BMP's path].
export async function ownPictures(page, index) {
  const place = page.layout.buttons[index];
  const at = page.menu.buttons()[index];
  const sources = sourcesOf(page);
  const made = [];
  for (const [slot, { name }] of (at && place ? place.pictures : []).entries()) {
    const source = name && sources.get(pictureSource(folderPath(name)));
    if (!source) continue;
    const file = source.path.slice(source.path.lastIndexOf('/') + 1);
    made.push([slot, await keepPicture(page, file, source.bytes, `Button${index + 1} ${slot}`, at.left, at.top)]);
  }
  return made;
}

// Lays every picture that has a source over the background again where the button that shows it
// (the first, where several do) now stands or the background changed; true when a BMP changed,
// which the menu then has to read anew.
const made = new Map(); // a BMP's path in lower case: what it was last laid from
export async function recompose(page) {
  const sources = sourcesOf(page);
  if (sources.size === 0) return false;
  const { bytes: backgroundBytes, image } = await background(page);
  const shown = page.menu.buttons();
  const done = new Set();
  let changed = false;
  for (const [index, button] of page.layout.buttons.entries()) {
    const at = shown[index];
    for (const { name } of button.pictures) {
      const path = folderPath(name);
      const source = sources.get(pictureSource(path));
      if (!at || !name || !source || done.has(path.toLowerCase())) continue;
      done.add(path.toLowerCase());
      const from = { left: at.left, top: at.top, under: backgroundBytes, source: source.bytes };
      const last = made.get(path.toLowerCase());
      if (last && Object.keys(from).every((key) => from[key] === last[key])) continue;
      made.set(path.toLowerCase(), from);
      let picture;
      try {
        picture = bmpFile(await composite(source, image, at.left, at.top));
      } catch {
        continue;
      }
      const old = page.folder.get(path);
      if (old && same(old.bytes, picture)) continue;
      put(page, old?.path ?? path, picture, old?.source);
      changed = true;
    }
  }
  return changed;
}
