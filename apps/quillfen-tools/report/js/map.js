// The world map: one cell a landblock (column = key >> 8, row = 255 - (key & 0xFF), so
// north is up), as the material map or the colour map, scaled up without smoothing.
// Pointing at a cell tells what it holds; clicking it opens the landblock.
'use strict';

(function (Q) {
  const SCALE = 3;

  function keyAt(image, event) {
    const box = image.getBoundingClientRect();
    const cells = Q.report.map.cells;
    const x = Math.floor(((event.clientX - box.left) / box.width) * cells);
    const y = Math.floor(((event.clientY - box.top) / box.height) * cells);
    if (x < 0 || y < 0 || x >= cells || y >= cells) return null;
    return { key: (x << 8) | (cells - 1 - y), x, y };
  }

  function describe(key) {
    const R = Q.report;
    const row = Q.landblockRow(key);
    if (row < 0) return [Q.el('strong', {}, Q.keyText(key)), Q.el('p', {}, 'Not audited.')];
    const L = R.landblocks;
    const dominant = Q.category(L.dominant[row]);
    return [
      Q.el('strong', { 'data-key': Q.hex(key, 4) }, Q.keyText(key)),
      Q.el('dl', { class: 'facts' },
        Q.el('dt', {}, 'Surfaces'), Q.el('dd', { 'data-fact': 'surfaces' }, Q.count(L.surfaces[row])),
        Q.el('dt', {}, 'Decoded'), Q.el('dd', { 'data-fact': 'decoded' }, Q.count(L.decoded[row])),
        Q.el('dt', {}, 'Failed'), Q.el('dd', { 'data-fact': 'failed' }, Q.count(L.failed[row])),
        Q.el('dt', {}, 'Dominant'),
        Q.el('dd', { 'data-fact': 'dominant' },
          dominant ? [Q.el('span', { class: 'swatch', style: `background:${dominant.colour}` }), dominant.name] : 'none')),
      Q.el('p', { class: 'hint' }, 'Click to open it.'),
    ];
  }

  function legend(kind) {
    const R = Q.report;
    const items = [];
    if (kind === 'material') {
      const landblocks = new Map();
      for (const index of R.landblocks.dominant) landblocks.set(index, (landblocks.get(index) || 0) + 1);
      R.categories.forEach((category, index) => {
        if (!landblocks.has(index)) return;
        items.push(Q.el('li', {}, Q.el('span', { class: 'swatch', style: `background:${category.colour}` }),
          `${category.name} (${Q.count(landblocks.get(index))})`));
      });
      items.push(Q.el('li', {}, Q.el('span', { class: 'swatch', style: `background:${R.map.nothing_decoded}` }),
        'nothing decoded'));
    } else {
      items.push(Q.el('li', {}, Q.el('span', { class: 'swatch swatch-mean' }),
        'the mean colour of the landblock\u2019s decoded surfaces'));
      items.push(Q.el('li', {}, Q.el('span', { class: 'swatch', style: `background:${R.map.nothing_decoded}` }),
        'nothing decoded'));
    }
    items.push(Q.el('li', {}, Q.el('span', { class: 'swatch', style: `background:${R.map.background}` }),
      'not audited, or no surfaces'));
    return Q.el('ul', { class: 'legend' }, items);
  }

  Q.views.map = {
    create(main, state) {
      const R = Q.report;
      const kind = state.arg === 'colour' ? 'colour' : 'material';
      const size = R.map.cells * SCALE;
      const image = Q.el('img', {
        class: 'map', src: kind === 'colour' ? R.map.colour : R.map.material, width: size, height: size,
        alt: kind === 'colour' ? 'Colour map of the world' : 'Material map of the world', draggable: 'false',
      });
      const marker = Q.el('div', { class: 'map-marker', hidden: true });
      const info = Q.el('aside', { class: 'map-info', 'aria-live': 'polite' },
        Q.el('p', { class: 'hint' }, 'Point at a landblock.'));

      image.addEventListener('mousemove', (event) => {
        const at = keyAt(image, event);
        if (!at) return;
        const cell = image.getBoundingClientRect().width / R.map.cells;
        marker.hidden = false;
        marker.style.cssText = `left:${at.x * cell}px;top:${at.y * cell}px;width:${cell}px;height:${cell}px`;
        info.replaceChildren(...describe(at.key));
      });
      image.addEventListener('mouseleave', () => { marker.hidden = true; });
      image.addEventListener('click', (event) => {
        const at = keyAt(image, event);
        if (at) location.hash = Q.landblockHash(at.key);
      });

      main.append(
        Q.el('h2', {}, 'Map'),
        Q.el('div', { class: 'toggle', role: 'group', 'aria-label': 'Map' },
          Q.el('a', { href: '#map', class: 'button', 'aria-pressed': String(kind === 'material') }, 'Material'),
          Q.el('a', { href: '#map=colour', class: 'button', 'aria-pressed': String(kind === 'colour') }, 'Colour')),
        Q.el('div', { class: 'map-layout' },
          Q.el('div', { class: 'map-frame' }, image, marker),
          Q.el('div', { class: 'map-side' }, info, legend(kind),
            Q.el('p', { class: 'hint' }, 'North is up: the column is the key\u2019s high byte, the row its low byte.'))));
      Q.setState(main, 'map', 'loading');
      const ready = image.decode().catch(() => {}).then(() => Q.setState(main, 'map', 'ready'));
      return { ready };
    },
  };
})(window.Quillfen);
