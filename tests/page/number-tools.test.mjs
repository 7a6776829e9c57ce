// The seven number tools, through their own fields and buttons, checked
// against values computed here independently.
import { test, describe, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { openPage, closeBrowser } from './support.mjs';

after(closeBrowser);

// A seeded Math.random, installed before the page's script runs. Values pushed
// onto window.__nextRandom are served first, for exact dice and coins.
const SEEDED_RANDOM = `(() => {
  let s = 0x9e3779b9;
  const next = () => {
    s = (s + 0x6d2b79f5) | 0;
    let t = Math.imul(s ^ (s >>> 15), 1 | s);
    t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
  window.__nextRandom = [];
  Math.random = () => (window.__nextRandom.length ? window.__nextRandom.shift() : next());
})();`;

// Sets the fields, clicks the button and returns the output's HTML and text.
// The click is dispatched on the button itself: a pointer click could land
// beside it while the page is still smooth-scrolling or a card is rising.
async function run(page, fields, button, out) {
  for (const [id, v] of Object.entries(fields)) {
    if (id === 'bcBase') await page.selectOption('#bcBase', v, { force: true });
    else await page.fill('#' + id, v, { force: true });
  }
  await page.dispatchEvent('#' + button, 'click');
  return page.$eval('#' + out, el => ({ html: el.innerHTML, text: el.textContent }));
}

function primesUpTo(n) {
  const out = [];
  for (let k = 2; k <= n; k++) {
    let prime = true;
    for (let d = 2; d * d <= k; d++) if (k % d === 0) { prime = false; break; }
    if (prime) out.push(k);
  }
  return out;
}

function isPrimeRef(x) {
  if (x < 2) return false;
  for (let d = 2; d * d <= x; d += d === 2 ? 1 : 2) if (x % d === 0) return false;
  return true;
}

describe('prime factory', () => {
  let p;
  before(async () => { p = await openPage(); });
  after(() => p.close());
  const prime = v => run(p.page, { prIn: v }, 'prBtn', 'prOut');

  test('factorisations and the prime verdict', async () => {
    const cases = [
      ['2026', '<b>2026</b> = 2 × 1013<br>共 2 个质因数，不是质数'],
      ['7', '<b>7</b> = 7<br>✨ <b>它是质数！</b>'],
      ['2', '<b>2</b> = 2<br>✨ <b>它是质数！</b>'],
      ['3', '<b>3</b> = 3<br>✨ <b>它是质数！</b>'],
      ['12.9', '<b>12</b> = 2<sup>2</sup> × 3<br>共 3 个质因数，不是质数'],
      ['1024', '<b>1024</b> = 2<sup>10</sup><br>共 10 个质因数，不是质数'],
      ['9000000000000000', '<b>9000000000000000</b> = 2<sup>15</sup> × 3<sup>2</sup> × 5<sup>15</sup><br>共 32 个质因数，不是质数'],
      ['8999999999999971', '<b>8999999999999971</b> = 8999999999999971<br>✨ <b>它是质数！</b>'],
      ['8999997380675687', '<b>8999997380675687</b> = 94868303 × 94868329<br>共 2 个质因数，不是质数'],
      ['8999999847252241', '<b>8999999847252241</b> = 94868329<sup>2</sup><br>共 2 个质因数，不是质数'],
    ];
    for (const [v, html] of cases) assert.equal((await prime(v)).html, html, v);
  });

  test('1 has its own message; the range is 1 to 9×10¹⁵', async () => {
    assert.equal((await prime('1')).text, '1 既不是质数也不是合数（数学里的"孤勇者"）');
    for (const v of ['0', '-7', '', '9000000000000001', '1e20', '0.5']) {
      assert.equal((await prime(v)).text, '请输入 1 ~ 9×10¹⁵ 范围内的整数', v);
    }
  });

  test('isPrime and factorize agree with a separate check', async () => {
    const small = await p.page.evaluate(() => Array.from({ length: 3001 }, (_, n) => isPrime(n)));
    const primes = new Set(primesUpTo(3000));
    small.forEach((v, n) => assert.equal(v, primes.has(n), String(n)));
    const rnd = (() => { let s = 7; return () => (s = (s * 48271) % 2147483647) / 2147483647; })();
    const ns = [561, 1105, 25, 49, 2 ** 52 + 1, 600851475143, 999999000001, 1e15 + 37];
    for (let i = 0; i < 200; i++) ns.push(2 + Math.floor(rnd() * [1e6, 1e9, 1e12][i % 3]));
    const got = await p.page.evaluate(ns => ns.map(n => [factorize(n), isPrime(n)]), ns);
    ns.forEach((n, i) => {
      const [f, isP] = got[i];
      assert.equal(f.reduce((a, b) => BigInt(a) * BigInt(b), 1n), BigInt(n), String(n));
      for (let j = 0; j < f.length; j++) {
        if (j) assert.ok(f[j] >= f[j - 1], String(n));
        assert.ok(isPrimeRef(f[j]), `${f[j]} in ${n} is not prime`);
      }
      assert.equal(isP, f.length === 1, String(n));
    });
  });

  test('the sieve counts primes like a separate count and clamps N', async () => {
    const sieve = v => run(p.page, { prN: v }, 'prSieve', 'sieveOut');
    assert.equal((await sieve('10')).html, '<b>10</b> 以内共有 <b>4</b> 个质数<br>前 15 个：2, 3, 5, 7');
    assert.equal((await sieve('10000')).html,
      '<b>10000</b> 以内共有 <b>1229</b> 个质数<br>前 15 个：2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37, 41, 43, 47 … 最大的是 <b>9973</b>');
    for (const [v, n] of [['', 100], ['0', 100], ['1', 2], ['100', 100], ['47', 47], ['48.7', 48], ['30000', 30000],
      ['100000', 100000], ['250000', 100000], ['-5', 2]]) {
      const want = primesUpTo(n);
      const { text } = await sieve(v);
      let line = `${n} 以内共有 ${want.length} 个质数前 15 个：${want.slice(0, 15).join(', ')}`;
      if (want.length > 15) line += ` … 最大的是 ${want[want.length - 1]}`;
      assert.equal(text, line, v);
    }
    assert.deepEqual([primesUpTo(10).length, primesUpTo(100).length, primesUpTo(1e4).length, primesUpTo(1e5).length], [4, 25, 1229, 9592]);
    assert.deepEqual(p.errors, []);
  });
});

// The first `digits` decimals of π by Machin's formula in BigInt.
function piDecimals(digits) {
  const scale = 10n ** BigInt(digits + 12);
  const arctanInv = x => {
    let sum = 0n, term = scale / x, k = 1n, sign = 1n;
    while (term) { sum += sign * term / k; term /= x * x; k += 2n; sign = -sign; }
    return sum;
  };
  return (16n * arctanInv(5n) - 4n * arctanInv(239n)).toString().slice(1, digits + 1);
}

describe('π lookup', () => {
  let p;
  const DEC = piDecimals(1000);
  before(async () => { p = await openPage({ initScript: SEEDED_RANDOM }); });
  after(() => p.close());
  const look = v => run(p.page, { piPos: v }, 'piGo', 'piOut');

  test('the stored 1000 decimals are those of π', async () => {
    const r = await p.page.evaluate(() => [PI_DIGITS, PI_DEC]);
    assert.equal(r[0], '3.' + DEC);
    assert.equal(r[1], DEC);
    assert.deepEqual([DEC.slice(0, 10), DEC.slice(990)], ['1415926535', '2164201989']);
  });

  test('place 100 is answered at start-up', async () => {
    const html = await p.page.$eval('#piOut', el => el.innerHTML);
    assert.equal(html, '小数点后第 <b>100</b> 位是 <b style="font-size:1.5rem">9</b><br>附近片段：…42117067<b class="hit">9</b>82148086…');
    const deco = await p.page.$eval('#piOut .hit', el => getComputedStyle(el).textDecorationLine);
    assert.equal(deco, 'underline');
  });

  test('every place, its fragment, and the ends', async () => {
    const all = await p.page.evaluate(() => {
      const out = [];
      for (let n = 1; n <= 1000; n++) { document.getElementById('piPos').value = n; piQuery(); out.push(document.getElementById('piOut').textContent); }
      return out;
    });
    all.forEach((text, i) => {
      const n = i + 1;
      const frag = DEC.slice(Math.max(0, n - 9), n - 1) + DEC[n - 1] + DEC.slice(n, n + 8);
      assert.equal(text, `小数点后第 ${n} 位是 ${DEC[n - 1]}附近片段：…${frag}…`);
    });
    assert.equal((await look('1')).html, '小数点后第 <b>1</b> 位是 <b style="font-size:1.5rem">1</b><br>附近片段：…<b class="hit">1</b>41592653…');
    assert.equal((await look('1000')).text, '小数点后第 1000 位是 9附近片段：…16420198' + '9…');
    for (const v of ['0', '1001', '', '-3']) assert.equal((await look(v)).text, '请输入 1 ~ 1000 之间的小数位数', v);
  });

  test('a random place is drawn from 1 to 1000 and answered', async () => {
    for (const [r, place] of [[0, '1'], [0.999999, '1000'], [0.5, '501']]) {
      await p.page.evaluate(r => window.__nextRandom.push(r), r);
      await p.page.dispatchEvent('#piRand', 'click');
      assert.equal(await p.page.inputValue('#piPos'), place);
      assert.ok((await p.page.textContent('#piOut')).startsWith(`小数点后第 ${place} 位是 ${DEC[place - 1]}`));
    }
  });

  test('the preview holds the first 200 digits in groups of ten, six groups a line', async () => {
    const digits = '3.' + DEC.slice(0, 199);
    const groups = digits.match(/.{1,10}/g);
    const want = groups.map((g, i) => g + (i === groups.length - 1 ? '' : (i + 1) % 6 === 0 ? '\n' : ' ')).join('');
    const r = await p.page.evaluate(() => {
      const el = document.getElementById('piShow');
      return { text: el.textContent, open: el.closest('details').open, summary: el.closest('details').querySelector('summary').textContent };
    });
    assert.deepEqual(r, { text: want, open: false, summary: '展开浏览前 200 位' });
    assert.equal(r.text.replace(/\s/g, '').length, 201);
    assert.ok(r.text.startsWith('3.14159265 3589793238'));
  });
});

describe('quadratic solver', () => {
  let p;
  before(async () => { p = await openPage(); });
  after(() => p.close());
  const solve = (a, b, c) => run(p.page, { qa: a, qb: b, qc: c }, 'qGo', 'qOut');

  test('nothing at start-up, then the defaults', async () => {
    assert.equal(await p.page.$eval('#qOut', el => el.innerHTML), '');
    await p.page.dispatchEvent('#qGo', 'click');
    assert.equal(await p.page.$eval('#qOut', el => el.innerHTML),
      'Δ = b²−4ac = <b>5</b> &gt; 0，两个不等实根：<br>x₁ = <b>2.618034</b>\u3000x₂ = <b>0.381966</b>');
  });

  test('each case', async () => {
    const cases = [
      [['1', '2', '5'], 'Δ = -16 < 0，无实根（共轭复根）：x = -1 ± 2i'],
      [['1', '2', '5'], null, 'Δ = <b>-16</b> &lt; 0，无实根（共轭复根）：<br>x = <b>-1 ± 2i</b>'],
      [['1', '-2', '1'], 'Δ = 0，两个相等实根：x₁ = x₂ = 1'],
      [['0', '2', '-4'], '退化为一元一次方程：x = 2'],
      [['0', '3', '0'], '退化为一元一次方程：x = 0'],
      [['0', '0', '0'], 'a=b=c=0：恒等式，任意 x 都成立'],
      [['0', '0', '1'], 'a=b=0：方程无解'],
      [['-1', '0', '4'], 'Δ = b²−4ac = 16 > 0，两个不等实根：x₁ = -2　x₂ = 2'],
      [['-2', '0', '-8'], 'Δ = -64 < 0，无实根（共轭复根）：x = 0 ± 2i'],
      [['3', '1', '-1'], 'Δ = b²−4ac = 13 > 0，两个不等实根：x₁ = 0.434259　x₂ = -0.767592'],
      [['', '1', '1'], '请输入完整的 a、b、c'],
      [['1', '1', ''], '请输入完整的 a、b、c'],
      // b² overflows: no root can be shown truthfully.
      [['1e200', '1e200', '1e200'], '系数太大，超出了可计算的范围'],
    ];
    for (const [coef, text, html] of cases) {
      const r = await solve(...coef);
      if (html) assert.equal(r.html, html, coef.join());
      else assert.equal(r.text, text, coef.join());
    }
  });
});

describe('statistics', () => {
  let p;
  before(async () => { p = await openPage(); });
  after(() => p.close());
  const stats = v => run(p.page, { stIn: v }, 'stGo', 'stOut');
  const six = x => String(Number(x.toFixed(6)));

  function expectedText(xs) {
    const n = xs.length;
    let sum = 0;
    for (const x of xs) sum += x;
    const mean = sum / n;
    const s = [...xs].sort((a, b) => a - b);
    const median = n % 2 ? s[(n - 1) >> 1] : (s[n / 2 - 1] + s[n / 2]) / 2;
    let sq = 0;
    for (const x of xs) sq += (x - mean) ** 2;
    return `样本数 ${n} ｜ 总和 ${six(sum)} ｜ 平均数 ${six(mean)} ｜ 中位数 ${six(median)}` +
      `总体方差 ${six(sq / n)} ｜ 样本方差 ${six(sq / (n - 1))} ｜ 标准差 ${six(Math.sqrt(sq / n))}` +
      `最大值 ${six(s[n - 1])} ｜ 最小值 ${six(s[0])} ｜ 极差 ${six(s[n - 1] - s[0])}`;
  }

  test('the default data', async () => {
    assert.equal(await p.page.inputValue('#stIn'), '92 88 95 76 84 90 67 83');
    const r = await run(p.page, {}, 'stGo', 'stOut');
    assert.equal(r.html, '样本数 <b>8</b> ｜ 总和 <b>675</b> ｜ 平均数 <b>84.375</b> ｜ 中位数 <b>86</b><br>' +
      '总体方差 <b>73.734375</b> ｜ 样本方差 <b>84.267857</b> ｜ 标准差 <b>8.586872</b><br>' +
      '最大值 <b>95</b> ｜ 最小值 <b>67</b> ｜ 极差 <b>28</b>');
  });

  test('splitting and strict number conversion', async () => {
    assert.equal((await stats('1，2；3')).text, expectedText([1, 2, 3]));
    assert.equal((await stats('5')).text, '至少需要 2 个有效数字');
    assert.equal((await stats(' ,,; \n')).text, '至少需要 2 个有效数字');
    assert.equal((await stats('1 x 3')).text, expectedText([1, 3]));
    assert.equal((await stats('0x10 1')).text, expectedText([16, 1]));
    assert.equal((await stats('1e2;0b11,0o7\t-2.5\u3000.5 12px 3.4.5 +4')).text, expectedText([100, 3, 7, -2.5, 0.5, 4]));
    assert.equal((await stats('5 x')).text, '至少需要 2 个有效数字');
  });

  test('random data against values computed here', async () => {
    let s = 12345;
    const rnd = () => (s = (s * 16807) % 2147483647) / 2147483647;
    for (let round = 0; round < 15; round++) {
      const xs = Array.from({ length: 2 + Math.floor(rnd() * 40) }, () => Math.round((rnd() - 0.3) * 10 ** (round % 5) * 1000) / 1000);
      const seps = [' ', ',', '，', ';', '；', '\n', ' , '];
      const text = xs.map((x, i) => (i ? seps[i % seps.length] : '') + x).join('');
      assert.equal((await stats(text)).text, expectedText(xs), text);
    }
  });
});

describe('base conversion', () => {
  let p;
  before(async () => { p = await openPage(); });
  after(() => p.close());
  const bc = (v, base) => run(p.page, { bcIn: v, bcBase: base }, 'bcGo', 'bcOut');
  const lines = n => `二进制 ${n.toString(2)}八进制 ${n.toString(8)}十进制 ${n}十六进制 ${n.toString(16).toUpperCase()}`;

  test('the default', async () => {
    const r = await run(p.page, {}, 'bcGo', 'bcOut');
    assert.equal(r.html, '二进制 <b>11111101010</b><br>八进制 <b>3752</b><br>十进制 <b>2026</b><br>十六进制 <b>7EA</b>');
  });

  test('the rules of the integer parser', async () => {
    const cases = [
      ['ff', '16', 255], ['0xff', '16', 255], ['0XFF', '16', 255], ['  7ea  ', '16', 2026], ['12abc', '10', 12],
      ['0x10', '10', 0], ['1012', '2', 5], ['777', '8', 511], ['789', '8', 7], ['+42', '10', 42], ['0', '10', 0], ['-0', '10', 0],
      ['9007199254740993', '10', 9007199254740992], ['1000000000000000000000', '10', 1e21],
    ];
    for (const [v, base, n] of cases) assert.equal((await bc(v, base)).text, lines(n), `${v} (${base})`);
    assert.match((await bc('1000000000000000000000', '10')).text, /十进制 1e\+21十六进制/);
    const bad = [['2', '2', '二进制'], ['-5', '10', '十进制'], ['', '10', '十进制'], ['0x', '16', '十六进制'], ['9', '8', '八进制'],
      ['abc', '10', '十进制'], ['g', '16', '十六进制'], ['-ff', '16', '十六进制']];
    for (const [v, base, name] of bad) assert.equal((await bc(v, base)).text, `不是合法的 ${name}数`, `${v} (${base})`);
  });
});

describe('random lab', () => {
  let p;
  before(async () => { p = await openPage({ initScript: SEEDED_RANDOM }); });
  after(() => p.close());
  const draw = (min, max, cnt) => run(p.page, { rdMin: min, rdMax: max, rdCnt: cnt }, 'rdGo', 'rdOut');
  const values = r => r.text.split('\u3000').map(BigInt);

  test('defaults and the first message', async () => {
    assert.equal(await p.page.textContent('#rdOut'), '先来一组随机数吧！');
    const r = await run(p.page, {}, 'rdGo', 'rdOut');
    assert.match(r.html, /^<b>\d+<\/b>(\u3000<b>\d+<\/b>){4}$/);
    const v = values(r);
    assert.equal(new Set(v).size, 5);
    assert.ok(v.every(x => x >= 1n && x <= 100n));
  });

  test('distinct draws, repeats beyond the span, rounding and clamping', async () => {
    let v = values(await draw('1', '6', '6'));
    assert.deepEqual([...v].sort((a, b) => Number(a - b)), [1n, 2n, 3n, 4n, 5n, 6n]);
    v = values(await draw('1', '3', '5'));
    assert.equal(v.length, 5);
    assert.ok(v.every(x => x >= 1n && x <= 3n));
    v = values(await draw('1.5', '3.2', '2'));
    assert.deepEqual([...v].sort(), [2n, 3n]);
    v = values(await draw('1.5', '3.2', '7'));
    assert.ok(v.length === 7 && v.every(x => x === 2n || x === 3n));
    assert.equal(values(await draw('1', '100', '0')).length, 1);
    assert.equal(values(await draw('1', '100', '')).length, 1);
    assert.equal(values(await draw('1', '100', '-4')).length, 1);
    assert.equal(values(await draw('1', '100', '2.9')).length, 2);
    v = values(await draw('1', '1000', '500'));
    assert.equal(v.length, 100);
    assert.equal(new Set(v).size, 100);
    v = values(await draw('', '', '3'));
    assert.deepEqual(v, [0n, 0n, 0n]);
    v = values(await draw('-10', '-5', '6'));
    assert.deepEqual([...v].sort((a, b) => Number(a - b)), [-10n, -9n, -8n, -7n, -6n, -5n]);
    for (const [a, b] of [['5', '4'], ['1.2', '1.8']]) {
      assert.equal((await draw(a, b, '3')).text, '请检查最小值 / 最大值', `${a} ${b}`);
    }
  });

  test('every value and every position of a small range comes up about equally often', async () => {
    // 3000 distinct draws of 3 from 1…10 and 300 draws of 100 from 1…4.
    const r = await p.page.evaluate(() => {
      const set = (id, v) => { document.getElementById(id).value = v; };
      const grab = () => document.getElementById('rdOut').textContent.split('\u3000').map(Number);
      const firsts = Array(11).fill(0), all = Array(11).fill(0), reps = Array(5).fill(0);
      let dupes = 0;
      set('rdMin', 1); set('rdMax', 10); set('rdCnt', 3);
      for (let i = 0; i < 3000; i++) {
        document.getElementById('rdGo').click();
        const v = grab();
        if (new Set(v).size !== 3) dupes++;
        firsts[v[0]]++;
        v.forEach(x => all[x]++);
      }
      set('rdMin', 1); set('rdMax', 4); set('rdCnt', 100);
      for (let i = 0; i < 300; i++) { document.getElementById('rdGo').click(); grab().forEach(x => reps[x]++); }
      return { firsts: firsts.slice(1), all: all.slice(1), reps: reps.slice(1), dupes };
    });
    const chi = (obs, exp) => obs.reduce((s, o) => s + (o - exp) ** 2 / exp, 0);
    assert.equal(r.dupes, 0);
    // df 9 and 3: far beyond the 1e-6 quantiles (about 47 and 31).
    assert.ok(chi(r.firsts, 300) < 47, String(r.firsts));
    assert.ok(chi(r.all, 900) < 47, String(r.all));
    assert.ok(chi(r.reps, 7500) < 31, String(r.reps));
  });

  test('a range too large to list gives distinct, exact, well-spread integers at once', async () => {
    for (const [min, max] of [['1', '1000000000000000'], ['0', '100000000000000000000'], ['-1e300', '1e300'], ['1', '1000000']]) {
      const t0 = Date.now();
      const v = values(await draw(min, max, '100'));
      assert.ok(Date.now() - t0 < 10000);
      const lo = BigInt(Number(min)), hi = BigInt(Number(max));
      assert.equal(v.length, 100);
      assert.equal(new Set(v).size, 100);
      assert.ok(v.every(x => x >= lo && x <= hi), min + '…' + max);
      // Spread: about half odd, and about half in the upper half of the range.
      const odd = v.filter(x => x % 2n !== 0n).length;
      const upper = v.filter(x => (x - lo) * 2n > hi - lo).length;
      assert.ok(odd > 25 && odd < 75, `odd ${odd} in ${min}…${max}`);
      assert.ok(upper > 25 && upper < 75, `upper ${upper} in ${min}…${max}`);
    }
  });

  test('dice and coins', async () => {
    const { page } = p;
    const roll = async (rs, id) => {
      await page.evaluate(rs => window.__nextRandom.push(...rs), rs);
      await page.dispatchEvent('#' + id, 'click');
      return page.$eval('#fcOut', el => ({ html: el.innerHTML, text: el.textContent }));
    };
    assert.equal((await roll([0.99, 0.99], 'diceBtn')).text, '掷出了 ⚅ + ⚅ ＝ 12 点，豹！');
    assert.equal((await roll([0, 0.1], 'diceBtn')).text, '掷出了 ⚀ + ⚀ ＝ 2 点，蛇眼！');
    const r = await roll([0.5, 0.2], 'diceBtn');
    assert.equal(r.text, '掷出了 ⚃ + ⚁ ＝ 6 点');
    assert.match(r.html, /^掷出了 <span style="font-size: ?1\.7rem;?">⚃<\/span> \+ <span style="font-size: ?1\.7rem;?">⚁<\/span> ＝ <b>6 点<\/b>$/);
    const c = await roll([0.1, 0.6, 0.49, 0.5, 0.99, 0], 'coinBtn');
    assert.equal(c.html, '正面 · 反面 · 正面 · 反面 · 反面 · 正面<br>正面 <b>3</b> 次 / 反面 <b>3</b> 次');
    assert.equal((await roll([0, 0, 0, 0, 0, 0], 'coinBtn')).text, '正面 · 正面 · 正面 · 正面 · 正面 · 正面正面 6 次 / 反面 0 次');
    // Each face and each toss stays uniform over many presses.
    const counts = await page.evaluate(() => {
      const faces = {}, heads = [0, 0];
      for (let i = 0; i < 3000; i++) {
        document.getElementById('diceBtn').click();
        const t = document.getElementById('fcOut').textContent;
        for (const ch of t) if (ch >= '⚀' && ch <= '⚅') faces[ch] = (faces[ch] || 0) + 1;
        document.getElementById('coinBtn').click();
        const h = Number(document.getElementById('fcOut').textContent.match(/正面 (\d) 次/)[1]);
        heads[0] += h; heads[1] += 6 - h;
      }
      return { faces: Object.values(faces), heads };
    });
    const chi = (obs, exp) => obs.reduce((s, o) => s + (o - exp) ** 2 / exp, 0);
    assert.equal(counts.faces.length, 6);
    assert.ok(chi(counts.faces, 1000) < 36, String(counts.faces));
    assert.ok(chi(counts.heads, 9000) < 24, String(counts.heads));
  });
});

describe('factorial, permutations and combinations', () => {
  let p;
  before(async () => { p = await openPage(); });
  after(() => p.close());
  const cm = (n, k) => run(p.page, { cmN: n, cmK: k }, 'cmGo', 'cmOut');
  const fact = n => { let r = 1n; for (let i = 1n; i <= n; i++) r *= i; return r; };

  test('defaults and small cases', async () => {
    assert.equal((await run(p.page, {}, 'cmGo', 'cmOut')).html,
      'n! = <b>3628800</b><br>A(10, 3) = n!/(n−k)! = <b>720</b><br>C(10, 3) = <b>120</b>');
    assert.equal((await cm('0', '0')).text, 'n! = 1A(0, 0) = n!/(n−k)! = 1C(0, 0) = 1');
    assert.equal((await cm('', '')).text, 'n! = 1A(0, 0) = n!/(n−k)! = 1C(0, 0) = 1');
    assert.equal((await cm('20', '20')).text, `n! = ${fact(20n)}A(20, 20) = n!/(n−k)! = ${fact(20n)}C(20, 20) = 1`);
    assert.equal((await cm('7.9', '2.5')).text, 'n! = 5040A(7, 2) = n!/(n−k)! = 42C(7, 2) = 21');
  });

  test('n up to 500 in full, checked against products computed here', async () => {
    for (const [n, k] of [[500, 250], [500, 0], [500, 1], [171, 85], [100, 50], [37, 13]]) {
      const N = BigInt(n), K = BigInt(k);
      let A = 1n;
      for (let i = N - K + 1n; i <= N; i++) A *= i;
      const C = A / fact(K);
      const { text } = await cm(String(n), String(k));
      assert.equal(text, `n! = ${fact(N)}A(${n}, ${k}) = n!/(n−k)! = ${A}C(${n}, ${k}) = ${C}`);
    }
    assert.equal(fact(500n).toString().length, 1135);
    assert.equal(await p.page.evaluate(() => String(bigFact(500)).length), 1135);
    assert.deepEqual(await p.page.evaluate(() => [bigFact(0), bigFact(1), bigFact(5)].map(String)), ['1', '1', '120']);
  });

  test('the two messages', async () => {
    assert.equal((await cm('10', '12')).text, 'A(10, 12) = 0，C(10, 12) = 0（k > n 时排列组合均为 0）');
    for (const [n, k] of [['501', '3'], ['-1', '0'], ['5', '-1'], ['-0.5', '0']]) {
      assert.equal((await cm(n, k)).text, '请输入 0 ≤ n ≤ 500、k ≥ 0', `${n} ${k}`);
    }
    assert.deepEqual(p.errors, []);
  });
});
