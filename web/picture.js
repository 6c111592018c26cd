// Pictures the menu shows: any image the browser decodes, its pixels taken as they are (no
// colour-space conversion), written as an uncompressed 24-bit bottom-up BMP file.
import { encode } from './codepage.js';

const asStored = { colorSpaceConversion: 'none', premultiplyAlpha: 'none' };

// Chromium decodes SVG only through an image element.
export async function bitmap(file) {
  try {
    return await createImageBitmap(file, asStored);
  } catch {
    const image = new Image();
    image.src = URL.createObjectURL(file);
    try {
      await image.decode();
      return await createImageBitmap(image, asStored);
    } finally {
      URL.revokeObjectURL(image.src);
    }
  }
}

// The image's pixels; what it leaves see-through is laid over white, since a BMP has no alpha.
export async function decodeImage(file) {
  const image = await bitmap(file);
  const { width, height } = image;
  const context = new OffscreenCanvas(width, height).getContext('2d');
  context.fillStyle = '#fff';
  context.fillRect(0, 0, width, height);
  context.drawImage(image, 0, 0);
  image.close();
  return context.getImageData(0, 0, width, height);
}

export function bmpFile({ width, height, data }) {
  const stride = (width * 3 + 3) & ~3;
  const bytes = new Uint8Array(54 + stride * height);
  const header = new DataView(bytes.buffer);
  bytes.set([0x42, 0x4d]);
  header.setUint32(2, bytes.length, true);
  header.setUint32(10, 54, true);
  header.setUint32(14, 40, true);
  header.setInt32(18, width, true);
  header.setInt32(22, height, true); // positive: the bottom row first
  header.setUint16(26, 1, true);
  header.setUint16(28, 24, true);
  header.setUint32(34, stride * height, true);
  for (let y = 0; y < height; y++) {
    let out = 54 + (height - 1 - y) * stride;
    for (let i = y * width * 4; i < (y + 1) * width * 4; i += 4) {
      bytes[out++] = data[i + 2];
      bytes[out++] = data[i + 1];
      bytes[out++] = data[i];
    }
  }
  return bytes;
}

// The folder path of a picture made from a file: pictures/ and the file's name with .bmp, each
// character a file name or the menu's value cannot hold (or the code page lacks) as "_".
export function picturePath(name, codePage) {
  const stem = name.replace(/\.[^.]*$/, '') || 'picture';
  const safe = [...stem].map((c) => (/[\x00-\x1f<>:"/\\|?*[\]]/.test(c) || encode(c, codePage).missing ? '_' : c));
  return `pictures/${safe.join('')}.bmp`;
}
