// Debian's Chromium, headless, driven through the DevTools protocol with puppeteer-core
// (nothing here downloads a browser). Every page it opens fails the test on a JavaScript
// error, an error logged to the console, a file that cannot be loaded, or any request
// that is not for a file: a report must work offline.
import { createRequire } from 'node:module';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

// puppeteer-core is installed by `npm ci` in the build tree, not beside this file.
const npmDir = process.env.QUILLFEN_NPM_DIR;
if (!npmDir) throw new Error('QUILLFEN_NPM_DIR is not set: run the browser tests through CTest');
const puppeteer = createRequire(path.join(npmDir, 'package.json'))('puppeteer-core');

export const VIEWPORT = { width: 1280, height: 800 };

export async function launchBrowser() {
  // A fresh profile each run: no state from a previous run, and nothing left behind.
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'quillfen-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.QUILLFEN_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    defaultViewport: VIEWPORT,
    args: [
      // The tests run as root in CI, where Chromium's sandbox cannot start.
      '--no-sandbox',
      '--disable-gpu',
      '--no-first-run',
      // Chromium's own traffic (updates, sync, field trials) would reach for a network
      // that the machine does not have.
      '--disable-background-networking',
      '--disable-component-update',
      '--disable-sync',
    ],
  });
  return {
    browser,
    async close() {
      await browser.close();
      fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}

// A page that records what must never happen; `problems()` lists it.
export async function openPage(browser) {
  const page = await browser.newPage();
  const problems = [];
  page.on('pageerror', (error) => problems.push(`JavaScript error: ${error.message}`));
  page.on('console', (message) => {
    if (message.type() === 'error') problems.push(`console error: ${message.text()}`);
  });
  page.on('requestfailed', (request) => {
    if (request.url().startsWith('file:')) problems.push(`could not load ${request.url()}`);
  });
  await page.setRequestInterception(true);
  page.on('request', (request) => {
    if (request.url().startsWith('file:')) {
      request.continue();
    } else {
      problems.push(`network request: ${request.url()}`);
      request.abort('blockedbyclient');
    }
  });
  return { page, problems: () => problems };
}

// Waits until the view `name` says it is drawn.
export async function waitForView(page, name) {
  await page.waitForSelector(`#view > .view[data-view="${name}"][data-state="ready"]`, { timeout: 30000 });
}
