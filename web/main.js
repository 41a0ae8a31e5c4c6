// The page's start: the worker, a small router for its messages, the two tabs, and the parts
// for playing (encode.js, player.js) and reading (recording.js, capture.js and the views).
import { setUpEncoding } from './encode.js';
import { setUpReading } from './recording.js';

// Every message of the worker goes to the handlers registered for its type.
function connectWorker() {
  const worker = new Worker(new URL('worker.js', import.meta.url), { type: 'module' });
  const handlers = new Map();
  worker.onmessage = (event) => {
    for (const handler of handlers.get(event.data.type) ?? []) handler(event.data);
  };
  return {
    post: (message, transfer = []) => worker.postMessage(message, transfer),
    on: (type, handler) => handlers.set(type, [...(handlers.get(type) ?? []), handler]),
    onError: (handler) => { worker.onerror = handler; },
  };
}

function setUpTabs() {
  const tabs = [...document.querySelectorAll('[role="tab"]')];
  const choose = (chosen) => {
    for (const tab of tabs) {
      const isChosen = tab === chosen;
      tab.setAttribute('aria-selected', String(isChosen));
      tab.tabIndex = isChosen ? 0 : -1;
      document.getElementById(tab.getAttribute('aria-controls')).hidden = !isChosen;
    }
    chosen.focus();
  };
  tabs.forEach((tab, index) => {
    tab.addEventListener('click', () => choose(tab));
    tab.addEventListener('keydown', (event) => {
      const step = { ArrowRight: 1, ArrowLeft: -1 }[event.key];
      if (step) choose(tabs[(index + step + tabs.length) % tabs.length]);
    });
  });
}

const worker = connectWorker();
setUpTabs();
setUpEncoding(worker);
setUpReading(worker);
// `ready`: the scripts started (startup-check.js looks for it); `core`: the worker holds the
// encoder and decoder.
document.body.dataset.ready = 'true';
worker.on('core-ready', () => { document.body.dataset.core = 'ready'; });
