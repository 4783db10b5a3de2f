// Every surface that failed to decode, with its reason and the landblocks that use it.
'use strict';

(function (Q) {
  Q.views.warnings = {
    create(root) {
      const R = Q.report;
      const S = R.surfaces;
      root.append(Q.el('h2', {}, 'Warnings'));
      if (R.failures.length === 0) {
        root.append(Q.el('p', {}, 'Every surface decoded.'));
        Q.setState(root, 'warnings', 'ready');
        return {};
      }
      root.append(Q.el('p', { class: 'summary' },
        `${Q.count(R.failures.length)} of ${Q.count(R.unique_surfaces)} surfaces failed to decode. ` +
        'A failure is a warning: the rest of the world is audited as usual.'));
      const users = R.failures.map(() => Q.el('td', { class: 'hint' }, 'Loading\u2026'));
      root.append(Q.el('table', { class: 'failures' },
        Q.el('thead', {}, Q.el('tr', {}, Q.el('th', {}, 'Surface'), Q.el('th', {}, 'Reason'), Q.el('th', {}, 'Used by'))),
        Q.el('tbody', {}, R.failures.map((failure, i) =>
          Q.el('tr', { 'data-surface': Q.hex(S.id[failure.surface], 8) },
            Q.el('td', { class: 'mono' }, Q.surfaceText(S.id[failure.surface])),
            Q.el('td', { class: 'reason' }, failure.reason),
            users[i])))));
      Q.setState(root, 'warnings', 'loading');
      const ready = Q.loadUses().then(() => {
        R.failures.forEach((failure, i) => {
          users[i].className = '';
          users[i].replaceChildren(Q.landblockLinks(Q.usersOf(failure.surface)));
        });
        Q.setState(root, 'warnings', 'ready');
      });
      return { ready };
    },
  };
})(window.Quillfen);
