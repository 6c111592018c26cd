// The window's icon from any image the browser decodes: an .ico file of a 32 x 32 and a 16 x 16
// picture, each 32-bit with its alpha and an AND mask. Windows loads the first at the size stored
// in it, as the menu asks for; the mask serves systems that ignore the alpha.
const sizes = [32, 16];

function scaled(image, size) {
  const context = new OffscreenCanvas(size, size).getContext('2d');
  context.drawImage(image, 0, 0, size, size);
  return context.getImageData(0, 0, size, size).data;
}

export function icoFile(image) {
  const maskStride = (size) => Math.ceil(size / 32) * 4;
  const imageSize = (size) => 40 + size * size * 4 + maskStride(size) * size;
  const total = 6 + 16 * sizes.length + sizes.reduce((sum, size) => sum + imageSize(size), 0);
  const bytes = new Uint8Array(total);
  const view = new DataView(bytes.buffer);
  view.setUint16(2, 1, true); // an icon, not a cursor
  view.setUint16(4, sizes.length, true);
  let at = 6 + 16 * sizes.length;
  sizes.forEach((size, i) => {
    const entry = 6 + 16 * i;
    bytes[entry] = size;
    bytes[entry + 1] = size;
    view.setUint16(entry + 4, 1, true);
    view.setUint16(entry + 6, 32, true);
    view.setUint32(entry + 8, imageSize(size), true);
    view.setUint32(entry + 12, at, true);
    view.setUint32(at, 40, true);
    view.setInt32(at + 4, size, true);
    view.setInt32(at + 8, size * 2, true); // the colour picture and the mask together
    view.setUint16(at + 12, 1, true);
    view.setUint16(at + 14, 32, true);
    view.setUint32(at + 20, imageSize(size) - 40, true);
    const pixels = scaled(image, size);
    const mask = at + 40 + size * size * 4;
    for (let y = 0; y < size; y++) {
      let out = at + 40 + (size - 1 - y) * size * 4;
      for (let x = 0; x < size; x++) {
        const i = (y * size + x) * 4;
        bytes.set([pixels[i + 2], pixels[i + 1], pixels[i], pixels[i + 3]], out);
        out += 4;
        if (pixels[i + 3] < 128) bytes[mask + (size - 1 - y) * maskStride(size) + (x >> 3)] |= 0x80 >> (x & 7);
      }
    }
    at += imageSize(size);
  });
  return bytes;
}
