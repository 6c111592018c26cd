// Pictures of a button without artwork: its text on a filled shape, in the four states the menu
// shows; and the same states made from one picture.

export const colours = {
  Blue: ['#2f5fb3', '#ffffff'],
  Green: ['#2e7d4f', '#ffffff'],
  Orange: ['#d9731f', '#ffffff'],
  Light: ['#eeeeee', '#202020'],
  Dark: ['#303030', '#f4f4f4'],
};
export const sizes = { Small: [120, 32], Medium: [160, 40], Large: [220, 52] };
export const corners = { Square: 0, Rounded: 6, Round: 14 };

const rgb = (hex) => [1, 3, 5].map((i) => parseInt(hex.slice(i, i + 2), 16));
const mix = (colour, target, share) => colour.map((v) => Math.round(v + (target - v) * share));
const grey = ([r, g, b]) => Math.round(0.299 * r + 0.587 * g + 0.114 * b);

const lighter = (colour) => mix(colour, 255, 0.3);
const darker = (colour) => mix(colour, 0, 0.3);
const faded = (colour) => mix([grey(colour)], 170, 0.5)[0]; // grey, nearer the middle

// Per state: the fill, the text's colour and how far the shape moves down.
const states = {
  normal: (fill, ink) => [fill, ink, 0],
  hover: (fill, ink) => [lighter(fill), lighter(ink), 0],
  pressed: (fill, ink) => [darker(fill), darker(ink), 1],
  disabled: (fill, ink) => {
    const shade = faded(fill);
    return [[shade, shade, shade], mix([grey(ink), grey(ink), grey(ink)], shade, 0.6), 0];
  },
};
export const stateNames = Object.keys(states);

// The same states made from a picture (ImageData with alpha), pixel by pixel, its alpha kept;
// the pressed one a pixel lower, its top row see-through.
const recoloured = {
  normal: (colour) => colour,
  hover: lighter,
  pressed: darker,
  disabled: (colour) => Array(3).fill(faded(colour)),
};
export function pictureStates({ width, height, data }) {
  const pictures = {};
  for (const [name, recolour] of Object.entries(recoloured)) {
    const out = new ImageData(width, height);
    const down = name === 'pressed' ? width * 4 : 0;
    for (let i = 0; i + down < data.length; i += 4) {
      out.data.set(recolour([data[i], data[i + 1], data[i + 2]]), i + down);
      out.data[i + down + 3] = data[i + 3];
    }
    pictures[name] = out;
  }
  return pictures;
}

// { normal, hover, pressed, disabled } as ImageData, see-through around the shape, which leaves
// the bottom row free for the pressed picture.
export function buttonPictures(text, { colour, size, corner }) {
  const [width, height] = sizes[size];
  const [fill, ink] = colours[colour].map(rgb);
  const pictures = {};
  for (const [name, state] of Object.entries(states)) {
    const [shapeFill, textFill, down] = state(fill, ink);
    const context = new OffscreenCanvas(width, height).getContext('2d');
    context.fillStyle = `rgb(${shapeFill})`;
    context.beginPath();
    context.roundRect(0, down, width, height - 1, corners[corner]);
    context.fill();
    context.fillStyle = `rgb(${textFill})`;
    context.font = `600 ${Math.round(height * 0.4)}px sans-serif`;
    context.textAlign = 'center';
    context.textBaseline = 'middle';
    context.fillText(text, width / 2, down + (height - 1) / 2, width - 12);
    pictures[name] = context.getImageData(0, 0, width, height);
  }
  return pictures;
}
