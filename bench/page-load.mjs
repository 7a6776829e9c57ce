// Page weight and start-up time of payload/index.html in headless Chromium.
// Ready = navigation start to the mark the page sets once it has built
// everything below its first screen (right after the first paint).
// Figures are for comparison between changes, not a pass mark.
import { statSync } from 'node:fs';
import { openPage, closeBrowser, PAGE_PATH } from '../tests/page/support.mjs';

const RUNS = Number(process.env.RUNS || 9);
const median = xs => { const s = [...xs].sort((a, b) => a - b); const m = s.length >> 1; return s.length % 2 ? s[m] : (s[m - 1] + s[m]) / 2; };

const bytes = statSync(PAGE_PATH).size;
console.log(`page size: ${bytes} bytes (${(bytes / 1024).toFixed(1)} KiB)`);

const ready = [], dcl = [], load = [];
try {
  for (let i = 0; i <= RUNS; i++) {
    const p = await openPage();
    const t = await p.page.evaluate(() => {
      const mark = performance.getEntriesByName('tallybook-ready')[0];
      const nav = performance.getEntriesByType('navigation')[0];
      return { ready: mark ? mark.startTime : NaN, dcl: nav.domContentLoadedEventEnd, load: nav.loadEventEnd };
    });
    await p.close();
    if (i === 0) continue; // warm-up run
    ready.push(t.ready); dcl.push(t.dcl); load.push(t.load);
  }
} finally {
  await closeBrowser();
}
const f = xs => `${median(xs).toFixed(1)} ms (min ${Math.min(...xs).toFixed(1)}, max ${Math.max(...xs).toFixed(1)})`;
console.log(`runs: ${RUNS} after 1 warm-up, fresh context each, viewport 1260x880`);
console.log(`page built (median):           ${f(ready)}`);
console.log(`DOMContentLoaded end (median): ${f(dcl)}`);
console.log(`load event end (median):       ${f(load)}`);
if (process.env.BENCH_JSON) {
  const out = (figure, value, unit, runs) => console.log(JSON.stringify({ figure, value, unit, runs }));
  out('page: navigation start to everything built', median(ready), 'ms', RUNS);
  out('page: DOMContentLoaded end', median(dcl), 'ms', RUNS);
}
