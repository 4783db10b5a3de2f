// The page's entry: draws the view the URL hash names, follows the hash as it changes,
// and handles the landblock key box. The first view drawn is marked for timing
// ("quillfen-first-view" in the performance timeline).
'use strict';

(function (Q) {
  const main = document.getElementById('view');
  let current = null;
  let firstViewMarked = false;

  function failed(message) {
    main.replaceChildren(Q.el('div', { class: 'view', 'data-view': 'error', 'data-state': 'ready' },
      Q.el('h2', {}, 'The report cannot be shown'), Q.el('p', { class: 'error' }, message)));
  }

  // The pictures a view shows: its images and the atlases behind its thumbnails.
  function picturesLoaded(root) {
    const urls = new Set();
    for (const image of root.querySelectorAll('img')) urls.add(image.src);
    for (const thumb of root.querySelectorAll('.thumb')) {
      const match = /url\("?([^")]+)"?\)/.exec(thumb.style.backgroundImage);
      if (match) urls.add(match[1]);
    }
    return Promise.all([...urls].map((url) => {
      const image = new Image();
      image.src = url;
      return image.decode().catch(() => {});
    }));
  }

  // Marks the first view once it is drawn with its pictures: two frames after they are
  // decoded, the second callback runs once a frame with them is painted.
  function markFirstView(root) {
    if (firstViewMarked) return;
    firstViewMarked = true;
    picturesLoaded(root).then(() => requestAnimationFrame(() => requestAnimationFrame(() => {
      performance.mark('quillfen-first-view');
      document.body.dataset.firstView = 'drawn';
    })));
  }

  function route() {
    const state = Q.parseHash(location.hash);
    if (!Q.views[state.view]) state.view = 'overview';
    for (const link of document.querySelectorAll('[data-nav]')) {
      link.classList.toggle('current', link.dataset.nav === state.view);
    }
    if (current && current.name === state.view && current.view.update) {
      Promise.resolve(current.view.update(state)).catch((error) => failed(error.message));
      return;
    }
    if (current && current.view.dispose) current.view.dispose();
    // Each view draws into an element of its own, so one still loading when the reader
    // moves on draws into nothing that is shown.
    const root = Q.el('div', { class: 'view' });
    main.replaceChildren(root);
    window.scrollTo(0, 0);
    current = { name: state.view, view: Q.views[state.view].create(root, state) };
    Promise.resolve(current.view.ready).then(() => markFirstView(root), (error) => {
      if (root.isConnected) failed(error.message);
      markFirstView(main);
    });
  }

  function setUpKeyBox() {
    const form = document.getElementById('goto');
    const input = document.getElementById('goto-key');
    const error = document.getElementById('goto-error');
    form.addEventListener('submit', (event) => {
      event.preventDefault();
      const key = Q.parseKey(input.value);
      if (key === null) {
        error.textContent = 'Type a landblock key: up to four hex digits, e.g. A9B4.';
        return;
      }
      error.textContent = '';
      location.hash = Q.landblockHash(key);
    });
  }

  if (!Q.report) {
    failed('report-data.js is missing or could not be read: write the report again with quillfen-world-audit --html.');
    markFirstView(main);
    return;
  }
  if (Q.report.format_version !== 1) {
    failed(`report-data.js is in format ${Q.report.format_version}, which this page does not know.`);
    markFirstView(main);
    return;
  }
  const count = document.getElementById('warning-count');
  count.textContent = Q.report.failed > 0 ? Q.count(Q.report.failed) : '';
  setUpKeyBox();
  window.addEventListener('hashchange', route);
  route();
})(window.Quillfen);
