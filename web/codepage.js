// 8-bit text of a Windows code page, one character a byte, both ways. The menu reads bytes, so
// the page never turns the file into another encoding: it shows and writes it in the code page
// the author picks.
const tables = new Map();

function table(codePage) {
  if (!tables.has(codePage)) {
    const decoder = new TextDecoder(`windows-${codePage}`);
    const bytes = Uint8Array.from({ length: 256 }, (_, i) => i);
    const chars = [...decoder.decode(bytes)];
    const encode = new Map(chars.map((c, i) => [c, i]));
    tables.set(codePage, { decoder, encode });
  }
  return tables.get(codePage);
}

export function decode(bytes, codePage) {
  return table(codePage).decoder.decode(bytes);
}

// The bytes of text; characters the code page lacks become "?" and are counted.
export function encode(text, codePage) {
  const { encode: map } = table(codePage);
  const bytes = new Uint8Array(text.length);
  let missing = 0;
  for (let i = 0; i < text.length; i++) {
    const byte = map.get(text[i]);
    if (byte === undefined) missing++;
    bytes[i] = byte ?? 0x3f;
  }
  return { bytes, missing };
}
