// The surface gallery: every decoded surface as a labelled thumbnail, filtered by
// category, searched by id and sorted by id, luminance, saturation or hue. Only the rows
// in sight (and two either side) exist as elements, so a world of twelve thousand
// surfaces scrolls with a hundred or so. Selecting a surface shows its statistics, a
// larger thumbnail and the landblocks that use it.
'use strict';

(function (Q) {
  const CELL_WIDTH = 124;
  const CELL_HEIGHT = 150;
  const OVERSCAN_ROWS = 2;
  const SORTS = [
    ['id', 'Id', null],
    ['luminance', 'Luminance', 'luminance'],
    ['saturation', 'Saturation', 'saturation'],
    ['hue', 'Hue', 'dominant_hue'],
  ];

  let hexIds = null;  // each surface's id as 8 hex digits, made on the first search

  // The search text as hex digits to look for, '' for none, or null when it cannot match.
  function searchTerm(text) {
    const term = text.trim().replace(/^0x/i, '').toUpperCase();
    return /^[0-9A-F]*$/.test(term) ? term : null;
  }

  function matching(settings) {
    const S = Q.report.surfaces;
    const category = settings.category ? Q.categoryIndex(settings.category) : -1;
    const term = searchTerm(settings.search);
    if (term && !hexIds) hexIds = S.id.map((id) => Q.hex(id, 8));
    const shown = [];
    if (term === null) return shown;
    for (let i = 0; i < S.id.length; ++i) {
      if (S.category[i] < 0) continue;
      if (category >= 0 && S.category[i] !== category) continue;
      if (term && !hexIds[i].includes(term)) continue;
      shown.push(i);
    }
    const sort = SORTS.find(([name]) => name === settings.sort);
    const column = sort && sort[2] ? S[sort[2]] : null;
    if (column) {
      // Ascending, values that are not numbers last, ties in id order.
      const key = (i) => (column[i] === null ? Infinity : column[i]);
      shown.sort((a, b) => key(a) - key(b) || a - b);
    }
    return shown;
  }

  function fact(name, label, ...value) {
    return [Q.el('dt', {}, label), Q.el('dd', { 'data-fact': name }, ...value)];
  }

  function detail(surface, aside) {
    const R = Q.report;
    const S = R.surfaces;
    const category = Q.category(S.category[surface]);
    const users = Q.el('div', { class: 'users' }, Q.el('p', { class: 'hint' }, 'Loading the landblocks\u2026'));
    const parts = [Q.el('h3', { 'data-surface': Q.hex(S.id[surface], 8) }, `Surface ${Q.surfaceText(S.id[surface])}`)];
    if (category) {
      const rgb = S.mean_rgb.slice(surface * 3, surface * 3 + 3);
      const css = rgb.map((v) => Math.round(Math.min(1, Math.max(0, v || 0)) * 255)).join(',');
      parts.push(
        Q.thumb(surface, 4),
        Q.el('dl', { class: 'facts' },
          fact('category', 'Category', Q.el('span', { class: 'swatch', style: `background:${category.colour}` }), category.name),
          fact('size', 'Size', `${S.width[surface]}\u00d7${S.height[surface]}`),
          fact('format', 'Format', Q.formatOf(surface)),
          fact('surface_type', 'Surface flags', '0x' + Q.hex(S.surface_type[surface], 8)),
          fact('mean_rgb', 'Mean colour', Q.el('span', { class: 'swatch', style: `background:rgb(${css})` }),
            rgb.map(Q.stat).join(', ')),
          fact('std_dev', 'Std. deviation', S.std_dev.slice(surface * 3, surface * 3 + 3).map(Q.stat).join(', ')),
          fact('luminance', 'Luminance', Q.stat(S.luminance[surface])),
          fact('variance', 'Variance', Q.stat(S.variance[surface])),
          fact('dominant_hue', 'Hue', Q.stat(S.dominant_hue[surface]) + '\u00b0'),
          fact('saturation', 'Saturation', Q.stat(S.saturation[surface]))),
        Q.el('p', { class: 'hint' }, `Thumbnail: the surface sampled to ${R.thumbnails.edge} pixels, shown 4\u00d7.`));
    } else {
      parts.push(Q.el('p', { class: 'error reason' }, Q.failureOf(surface)));
    }
    parts.push(users);
    aside.replaceChildren(...parts);
    return Q.loadUses().then(() => {
      const rows = Q.usersOf(surface);
      users.replaceChildren(Q.el('h4', {}, `Used by ${Q.count(rows.length)} landblock${rows.length === 1 ? '' : 's'}`),
        Q.landblockLinks(rows));
    });
  }

  Q.views.gallery = {
    create(root, state) {
      const R = Q.report;
      const S = R.surfaces;
      const settings = { category: '', sort: 'id', search: '', surface: '' };
      let shown = [];
      let drawn = null;
      let pending = false;

      const categorySelect = Q.el('select', { id: 'gallery-category' },
        Q.el('option', { value: '' }, `All categories (${Q.count(R.decoded)})`),
        Object.entries(R.category_counts).map(([name, count]) =>
          Q.el('option', { value: name }, `${name} (${Q.count(count)})`)));
      const sortSelect = Q.el('select', { id: 'gallery-sort' },
        SORTS.map(([name, label]) => Q.el('option', { value: name }, label)));
      const searchInput = Q.el('input', {
        id: 'gallery-search', type: 'search', placeholder: 'e.g. 08000100', spellcheck: 'false', autocomplete: 'off',
      });
      const countText = Q.el('span', { class: 'gallery-count', 'aria-live': 'polite' });
      const space = Q.el('div', { class: 'gallery-space' });
      const scroller = Q.el('div', { class: 'gallery-scroll', tabindex: '0' }, space);
      const aside = Q.el('aside', { class: 'detail' }, Q.el('p', { class: 'hint' }, 'Select a surface.'));

      function columns() { return Math.max(1, Math.floor(scroller.clientWidth / CELL_WIDTH)); }

      function drawVisible() {
        pending = false;
        const perRow = columns();
        const rows = Math.ceil(shown.length / perRow);
        space.style.height = `${rows * CELL_HEIGHT}px`;
        const first = Math.max(0, Math.floor(scroller.scrollTop / CELL_HEIGHT) - OVERSCAN_ROWS);
        const last = Math.min(rows - 1, Math.floor((scroller.scrollTop + scroller.clientHeight) / CELL_HEIGHT) + OVERSCAN_ROWS);
        const key = `${first}:${last}:${perRow}`;
        if (drawn === key) return;
        drawn = key;
        const cards = [];
        for (let at = first * perRow; at < Math.min(shown.length, (last + 1) * perRow); ++at) {
          const surface = shown[at];
          const card = Q.surfaceCard(surface, false);
          card.style.left = `${(at % perRow) * CELL_WIDTH}px`;
          card.style.top = `${Math.floor(at / perRow) * CELL_HEIGHT}px`;
          if (Q.hex(S.id[surface], 8) === settings.surface) card.classList.add('selected');
          cards.push(card);
        }
        space.replaceChildren(...cards);
      }

      function schedule() {
        if (pending) return;
        pending = true;
        requestAnimationFrame(drawVisible);
      }

      function saveHash() {
        history.replaceState(null, '', Q.makeHash('gallery', null, settings));
      }

      function scrollToSelected() {
        const id = parseInt(settings.surface, 16);
        const at = shown.findIndex((surface) => S.id[surface] === id);
        if (at < 0) return;
        const top = Math.floor(at / columns()) * CELL_HEIGHT;
        if (top < scroller.scrollTop || top + CELL_HEIGHT > scroller.scrollTop + scroller.clientHeight) {
          scroller.scrollTop = Math.max(0, top - CELL_HEIGHT);
        }
      }

      function showDetail() {
        if (!settings.surface) {
          aside.replaceChildren(Q.el('p', { class: 'hint' }, 'Select a surface.'));
          return Promise.resolve();
        }
        const surface = /^[0-9A-F]{1,8}$/i.test(settings.surface) ? Q.findSurface(parseInt(settings.surface, 16)) : -1;
        if (surface < 0) {
          aside.replaceChildren(Q.el('p', { class: 'error' }, `No surface 0x${settings.surface} in this world.`));
          return Promise.resolve();
        }
        return detail(surface, aside);
      }

      function filter() {
        shown = matching(settings);
        const term = searchTerm(settings.search);
        countText.textContent = term === null
          ? 'Search by hexadecimal id'
          : `${Q.count(shown.length)} of ${Q.count(R.decoded)} decoded surfaces`;
        space.dataset.count = String(shown.length);
        drawn = null;
        scroller.scrollTop = 0;
        drawVisible();
      }

      function apply(next) {
        settings.category = Q.categoryIndex(next.category) >= 0 ? next.category : '';
        settings.sort = SORTS.some(([name]) => name === next.sort) ? next.sort : 'id';
        settings.search = next.search || '';
        settings.surface = (next.surface || '').toUpperCase().replace(/^0X/, '');
        categorySelect.value = settings.category;
        sortSelect.value = settings.sort;
        if (searchInput.value !== settings.search) searchInput.value = settings.search;
        filter();
        scrollToSelected();
        drawVisible();
        return showDetail();
      }

      categorySelect.addEventListener('change', () => { settings.category = categorySelect.value; saveHash(); filter(); });
      sortSelect.addEventListener('change', () => { settings.sort = sortSelect.value; saveHash(); filter(); });
      searchInput.addEventListener('input', () => { settings.search = searchInput.value; saveHash(); filter(); });
      scroller.addEventListener('scroll', schedule);
      space.addEventListener('click', (event) => {
        const card = event.target.closest('.card');
        if (!card) return;
        event.preventDefault();
        settings.surface = card.dataset.surface;
        saveHash();
        for (const other of space.querySelectorAll('.card.selected')) other.classList.remove('selected');
        card.classList.add('selected');
        showDetail();
      });
      const onResize = () => { drawn = null; schedule(); };
      window.addEventListener('resize', onResize);

      root.append(
        Q.el('h2', {}, 'Surfaces'),
        Q.el('div', { class: 'toolbar' },
          Q.el('label', { for: 'gallery-category' }, 'Category'), categorySelect,
          Q.el('label', { for: 'gallery-sort' }, 'Sort by'), sortSelect,
          Q.el('label', { for: 'gallery-search' }, 'Id'), searchInput,
          countText,
          R.failed > 0 && Q.el('a', { href: '#warnings', class: 'hint' }, `${Q.count(R.failed)} failed: see Warnings`)),
        Q.el('div', { class: 'gallery' }, scroller, aside));
      Q.setState(root, 'gallery', 'loading');
      // The scroller has its size only once it is in the document.
      const ready = Promise.resolve().then(() => apply(state.params)).then(() => Q.setState(root, 'gallery', 'ready'));
      return {
        ready,
        update(next) {
          Q.setState(root, 'gallery', 'loading');
          return apply(next.params).then(() => Q.setState(root, 'gallery', 'ready'));
        },
        dispose() { window.removeEventListener('resize', onResize); },
      };
    },
  };
})(window.Quillfen);
