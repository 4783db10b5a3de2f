// The overview: what was audited, the counts, and the world's category histogram as an
// inline SVG bar chart in the map's colours.
'use strict';

(function (Q) {
  const BAR_HEIGHT = 22;
  const GAP = 6;
  const LABEL_WIDTH = 90;
  const BAR_WIDTH = 420;
  const COUNT_WIDTH = 70;

  function stat(name, value, label, href) {
    const body = [Q.el('span', { class: 'stat-value' }, Q.count(value)), Q.el('span', { class: 'stat-label' }, label)];
    return href
      ? Q.el('a', { class: 'stat', 'data-stat': name, href }, body)
      : Q.el('div', { class: 'stat', 'data-stat': name }, body);
  }

  function histogram(counts) {
    const names = Object.keys(counts);
    const max = Math.max(1, ...Object.values(counts));
    const height = Math.max(1, names.length) * (BAR_HEIGHT + GAP);
    const chart = Q.svg('svg', {
      class: 'histogram', width: LABEL_WIDTH + BAR_WIDTH + COUNT_WIDTH, height,
      viewBox: `0 0 ${LABEL_WIDTH + BAR_WIDTH + COUNT_WIDTH} ${height}`, role: 'img',
      'aria-label': 'Decoded surfaces per category',
    });
    names.forEach((name, i) => {
      const category = Q.category(Q.categoryIndex(name));
      const y = i * (BAR_HEIGHT + GAP);
      const width = Math.max(1, Math.round((counts[name] / max) * BAR_WIDTH));
      chart.append(Q.svg('g', { class: 'bar', 'data-category': name },
        Q.svg('title', {}, `${name}: ${Q.count(counts[name])} surfaces`),
        Q.svg('text', { x: LABEL_WIDTH - 8, y: y + BAR_HEIGHT / 2, class: 'bar-name' }, name),
        Q.svg('rect', { x: LABEL_WIDTH, y, width, height: BAR_HEIGHT, fill: category ? category.colour : '#888' }),
        Q.svg('text', { x: LABEL_WIDTH + width + 6, y: y + BAR_HEIGHT / 2, class: 'bar-count' }, Q.count(counts[name]))));
    });
    return chart;
  }

  Q.views.overview = {
    create(main) {
      const R = Q.report;
      main.append(
        Q.el('h2', {}, 'Overview'),
        Q.el('dl', { class: 'paths' },
          Q.el('dt', {}, 'Portal DAT'), Q.el('dd', { 'data-path': 'portal' }, R.portal_dat),
          Q.el('dt', {}, 'Cell DAT'), Q.el('dd', { 'data-path': 'cell' }, R.cell_dat),
          Q.el('dt', {}, 'Written by'), Q.el('dd', {}, `${R.tool} ${R.tool_version}`)),
        Q.el('div', { class: 'stats' },
          stat('landblocks', R.landblock_count, 'landblocks', '#map'),
          stat('unique_surfaces', R.unique_surfaces, 'unique surfaces', '#gallery'),
          stat('decoded', R.decoded, 'decoded', '#gallery'),
          stat('failed', R.failed, 'failed', '#warnings')),
        Q.el('div', { class: 'overview-figures' },
          Q.el('section', {},
            Q.el('h3', {}, 'Decoded surfaces by category'),
            histogram(R.category_counts)),
          Q.el('section', {},
            Q.el('h3', {}, 'Material map'),
            Q.el('a', { href: '#map', title: 'Open the map' },
              Q.el('img', { class: 'map-small', src: R.map.material, width: 256, height: 256,
                alt: 'Each landblock in the colour of its dominant category' })))));
      Q.setState(main, 'overview', 'ready');
      return {};
    },
  };
})(window.Quillfen);
