// Shared bed for the page tests: one headless Chromium per test file, a fresh
// context per group, every request and every console or page error recorded.
import { chromium } from 'playwright-core';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { mkdtempSync, rmSync } from 'node:fs';
import path from 'node:path';

export const ROOT = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
export const PAGE_PATH = path.join(ROOT, 'payload', 'index.html');
export const PAGE_URL = pathToFileURL(PAGE_PATH).href;
export const SITE = 'https://tallybook.example/';

const CHROMIUM_ARGS = [
  '--no-sandbox', '--disable-gpu', '--disable-background-networking',
  '--disable-component-update', '--disable-sync', '--no-first-run',
];

// Chromium keeps its profile and singleton socket under TMPDIR, and a Unix
// socket path has room for 107 bytes: give it a short folder of this process's
// own under the system temp folder, whatever the caller's TMPDIR or clone path.
const callerTmp = process.env.TMPDIR;
const tmpBase = callerTmp && callerTmp.length <= 32 ? callerTmp : '/tmp';
export const PRIVATE_TMP = mkdtempSync(path.join(tmpBase, 'tb-page.'));
process.env.TMPDIR = PRIVATE_TMP;
process.on('exit', () => rmSync(PRIVATE_TMP, { recursive: true, force: true }));

let browserPromise = null;

// Composited in software here, the hero's drifting glows and signs keep a core
// busy while a page is open, and the status dot's ring alone costs an open page
// 0.13 CPU-seconds a second (0.007 held). Decoration only: held at their first
// frame unless a test asks for the motion, by an adopted sheet that adds no element.
const HOLD_DRIFT = `{ const s = new CSSStyleSheet(); s.replaceSync('.blob,.sym,.dot::after{animation-play-state:paused!important}');
  document.adoptedStyleSheets = [...document.adoptedStyleSheets, s]; }`;

// Debian's chromium-headless-shell: Chromium's engine at the browser's own
// version without the browser around it. The page suite is CPU-bound on two
// cores, and with the shell it takes 81 s where the whole browser took 136 s.
const HEADLESS_SHELL = '/usr/lib/chromium/chromium-headless-shell';

// A browser that cannot start rejects at once with its exit status and its
// error output (Playwright's "Browser logs"); one that hangs, within 30 s.
export function launchBrowser() {
  return chromium.launch({ executablePath: HEADLESS_SHELL, headless: true, args: CHROMIUM_ARGS, timeout: 30000 });
}

function sharedBrowser() {
  if (!browserPromise) browserPromise = launchBrowser();
  return browserPromise;
}

// Call from an after() hook at the end of each test file.
export async function closeBrowser() {
  if (!browserPromise) return;
  const pending = browserPromise;
  browserPromise = null;
  // A launch that failed has already failed every test that waited for it.
  const b = await pending.catch(() => null);
  if (b) await b.close();
}

// Playwright gives these calls no time-out of their own, and a Chromium that
// never answered one held a run for half an hour with no page left open.
export function bounded(promise, message, ms = 30000) {
  let timer;
  const late = new Promise((_, reject) => { timer = setTimeout(() => reject(new Error(message)), ms); });
  return Promise.race([promise, late]).finally(() => clearTimeout(timer));
}

// Opens the page in a new context. initScript (a function or source text) runs
// before the page's own script. clock: true installs page.clock at clockTime
// (default now) and pauses it 1 s later, so timers move only with runFor().
// reducedMotion: 'reduce' stands for a reader who asks for less motion; hash
// ('#formulas') opens the page at a fragment; forcedColors 'active' with a
// colorScheme is a Windows contrast theme as Edge applies it. With waitUntil 'load' it returns
// once the page has built everything below its first screen. drift: true, see HOLD_DRIFT.
export async function openPage({ initScript, viewport = { width: 1260, height: 880 },
  clock = false, clockTime, locale = 'zh-CN', timezoneId, reducedMotion, forcedColors, colorScheme, hash = '', waitUntil = 'load',
  drift = false } = {}) {
  const browser = await sharedBrowser();
  const context = await bounded(browser.newContext({ viewport, locale, ...(timezoneId ? { timezoneId } : {}),
    ...(reducedMotion ? { reducedMotion } : {}), ...(forcedColors ? { forcedColors, colorScheme } : {}) }), 'Chromium opened no new context in 30 s');
  const page = await bounded(context.newPage(), 'Chromium opened no new page in 30 s');
  const requests = [];
  const errors = [];
  page.on('request', r => requests.push(r.url()));
  page.on('console', m => { if (m.type() === 'error') errors.push('console: ' + m.text()); });
  page.on('pageerror', e => errors.push('pageerror: ' + e.message));
  if (clock) {
    const t0 = new Date(clockTime === undefined ? Date.now() : clockTime);
    await page.clock.install({ time: t0 });
    // The installed clock runs until paused; on a busy machine more than a
    // millisecond passes in between, and pausing in its past is refused.
    await page.clock.pauseAt(new Date(t0.getTime() + 1000));
  }
  if (!drift) await page.addInitScript(HOLD_DRIFT);
  if (initScript) await page.addInitScript(initScript);
  await page.goto(PAGE_URL + hash, { waitUntil });
  if (waitUntil === 'load') await filled(page);
  const close = () => bounded(context.close(), 'Chromium did not close a context in 30 s');
  const reload = async () => { await page.reload(); await filled(page); };
  return { page, context, requests, errors, close, reload };
}

// The page builds its tools and generated sections right after its first
// paint, the quotation dots last. A mutation observer, not a timer or a
// performance mark, since a fake clock stops the one and swallows the other.
export function filled(page, ms = 5000) {
  return bounded(page.evaluate(() => new Promise(resolve => {
    const dots = document.getElementById('qDots');
    if (dots.childElementCount) { resolve(); return; }
    const mo = new MutationObserver(() => { mo.disconnect(); resolve(); });
    mo.observe(dots, { childList: true });
  })), `the page had not built its tools and sections ${ms} ms after load`, ms);
}

// Requests that are neither the page file itself nor inline data.
export function outsideRequests(requests) {
  return requests.filter(u => u !== PAGE_URL && !u.startsWith('data:'));
}
