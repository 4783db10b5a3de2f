// The report's data (report-data.js, format 1) and what the views derive from it: lookups
// by key and id, thumbnails, and the uses of each landblock (report-uses.js), loaded and
// decoded the first time a view needs them, with each surface's users derived from them.
'use strict';

(function (Q) {
  const R = window.quillfenReport;
  Q.report = R || null;
  if (!R || R.format_version !== 1) return;  // app.js says what is wrong

  const S = R.surfaces;
  const L = R.landblocks;
  Q.surfaceCount = S.id.length;
  Q.landblockCount = L.key.length;

  // Landblock key to its row in the landblock columns; -1 when it was not audited.
  const rowOfKey = new Int32Array(65536).fill(-1);
  L.key.forEach((key, row) => { rowOfKey[key] = row; });
  Q.landblockRow = (key) => rowOfKey[key];

  Q.category = (index) => (index >= 0 ? R.categories[index] : null);
  Q.categoryIndex = (name) => R.categories.findIndex((c) => c.name === name);

  // The surface index of an id (the surfaces are in ascending id order), or -1.
  Q.findSurface = (id) => {
    let low = 0;
    let high = S.id.length - 1;
    while (low <= high) {
      const mid = (low + high) >> 1;
      if (S.id[mid] === id) return mid;
      if (S.id[mid] < id) low = mid + 1;
      else high = mid - 1;
    }
    return -1;
  };

  Q.failureOf = (surface) => {
    const failure = R.failures.find((f) => f.surface === surface);
    return failure ? failure.reason : null;
  };

  Q.formatOf = (surface) => {
    if (S.solid[surface]) return 'solid colour';
    return S.format[surface] === null ? '\u2014' : R.formats[S.format[surface]];
  };

  // The thumbnail of a decoded surface as the inline style of an element `scale` times
  // its sampled size: its cell of the atlas, inside the cell's border, with the whole
  // atlas enlarged as much.
  Q.thumbStyle = (surface, scale) => {
    const T = R.thumbnails;
    const n = S.thumbnail[surface];
    if (n < 0) return null;
    const within = n % T.per_atlas;
    const cell = T.cell * scale;
    const x = (within % T.columns) * cell + T.gutter * scale;
    const y = Math.floor(within / T.columns) * cell + T.gutter * scale;
    const size = T.edge * scale;
    const atlas = T.atlases[Math.floor(n / T.per_atlas)];
    return `background-image:url("${atlas}");background-size:${T.columns * cell}px auto;` +
      `background-position:-${x}px -${y}px;width:${size}px;height:${size}px`;
  };

  Q.thumb = (surface, scale) =>
    Q.el('div', { class: 'thumb', style: Q.thumbStyle(surface, scale), role: 'img',
      'aria-label': 'Thumbnail of surface ' + Q.surfaceText(S.id[surface]) });

  // --- Uses ---------------------------------------------------------------------------

  const DIGITS = 'ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/';
  const DIGIT_VALUE = new Int8Array(128).fill(-1);
  for (let i = 0; i < DIGITS.length; ++i) DIGIT_VALUE[DIGITS.charCodeAt(i)] = i;

  // Each landblock's surface indices, in one array with each landblock's start: see
  // report_data.hpp for the encoding. Anything that does not add up is an error rather
  // than a wrong picture.
  function decodeUses(text) {
    const total = L.surfaces.reduce((sum, n) => sum + n, 0);
    const starts = new Uint32Array(L.key.length + 1);
    const list = new Uint32Array(total);
    let at = 0;
    let k = 0;
    const next = () => {
      let value = 0;
      let scale = 1;
      for (;;) {
        if (at >= text.length) throw new Error('report-uses.js ends early');
        const code = text.charCodeAt(at++);
        const digit = code < 128 ? DIGIT_VALUE[code] : -1;
        if (digit < 0) throw new Error('report-uses.js holds an unexpected character at ' + (at - 1));
        value += (digit & 31) * scale;
        scale *= 32;
        if (digit < 32) return value;
        if (scale > 2 ** 35) throw new Error('report-uses.js holds a number out of range at ' + at);
      }
    };
    for (let row = 0; row < L.key.length; ++row) {
      starts[row] = k;
      let previous = -1;
      for (let j = 0; j < L.surfaces[row]; ++j) {
        const surface = j === 0 ? next() : previous + next() + 1;
        if (surface >= S.id.length) throw new Error('report-uses.js names a surface beyond the data');
        list[k++] = surface;
        previous = surface;
      }
    }
    starts[L.key.length] = k;
    if (at !== text.length) throw new Error('report-uses.js holds more than report-data.js describes');
    return { starts, list };
  }

  let usesPromise = null;
  let uses = null;
  let users = null;

  // Resolves once the uses are decoded. A <script> element, not fetch(): pages opened
  // from file:// may not fetch.
  Q.loadUses = () => {
    if (!usesPromise) {
      usesPromise = new Promise((resolve, reject) => {
        const script = document.createElement('script');
        script.src = R.uses;
        script.onload = () => {
          try {
            if (typeof window.quillfenUses !== 'string') throw new Error(R.uses + ' holds no uses');
            uses = decodeUses(window.quillfenUses);
            delete window.quillfenUses;
            resolve();
          } catch (error) {
            reject(error);
          }
        };
        script.onerror = () => reject(new Error(R.uses + ' could not be loaded'));
        document.head.append(script);
      });
    }
    return usesPromise;
  };

  // A landblock's surface indices, ascending; after loadUses().
  Q.landblockSurfaces = (row) => uses.list.subarray(uses.starts[row], uses.starts[row + 1]);

  // The landblock rows that use a surface, ascending; after loadUses(). Derived once for
  // every surface by counting, as the data holds the uses only landblock by landblock.
  Q.usersOf = (surface) => {
    if (!users) {
      const starts = new Uint32Array(S.id.length + 1);
      for (let k = 0; k < uses.list.length; ++k) ++starts[uses.list[k] + 1];
      for (let i = 0; i < S.id.length; ++i) starts[i + 1] += starts[i];
      const fill = starts.slice(0, S.id.length);
      const rows = new Uint32Array(uses.list.length);
      for (let row = 0; row < L.key.length; ++row) {
        for (let k = uses.starts[row]; k < uses.starts[row + 1]; ++k) rows[fill[uses.list[k]]++] = row;
      }
      users = { starts, rows };
    }
    return users.rows.subarray(users.starts[surface], users.starts[surface + 1]);
  };

  // The landblock links of a list of rows.
  Q.landblockLinks = (rows) => {
    const list = Q.el('ul', { class: 'links' });
    for (const row of rows) {
      list.append(Q.el('li', {}, Q.el('a', { href: Q.landblockHash(L.key[row]) }, Q.keyText(L.key[row]))));
    }
    return list;
  };
})(window.Quillfen);
