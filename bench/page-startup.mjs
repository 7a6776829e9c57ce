// What the page's script costs the reader: first contentful paint and the load
// event of payload/index.html against the same markup with its script element
// removed, in interleaved rounds of one headless Chromium (fresh context each,
// 1260x880), as ratios of the medians; then the main thread's busy time while
// the page sits idle for 10 s, at the top and scrolled to the tool box.
// Figures for comparison between changes, never a pass mark.
import { readFileSync, writeFileSync, mkdtempSync, rmSync } from 'node:fs';
import { pathToFileURL } from 'node:url';
import path from 'node:path';
import { launchBrowser, PAGE_PATH, PAGE_URL, PRIVATE_TMP } from '../tests/page/support.mjs';

const ROUNDS = Number(process.env.ROUNDS || 15);
const IDLE_RUNS = Number(process.env.IDLE_RUNS || 3);
const IDLE_MS = 10000;
const median = xs => { const s = [...xs].sort((a, b) => a - b); const m = s.length >> 1; return s.length % 2 ? s[m] : (s[m - 1] + s[m]) / 2; };

const html = readFileSync(PAGE_PATH, 'utf8');
const bare = html.replace(/<script>[\s\S]*?<\/script>\s*/, '');
if (bare === html) throw new Error('no script element found in ' + PAGE_PATH);
const dir = mkdtempSync(path.join(PRIVATE_TMP, 'bare.'));
const barePath = path.join(dir, 'index.html');
writeFileSync(barePath, bare);
const BARE_URL = pathToFileURL(barePath).href;

const viewport = { width: 1260, height: 880 };
const browser = await launchBrowser();

async function timings(url) {
  const context = await browser.newContext({ viewport, locale: 'zh-CN' });
  const page = await context.newPage();
  await page.goto(url, { waitUntil: 'load' });
  // The paint entry can land a frame after the load event.
  const t = await page.evaluate(() => new Promise(resolve => {
    const read = () => {
      const fcp = performance.getEntriesByName('first-contentful-paint')[0];
      const nav = performance.getEntriesByType('navigation')[0];
      if (fcp && nav.loadEventEnd > 0) resolve({ fcp: fcp.startTime, load: nav.loadEventEnd });
      else requestAnimationFrame(read);
    };
    read();
  }));
  await context.close();
  return t;
}

// Main-thread task time over IDLE_MS, after a short settle at the given place.
async function idle(where) {
  const context = await browser.newContext({ viewport, locale: 'zh-CN' });
  const page = await context.newPage();
  const cdp = await context.newCDPSession(page);
  await cdp.send('Performance.enable');
  await page.goto(PAGE_URL, { waitUntil: 'load' });
  if (where === 'tools') await page.evaluate(() => document.getElementById('tools').scrollIntoView({ behavior: 'instant' }));
  await page.waitForTimeout(1000);
  const task = async () => (await cdp.send('Performance.getMetrics')).metrics.find(m => m.name === 'TaskDuration').value;
  const t0 = await task();
  await page.waitForTimeout(IDLE_MS);
  const t1 = await task();
  await context.close();
  return t1 - t0;
}

const page = { fcp: [], load: [] }, base = { fcp: [], load: [] };
const idleTop = [], idleTools = [];
try {
  await timings(PAGE_URL); await timings(BARE_URL); // warm-up
  for (let i = 0; i < ROUNDS; i++) {
    // Alternate which goes first, so neither always gets the warmer start.
    const order = i % 2 ? [[BARE_URL, base], [PAGE_URL, page]] : [[PAGE_URL, page], [BARE_URL, base]];
    for (const [url, into] of order) {
      const t = await timings(url);
      into.fcp.push(t.fcp); into.load.push(t.load);
    }
  }
  for (let i = 0; i < IDLE_RUNS; i++) {
    idleTop.push(await idle('top'));
    idleTools.push(await idle('tools'));
  }
} finally {
  await browser.close();
  rmSync(dir, { recursive: true, force: true });
}

const ms = xs => median(xs).toFixed(1) + ' ms';
console.log(`rounds: ${ROUNDS} interleaved after 1 warm-up, fresh context each, viewport 1260x880`);
console.log(`first contentful paint: page ${ms(page.fcp)}, without script ${ms(base.fcp)}, ratio ${(median(page.fcp) / median(base.fcp)).toFixed(3)}`);
console.log(`load event end:         page ${ms(page.load)}, without script ${ms(base.load)}, ratio ${(median(page.load) / median(base.load)).toFixed(3)}`);
console.log(`main thread busy in ${IDLE_MS / 1000} s idle (median of ${IDLE_RUNS}): at the top ${(median(idleTop)).toFixed(3)} s, at the tool box ${(median(idleTools)).toFixed(3)} s`);
if (process.env.BENCH_JSON) {
  const out = (figure, value, unit, runs) => console.log(JSON.stringify({ figure, value, unit, runs }));
  out('page: first contentful paint, page / without its script', median(page.fcp) / median(base.fcp), 'ratio', ROUNDS);
  out('page: load event end, page / without its script', median(page.load) / median(base.load), 'ratio', ROUNDS);
  out('page: main thread busy in 10 s idle at the top', median(idleTop), 's', IDLE_RUNS);
  out('page: main thread busy in 10 s idle at the tool box', median(idleTools), 's', IDLE_RUNS);
}
