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

  function markFirstView() {
    if (firstViewMarked) return;
    firstViewMarked = true;
    // Two frames: the second callback runs once the first frame with the view is painted.
    requestAnimationFrame(() => requestAnimationFrame(() => {
      performance.mark('quillfen-first-view');
      document.body.dataset.firstView = 'drawn';
    }));
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
    Promise.resolve(current.view.ready).then(markFirstView, (error) => {
      failed(error.message);
      markFirstView();
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
    markFirstView();
    return;
  }
  if (Q.report.format_version !== 1) {
    failed(`report-data.js is in format ${Q.report.format_version}, which this page does not know.`);
    markFirstView();
    return;
  }
  const count = document.getElementById('warning-count');
  count.textContent = Q.report.failed > 0 ? Q.count(Q.report.failed) : '';
  setUpKeyBox();
  window.addEventListener('hashchange', route);
  route();
})(window.Quillfen);
