// The audio thread's part of listening: it gathers the input's render quanta (128 frames) into
// blocks of about a tenth of a second and posts each, interleaved, to the worker's port. It does
// no other work, so that nothing on the audio thread can fall behind.

// Frames per block posted: at 48000 Hz, 85 ms, so the listing follows the tape closely.
const BLOCK_FRAMES = 4096;

class CaptureTap extends AudioWorkletProcessor {
  constructor(options) {
    super();
    this.channels = options.processorOptions.channels;
    this.block = new Float32Array(BLOCK_FRAMES * this.channels);
    this.filled = 0;
    this.target = null;
    this.port.onmessage = (event) => { this.target = event.data.port; };
  }

  process(inputs) {
    const input = inputs[0];
    const frames = input.length > 0 ? input[0].length : 0;
    for (let n = 0; n < frames; ++n) {
      // A mono input is heard on every channel the worker expects.
      for (let c = 0; c < this.channels; ++c)
        this.block[this.filled * this.channels + c] = input[Math.min(c, input.length - 1)][n];
      if (++this.filled === BLOCK_FRAMES) this.send();
    }
    return true;
  }

  send() {
    if (this.target) this.target.postMessage(this.block, [this.block.buffer]);
    this.block = new Float32Array(BLOCK_FRAMES * this.channels);
    this.filled = 0;
  }
}

registerProcessor('capture-tap', CaptureTap);
