// One landblock: its decoded surfaces as labelled thumbnails grouped by category, and the
// surfaces that failed with their reasons.
'use strict';

(function (Q) {
  // A labelled thumbnail; `details` adds the size and the texture format.
  Q.surfaceCard = (surface, details) => {
    const S = Q.report.surfaces;
    const category = Q.category(S.category[surface]);
    return Q.el('a', {
      class: 'card', href: Q.surfaceHash(S.id[surface]), 'data-surface': Q.hex(S.id[surface], 8),
      'data-category': category.name,
    },
    Q.thumb(surface, 2),
    Q.el('span', { class: 'card-id' }, Q.surfaceText(S.id[surface])),
    Q.el('span', { class: 'card-category' },
      Q.el('span', { class: 'swatch', style: `background:${category.colour}` }), category.name),
    details && Q.el('span', { class: 'card-size' }, `${S.width[surface]}\u00d7${S.height[surface]}`),
    details && Q.el('span', { class: 'card-format' }, Q.formatOf(surface)));
  };

  function neighbours(row) {
    const L = Q.report.landblocks;
    return Q.el('nav', { class: 'neighbours', 'aria-label': 'Other landblocks' },
      row > 0 && Q.el('a', { href: Q.landblockHash(L.key[row - 1]) }, '\u2190 ' + Q.keyText(L.key[row - 1])),
      row + 1 < L.key.length && Q.el('a', { href: Q.landblockHash(L.key[row + 1]) }, Q.keyText(L.key[row + 1]) + ' \u2192'));
  }

  function draw(main, row) {
    const R = Q.report;
    const S = R.surfaces;
    const L = R.landblocks;
    const surfaces = Q.landblockSurfaces(row);
    const groups = R.categories.map(() => []);
    const failed = [];
    for (const surface of surfaces) {
      if (S.category[surface] < 0) failed.push(surface);
      else groups[S.category[surface]].push(surface);
    }
    const dominant = Q.category(L.dominant[row]);
    main.append(Q.el('p', { class: 'summary' },
      `${Q.count(L.surfaces[row])} surfaces: ${Q.count(L.decoded[row])} decoded, ${Q.count(L.failed[row])} failed`,
      dominant ? `; mostly ${dominant.name}.` : '.'));
    groups.forEach((group, index) => {
      if (group.length === 0) return;
      const category = R.categories[index];
      main.append(Q.el('section', { class: 'group', 'data-category': category.name },
        Q.el('h3', {}, Q.el('span', { class: 'swatch', style: `background:${category.colour}` }),
          `${category.name} (${group.length})`),
        Q.el('div', { class: 'cards' }, group.map((surface) => Q.surfaceCard(surface, true)))));
    });
    if (failed.length > 0) {
      main.append(Q.el('section', { class: 'group failed' },
        Q.el('h3', {}, `Failed to decode (${failed.length})`),
        Q.el('table', { class: 'failures' },
          Q.el('thead', {}, Q.el('tr', {}, Q.el('th', {}, 'Surface'), Q.el('th', {}, 'Reason'))),
          Q.el('tbody', {}, failed.map((surface) => Q.el('tr', { 'data-surface': Q.hex(S.id[surface], 8) },
            Q.el('td', { class: 'mono' }, Q.surfaceText(S.id[surface])),
            Q.el('td', { class: 'reason' }, Q.failureOf(surface))))))));
    }
    if (surfaces.length === 0) main.append(Q.el('p', {}, 'Discovery found no surfaces here.'));
  }

  Q.views.landblock = {
    create(main, state) {
      const key = Q.parseKey(state.arg);
      if (key === null) {
        main.append(Q.el('h2', {}, 'Landblock'),
          Q.el('p', { class: 'error' }, `\u201c${state.arg || ''}\u201d is not a landblock key: up to four hex digits, e.g. A9B4.`));
        Q.setState(main, 'landblock', 'ready');
        return {};
      }
      const row = Q.landblockRow(key);
      main.append(Q.el('h2', { 'data-key': Q.hex(key, 4) }, `Landblock ${Q.keyText(key)}`));
      if (row < 0) {
        main.append(Q.el('p', {}, `Landblock ${Q.keyText(key)} was not audited: the cell DAT does not hold it, ` +
          'or the run left it out.'));
        Q.setState(main, 'landblock', 'ready');
        return {};
      }
      main.append(neighbours(row));
      const loading = Q.el('p', { class: 'hint' }, 'Loading the landblock\u2019s surfaces\u2026');
      main.append(loading);
      Q.setState(main, 'landblock', 'loading');
      const ready = Q.loadUses().then(() => {
        loading.remove();
        draw(main, row);
        Q.setState(main, 'landblock', 'ready');
      });
      return { ready };
    },
  };
})(window.Quillfen);
