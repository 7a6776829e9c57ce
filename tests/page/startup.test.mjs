// Start-up: nothing that forces a layout or loads locale data runs before the
// first paint, yet within a few frames of load the whole page is there, and a
// page opened at #formulas lands on a filled formula handbook.
import { test, describe, after } from 'node:test';
import assert from 'node:assert/strict';
import { openPage, closeBrowser } from './support.mjs';

after(closeBrowser);

// Before the page's own script: every read that makes the browser lay the
// page out (scroll offsets, sizes, computed styles) and every locale date
// format is logged with whether the first paint had been reported by then.
// Frames are counted from the load event until the page marks itself ready.
const WATCH = () => {
  window.__calls = [];
  // A message posted from the first frame callback arrives once that frame
  // has been painted; this one is posted before any of the page's own.
  window.__painted = false;
  requestAnimationFrame(() => {
    const ch = new MessageChannel();
    ch.port1.onmessage = () => { window.__painted = true; };
    ch.port2.postMessage(0);
  });
  // Whether the page's start-up script is running: a parser that yields after
  // that long script lets a frame, and the callbacks after it, run while the
  // document is still "loading".
  const log = name => { window.__calls.push([name, window.__painted, document.currentScript !== null]); };
  const wrapGetter = (obj, prop) => {
    const d = Object.getOwnPropertyDescriptor(obj, prop);
    if (!d || !d.get) return;
    Object.defineProperty(obj, prop, { ...d, get() { log(prop); return d.get.call(this); } });
  };
  const wrapMethod = (obj, prop) => {
    const f = obj[prop];
    obj[prop] = function (...args) { log(prop); return f.apply(this, args); };
  };
  ['scrollX', 'scrollY', 'pageXOffset', 'pageYOffset', 'innerWidth', 'innerHeight'].forEach(p => wrapGetter(window, p));
  ['scrollTop', 'scrollLeft', 'scrollWidth', 'scrollHeight', 'clientTop', 'clientLeft', 'clientWidth', 'clientHeight']
    .forEach(p => wrapGetter(Element.prototype, p));
  ['offsetTop', 'offsetLeft', 'offsetWidth', 'offsetHeight', 'offsetParent', 'innerText']
    .forEach(p => wrapGetter(HTMLElement.prototype, p));
  ['getBoundingClientRect', 'getClientRects'].forEach(p => wrapMethod(Element.prototype, p));
  wrapMethod(window, 'getComputedStyle');
  ['toLocaleDateString', 'toLocaleString', 'toLocaleTimeString'].forEach(p => wrapMethod(Date.prototype, p));
  const DTF = Intl.DateTimeFormat;
  Intl.DateTimeFormat = function (...args) { log('Intl.DateTimeFormat'); return new DTF(...args); };
  window.__frames = null;
  addEventListener('load', () => {
    let n = 0;
    const tick = () => {
      n++;
      if (performance.getEntriesByName('tallybook-ready').length) window.__frames = n;
      else if (n < 120) requestAnimationFrame(tick);
      else window.__frames = n;
    };
    requestAnimationFrame(tick);
  });
};

const before = calls => calls.filter(([, painted]) => !painted).map(([name]) => name);

describe('before the first paint', () => {
  test('no size or scroll offset is read and no date is formatted', async () => {
    const p = await openPage({ initScript: WATCH });
    try {
      await p.page.waitForFunction(() => window.__painted, null, { timeout: 5000 });
      const calls = await p.page.evaluate(() => window.__calls);
      assert.deepEqual(before(calls), []);
      // The scroll offset is read once painted: the watch does see the page's reads.
      assert.ok(calls.some(([name]) => name === 'scrollY'), 'scrollY never read: ' + JSON.stringify(calls));
    } finally { await p.close(); }
  });

  // The jump to the fragment fires a scroll event in the first frame, after
  // its layout; reading the offset there costs nothing. The start-up script
  // itself reads nothing.
  test('nor does the start-up of a page opened at a fragment, which builds everything first', async () => {
    const p = await openPage({ initScript: WATCH, hash: '#formulas' });
    try {
      await p.page.waitForFunction(() => window.__painted, null, { timeout: 5000 });
      const calls = await p.page.evaluate(() => window.__calls);
      assert.deepEqual(calls.filter(([, , inScript]) => inScript).map(([name]) => name), []);
      assert.deepEqual(before(calls).filter(name => name !== 'scrollY'), []);
    } finally { await p.close(); }
  });
});

// What the page looks like once filled, as the reader sees it.
const contents = page => page.evaluate(() => {
  const text = id => document.getElementById(id).textContent;
  const count = sel => document.querySelectorAll(sel).length;
  return {
    badge: document.querySelector('.badge').textContent,
    stats: [text('statTools'), text('statFormulas'), text('statPool')],
    keys: count('#calcGrid .cb'),
    calc: text('calcMain'),
    categories: count('#ucCat option'),
    units: [document.getElementById('ucFrom').value, document.getElementById('ucTo').value, document.getElementById('ucOut').value, text('ucRate')],
    pi: text('piOut'),
    piShow: text('piShow').slice(0, 32),
    chips: count('#fChips .chip'),
    formulas: count('#fGrid .f-card'),
    pool: count('#poolGrid .p-card'),
    dots: count('#qDots .qd'),
  };
});

const FILLED = {
  badge: '桌面版已启动 · 离线可用 · 数据实时计算',
  stats: ['9', '32', '12'],
  keys: 32,
  calc: '0',
  categories: 7,
  units: ['毫米', '厘米', '0.1', '1 毫米 = 0.1 厘米'],
  pi: '小数点后第 100 位是 9附近片段：…42117067982148086…',
  piShow: '3.14159265 3589793238 4626433832',
  chips: 7,
  formulas: 32,
  pool: 12,
  dots: 5,
};

describe('a few frames after load', () => {
  test('the first screen and every generated section below it are in place', async () => {
    const p = await openPage({ initScript: WATCH });
    try {
      // The count stops at the first frame that sees the page ready, which
      // can come just after openPage has seen the page's last section built.
      await p.page.waitForFunction(() => window.__frames !== null, null, { timeout: 5000 }).catch(() => {});
      const frames = await p.page.evaluate(() => window.__frames);
      // Building waits for the first paint to reach the screen, a few frames.
      assert.ok(frames !== null && frames <= 10, `ready ${frames} frames after load`);
      assert.deepEqual(await contents(p.page), FILLED);
      // The date waits for an idle moment, which comes soon after.
      await p.page.waitForFunction(() => /^\d{4}年\d{1,2}月\d{1,2}日星期[一二三四五六日] · 点击选项即交卷$/
        .test(document.getElementById('quizDate').textContent), null, { timeout: 3000 })
        .catch(async () => assert.fail('date line: ' + await p.page.textContent('#quizDate')));
      assert.deepEqual(p.errors, []);
    } finally { await p.close(); }
  });

  test('a page opened at #formulas lands on the formula handbook with its cards filled', async () => {
    const p = await openPage({ hash: '#formulas' });
    try {
      // The jump glides (smooth scrolling); it ends with the handbook at the
      // top of the window, and nothing built later moves it from there.
      const top = () => p.page.evaluate(() => Math.round(document.getElementById('formulas').getBoundingClientRect().top) + 0);
      await p.page.waitForFunction(() => Math.round(document.getElementById('formulas').getBoundingClientRect().top) === 0,
        null, { timeout: 5000 }).catch(async () => assert.fail('the handbook stopped at ' + await top() + ' px from the top'));
      await p.page.waitForTimeout(300);
      assert.equal(await top(), 0, 'the handbook stays at the top of the window');
      assert.deepEqual(await contents(p.page), FILLED);
      const firstCard = await p.page.evaluate(() => {
        const r = document.querySelector('#fGrid .f-card').getBoundingClientRect();
        return r.top >= 0 && r.bottom <= innerHeight;
      });
      assert.equal(firstCard, true, 'the first formula card is on screen');
      assert.deepEqual(p.errors, []);
    } finally { await p.close(); }
  });
});
