// Keyboard and screen-reader use of the page: accessible names, heading
// levels and live regions as Chromium's accessibility tree reports them, the
// tab order, visible focus in both themes, and which keys reach the calculator.
import { test, describe, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { openPage, closeBrowser } from './support.mjs';

after(closeBrowser);

const NBSP = '\u00a0';

// Chromium's own reading of every element that matches: role, accessible name
// and where it came from, and the properties a screen reader gets (level,
// live, pressed, ...). One DevTools session a page, with the accessibility tree
// kept on while the page is open: asked call by call, Chromium built a tree for
// each call and dropped it again, and under load its renderer now and then
// crashed when the page changed meanwhile (3 pages in about 230). A crashed
// renderer answers nothing on such a session, so every call also ends with
// the crash.
const axSessions = new WeakMap();
async function axOf(page, selector) {
  let ax = axSessions.get(page);
  if (!ax) {
    const crashed = new Promise((_, reject) => page.once('crash', () => reject(new Error("Chromium's renderer for the page crashed"))));
    crashed.catch(() => {});
    ax = { cdp: await page.context().newCDPSession(page), crashed };
    axSessions.set(page, ax);
    await ax.cdp.send('Accessibility.enable');
  }
  const send = (method, params) => Promise.race([ax.cdp.send(method, params), ax.crashed]);
  const { root } = await send('DOM.getDocument', { depth: -1 });
  const { nodeIds } = await send('DOM.querySelectorAll', { nodeId: root.nodeId, selector });
  const out = [];
  for (const nodeId of nodeIds) {
    const { nodes: [n] } = await send('Accessibility.getPartialAXTree', { nodeId, fetchRelatives: false });
    const { outerHTML } = await send('DOM.getOuterHTML', { nodeId });
    const props = Object.fromEntries((n.properties || []).map(p => [p.name, p.value.value]));
    const used = n.name && (n.name.sources || []).find(s => s.value && !s.superseded);
    out.push({ html: outerHTML.slice(0, 90), ignored: n.ignored, role: n.role && n.role.value,
      name: n.name ? n.name.value : '', from: used ? used.attribute || used.type : '', ...props });
  }
  return out;
}

const calcState = page => page.evaluate(() => ({
  expr, hist: document.getElementById('calcHist').textContent, main: document.getElementById('calcMain').textContent,
}));

describe('names, headings and live regions', () => {
  let p;
  before(async () => { p = await openPage(); });
  after(() => p.close());

  test('every field, button and link has an accessible name, in both themes', async () => {
    for (const round of ['light', 'dark']) {
      const all = await axOf(p.page, 'input, select, textarea, button, a[href], summary');
      assert.ok(all.length > 100, 'controls found: ' + all.length);
      const unnamed = all.filter(n => !n.ignored && !n.name.trim()).map(n => n.html);
      assert.deepEqual(unnamed, [], round);
      // A placeholder goes once the field has a value, and a tooltip is only a hint.
      const weak = all.filter(n => !n.ignored && ['placeholder', 'title'].includes(n.from)).map(n => n.from + ': ' + n.html);
      assert.deepEqual(weak, [], round);
      await p.page.click('#themeBtn');
    }
  });

  test('icon and sign buttons are named for what they do', async () => {
    const name = async sel => (await axOf(p.page, sel)).map(n => n.name);
    assert.deepEqual(await name('#themeBtn'), ['切换深色 / 浅色主题']);
    assert.deepEqual(await name('#qDots .qd'), [1, 2, 3, 4, 5].map(i => '第 ' + i + ' 条名言'));
    assert.deepEqual(await name('#ucSwap, #diceBtn, #coinBtn'), ['交换单位', '掷骰子', '抛硬币']);
    const keys = await name('#calcGrid button');
    assert.deepEqual([keys[0], keys[1], keys[7], keys[8], keys[15], keys[23], keys[26], keys[29], keys[31]],
      ['AC 全部清除', '⌫ 退格', '÷ 除', '7', '− 减', '= 等于', '√ 平方根', 'x² 平方', '± 正负号']);
    const site = await name('a[target="_blank"]');
    assert.equal(site.length, 6);
    for (const n of site) assert.match(n, /（在新窗口中打开）$/);
    // The brand link reads as the product, without the logo glyph in front.
    assert.deepEqual(await name('.brand'), ['青禾书苑 桌面版 v2.0']);
  });

  test('the angle switch and the formula chips report which one is on', async () => {
    const pressed = async sel => (await axOf(p.page, sel)).map(n => n.pressed);
    assert.deepEqual(await pressed('#degBtn, #radBtn'), ['true', 'false']);
    await p.page.click('#radBtn');
    assert.deepEqual(await pressed('#degBtn, #radBtn'), ['false', 'true']);
    await p.page.click('#degBtn');
    assert.deepEqual(await pressed('#fChips .chip'), ['true', 'false', 'false', 'false', 'false', 'false', 'false']);
    await p.page.locator('#fChips .chip').nth(5).click();
    assert.deepEqual(await pressed('#fChips .chip'), ['false', 'false', 'false', 'false', 'false', 'true', 'false']);
    await p.page.locator('#fChips .chip').nth(0).click();
  });

  test('heading levels never skip one, generated formula cards included', async () => {
    const levels = (await axOf(p.page, 'h1, h2, h3, h4, h5, h6')).map(n => [n.level, n.name]);
    assert.equal(levels[0][0], 1);
    for (let i = 1; i < levels.length; i++) {
      assert.ok(levels[i][0] <= levels[i - 1][0] + 1, `${levels[i][1]} (${levels[i][0]}) after ${levels[i - 1][1]} (${levels[i - 1][0]})`);
    }
    assert.equal(levels.filter(([l]) => l === 3).length, 9 + 1 + 32 + 6 + 3, 'tools, about, formulas, news, challenge');
  });

  test('the calculator display and every tool output are polite live regions', async () => {
    const live = await axOf(p.page, '#calcMain, #toolGrid .out:not(#piShow), #ucSay, #quizScore');
    assert.equal(live.length, 1 + 9 + 1 + 1);
    for (const n of live) assert.equal(n.live, 'polite', n.html);
    // The converter's result sits in a field, whose value is not announced: the hidden line carries it.
    const say = () => p.page.textContent('#ucSay');
    assert.equal(await say(), '1 毫米 = 0.1 厘米');
    await p.page.fill('#ucIn', '2.5');
    assert.equal(await say(), '2.5 毫米 = 0.25 厘米');
    await p.page.fill('#ucIn', '');
    assert.equal(await say(), '');
    await p.page.selectOption('#ucCat', '温度');
    await p.page.fill('#ucIn', '100');
    assert.equal(await say(), '100 摄氏度 (°C) = 212 华氏度 (°F)');
  });
});

// Edge under a Windows contrast theme: the theme's few colours, no gradients, no shadows.
for (const colorScheme of ['dark', 'light']) test(`a ${colorScheme} contrast theme: every button has an edge, each group shows its current item`, async () => {
  const p = await openPage({ forcedColors: 'active', colorScheme });
  try {
    const seen = await p.page.evaluate(() => {
      const canvas = getComputedStyle(document.body).backgroundColor, shows = c => c !== canvas && !/^rgba\(.*, 0\)$/.test(c);
      const edged = e => { const s = getComputedStyle(e); return (s.borderTopStyle !== 'none' && shows(s.borderTopColor)) || shows(s.backgroundColor); };
      // The current item is marked by a fill or a line under it that the others lack.
      const marked = e => { const a = getComputedStyle(e, '::after'); return shows(getComputedStyle(e).backgroundColor) || (a.borderBottomStyle !== 'none' && shows(a.borderBottomColor)); };
      return { edgeless: [...document.querySelectorAll('button, .btn')].filter(e => !edged(e)).map(e => e.outerHTML.slice(0, 60)),
        current: ['#nav a', '.degchip button', '#fChips .chip', '#qDots .qd'].map(sel => [...document.querySelectorAll(sel)].filter(marked).map(e => e.textContent || e.className)) };
    });
    assert.deepEqual(seen, { edgeless: [], current: [['首页'], ['DEG'], ['全部'], ['qd on']] });
  } finally { await p.close(); }
});

describe('keyboard', () => {
  let p;
  before(async () => { p = await openPage(); });
  after(() => p.close());
  const focused = () => p.page.evaluate(() => document.activeElement.id || document.activeElement.className);

  test('the prime tool: field, button, then the sieve; Enter in the field runs the test', async () => {
    await p.page.focus('#ucOut');
    const order = [];
    for (let i = 0; i < 5; i++) { await p.page.keyboard.press('Tab'); order.push(await focused()); }
    assert.deepEqual(order, ['prIn', 'prBtn', 'prN', 'prSieve', 'piPos']);
    await p.page.fill('#prIn', '97');
    await p.page.press('#prIn', 'Enter');
    assert.equal(await p.page.innerHTML('#prOut'), '<b>97</b> = 97<br>✨ <b>它是质数！</b>');
    assert.equal(await p.page.getAttribute('#prOut', 'aria-live'), 'polite');
  });

  test('Enter in any tool field runs its tool', async () => {
    const cases = [['#prN', '10', '#sieveOut', /共有 <b>4<\/b> 个质数/], ['#piPos', '1', '#piOut', /第 <b>1<\/b> 位是/],
      ['#qc', '5', '#qOut', /Δ = <b>-11<\/b>/], ['#qa', '1', '#qOut', /Δ = <b>-11<\/b>/], ['#bcIn', '255', '#bcOut', /FF/],
      ['#rdCnt', '3', '#rdOut', /^(<b>\d+<\/b>\u3000){2}<b>\d+<\/b>$/], ['#cmK', '2', '#cmOut', /C\(10, 2\) = <b>45<\/b>/],
      ['#cmN', '5', '#cmOut', /C\(5, 2\) = <b>10<\/b>/]];
    for (const [field, value, out, want] of cases) {
      await p.page.fill(field, value);
      await p.page.press(field, 'Enter');
      assert.match(await p.page.innerHTML(out), want, field);
    }
    // In the statistics box Enter is a line break, one of the separators.
    await p.page.fill('#stIn', '1');
    await p.page.press('#stIn', 'Enter');
    await p.page.keyboard.type('3');
    assert.equal(await p.page.inputValue('#stIn'), '1\n3');
    assert.equal(await p.page.textContent('#stOut'), '');
  });

  test('Tab reaches every control in document order, every tool control included', async () => {
    await p.page.evaluate(() => window.scrollTo({ top: 0, behavior: 'instant' }));
    const expected = await p.page.evaluate(() => {
      const els = [...document.querySelectorAll('a[href], button, input, select, textarea, summary')]
        .filter(e => e.id !== 'toTop' && e.getClientRects().length > 0);
      els.forEach((e, i) => { e.dataset.k = i; });
      return { count: els.length, tools: els.filter(e => e.closest('#toolGrid')).length,
        positive: [...document.querySelectorAll('[tabindex]')].filter(e => e.tabIndex > 0).length };
    });
    assert.equal(expected.positive, 0);
    assert.ok(expected.tools >= 32 + 2 + 22, 'tool controls: ' + expected.tools);
    // Start on the first control: a blurred page would resume from the last one focused.
    await p.page.focus('[data-k="0"]');
    const seen = [0];
    for (let i = 0; i < expected.count + 10; i++) {
      await p.page.keyboard.press('Tab');
      const k = await p.page.evaluate(() => (document.activeElement.id === 'toTop' ? 'top' : document.activeElement.dataset.k));
      if (k === undefined) break;
      if (k !== 'top') seen.push(Number(k));
    }
    assert.deepEqual(seen, [...Array(expected.count).keys()]);
  });

  test('Enter and other keys on a link or button elsewhere stay there; the calculator gets them back on the page', async () => {
    const { page } = p;
    await page.evaluate(() => { press('AC'); document.activeElement.blur(); });
    await page.keyboard.type('1+2');
    await page.locator('#fChips .chip').nth(1).focus();
    await page.keyboard.press('Enter');
    assert.equal(await page.locator('#fGrid .f-card').count(), 6, 'Enter pressed the chip');
    await page.focus('#nav a[href="#quiz"]');
    await page.keyboard.type('5');
    await page.keyboard.press('Backspace');
    await page.keyboard.press('Escape');
    await page.keyboard.press('Enter');
    assert.equal(await page.evaluate(() => location.hash), '#quiz', 'Enter followed the link');
    await page.focus('#themeBtn');
    await page.keyboard.press('Enter');
    assert.equal(await page.getAttribute('html', 'data-theme'), 'dark', 'Enter pressed the theme button');
    assert.deepEqual(await calcState(page), { expr: '1+2', hist: NBSP, main: '1+2' });
    await page.evaluate(() => document.activeElement.blur());
    await page.keyboard.press('Enter');
    assert.deepEqual(await calcState(page), { expr: '3', hist: '1+2 =', main: '3' });
    // On its own keys the calculator keeps its shortcuts; Space presses the focused key.
    await page.locator('#calcGrid button', { hasText: /^7$/ }).focus();
    await page.keyboard.press('Space');
    await page.keyboard.type('-1');
    await page.keyboard.press('Enter');
    assert.deepEqual(await calcState(page), { expr: '36', hist: '37−1 =', main: '36' });
  });

  // The tests before this one leave a smooth scroll gliding (the link to
  // #quiz); a glide that passes 400 px after the jump to the top would show
  // the button again. Each step waits for the page to stand still first.
  const standStill = (page, what) => page.waitForFunction(() => new Promise(resolve => {
    let last = window.scrollY, same = 0;
    const tick = () => {
      if (window.scrollY === last) same++; else { same = 0; last = window.scrollY; }
      if (same >= 5) resolve(true); else requestAnimationFrame(tick);
    };
    requestAnimationFrame(tick);
  }), null, { timeout: 5000 }).catch(() => assert.fail('the page was still scrolling ' + what));
  const toTopIs = (page, visibility) => page.waitForFunction(v => getComputedStyle(document.getElementById('toTop')).visibility === v,
    visibility, { timeout: 5000 }).catch(() => assert.fail('the back-to-top button never became ' + visibility));

  test('back to top: out of the tab order while hidden', async () => {
    const { page } = p;
    await standStill(page, 'before the test');
    await page.evaluate(() => window.scrollTo({ top: 0, behavior: 'instant' }));
    await standStill(page, 'at the top');
    await toTopIs(page, 'hidden');
    await page.focus('#toTop');
    assert.notEqual(await focused(), 'toTop');
  });

  test('back to top by keyboard: the page goes up and focus with it', async () => {
    const { page } = p;
    await standStill(page, 'before the test');
    await page.evaluate(() => window.scrollTo({ top: 3000, behavior: 'instant' }));
    await standStill(page, 'at 3000 px');
    await toTopIs(page, 'visible');
    assert.deepEqual((await axOf(page, '#toTop')).map(n => n.name), ['回到顶部']);
    await page.focus('#toTop');
    assert.equal(await focused(), 'toTop');
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => window.scrollY === 0, null, { timeout: 5000 })
      .catch(async () => assert.fail('the page stopped at ' + await page.evaluate(() => window.scrollY)));
    assert.equal(await focused(), 'brand');
  });
});

describe('visible focus', () => {
  const TARGETS = ['#nav a[href="#tools"]', '#themeBtn', 'header .btn.site', '.hero .btn.ghost', '#degBtn', '#calcGrid button',
    '#calcGrid .eq', '#ucSwap', '#prBtn', '.pi-more summary', '#fChips .chip', '.opt', '#qDots .qd', '.faq summary', '.foot-links a'];

  // Outline as drawn, and the contrast of its colour against what lies behind the element.
  const ring = (page, sel) => page.$eval(sel, el => {
    // rgb()/rgba(), or color(srgb …) for the top bar's color-mix().
    const rgb = s => {
      const v = (s.match(/[\d.]+/g) || []).map(Number);
      return s.startsWith('color(') ? [...v.slice(0, 3).map(x => x * 255), ...v.slice(3)] : v;
    };
    const lum = ([r, g, b]) => [r, g, b].map(v => { v /= 255; return v <= 0.03928 ? v / 12.92 : ((v + 0.055) / 1.055) ** 2.4; })
      .reduce((s, v, i) => s + v * [0.2126, 0.7152, 0.0722][i], 0);
    const layers = [];
    for (let e = el.parentElement; e; e = e.parentElement) {
      const c = rgb(getComputedStyle(e).backgroundColor);
      const a = c.length > 3 ? c[3] : 1;
      if (a > 0) { layers.push([...c.slice(0, 3), a]); if (a >= 1) break; }
    }
    let behind = [255, 255, 255];
    for (const [r, g, b, a] of layers.reverse()) behind = [r, g, b].map((v, i) => v * a + behind[i] * (1 - a));
    const cs = getComputedStyle(el);
    const [l1, l2] = [lum(rgb(cs.outlineColor)), lum(behind)].sort((x, y) => y - x);
    return { visible: el.matches(':focus-visible'), style: cs.outlineStyle, width: parseFloat(cs.outlineWidth),
      contrast: (l1 + 0.05) / (l2 + 0.05) };
  });

  for (const theme of ['light', 'dark']) {
    test(`a keyboard focus ring on every kind of control, legible in the ${theme} theme`, async () => {
      const p = await openPage({ initScript: `localStorage.setItem('qz-theme', '${theme}')` });
      try {
        // The theme is applied by the start-up script, so the body's colours fade in
        // (0.3 s): on a busy machine a ring measured during that fade is measured
        // against a background that is not the theme's yet.
        await p.page.waitForFunction(() => !document.getAnimations()
          .some(a => a instanceof CSSTransition && a.playState === 'running'));
        for (const sel of TARGETS) {
          const rest = await ring(p.page, sel);
          assert.equal(rest.style, 'none', sel + ' at rest');
          await p.page.keyboard.press('Shift');
          await p.page.locator(sel).first().focus();
          const on = await ring(p.page, sel);
          assert.ok(on.visible && on.style === 'solid' && on.width >= 2, `${sel}: ${JSON.stringify(on)}`);
          assert.ok(on.contrast >= 3, `${sel}: ring contrast ${on.contrast.toFixed(2)}`);
        }
        // A mouse click keeps the look it always had.
        await p.page.click('#prBtn');
        assert.equal((await ring(p.page, '#prBtn')).style, 'none');
        // Fields keep their own focus look: the primary border, no outline.
        await p.page.keyboard.press('Shift');
        await p.page.focus('#prIn');
        await p.page.waitForFunction(() => getComputedStyle(document.getElementById('prIn')).borderTopColor === 'rgb(99, 102, 241)');
        assert.equal((await ring(p.page, '#prIn')).style, 'none');
      } finally {
        await p.close();
      }
    });
  }
});
