// WAV files read in the worker, a piece at a time, so that a recording of any length decodes in
// constant memory. Samples become the 16-bit values qirvex-rescue reads from the same file:
// integers keep their top 16 bits as libsndfile gives them (8-bit unsigned centred and shifted
// up, 24 and 32-bit shifted down), floating-point samples go to the decoder's own conversion.
// Anything else (compressed WAV, broken headers) is left to the browser's audio decoder.

const PCM = 1;
const IEEE_FLOAT = 3;
const EXTENSIBLE = 0xfffe;
// A header larger than this is not looked through for the data chunk.
const HEADER_SEARCH_BYTES = 1 << 20;

function tag(view, offset) {
  return String.fromCharCode(view.getUint8(offset), view.getUint8(offset + 1),
                             view.getUint8(offset + 2), view.getUint8(offset + 3));
}

function readFormat(view, offset) {
  let formatTag = view.getUint16(offset, true);
  const channels = view.getUint16(offset + 2, true);
  const rate = view.getUint32(offset + 4, true);
  const bits = view.getUint16(offset + 14, true);
  // WAVE_FORMAT_EXTENSIBLE keeps the real tag in the first two bytes of its subformat GUID.
  if (formatTag === EXTENSIBLE) formatTag = view.getUint16(offset + 24, true);
  return { formatTag, channels, rate, bits };
}

function isReadable(format) {
  const { formatTag, channels, rate, bits } = format;
  const bitsFit = formatTag === PCM ? [8, 16, 24, 32].includes(bits)
                : formatTag === IEEE_FLOAT ? [32, 64].includes(bits) : false;
  return bitsFit && channels >= 1 && rate >= 8000 && rate <= 192000;
}

// The layout of a WAV file this reader can stream, or null: { rate, channels, bits, isFloat,
// dataStart, dataBytes, frames, isCut }. isCut: the data chunk declares more than the file holds.
export async function readWavLayout(file) {
  const head = new DataView(await file.slice(0, HEADER_SEARCH_BYTES).arrayBuffer());
  if (head.byteLength < 12 || tag(head, 0) !== 'RIFF' || tag(head, 8) !== 'WAVE') return null;
  let format = null;
  for (let offset = 12; offset + 8 <= head.byteLength;) {
    const id = tag(head, offset);
    const size = head.getUint32(offset + 4, true);
    if (id === 'fmt ' && offset + 8 + 16 <= head.byteLength && size >= 16) {
      format = readFormat(head, offset + 8);
    } else if (id === 'data') {
      if (!format || !isReadable(format)) return null;
      const dataStart = offset + 8;
      const available = file.size - dataStart;
      const declared = size === 0 || size === 0xffffffff ? available : size;
      const frameBytes = format.channels * format.bits / 8;
      const dataBytes = Math.min(declared, available);
      return { ...format, isFloat: format.formatTag === IEEE_FLOAT, dataStart, dataBytes,
               frames: Math.floor(dataBytes / frameBytes), isCut: declared > available };
    }
    offset += 8 + size + (size & 1);
  }
  return null;
}

// Converts whole frames of raw little-endian samples into `out` (an Int16Array for integer
// files, a Float64Array for floating-point ones); returns the number of samples written.
export function convertSamples(layout, bytes, out) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const width = layout.bits / 8;
  const count = Math.floor(bytes.byteLength / (width * layout.channels)) * layout.channels;
  for (let n = 0, at = 0; n < count; ++n, at += width) {
    switch (layout.bits) {
      case 8: out[n] = layout.isFloat ? 0 : (view.getUint8(at) - 128) << 8; break;
      case 16: out[n] = view.getInt16(at, true); break;
      case 24: out[n] = ((view.getUint8(at + 2) << 24) | (view.getUint8(at + 1) << 16)) >> 16; break;
      case 32: out[n] = layout.isFloat ? view.getFloat32(at, true) : view.getInt32(at, true) >> 16;
        break;
      case 64: out[n] = view.getFloat64(at, true); break;
    }
  }
  return count;
}
