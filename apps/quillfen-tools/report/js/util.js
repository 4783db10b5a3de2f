// Small helpers shared by the views: building elements, formatting ids and numbers, and
// reading and writing the view state kept in the URL hash.
'use strict';
window.Quillfen = window.Quillfen || { views: {} };

(function (Q) {
  const SVG_NS = 'http://www.w3.org/2000/svg';

  function build(element, attrs, children) {
    for (const [name, value] of Object.entries(attrs || {})) {
      if (value === null || value === undefined || value === false) continue;
      if (name === 'text') element.textContent = value;
      else if (name.startsWith('on')) element.addEventListener(name.slice(2), value);
      else element.setAttribute(name, value === true ? '' : String(value));
    }
    for (const child of children.flat()) {
      if (child === null || child === undefined || child === false) continue;
      element.append(child instanceof Node ? child : String(child));
    }
    return element;
  }

  // el('a', {href: '#map', class: 'x'}, 'text', child, ...): text comes in as text, never
  // as markup, so reasons and paths from the DAT files cannot inject anything.
  Q.el = (tag, attrs, ...children) => build(document.createElement(tag), attrs, children);
  Q.svg = (tag, attrs, ...children) => build(document.createElementNS(SVG_NS, tag), attrs, children);

  Q.hex = (value, digits) => value.toString(16).toUpperCase().padStart(digits, '0');
  Q.keyText = (key) => '0x' + Q.hex(key, 4);
  Q.surfaceText = (id) => '0x' + Q.hex(id, 8);
  Q.count = (n) => n.toLocaleString('en-US');

  // A statistic on a 0..1 scale (or degrees) to four significant digits; null is shown
  // as a dash, as the documents write a value that is not a number as null.
  Q.stat = (value) => (value === null ? '\u2014' : String(Number(value.toPrecision(4))));

  // "A9B4", "a9b4" or "0xA9B4" to the key; null for anything else.
  Q.parseKey = (text) => {
    const match = /^\s*(?:0x)?([0-9a-f]{1,4})\s*$/i.exec(text || '');
    return match ? parseInt(match[1], 16) : null;
  };

  // The hash is the view, with its argument, then its settings:
  //   #landblock=A9B4   #map=colour   #gallery&category=Stone&sort=hue&surface=08000100
  Q.parseHash = (hash) => {
    const items = hash.replace(/^#/, '').split('&').filter((item) => item !== '');
    const state = { view: 'overview', arg: null, params: {} };
    items.forEach((item, i) => {
      const at = item.indexOf('=');
      const name = decodeURIComponent(at < 0 ? item : item.slice(0, at));
      const value = at < 0 ? null : decodeURIComponent(item.slice(at + 1));
      if (i === 0) {
        state.view = name;
        state.arg = value;
      } else if (value !== null) {
        state.params[name] = value;
      }
    });
    return state;
  };

  Q.makeHash = (view, arg, params) => {
    let hash = '#' + encodeURIComponent(view);
    if (arg !== null && arg !== undefined) hash += '=' + encodeURIComponent(arg);
    for (const [name, value] of Object.entries(params || {})) {
      if (value === null || value === undefined || value === '') continue;
      hash += '&' + encodeURIComponent(name) + '=' + encodeURIComponent(value);
    }
    return hash;
  };

  Q.landblockHash = (key) => '#landblock=' + Q.hex(key, 4);
  Q.surfaceHash = (id) => '#gallery&surface=' + Q.hex(id, 8);

  // A view marks itself for the tests and for the first-view timing: data-view names it,
  // data-state is "loading" until it is drawn.
  Q.setState = (main, view, state) => {
    main.dataset.view = view;
    main.dataset.state = state;
  };
})(window.Quillfen);
