// Tool box timings in headless Chromium: each figure is the time of one
// synchronous key press or button click inside the page, the median over RUNS
// runs after one warm-up. Figures are for comparison between changes.
import { openPage, closeBrowser } from '../tests/page/support.mjs';

const RUNS = Number(process.env.RUNS || 9);

// Runs in the page: times fn() `runs` times after a warm-up, forcing layout so
// that the display update is counted too.
function timeInPage(page, setup, action, runs) {
  return page.evaluate(({ setup, action, runs }) => {
    const prepare = new Function(setup), act = new Function(action);
    const times = [];
    for (let i = 0; i <= runs; i++) {
      prepare();
      const t0 = performance.now();
      act();
      document.body.getBoundingClientRect();
      const dt = performance.now() - t0;
      if (i > 0) times.push(dt);
    }
    times.sort((a, b) => a - b);
    return { median: times[times.length >> 1], max: times[times.length - 1] };
  }, { setup, action, runs });
}

const LABELS = ['AC', '⌫', '(', ')', 'sin', 'cos', 'tan', '÷', '7', '8', '9', '×', '4', '5', '6', '−',
  '1', '2', '3', '+', 'π', '0', '.', '=', 'log', 'ln', '√', '^', 'e', 'x²', '%', '±'];
// A long but valid expression, so that "=" parses and evaluates something real.
const LONG = 'sin(30)×2^3^2+√(2)÷ln(e)−log(100)+(1.5e3−π)×cos(60)÷tan(45)';

const figures = [];
const out = (figure, t, runs) => {
  figures.push({ figure, value: t.median, unit: 'ms', runs });
  console.log(`${figure}: ${t.median.toFixed(2)} ms median, ${t.max.toFixed(2)} ms max (${runs} runs)`);
};

try {
  const p = await openPage();
  const { page } = p;

  let slowest = null;
  for (const label of LABELS) {
    const t = await timeInPage(page, `press('AC'); expr = ${JSON.stringify(LONG)};`, `press(${JSON.stringify(label)});`, RUNS * 10);
    if (!slowest || t.median > slowest.t.median) slowest = { label, t };
  }
  out(`calculator: slowest key press ("${slowest.label}" on a ${LONG.length}-character expression)`, slowest.t, RUNS * 10);

  const click = (id, fields) => timeInPage(page,
    Object.entries(fields).map(([k, v]) => `document.getElementById(${JSON.stringify(k)}).value = ${JSON.stringify(v)};`).join(''),
    `document.getElementById(${JSON.stringify(id)}).click();`, RUNS);
  out('prime button: largest prime below 9×10^15 (8999999999999971)', await click('prBtn', { prIn: '8999999999999971' }), RUNS);
  out('prime button: 94868303 × 94868329 (8999997380675687)', await click('prBtn', { prIn: '8999997380675687' }), RUNS);
  out('prime sieve: N = 100000', await click('prSieve', { prN: '100000' }), RUNS);
  out('factorial: 500! with A(500, 250) and C(500, 250)', await click('cmGo', { cmN: '500', cmK: '250' }), RUNS);
  out('random lab: 100 distinct from 1 to 10^15', await click('rdGo', { rdMin: '1', rdMax: '1000000000000000', rdCnt: '100' }), RUNS);
  out('random lab: 100 distinct from 1 to 100000 (listed and shuffled)', await click('rdGo', { rdMin: '1', rdMax: '100000', rdCnt: '100' }), RUNS);
  if (p.errors.length) console.error('page errors:', p.errors);
  await p.close();
} finally {
  await closeBrowser();
}

if (process.env.BENCH_JSON) for (const f of figures) console.log(JSON.stringify(f));
