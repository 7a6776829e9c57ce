import { test, describe, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { openPage, closeBrowser, outsideRequests } from './support.mjs';

after(closeBrowser);

const COUNTS = { 代数: 6, 几何: 6, 三角: 5, 导数: 6, 积分: 4, 概率统计: 5 };

describe('formula handbook', () => {
  let p;
  before(async () => { p = await openPage(); });
  after(() => p.close());

  const cards = () => p.page.evaluate(() => [...document.querySelectorAll('#fGrid .f-card')].map(c => ({
    title: c.querySelector('h4').firstChild.textContent.trim(),
    cat: c.querySelector('h4 span').textContent,
    fx: c.querySelector('.fx').textContent,
  })));
  const onChips = () => p.page.evaluate(() => [...document.querySelectorAll('.chip.on')].map(c => c.textContent));

  test('seven chips in order, "全部" on and all 32 cards grouped by category', async () => {
    const chips = await p.page.evaluate(() => [...document.querySelectorAll('#fChips .chip')].map(c => c.textContent));
    assert.deepEqual(chips, ['全部', '代数', '几何', '三角', '导数', '积分', '概率统计']);
    assert.deepEqual(await onChips(), ['全部']);
    const all = await cards();
    assert.equal(all.length, 32);
    // Categories appear in one run each, in chip order.
    const runs = all.map(c => c.cat).filter((c, i, a) => c !== a[i - 1]);
    assert.deepEqual(runs, chips.slice(1));
    assert.equal(new Set(all.map(c => c.title)).size, 32, 'titles are distinct');
  });

  test('each chip shows exactly its category; "全部" brings all back', async () => {
    for (const [cat, n] of Object.entries(COUNTS)) {
      await p.page.click(`#fChips .chip:text-is("${cat}")`);
      const shown = await cards();
      assert.equal(shown.length, n, cat);
      assert.ok(shown.every(c => c.cat === cat), cat);
      assert.deepEqual(await onChips(), [cat]);
    }
    await p.page.click('#fChips .chip:text-is("全部")');
    assert.equal((await cards()).length, 32);
    assert.deepEqual(await onChips(), ['全部']);
  });

  test('telling rows word for word; true minus and prime signs only', async () => {
    const all = await cards();
    const byTitle = Object.fromEntries(all.map(c => [c.title, c]));
    assert.equal(byTitle['勾股定理'].fx, '直角三角形中：a² + b² = c²');
    assert.equal(byTitle['余弦定理'].fx, 'c² = a² + b² − 2ab·cosC');
    assert.equal(byTitle['乘法法则'].fx, '(uv)′ = u′v + uv′');
    assert.equal(byTitle['倒数积分'].fx, '∫(1/x)dx = ln|x| + C');
    assert.deepEqual([byTitle['勾股定理'].cat, byTitle['余弦定理'].cat, byTitle['乘法法则'].cat, byTitle['倒数积分'].cat],
      ['几何', '三角', '导数', '积分']);
    for (const c of all) {
      assert.doesNotMatch(c.fx, /[-'"]/, `${c.title}: ASCII minus or quote in formula`);
      assert.doesNotMatch(c.fx, /<\/?[a-z]|&[a-z]+;/, `${c.title}: markup leaked as text`);
    }
  });

  test('the handbook is counted by the stat tile', async () => {
    assert.equal(await p.page.textContent('#statFormulas'), '32');
  });
});

describe('number pool and news', () => {
  let p;
  before(async () => { p = await openPage(); });
  after(() => p.close());

  test('twelve pool cards in order with faint position numerals', async () => {
    const pool = await p.page.evaluate(() => [...document.querySelectorAll('#poolGrid .p-card')].map(c => ({
      parts: [...c.children].map(e => e.className),
      idx: c.querySelector('.p-idx').textContent,
      faint: getComputedStyle(c.querySelector('.p-idx')).opacity,
      n: c.querySelector('.p-num').textContent,
      name: c.querySelector('.p-name').textContent,
      d: c.querySelector('.muted').textContent,
    })));
    assert.equal(pool.length, 12);
    assert.deepEqual(pool.map(c => c.n), ['0', '1', '0.618', 'e', 'π', '6', '28', '495', '1729', '6174', '∞', '10¹⁰⁰']);
    assert.deepEqual(pool.map(c => c.idx), ['1', '2', '3', '4', '5', '6', '7', '8', '9', '10', '11', '12']);
    for (const c of pool) {
      assert.deepEqual(c.parts, ['p-idx', 'p-num', 'p-name', 'muted']);
      assert.equal(c.faint, '0.05');
      assert.ok(c.d.length > 20, c.name);
    }
    assert.equal(pool[0].name, '零 · 无中生有');
    assert.equal(pool[2].name, '黄金分割');
    assert.equal(pool[5].name, '最小完美数');
    assert.equal(pool[7].name, '三位数黑洞');
    assert.equal(pool[8].name, '出租车数');
    assert.match(pool[4].d, /1000/);
    assert.equal(await p.page.textContent('#statPool'), '12');
  });

  test('the facts the pool states hold', () => {
    // 495 within 6 steps, 6174 within 7, for every start with digits not all equal.
    const kaprekar = (x, width) => {
      const s = String(x).padStart(width, '0').split('').sort();
      return Number(s.slice().reverse().join('')) - Number(s.join(''));
    };
    for (const [width, target, most] of [[3, 495, 6], [4, 6174, 7]]) {
      let worst = 0;
      for (let x = 10 ** (width - 1); x < 10 ** width; x++) {
        if (new Set(String(x)).size === 1) continue;
        let v = x, steps = 0;
        while (v !== target) { v = kaprekar(v, width); steps++; assert.ok(steps <= 20); }
        worst = Math.max(worst, steps);
      }
      assert.equal(worst, most);
    }
    assert.equal(1 ** 3 + 12 ** 3, 1729);
    assert.equal(9 ** 3 + 10 ** 3, 1729);
    assert.equal(1 + 2 + 4 + 7 + 14, 28);
  });

  test('six news cards and the site button below them', async () => {
    const news = await p.page.evaluate(() => [...document.querySelectorAll('#news .n-card')].map(c => ({
      cover: c.querySelector('.n-cover').textContent,
      tag: c.querySelector('.tag').textContent,
      title: c.querySelector('h4').textContent,
      meta: c.querySelector('.n-meta').textContent,
    })));
    assert.deepEqual(news.map(n => n.tag), ['数论', '数论', '图论', '素数', '趣味', '概率']);
    assert.deepEqual(news.slice(2).map(n => n.cover), ['4C', '70M', '1729', '2/3']);
    assert.match(news[0].cover, /^[A-Za-z]+$/);
    assert.match(news[1].cover, /^[A-Za-z]+$/);
    assert.deepEqual(news.map(n => n.meta), [4, 5, 4, 5, 3, 4].map(m => '阅读约 ' + m + ' 分钟 · 离线精选'));
    const more = await p.page.evaluate(() => {
      const a = document.querySelector('#news .news-grid + .more a');
      return [a.textContent, a.className];
    });
    assert.deepEqual(more, ['去官网阅读更多数学资讯 ↗', 'btn site']);
  });
});

describe('daily challenge', () => {
  const GREEN = 'rgb(22, 163, 74)', RED = 'rgb(220, 38, 38)';
  const state = (page, q) => page.evaluate(q => {
    const card = document.querySelectorAll('.q-card')[q];
    return {
      opts: [...card.querySelectorAll('.opt')].map(o => [o.className, getComputedStyle(o).color, o.style.opacity || '1']),
      expl: getComputedStyle(card.querySelector('.expl')).display !== 'none',
      score: document.getElementById('quizScore').textContent,
    };
  }, q);
  const answer = (page, q, opt) => page.locator('.q-card').nth(q).locator('.opt').nth(opt).click();

  test('markup: three cards with their answers, explanations hidden', async () => {
    const p = await openPage();
    try {
      const cards = await p.page.evaluate(() => [...document.querySelectorAll('.q-card')].map(c => ({
        no: c.querySelector('.q-no').textContent,
        ans: c.querySelector('.opts').dataset.ans,
        opts: [...c.querySelectorAll('.opt')].map(o => o.textContent.slice(0, 3)),
      })));
      assert.deepEqual(cards.map(c => c.ans), ['1', '2', '0']);
      assert.deepEqual(cards.map(c => c.no), ['第 1 题 · 等差求和', '第 2 题 · 无穷', '第 3 题 · 概率']);
      for (const c of cards) assert.deepEqual(c.opts, ['A. ', 'B. ', 'C. ', 'D. ']);
      for (let q = 0; q < 3; q++) assert.equal((await state(p.page, q)).expl, false);
      assert.equal(await p.page.textContent('#quizScore'), '已完成 0 / 3 · 答对 0 题');
    } finally { await p.close(); }
  });

  test('third question with A is right and green; a second click changes nothing', async () => {
    const p = await openPage();
    try {
      await answer(p.page, 2, 0);
      const s = await state(p.page, 2);
      assert.deepEqual(s.opts[0], ['opt correct', GREEN, '1']);
      assert.deepEqual(s.opts.slice(1).map(o => [o[0], o[2]]), [['opt', '0.45'], ['opt', '0.45'], ['opt', '0.45']]);
      assert.equal(s.expl, true);
      assert.equal(s.score, '已完成 1 / 3 · 答对 1 题');
      for (const o of [3, 1, 0]) {
        await answer(p.page, 2, o);
        assert.deepEqual(await state(p.page, 2), s);
      }
    } finally { await p.close(); }
  });

  test('third question with B: B red, A green', async () => {
    const p = await openPage();
    try {
      await answer(p.page, 2, 1);
      const s = await state(p.page, 2);
      assert.deepEqual(s.opts.map(o => o.slice(0, 2)), [['opt correct', GREEN], ['opt wrong', RED], ['opt', s.opts[2][1]], ['opt', s.opts[3][1]]]);
      assert.deepEqual(s.opts.map(o => o[2]), ['1', '1', '0.45', '0.45']);
      assert.equal(s.score, '已完成 1 / 3 · 答对 0 题');
    } finally { await p.close(); }
  });

  test('full marks and the keep-going ending', async () => {
    const p = await openPage();
    try {
      await answer(p.page, 0, 1);
      await answer(p.page, 1, 2);
      assert.equal(await p.page.textContent('#quizScore'), '已完成 2 / 3 · 答对 2 题');
      await answer(p.page, 2, 0);
      assert.equal(await p.page.textContent('#quizScore'), '已完成 3 / 3 · 答对 3 题 · 满分！你就是数学生 🎉');
      await p.reload();
      await answer(p.page, 1, 2);
      await answer(p.page, 0, 0);
      await answer(p.page, 2, 0);
      await answer(p.page, 0, 1); // already answered: ignored
      assert.equal(await p.page.textContent('#quizScore'), '已完成 3 / 3 · 答对 2 题 · 再接再厉！');
      assert.deepEqual(p.errors, []);
    } finally { await p.close(); }
  });

  // The clock stands still here, so the idle callback waits for runFor.
  const dated = { clock: true, clockTime: new Date('2031-06-30T18:30:00Z'), timezoneId: 'Asia/Shanghai' };
  const DATE_LINE = '2031年7月1日星期二 · 点击选项即交卷';

  test('the date line is the local date formatted for zh-CN, filled once the browser is idle', async () => {
    const p = await openPage(dated);
    try {
      // The idle callback is asked for once the first paint is reported, which
      // on a busy machine may come after the first second of fake time.
      for (let i = 0; i < 5 && await p.page.textContent('#quizDate') !== DATE_LINE; i++) {
        await p.page.clock.runFor(1000);
        await p.page.waitForTimeout(100);
      }
      assert.equal(await p.page.textContent('#quizDate'), DATE_LINE);
    } finally { await p.close(); }
  });

  test('the date line is filled as soon as the challenge comes near, idle or not', async () => {
    const p = await openPage(dated);
    try {
      await p.page.evaluate(() => document.getElementById('quiz').scrollIntoView({ behavior: 'instant' }));
      await p.page.waitForFunction(line => document.getElementById('quizDate').textContent === line, DATE_LINE, { timeout: 5000 })
        .catch(async () => assert.fail('date line still reads: ' + await p.page.textContent('#quizDate')));
    } finally { await p.close(); }
  });
});

describe('quotations', () => {
  // Maxims on mathematics, diligence, a lever, the royal road and problem
  // solving; each text carries its own ASCII quotation marks, each author
  // begins with "—— ", and the fifth names its book.
  const Q = [
    ['"数学是科学的皇后，而数论是数学的皇后。"', '—— 高斯'],
    ['"勤能补拙是良训，一分辛苦一分才。"', '—— 华罗庚'],
    ['"给我一个支点，我就能撬动整个地球。"', '—— 阿基米德'],
    ['"几何学里没有专为国王铺设的大道。"', '—— 欧几里得'],
    ['"如果你解决不了一个问题，那就先去找一个你能解决的、更简单的相关问题。"', '—— 波利亚《怎样解题》'],
  ];

  test('five dots, the first on, and the first quotation in place of the markup\'s short form', async () => {
    const p = await openPage({ clock: true });
    try {
      assert.deepEqual(await p.page.evaluate(() => [...document.querySelectorAll('#qDots .qd')].map(d => d.className)),
        ['qd on', 'qd', 'qd', 'qd', 'qd']);
      await p.page.clock.runFor(300);
      assert.deepEqual([await p.page.textContent('#qText'), await p.page.textContent('#qAuthor')], Q[0]);
    } finally { await p.close(); }
  });

  test('the five quotations, each in turn, word for word', async () => {
    const p = await openPage({ clock: true });
    try {
      const seen = [];
      for (let i = 0; i < 5; i++) {
        await p.page.clock.runFor(i === 0 ? 300 : 5000);
        seen.push([await p.page.textContent('#qText'), await p.page.textContent('#qAuthor')]);
      }
      assert.deepEqual(seen, Q);
    } finally { await p.close(); }
  });

  test('rotation, fade and dot clicks under a fake clock', async () => {
    const p = await openPage({ clock: true });
    const shown = () => p.page.evaluate(() => ({
      text: document.getElementById('qText').textContent,
      author: document.getElementById('qAuthor').textContent,
      opacity: document.getElementById('qText').style.opacity,
      on: [...document.querySelectorAll('#qDots .qd')].map((d, i) => d.classList.contains('on') ? i : -1).filter(i => i >= 0),
    }));
    try {
      await p.page.clock.runFor(300);
      assert.deepEqual(await shown(), { text: Q[0][0], author: Q[0][1], opacity: '1', on: [0] });
      await p.page.clock.runFor(4700); // 5 s after start-up
      assert.deepEqual((await shown()).on, [1]);
      await p.page.clock.runFor(300);
      assert.equal((await shown()).text, Q[1][0]);

      await p.page.clock.runFor(2000); // 2.3 s into the second quotation
      await p.page.locator('#qDots .qd').nth(2).click({ position: { x: -7, y: -7 } }); // a corner of its 24 px target
      let s = await shown();
      assert.deepEqual([s.on, s.opacity, s.text], [[2], '0', Q[1][0]]);
      await p.page.clock.runFor(299);
      assert.equal((await shown()).text, Q[1][0]);
      await p.page.clock.runFor(1);
      assert.deepEqual(await shown(), { text: Q[2][0], author: Q[2][1], opacity: '1', on: [2] });
      // The old timer would have fired 2.7 s after the click; the click restarted the count.
      await p.page.clock.runFor(4699);
      assert.deepEqual((await shown()).on, [2]);
      await p.page.clock.runFor(1); // 5 s after the click
      assert.deepEqual((await shown()).on, [3]);
      await p.page.clock.runFor(300);
      assert.deepEqual(await shown(), { text: Q[3][0], author: Q[3][1], opacity: '1', on: [3] });
      await p.page.clock.runFor(5000 * 2);
      assert.equal((await shown()).text, Q[0][0], 'wraps around after the fifth');
      assert.deepEqual(p.errors, []);
    } finally { await p.close(); }
  });
});

describe('about and FAQ', () => {
  let p;
  before(async () => { p = await openPage(); });
  after(() => p.close());

  const columns = () => p.page.evaluate(() =>
    getComputedStyle(document.querySelector('.about-grid')).gridTemplateColumns.split(' ').length);

  test('about grid is one column at 860 px and two at 861 px', async () => {
    assert.equal(await columns(), 2);
    await p.page.setViewportSize({ width: 860, height: 880 });
    assert.equal(await columns(), 1);
    await p.page.setViewportSize({ width: 861, height: 880 });
    assert.equal(await columns(), 2);
    await p.page.setViewportSize({ width: 1260, height: 880 });
  });

  test('fact chips show the install layout', async () => {
    const chips = await p.page.evaluate(() => [...document.querySelectorAll('.about-card .kbd')].map(k => k.textContent));
    assert.deepEqual(chips, ['%LOCALAPPDATA%\\Tallybook', 'tallybook.exe', 'index.html', 'tallyinstall.exe', 'tallyuninstall.exe']);
  });

  test('five FAQ entries, the first open, + turning to −', async () => {
    const faq = () => p.page.evaluate(() => [...document.querySelectorAll('.faq details')].map(d => [
      d.open, getComputedStyle(d.querySelector('summary'), '::after').content]));
    assert.deepEqual(await faq(), [[true, '"−"'], [false, '"+"'], [false, '"+"'], [false, '"+"'], [false, '"+"']]);
    await p.page.locator('.faq summary').nth(2).click();
    await p.page.locator('.faq summary').nth(0).click();
    assert.deepEqual(await faq(), [[false, '"+"'], [false, '"+"'], [true, '"−"'], [false, '"+"'], [false, '"+"']]);
    const qs = await p.page.evaluate(() => [...document.querySelectorAll('.faq summary')].map(s => s.textContent));
    assert.deepEqual(qs.slice(1), ['怎么用浏览器打开？', '如何卸载？', '应用装到了哪里？会不会联网？', 'π 的一千位是真的吗？']);
  });

  test('only one media query in the page', async () => {
    const n = await p.page.evaluate(() => [...document.styleSheets[0].cssRules].filter(r => r instanceof CSSMediaRule).length);
    assert.equal(n, 1);
  });

  test('nothing leaves the page and no error is logged', () => {
    assert.deepEqual(outsideRequests(p.requests), []);
    assert.deepEqual(p.errors, []);
  });
});
