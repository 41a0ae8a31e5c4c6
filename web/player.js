// Plays an encoded WAV file through the sound output with an <audio> element, which streams it
// from the Blob however long it is: a progress bar, the time left, and stop.

function clock(seconds) {
  const whole = Math.max(0, Math.ceil(seconds));
  return `${Math.floor(whole / 60)}:${String(whole % 60).padStart(2, '0')}`;
}

export function createPlayer(audio, progress, status, onPlaying) {
  let url = null;
  let frame = 0;

  const show = () => {
    const total = audio.duration;
    if (Number.isFinite(total) && total > 0) {
      progress.value = audio.currentTime / total;
      status(`Playing: ${clock(total - audio.currentTime)} left of ${clock(total)}`);
    }
    if (!audio.paused) frame = requestAnimationFrame(show);
  };
  const finish = (text) => {
    cancelAnimationFrame(frame);
    onPlaying(false);
    status(text);
  };

  audio.addEventListener('ended', () => { progress.value = 1; finish('Played to the end.'); });
  audio.addEventListener('error', () => finish('This browser could not play the WAV file; download it and play it elsewhere.'));

  return {
    async play(wav) {
      if (url) URL.revokeObjectURL(url);
      url = URL.createObjectURL(wav);
      audio.src = url;
      try {
        await audio.play();
      } catch (error) {
        finish(`Playing was refused: ${error.message}`);
        return;
      }
      onPlaying(true);
      show();
    },
    stop() {
      audio.pause();
      audio.currentTime = 0;
      progress.value = 0;
      finish('Stopped.');
    },
  };
}
