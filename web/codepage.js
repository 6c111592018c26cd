// The encodings the page reads and writes autorun.ini in: 8-bit text of a Windows code page, one
// character a byte, or 'utf-8', whose file starts with the byte-order mark. Which bytes make a
// UTF-8 file the menu decides (Menu.isUtf8).
const tables = new Map();
const mark = [0xef, 0xbb, 0xbf];

function table(codePage) {
  if (!tables.has(codePage)) {
    const decoder = new TextDecoder(`windows-${codePage}`);
    const bytes = Uint8Array.from({ length: 256 }, (_, i) => i);
    // Byte of each UTF-16 code unit, -1 where the code page has none: a look-up a character.
    const encode = new Int16Array(65536).fill(-1);
    [...decoder.decode(bytes)].forEach((c, i) => (encode[c.charCodeAt(0)] = i));
    tables.set(codePage, { decoder, encode });
  }
  return tables.get(codePage);
}

// The text of the file, without its byte-order mark.
export function decode(bytes, encoding) {
  if (encoding === 'utf-8') return new TextDecoder('utf-8', { ignoreBOM: true }).decode(bytes.subarray(mark.length));
  return table(encoding).decoder.decode(bytes);
}

// The bytes of text; characters the code page lacks become "?" and are counted.
export function encode(text, encoding) {
  if (encoding === 'utf-8') {
    const body = new TextEncoder().encode(text);
    const bytes = new Uint8Array(mark.length + body.length);
    bytes.set(mark);
    bytes.set(body, mark.length);
    return { bytes, missing: 0 };
  }
  const { encode: map } = table(encoding);
  const bytes = new Uint8Array(text.length);
  let missing = 0;
  for (let i = 0; i < text.length; i++) {
    const byte = map[text.charCodeAt(i)];
    if (byte < 0) missing++;
    bytes[i] = byte < 0 ? 0x3f : byte;
  }
  return { bytes, missing };
}

// The places in text of the byte offsets the menu reports in the file it holds (after the
// mark): a function from byte offset to text offset.
export function textOffsets(text, encoding) {
  if (encoding !== 'utf-8') return (offset) => offset;
  const places = new Int32Array(new TextEncoder().encode(text).length + 1);
  let byte = 0;
  for (let i = 0; i < text.length; i++) {
    const code = text.codePointAt(i);
    const size = code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
    for (let k = 0; k < size; k++) places[byte + k] = i;
    byte += size;
    if (code >= 0x10000) i++;
  }
  places[byte] = text.length;
  return (offset) => places[offset];
}
