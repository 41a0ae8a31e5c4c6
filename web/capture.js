// Listening: the microphone or line input through an AudioWorklet, whose blocks go straight to
// the worker on a port of their own, so that the page's thread never handles audio.

// The worker is given two channels: a stereo line input keeps both for the decoder to choose
// from, and a mono one is heard on both.
const CAPTURE_CHANNELS = 2;

function refusal(error) {
  switch (error?.name) {
    case 'NotAllowedError':
    case 'SecurityError':
      return 'The microphone was refused. Allow this page to use the microphone or line input (in the address bar\'s site settings) and press Listen again.';
    case 'NotFoundError':
    case 'OverconstrainedError':
      return 'No microphone or line input was found. Connect one and press Listen again.';
    case 'NotReadableError':
      return 'The microphone or line input is in use by another program, or could not be opened.';
    default:
      return `The microphone could not be opened: ${error?.message ?? error}`;
  }
}

// Starts listening; resolves to { stop } or rejects with an Error whose message is for the page.
// `onOpened` runs once the input is open, just before the worker starts decoding it.
export async function startCapture(worker, settings, onOpened) {
  if (typeof AudioWorkletNode === 'undefined' || !window.AudioContext)
    throw new Error('This browser has no AudioWorklet, which listening needs. Record the machine with another program and choose the recording instead, or use a current browser.');
  if (!navigator.mediaDevices?.getUserMedia)
    throw new Error('This browser gives no access to the microphone here. Open the page from https:// or from localhost.');
  let stream;
  try {
    stream = await navigator.mediaDevices.getUserMedia({
      audio: { echoCancellation: false, noiseSuppression: false, autoGainControl: false },
    });
  } catch (error) {
    throw new Error(refusal(error));
  }
  const context = new AudioContext();
  await context.audioWorklet.addModule(new URL('capture-worklet.js', import.meta.url));
  const source = context.createMediaStreamSource(stream);
  const tap = new AudioWorkletNode(context, 'capture-tap', {
    numberOfInputs: 1, numberOfOutputs: 1, channelCount: CAPTURE_CHANNELS,
    channelCountMode: 'explicit', processorOptions: { channels: CAPTURE_CHANNELS },
  });
  // The tap feeds a silent gain into the output, so that the graph keeps it running.
  const silence = new GainNode(context, { gain: 0 });
  const blocks = new MessageChannel();
  tap.port.postMessage({ port: blocks.port1 }, [blocks.port1]);
  onOpened();
  worker.post({ type: 'listen-start', settings, rate: context.sampleRate,
                channels: CAPTURE_CHANNELS, frames: 0, port: blocks.port2 }, [blocks.port2]);
  source.connect(tap).connect(silence).connect(context.destination);
  await context.resume();
  return {
    stop() {
      for (const track of stream.getTracks()) track.stop();
      source.disconnect();
      tap.disconnect();
      context.close();
    },
  };
}
