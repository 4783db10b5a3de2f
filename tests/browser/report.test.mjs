// The world report of the sample world, read in a real browser the way a person reads
// it, and compared with the documents the same run wrote and with the single-landblock
// tool's document for the town. Run by CTest (see CMakeLists.txt), which first writes:
//   $QUILLFEN_BROWSER_WORK/audit/      quillfen-world-audit --html of the sample world
//   $QUILLFEN_BROWSER_WORK/town.json   surface-classify-audit --landblock 0xA9B4
import { test, before, after, afterEach } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

import { launchBrowser, openPage, waitForView } from './browser.mjs';

const work = process.env.QUILLFEN_BROWSER_WORK;
if (!work) throw new Error('QUILLFEN_BROWSER_WORK is not set: run the browser tests through CTest');
const audit = path.join(work, 'audit');
const readJson = (file) => JSON.parse(fs.readFileSync(file, 'utf8'));
const world = readJson(path.join(audit, 'world.json'));
const surfaces = readJson(path.join(audit, 'surfaces.json')).surfaces;
const warnings = readJson(path.join(audit, 'warnings.json')).warnings;
const town = readJson(path.join(work, 'town.json'));
const pageUrl = pathToFileURL(path.join(audit, 'report', 'index.html')).href;
const screenshot = process.env.QUILLFEN_SCREENSHOT || path.join(work, 'report-screenshot.png');

const TOWN = 'A9B4';
const number = (text) => Number(text.replace(/,/g, ''));
const hexOf = (did) => did.replace(/^0x/, '');

let chromium;
let current = null;

before(async () => { chromium = await launchBrowser(); });
after(async () => { await chromium.close(); });

// Every test ends with the page's record checked: no JavaScript error, nothing that
// could not load, no request beyond file:.
afterEach(async () => {
  if (!current) return;
  const problems = current.problems();
  await current.page.close();
  current = null;
  assert.deepEqual(problems, []);
});

async function open(hash, view) {
  current = await openPage(chromium.browser);
  await current.page.goto(pageUrl + hash);
  await waitForView(current.page, view);
  return current.page;
}

const frames = (page) => page.evaluate(() => new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done))));

// Scrolls the gallery from top to bottom and returns its cards in the order shown, with
// the most card elements that existed at any one time.
async function readGallery(page) {
  const cards = new Map();
  let mostElements = 0;
  await page.evaluate(() => { document.querySelector('.gallery-scroll').scrollTop = 0; });
  for (let step = 0; step < 10000; ++step) {
    await frames(page);
    const seen = await page.evaluate(() => {
      const scroller = document.querySelector('.gallery-scroll');
      const shown = [...scroller.querySelectorAll('.card')].map((card) => ({
        surface: card.dataset.surface,
        id: card.querySelector('.card-id').textContent,
        category: card.querySelector('.card-category').textContent.trim(),
        thumbnail: card.querySelector('.thumb').style.backgroundImage,
      }));
      const end = scroller.scrollTop + scroller.clientHeight >= scroller.scrollHeight - 1;
      scroller.scrollTop += scroller.clientHeight;
      return { shown, end, elements: document.querySelectorAll('.thumb').length };
    });
    mostElements = Math.max(mostElements, seen.elements);
    for (const card of seen.shown) if (!cards.has(card.surface)) cards.set(card.surface, card);
    if (seen.end) break;
  }
  return { cards: [...cards.values()], mostElements };
}

test('the overview shows the counts, paths and category histogram of world.json', async () => {
  const page = await open('', 'overview');
  const stats = await page.$$eval('.stat', (all) => Object.fromEntries(
    all.map((stat) => [stat.dataset.stat, stat.querySelector('.stat-value').textContent])));
  assert.deepEqual(Object.fromEntries(Object.entries(stats).map(([name, text]) => [name, number(text)])), {
    landblocks: world.landblock_count,
    unique_surfaces: world.unique_surfaces,
    decoded: world.decoded,
    failed: world.failed,
  });
  assert.equal(await page.$eval('[data-path="portal"]', (e) => e.textContent), world.portal_dat);
  assert.equal(await page.$eval('[data-path="cell"]', (e) => e.textContent), world.cell_dat);
  const bars = await page.$$eval('svg.histogram .bar', (all) => all.map((bar) => [
    bar.dataset.category, bar.querySelector('.bar-count').textContent, bar.querySelector('rect').getAttribute('fill')]));
  assert.deepEqual(Object.fromEntries(bars.map(([name, count]) => [name, number(count)])), world.category_counts);
  for (const [name, , fill] of bars) assert.match(fill, /^#[0-9a-f]{6}$/, `${name} has a colour`);
  assert.equal(new Set(bars.map(([, , fill]) => fill)).size, bars.length, 'each category has its own colour');
});

test('the gallery shows every decoded surface with its category, a few cards at a time', async () => {
  const page = await open('#gallery', 'gallery');
  const { cards, mostElements } = await readGallery(page);
  assert.deepEqual(cards.map((card) => [card.id, card.category]), surfaces.map((s) => [s.did, s.category]));
  for (const card of cards) assert.match(card.thumbnail, /thumbs\/atlas-\d{3}\.png/, `${card.id} has a thumbnail`);
  assert.ok(mostElements < surfaces.length, `only the cards in sight exist (${mostElements} of ${surfaces.length})`);
  assert.ok(mostElements <= 300, `at most a few hundred thumbnails at once (${mostElements})`);
});

// Replaces the id search's text, as a person selects it and types over it.
async function search(page, text) {
  await page.click('#gallery-search', { clickCount: 3 });
  await page.keyboard.press('Backspace');
  if (text) await page.type('#gallery-search', text);
}

test('the category filter, the id search and the sort select the right surfaces', async () => {
  const page = await open('#gallery', 'gallery');
  const idsOf = (list) => list.map((s) => s.did);

  await page.select('#gallery-category', 'Lava');
  const lava = surfaces.filter((s) => s.category === 'Lava');
  assert.deepEqual((await readGallery(page)).cards.map((c) => c.id), idsOf(lava));
  assert.match(await page.$eval('.gallery-count', (e) => e.textContent), new RegExp(`^${lava.length} of ${surfaces.length} `));

  await page.select('#gallery-category', '');
  await search(page, '0x0800013');
  const found = surfaces.filter((s) => s.did.includes('0800013'));
  assert.ok(found.length > 1 && found.length < surfaces.length);
  assert.deepEqual((await readGallery(page)).cards.map((c) => c.id), idsOf(found));

  await search(page, 'stone');
  assert.equal((await readGallery(page)).cards.length, 0, 'text that is not an id finds nothing');

  await search(page, '');
  for (const [sort, member] of [['luminance', 'luminance'], ['saturation', 'saturation'], ['hue', 'dominant_hue']]) {
    await page.select('#gallery-sort', sort);
    const expected = [...surfaces].sort((a, b) => (a[member] ?? Infinity) - (b[member] ?? Infinity) ||
      parseInt(a.did, 16) - parseInt(b.did, 16));
    assert.deepEqual((await readGallery(page)).cards.map((c) => c.id), idsOf(expected), `sorted by ${sort}`);
  }
});

test('clicking the town on the map opens its view with the single tool\'s surfaces', async () => {
  const page = await open('#map', 'map');
  const box = await (await page.$('img.map')).boundingBox();
  const key = parseInt(TOWN, 16);
  const at = { x: box.x + ((key >> 8) + 0.5) * (box.width / 256), y: box.y + (255 - (key & 0xff) + 0.5) * (box.height / 256) };
  await page.mouse.move(at.x, at.y);
  const row = world.landblocks.find((l) => l.landblock === `0x${TOWN}`);
  const info = await page.$eval('.map-info', (aside) => ({
    key: aside.querySelector('strong').textContent,
    facts: Object.fromEntries([...aside.querySelectorAll('[data-fact]')].map((dd) => [dd.dataset.fact, dd.textContent])),
  }));
  assert.deepEqual(info, {
    key: `0x${TOWN}`,
    facts: { surfaces: String(row.surfaces), decoded: String(row.decoded), failed: String(row.failed), dominant: row.dominant_category },
  });

  await page.mouse.click(at.x, at.y);
  await waitForView(page, 'landblock');
  assert.equal(await page.evaluate(() => location.hash), `#landblock=${TOWN}`);
  const cards = await page.$$eval('.group[data-category] .card', (all) => all.map((card) => ({
    group: card.closest('.group').dataset.category,
    id: card.querySelector('.card-id').textContent,
    category: card.querySelector('.card-category').textContent.trim(),
    size: card.querySelector('.card-size').textContent,
    thumbnail: card.querySelector('.thumb').style.backgroundImage !== '',
  })));
  const bySurface = (a, b) => a.id.localeCompare(b.id);
  assert.deepEqual(cards.map((c) => ({ id: c.id, category: c.category, size: c.size })).sort(bySurface),
    town.surfaces.map((s) => ({ id: s.did, category: s.category, size: `${s.width}\u00d7${s.height}` })).sort(bySurface));
  for (const card of cards) {
    assert.equal(card.group, card.category, `${card.id} is in its category's group`);
    assert.ok(card.thumbnail, `${card.id} has a thumbnail`);
  }
  const groups = await page.$$eval('.group[data-category]', (all) => all.map((g) => g.dataset.category));
  assert.deepEqual(groups, Object.keys(town.category_counts));

  const failed = await page.$$eval('.failures tbody tr', (rows) => rows.map((tr) => [
    tr.querySelector('.mono').textContent, tr.querySelector('.reason').textContent]));
  assert.deepEqual(failed, warnings.filter((w) => w.landblocks.includes(`0x${TOWN}`)).map((w) => [w.did, w.reason]));
  assert.equal(failed.length, 4);
});

test('the warnings view shows every failed surface with its reason and users', async () => {
  const page = await open('#warnings', 'warnings');
  const rows = await page.$$eval('.failures tbody tr', (all) => all.map((tr) => ({
    did: tr.querySelector('.mono').textContent,
    reason: tr.querySelector('.reason').textContent,
    landblocks: [...tr.querySelectorAll('.links a')].map((a) => a.textContent),
  })));
  assert.deepEqual(rows, warnings);

  // A failed surface asked for by id shows its reason too.
  const failedSurface = warnings[0];
  await page.goto(`${pageUrl}#gallery&surface=${hexOf(failedSurface.did)}`);
  await waitForView(page, 'gallery');
  assert.equal(await page.$eval('.detail .reason', (e) => e.textContent), failedSurface.reason);
});

// The detail pane's statistics against the surface's entry in surfaces.json.
async function checkStatistics(page, surface) {
  const facts = await page.$$eval('.detail [data-fact]', (all) => Object.fromEntries(all.map((dd) => [dd.dataset.fact, dd.textContent])));
  const shown = (value) => (value === null ? '\u2014' : String(Number(value.toPrecision(4))));
  assert.deepEqual(facts, {
    category: surface.category,
    size: `${surface.width}\u00d7${surface.height}`,
    format: facts.format,
    surface_type: `0x${surface.surface_type.toString(16).toUpperCase().padStart(8, '0')}`,
    mean_rgb: surface.mean_rgb.map(shown).join(', '),
    std_dev: surface.std_dev.map(shown).join(', '),
    luminance: shown(surface.luminance),
    variance: shown(surface.variance),
    dominant_hue: `${shown(surface.dominant_hue)}\u00b0`,
    saturation: shown(surface.saturation),
  }, surface.did);
  assert.equal(facts.format === 'solid colour', surface.solid);
}

test('every surface\'s statistics are its own, before and after the failed ones', async () => {
  const page = await open('#gallery', 'gallery');
  for (const surface of surfaces) {
    await page.evaluate((hash) => { location.hash = hash; }, `#gallery&surface=${hexOf(surface.did)}`);
    await page.waitForSelector(`.detail h3[data-surface="${hexOf(surface.did)}"]`);
    await checkStatistics(page, surface);
  }
});

test('selecting a surface shows its statistics and the landblocks that use it', async () => {
  const surface = [...surfaces].sort((a, b) => b.landblocks.length - a.landblocks.length)[0];
  assert.ok(surface.landblocks.length > 1);
  const page = await open(`#gallery&surface=${hexOf(surface.did)}`, 'gallery');
  await checkStatistics(page, surface);
  assert.ok(await page.$('.detail .thumb'), 'a larger thumbnail');
  await page.waitForSelector('.detail .users .links');
  const users = await page.$$eval('.detail .users .links a', (all) => all.map((a) => a.textContent));
  assert.deepEqual(users, surface.landblocks);
  assert.ok(await page.$(`.card.selected[data-surface="${hexOf(surface.did)}"]`), 'its card is selected and in sight');

  // Each user is a link to its landblock, which lists the surface.
  await page.click('.detail .users .links a');
  await waitForView(page, 'landblock');
  assert.equal(await page.evaluate(() => location.hash), `#landblock=${hexOf(surface.landblocks[0])}`);
  assert.ok(await page.$(`.card[data-surface="${hexOf(surface.did)}"]`));
});

test('the URL hash brings back the same view on reload', async () => {
  const page = await open('#gallery', 'gallery');
  await page.select('#gallery-category', 'Stone');
  await page.select('#gallery-sort', 'hue');
  await page.type('#gallery-search', '0800');
  await page.click('.gallery-space .card:nth-child(2)');
  await page.waitForSelector('.detail h3');
  const before = await page.evaluate(() => ({
    hash: location.hash,
    category: document.querySelector('#gallery-category').value,
    sort: document.querySelector('#gallery-sort').value,
    search: document.querySelector('#gallery-search').value,
    count: document.querySelector('.gallery-count').textContent,
    selected: document.querySelector('.detail h3').textContent,
  }));
  assert.match(before.hash, /^#gallery&category=Stone&sort=hue&search=0800&surface=[0-9A-F]{8}$/);
  await page.reload();
  await waitForView(page, 'gallery');
  await page.waitForSelector('.detail h3');
  assert.deepEqual(await page.evaluate(() => ({
    hash: location.hash,
    category: document.querySelector('#gallery-category').value,
    sort: document.querySelector('#gallery-sort').value,
    search: document.querySelector('#gallery-search').value,
    count: document.querySelector('.gallery-count').textContent,
    selected: document.querySelector('.detail h3').textContent,
  })), before);

  // A key typed into the box opens its landblock, and the hash keeps it.
  await page.type('#goto-key', 'a9b4');
  await page.keyboard.press('Enter');
  await waitForView(page, 'landblock');
  assert.equal(await page.evaluate(() => location.hash), `#landblock=${TOWN}`);
  await page.reload();
  await waitForView(page, 'landblock');
  assert.equal(await page.$eval('h2', (h) => h.textContent), `Landblock 0x${TOWN}`);

  await page.goto(`${pageUrl}#map=colour`);
  await waitForView(page, 'map');
  await page.reload();
  await waitForView(page, 'map');
  assert.equal(await page.$eval('[aria-pressed="true"]', (b) => b.textContent), 'Colour');
  assert.match(await page.$eval('img.map', (i) => i.getAttribute('src')), /colour-map\.png$/);
});

test('a key that is not one is refused, and an absent landblock says so', async () => {
  const page = await open('#overview', 'overview');
  await page.type('#goto-key', 'xyz');
  await page.keyboard.press('Enter');
  assert.match(await page.$eval('#goto-error', (e) => e.textContent), /four hex digits/);
  assert.equal(await page.evaluate(() => location.hash), '#overview');
  await page.goto(`${pageUrl}#landblock=0001`);
  await waitForView(page, 'landblock');
  assert.match(await page.$eval('#view p', (p) => p.textContent), /was not audited/);
});

test('the screenshot for the README: the town in the report', async () => {
  const page = await open(`#landblock=${TOWN}`, 'landblock');
  await page.setViewport({ width: 1280, height: 900 });
  await page.waitForSelector('body[data-first-view="drawn"]');
  await frames(page);
  fs.mkdirSync(path.dirname(screenshot), { recursive: true });
  await page.screenshot({ path: screenshot });
  assert.ok(fs.statSync(screenshot).size > 10000);
});
