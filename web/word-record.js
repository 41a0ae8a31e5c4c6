// The decoder's record of one word, as the WebAssembly glue writes it (decode_glue.cpp): doubles
// at these offsets, RECORD_DOUBLES per word. The bit rate and framing it was read at follow the
// bit count (parity 0 none, 1 even, 2 odd). The bit discriminators follow from BIT_D on, one per
// bit of the word, -1 (clean space) to +1 (clean mark): the decoder's own reading of each bit.
export const RECORD_DOUBLES = 25;
export const RECORD = {
  byte: 0, flags: 1, edge: 2, bitSamples: 3, markLevel: 4, spaceLevel: 5, confidence: 6,
  gapBefore: 7, bitCount: 8, baud: 9, dataBits: 10, parity: 11, stopBits: 12, bitD: 13,
};
