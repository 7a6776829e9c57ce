import { test, describe, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { openPage, closeBrowser, outsideRequests, bounded, SITE, PAGE_PATH, PAGE_URL } from './support.mjs';

after(closeBrowser);

const settle = page => page.evaluate(() => new Promise(r => requestAnimationFrame(() => requestAnimationFrame(r))));
const scrollTo = (page, y) => page.evaluate(y => window.scrollTo({ top: y, behavior: 'instant' }), y);
const theme = page => page.evaluate(() => ({
  attr: document.documentElement.getAttribute('data-theme'),
  button: document.getElementById('themeBtn').textContent,
  bg: getComputedStyle(document.documentElement).getPropertyValue('--bg').trim(),
}));
const stored = page => page.evaluate(() => localStorage.getItem('qz-theme'));

describe('head and icon', () => {
  let p;
  before(async () => { p = await openPage(); });
  after(() => p.close());

  test('document head', async () => {
    const head = await p.page.evaluate(() => ({
      lang: document.documentElement.lang,
      charset: document.characterSet,
      doctype: document.doctype && document.doctype.name,
      title: document.title,
      viewport: document.querySelector('meta[name=viewport]').content,
      styles: document.querySelectorAll('style').length,
      styleInHead: document.querySelector('style').parentElement.tagName,
      scripts: document.querySelectorAll('script').length,
      scriptLast: document.body.lastElementChild.tagName,
    }));
    assert.deepEqual(head, {
      lang: 'zh-CN', charset: 'UTF-8', doctype: 'html', title: '青禾书苑 · 桌面版',
      viewport: 'width=device-width, initial-scale=1.0', styles: 1, styleInHead: 'HEAD', scripts: 1, scriptLast: 'SCRIPT',
    });
    // The markup always starts light; only the script may switch it.
    assert.match(readFileSync(PAGE_PATH, 'utf8'), /^<!DOCTYPE html>\s*<html lang="zh-CN" data-theme="light">/);
  });

  test('icon is a percent-encoded SVG with the 禾 glyph on the gradient tile', async () => {
    const href = await p.page.getAttribute('link[rel=icon]', 'href');
    assert.match(href, /^data:image\/svg\+xml,/);
    const body = href.slice('data:image/svg+xml,'.length);
    assert.doesNotMatch(body, /[<>#"\s\u0080-\uffff]/, 'raw characters must be percent-encoded');
    assert.match(body, /%E7%A6%BE/);
    const doc = await p.page.evaluate(s => {
      const d = new DOMParser().parseFromString(s, 'image/svg+xml');
      const r = d.querySelector('rect'), t = d.querySelector('text'), g = d.querySelector('linearGradient');
      return { err: !!d.querySelector('parsererror'), vb: d.documentElement.getAttribute('viewBox'),
        rx: r.getAttribute('rx'), fill: r.getAttribute('fill'),
        stops: [...d.querySelectorAll('stop')].map(x => x.getAttribute('stop-color')),
        vertical: g.getAttribute('x1') === g.getAttribute('x2') && g.getAttribute('y2') === '1',
        glyph: t.textContent, x: t.getAttribute('x'), y: t.getAttribute('y'), size: t.getAttribute('font-size'),
        anchor: t.getAttribute('text-anchor'), weight: t.getAttribute('font-weight'), tfill: t.getAttribute('fill') };
    }, decodeURIComponent(body));
    assert.deepEqual(doc, { err: false, vb: '0 0 64 64', rx: '14', fill: 'url(#g)', stops: ['#6366f1', '#8b5cf6'],
      vertical: true, glyph: '禾', x: '32', y: '46', size: '38', anchor: 'middle', weight: 'bold', tfill: '#fff' });
  });

  test('frame: sections, navigation and the six site links', async () => {
    const f = await p.page.evaluate(() => ({
      sections: [...document.querySelectorAll('main > section')].map(s => s.id),
      kickers: [...document.querySelectorAll('main .kicker')].map(k => k.textContent),
      nav: [...document.querySelectorAll('#nav a')].map(a => a.textContent + a.getAttribute('href') + (a.classList.contains('active') ? '*' : '')),
      links: [...document.querySelectorAll('a')].filter(a => !a.getAttribute('href').startsWith('#'))
        .map(a => [a.getAttribute('href'), a.target, a.rel]),
      themeBtn: [document.getElementById('themeBtn').textContent, document.getElementById('themeBtn').title],
      toTop: [document.getElementById('toTop').textContent, document.getElementById('toTop').title],
      hero: document.querySelector('#home h1').textContent,
      syms: [...document.querySelectorAll('.sym')].map(s => s.textContent).join(''),
    }));
    assert.deepEqual(f.sections, ['home', 'tools', 'formulas', 'pool', 'news', 'quiz', 'quotes', 'about']);
    assert.deepEqual(f.kickers, ['TOOLBOX', 'FORMULAS', 'NUMBER POOL', 'MATH NEWS', 'DAILY CHALLENGE', 'QUOTES', 'ABOUT']);
    assert.deepEqual(f.nav, ['首页#home*', '工具箱#tools', '公式库#formulas', '数池#pool', '数闻#news', '挑战#quiz', '关于#about']);
    assert.equal(f.links.length, 6);
    for (const l of f.links) assert.deepEqual(l, [SITE, '_blank', 'noopener']);
    assert.deepEqual(f.themeBtn, ['☾', '切换深色 / 浅色主题']);
    assert.deepEqual(f.toTop, ['↑', '回到顶部']);
    assert.equal(f.hero, '欢迎来到 青禾书苑在这里，遇见数学之美');
    assert.equal(f.syms, '√Σ∫∞±');
  });

  test('nothing external: no src attributes, no url() or @import in the styles', async () => {
    const ext = await p.page.evaluate(() => ({
      src: document.querySelectorAll('[src]').length,
      headLinks: [...document.querySelectorAll('link')].map(l => l.rel),
      css: /url\(|@import/.test(document.querySelector('style').textContent),
    }));
    assert.deepEqual(ext, { src: 0, headLinks: ['icon'], css: false });
  });

  test('counters and footer', async () => {
    const c = await p.page.evaluate(() => ({
      tools: [document.getElementById('statTools').textContent, String(document.querySelectorAll('.tool').length)],
      formulas: document.getElementById('statFormulas').textContent,
      pool: document.getElementById('statPool').textContent,
    }));
    assert.equal(c.tools[0], c.tools[1]);
    assert.equal(c.formulas, '32');
    assert.equal(c.pool, '12');
  });

  test('no request leaves the page and no error is logged on load', () => {
    assert.deepEqual(outsideRequests(p.requests), []);
    assert.deepEqual(p.errors, []);
  });
});

describe('footer year from the local clock', () => {
  test('uses the local year, not the UTC one', async () => {
    // 2030-12-31 17:00 UTC is already New Year's Day 2031 in Shanghai.
    const p = await openPage({ clock: true, clockTime: new Date('2030-12-31T17:00:00Z'), timezoneId: 'Asia/Shanghai' });
    try {
      const year = await p.page.textContent('#footYear');
      assert.match(year, /2031/);
      assert.doesNotMatch(year, /2030/);
      assert.deepEqual(p.errors, []);
    } finally { await p.close(); }
  });
});

describe('theme', () => {
  test('first start is light, shows ☾ and stores nothing', async () => {
    const p = await openPage();
    try {
      assert.deepEqual(await theme(p.page), { attr: 'light', button: '☾', bg: '#f6f7fb' });
      assert.equal(await stored(p.page), null);
    } finally { await p.close(); }
  });

  test('two presses return to light, store "light" and survive a reload', async () => {
    const p = await openPage();
    try {
      // The page has a write at once and the browser's storage a moment later; a
      // reload can read the browser's copy, and on a busy machine found nothing
      // there even half a second on. The browser tells the origin's other pages
      // (a storage event) once it holds the write, so a second page listens.
      const other = await p.context.newPage();
      await other.goto(PAGE_URL);
      await other.evaluate(() => { window.lightStored = new Promise(resolve => addEventListener('storage',
        e => { if (e.key === 'qz-theme' && e.newValue === 'light') resolve(); })); });
      await p.page.click('#themeBtn');
      assert.deepEqual(await theme(p.page), { attr: 'dark', button: '☀', bg: '#0e1018' });
      assert.equal(await stored(p.page), 'dark');
      await p.page.click('#themeBtn');
      assert.deepEqual(await theme(p.page), { attr: 'light', button: '☾', bg: '#f6f7fb' });
      assert.equal(await stored(p.page), 'light');
      await bounded(other.evaluate(() => window.lightStored), 'the browser told no other page of the stored "light" in 10 s', 10000);
      await other.close();
      await p.reload();
      assert.deepEqual(await theme(p.page), { attr: 'light', button: '☾', bg: '#f6f7fb' });
      assert.equal(await stored(p.page), 'light');
      assert.deepEqual(p.errors, []);
    } finally { await p.close(); }
  });

  test('a stored "dark" applies at start-up', async () => {
    const p = await openPage({ initScript: () => localStorage.setItem('qz-theme', 'dark') });
    try {
      assert.deepEqual(await theme(p.page), { attr: 'dark', button: '☀', bg: '#0e1018' });
      const card = await p.page.evaluate(() => getComputedStyle(document.documentElement).getPropertyValue('--card').trim());
      assert.equal(card, '#171a28');
      await p.page.click('#themeBtn');
      assert.deepEqual(await theme(p.page), { attr: 'light', button: '☾', bg: '#f6f7fb' });
    } finally { await p.close(); }
  });

  test('any other stored text goes to data-theme unchanged with the light palette', async () => {
    for (const value of ['light', 'sepia', 'Dark', '"><img src=x onerror=alert(1)>']) {
      const p = await openPage({ initScript: `localStorage.setItem('qz-theme', ${JSON.stringify(value)})` });
      try {
        assert.deepEqual(await theme(p.page), { attr: value, button: '☾', bg: '#f6f7fb' }, value);
        assert.equal(await p.page.locator('img').count(), 0);
        // The button treats every non-dark theme as light.
        await p.page.click('#themeBtn');
        assert.equal((await theme(p.page)).attr, 'dark');
        assert.deepEqual(outsideRequests(p.requests), []);
        assert.deepEqual(p.errors, []);
      } finally { await p.close(); }
    }
  });

  test('storage that throws is ignored on read and write', async () => {
    const blocked = [
      // storage disabled: even touching the property throws
      () => Object.defineProperty(window, 'localStorage', { get() { throw new DOMException('denied', 'SecurityError'); } }),
      // storage present but every call fails
      () => {
        const fail = () => { throw new DOMException('quota', 'QuotaExceededError'); };
        Object.defineProperty(window, 'localStorage', { value: { getItem: fail, setItem: fail, removeItem: fail } });
      },
    ];
    for (const initScript of blocked) {
      const p = await openPage({ initScript });
      try {
        assert.deepEqual(await theme(p.page), { attr: 'light', button: '☾', bg: '#f6f7fb' });
        await p.page.click('#themeBtn');
        assert.deepEqual(await theme(p.page), { attr: 'dark', button: '☀', bg: '#0e1018' });
        await p.page.click('#themeBtn');
        assert.equal((await theme(p.page)).attr, 'light');
        assert.equal(await p.page.textContent('#statFormulas'), '32', 'start-up must run to the end');
        assert.deepEqual(p.errors, []);
      } finally { await p.close(); }
    }
  });
});

// 1260 × 880 at 200 % zoom: the top bar wraps to three rows. Each row jumps
// from where the last one left off (a fragment set in the address, a click on
// a link) and waits for the end of its glide.
test('at 200 % zoom a fragment, each navigation link and the hero button land with the title below the top bar', { timeout: 30000 }, async () => {
  const p = await openPage({ viewport: { width: 630, height: 440 } });
  const jump = how => p.page.evaluate(how => new Promise(r => {
    addEventListener('scrollend', r, { once: true });
    if (/^#\w+$/.test(how)) location.hash = how; else document.querySelector(how).click();
  }), how);
  try {
    for (const [how, id] of [['#pool', 'pool'], ...['tools', 'formulas', 'pool', 'news', 'quiz', 'about'].map(id => [`#nav a[href="#${id}"]`, id]), ['.hero .btn.ghost', 'tools']]) {
      await jump(how);
      const gap = await p.page.evaluate(id => document.querySelector(`#${id} h2`).getBoundingClientRect().top - document.querySelector('.topbar').offsetHeight, id);
      assert.ok(gap >= 0 && gap < 60, `${how}: the title ${gap} px below the bar`);
    }
  } finally { await p.close(); }
});

describe('navigation highlight and back to top', () => {
  let p;
  before(async () => { p = await openPage(); });
  after(() => p.close());

  const active = () => p.page.evaluate(() => [...document.querySelectorAll('#nav a.active')].map(a => a.textContent));
  // Puts the section's top 300 px below the viewport top, inside it for the
  // 352–396 px band, and waits for the links the page then lights (its
  // observer reports a frame or more later).
  async function bringToBand(id, lit) {
    await p.page.evaluate(id => {
      const top = document.getElementById(id).getBoundingClientRect().top + window.scrollY - 300;
      window.scrollTo({ top: Math.min(top, document.documentElement.scrollHeight - innerHeight), behavior: 'instant' });
    }, id);
    await p.page.waitForFunction(lit => JSON.stringify([...document.querySelectorAll('#nav a.active')].map(a => a.textContent)) === lit,
      JSON.stringify(lit), { timeout: 5000 }).catch(async () => assert.deepEqual(await active(), lit, id));
  }

  test('home is active from the markup on', async () => {
    assert.deepEqual(await active(), ['首页']);
  });

  test('each linked section lights its link; quotations light none', async () => {
    for (const [id, lit] of [['news', ['数闻']], ['quotes', []], ['about', ['关于']], ['formulas', ['公式库']]])
      await bringToBand(id, lit);
  });

  test('back-to-top shows only above 400 px of scroll', async () => {
    const shown = async y => {
      await scrollTo(p.page, y);
      await settle(p.page);
      return p.page.evaluate(() => {
        const b = document.getElementById('toTop');
        return [window.scrollY, b.classList.contains('show'), getComputedStyle(b).pointerEvents];
      });
    };
    assert.deepEqual(await shown(401), [401, true, 'auto']);
    assert.deepEqual(await shown(400), [400, false, 'none']);
    assert.deepEqual(await shown(2000), [2000, true, 'auto']);
    assert.deepEqual(await shown(0), [0, false, 'none']);
    await shown(3000);
    await p.page.click('#toTop');
    await p.page.waitForFunction(() => window.scrollY === 0);
    await p.page.waitForFunction(() => !document.getElementById('toTop').classList.contains('show'));
  });

  test('using the page sends nothing and logs no error', () => {
    assert.deepEqual(outsideRequests(p.requests), []);
    assert.deepEqual(p.errors, []);
  });
});
