// How fast the HTML report opens in headless Chromium, and how many thumbnail elements
// the gallery builds while it is scrolled from end to end. Each opening is a fresh
// browser (a fresh profile, so no cache of Chromium's own), as a reader's double-click
// would be. The time is the page's "quillfen-first-view" mark: from the start of the
// navigation until the view is painted with its pictures.
//   QUILLFEN_NPM_DIR=... node bench/report_first_view.mjs REPORT_DIR [RUNS]
import path from 'node:path';
import { pathToFileURL } from 'node:url';

import { launchBrowser, openPage, waitForView } from '../tests/browser/browser.mjs';

const [reportDir, runsText = '5'] = process.argv.slice(2);
if (!reportDir) throw new Error('usage: node bench/report_first_view.mjs REPORT_DIR [RUNS]');
const url = pathToFileURL(path.resolve(reportDir, 'index.html')).href;
const runs = Number(runsText);

const VIEWS = [
  ['overview', '', 'overview'],
  ['map', '#map', 'map'],
  ['landblock 0xA9B4', '#landblock=A9B4', 'landblock'],
  ['gallery', '#gallery', 'gallery'],
  ['gallery by hue', '#gallery&sort=hue', 'gallery'],
];

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

async function firstView(hash, view) {
  const chromium = await launchBrowser();
  try {
    const { page, problems } = await openPage(chromium.browser);
    const started = Date.now();
    await page.goto(url + hash);
    await waitForView(page, view);
    await page.waitForSelector('body[data-first-view="drawn"]', { timeout: 60000 });
    const wall = Date.now() - started;
    const mark = await page.evaluate(() => performance.getEntriesByName('quillfen-first-view')[0].startTime);
    if (problems().length > 0) throw new Error(problems().join('\n'));
    return { mark, wall };
  } finally {
    await chromium.close();
  }
}

async function scrollGallery() {
  const chromium = await launchBrowser();
  try {
    const { page, problems } = await openPage(chromium.browser);
    await page.goto(`${url}#gallery`);
    await waitForView(page, 'gallery');
    let most = 0;
    const seen = new Set();
    for (let step = 0; step < 100000; ++step) {
      await page.evaluate(() => new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done))));
      const state = await page.evaluate(() => {
        const scroller = document.querySelector('.gallery-scroll');
        const ids = [...scroller.querySelectorAll('.card')].map((card) => card.dataset.surface);
        const end = scroller.scrollTop + scroller.clientHeight >= scroller.scrollHeight - 1;
        scroller.scrollTop += scroller.clientHeight;
        return { ids, end, thumbs: document.querySelectorAll('.thumb').length };
      });
      most = Math.max(most, state.thumbs);
      state.ids.forEach((id) => seen.add(id));
      if (state.end) break;
    }
    if (problems().length > 0) throw new Error(problems().join('\n'));
    return { most, seen: seen.size };
  } finally {
    await chromium.close();
  }
}

for (const [name, hash, view] of VIEWS) {
  const results = [];
  for (let run = 0; run < runs; ++run) results.push(await firstView(hash, view));
  console.log(`${name.padEnd(18)} first view drawn after ${median(results.map((r) => r.mark)).toFixed(0).padStart(5)} ms ` +
    `(median of ${runs}; ${median(results.map((r) => r.wall))} ms from the open command)`);
}
const gallery = await scrollGallery();
console.log(`gallery scrolled end to end: ${gallery.seen} surfaces shown, at most ${gallery.most} thumbnail elements at once`);
