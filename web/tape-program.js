// What the decoded tape holds, as qirvex-program's from-tape judges it: the judgement, its
// downloads as a clean listing or as machine code, and every byte the machine would not load as
// it stands, marked in the listing and listed beside it.
const $ = (id) => document.getElementById(id);

// Problems listed beside the listing at most; a tape of noise can have thousands.
const LISTED_PROBLEMS = 200;

// `download(blob, name)` saves a file.
export function setUpTapeProgram(worker, listing, download) {
  let requests = 0;
  const waiting = new Map(); // request id: its resolver
  let tape = null; // { bytes, base, programs } of the decode in hand
  worker.on('from-tape', (message) => {
    waiting.get(message.id)?.(message);
    waiting.delete(message.id);
  });
  const fromTape = (output) => {
    const id = ++requests;
    const input = tape.bytes.slice().buffer;
    return new Promise((resolve) => {
      waiting.set(id, resolve);
      worker.post({ type: 'from-tape', id, output, input }, [input]);
    });
  };

  function listProblems(problems) {
    const list = $('tape-problems');
    list.replaceChildren(...problems.slice(0, LISTED_PROBLEMS).map(({ offset, message }) => {
      const item = document.createElement('li');
      const button = document.createElement('button');
      button.textContent = `byte ${offset}: ${message}`;
      button.addEventListener('click', () => listing.show(offset));
      item.append(button);
      return item;
    }));
    if (problems.length > LISTED_PROBLEMS) {
      const more = document.createElement('li');
      more.textContent = `and ${problems.length - LISTED_PROBLEMS} more`;
      list.append(more);
    }
    list.hidden = problems.length === 0;
  }

  function describe({ status, content, messages, problems }) {
    const lines = messages.trim().split('\n');
    if (content === 'other data')
      return 'The tape holds other data: not a BASIC listing, a 65V load text or checksum records. Download data gives it as it was decoded.';
    if (status === 2) return `The tape holds ${content}, but ${lines.join('; ')}.`;
    const isListing = content === 'a BASIC listing';
    // A listing's first line names it with its length; a program's gives its stretches.
    const read = isListing ? lines[0] : `${content}, ${lines[0]}`;
    const places = `${problems.length} ${problems.length === 1 ? 'place' : 'places'}`;
    const faults = problems.length === 0
      ? (isListing ? 'it would load as it stands' : 'every byte was read')
      : `${places} ${isListing ? 'that would not load as it stands' : 'that could not be read'}, marked in the listing and listed beside it`;
    return `The tape holds ${read}; ${faults}.`;
  }

  async function judge() {
    const own = tape;
    const message = await fromTape('listing');
    if (tape !== own) return;
    const isListing = message.content === 'a BASIC listing';
    const isProgram = !isListing && message.status !== 2;
    // A side of several programs read as one is no program of them: the list says what it holds.
    const whole = tape.programs > 1 ? `The side holds ${tape.programs} programs, listed above ` +
      'with their downloads; what follows takes it as one tape. ' : '';
    $('tape-content').textContent = whole + describe(message);
    $('download-listing').hidden = !isListing;
    $('download-hex').hidden = !isProgram;
    $('download-binary').hidden = !isProgram;
    $('tape-command').textContent = `qirvex-program from-tape${isProgram ? ' -t hex' : ''} ${tape.base}.txt`;
    $('tape-program').hidden = false;
    listing.markProblems(message.problems);
    listProblems(message.problems);
  }

  // Each file from-tape writes, named after the recording: "capture.bas", "capture.hex",
  // "capture.0200.bin".
  async function save(output) {
    if (!tape) return;
    const base = tape.base;
    const message = await fromTape(output);
    for (const { suffix, bytes } of message.outputs) download(new Blob([bytes]), `${base}${suffix}`);
  }
  $('download-listing').addEventListener('click', () => save('listing'));
  $('download-hex').addEventListener('click', () => save('hex'));
  $('download-binary').addEventListener('click', () => save('binary'));

  return {
    // The decoded bytes, the name of the data file without its extension, and the number of
    // programs the side was cut into.
    show(bytes, base, programs) {
      tape = { bytes, base, programs };
      judge();
    },
    reset() {
      tape = null;
      $('tape-program').hidden = true;
      $('tape-problems').hidden = true;
      $('tape-problems').replaceChildren();
    },
  };
}
