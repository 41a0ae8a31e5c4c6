// The Play tab's options: the qirvex arguments they stand for, the fields that apply (the NUL
// count only in BASIC mode), and numbers outside what qirvex takes refused where they are typed,
// with a message beside the field.
const $ = (id) => document.getElementById(id);

// BASIC mode's pause after each CR, as -B sets it when no pause was given.
const BASIC_EOL_MS = 20;

// qirvex's arguments for the options shown, in an order whose effects are plain: -B first, so
// that the NUL count and the pause after CR given here replace the ones it implies.
export function encodeArguments() {
  const args = [];
  const number = (id) => Math.max(0, Math.trunc(Number($(id).value) || 0));
  if ($('opt-basic').checked) args.push('-B', `-N${number('opt-nulls')}`);
  if ($('opt-baud').value === '1') args.push('-R1');
  if ($('opt-data').value === '7') args.push('-D');
  if ($('opt-parity').value) args.push(`-${$('opt-parity').value}`);
  if ($('opt-stop').value === '1') args.push('-S');
  if ($('opt-tone').value === 'sine') args.push('-U');
  if ($('opt-legacy').checked) args.push('-Q');
  if ($('opt-basic').checked || number('opt-eol') > 0) args.push(`-P${number('opt-eol')}`);
  if (number('opt-word') > 0) args.push(`-W${number('opt-word')}`);
  if (number('opt-leader') !== 2000) args.push(`-L${number('opt-leader')}`);
  if (number('opt-trailer') !== 1000) args.push(`-T${number('opt-trailer')}`);
  return args;
}

// What is wrong with a number field's value, or '' when it is taken. The range is the field's
// own min and max, those qirvex accepts (-P and -W take 0 to 2000 ms and ignore anything else).
// The leader and trailer stop at 10 minutes, 13 MB of audio: qirvex takes longer ones, but the
// page holds the whole WAV file in memory, and an hour-long leader would be a gigabyte of it.
function fieldProblem(input) {
  if (input.disabled || (input.validity.valid && input.value !== '')) return '';
  const range = `from ${input.min} to ${input.max}`;
  if (input.value === '') return `Enter a whole number ${range}.`;
  const fault = input.validity.stepMismatch ? 'is not a whole number' : 'is out of range';
  return `${input.value} ${fault}: enter a whole number ${range}.`;
}

function labelText(input) {
  return input.closest('label').firstChild.textContent.trim();
}

// Sets up the fields' rules; `onChange` runs after every change. Returns { problem }, where
// problem() gives the first refused field and what is wrong with it, or null when all are taken.
export function setUpOptions(onChange) {
  const numbers = [...$('encode-options').querySelectorAll('input[type="number"]')];
  const messages = new Map(numbers.map((input) => {
    const message = document.createElement('span');
    message.className = 'field-message';
    message.id = `${input.id}-message`;
    input.setAttribute('aria-describedby', message.id);
    input.after(message);
    return [input, message];
  }));
  const check = (input) => {
    const problem = fieldProblem(input);
    messages.get(input).textContent = problem;
    input.setAttribute('aria-invalid', String(problem !== ''));
  };

  // The pause after CR that BASIC mode brought goes again with it, unless it was changed since,
  // so that the fields and the command stay those of qirvex with and without -B.
  let isEolFromBasic = $('opt-basic').checked && Number($('opt-eol').value) === BASIC_EOL_MS;
  const applyBasic = () => {
    const isBasic = $('opt-basic').checked;
    $('opt-nulls').disabled = !isBasic;
    if (isBasic && Number($('opt-eol').value) === 0) {
      $('opt-eol').value = BASIC_EOL_MS;
      isEolFromBasic = true;
    } else if (!isBasic && isEolFromBasic) {
      $('opt-eol').value = 0;
      isEolFromBasic = false;
    }
    numbers.forEach(check);
  };
  $('opt-basic').addEventListener('change', applyBasic);
  $('opt-eol').addEventListener('input', () => { isEolFromBasic = false; });
  for (const input of numbers) input.addEventListener('input', () => check(input));
  $('encode-options').addEventListener('input', onChange);
  $('encode-options').addEventListener('change', onChange);
  applyBasic();

  return {
    problem() {
      const field = numbers.find((input) => fieldProblem(input) !== '');
      return field ? { field, text: `${labelText(field)}: ${fieldProblem(field)}` } : null;
    },
  };
}
