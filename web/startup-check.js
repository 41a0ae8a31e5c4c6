// A classic script, which the browser runs even where it refuses the page's modules (opened from
// a file, where module scripts and module workers are blocked): once the page has loaded, if
// main.js has not marked it ready, the page says so and how to open it, instead of showing tabs
// and buttons that do nothing. The page as one file has no notice about serving a folder, which
// it does not need: it only says that its scripts did not start.
window.addEventListener('load', () => {
  if (document.body.dataset.ready === 'true') return;
  const isFile = location.protocol === 'file:' && document.getElementById('not-started-file');
  document.getElementById(isFile ? 'not-started-file' : 'not-started-other').hidden = false;
  document.getElementById('not-started').hidden = false;
  document.querySelector('nav').hidden = true;
  document.querySelector('main').hidden = true;
});
