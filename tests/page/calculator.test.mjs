// The number formats and the scientific calculator: keys, keyboard, angle
// switch, display, a table of key sequences with what each must show, and a
// randomized run of key sequences that must end in a number or a message.
import { test, describe, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { openPage, closeBrowser } from './support.mjs';

after(closeBrowser);

const NBSP = '\u00a0';
const ERR = '表达式有误';
const UNDEF = '∞ 或未定义';

// Clears, presses the keys, presses "=" and reads the screen.
const calc = (page, keys) => page.evaluate(keys => {
  press('AC');
  keys.forEach(k => press(k));
  const before = expr;
  press('=');
  return { before, hist: document.getElementById('calcHist').textContent, main: document.getElementById('calcMain').textContent, expr };
}, keys);

const screen = page => page.evaluate(() => {
  const m = document.getElementById('calcMain');
  return { hist: document.getElementById('calcHist').textContent, main: m.textContent, expr, font: getComputedStyle(m).fontSize };
});

describe('number formats', () => {
  let p;
  before(async () => { p = await openPage(); });
  after(() => p.close());

  test('fmtNum switches to the exponent form at 10^12 and below 10^-9', async () => {
    const r = await p.page.evaluate(() => [
      1e12, -1e12, 999999999999, 999999999999.9, 1e-9, -1e-9, 9.99e-10, 1.5e-7, 1e-6, 9.99e-7, 2.5e15, 1 / 3 * 1e-12,
    ].map(fmtNum));
    assert.deepEqual(r, [
      '1.00000000×10^+12', '-1.00000000×10^+12', '999999999999', '999999999999.9', '1e-9', '-1e-9',
      '9.99000000×10^-10', '1.5e-7', '0.000001', '9.99e-7', '2.50000000×10^+15', '3.33333333×10^-13',
    ]);
  });

  test('fmtNum rounds halves away from zero, drops zeros and the sign of zero, and names non-finite values', async () => {
    const r = await p.page.evaluate(() => [
      2 ** -11, -(2 ** -11), 1000000005000, -1000000005000, 0.1 + 0.2, 2 / 3, -2 / 3, 0, -0, 1.5, 6.123233995736766e-17,
      Infinity, -Infinity, NaN,
    ].map(fmtNum));
    assert.deepEqual(r, [
      '0.0004882813', '-0.0004882813', '1.00000001×10^+12', '-1.00000001×10^+12', '0.3', '0.6666666667', '-0.6666666667',
      '0', '0', '1.5', '6.12323400×10^-17', UNDEF, UNDEF, UNDEF,
    ]);
  });

  test('trim keeps six decimals, halves away from zero', async () => {
    const r = await p.page.evaluate(() => [
      2 ** -7, -(2 ** -7), 2.618033988749895, 84.26785714285714, -1e-7, -0, 5, 1e21, Infinity, -Infinity, 0.1 + 0.2,
    ].map(trim));
    assert.deepEqual(r, ['0.007813', '-0.007813', '2.618034', '84.267857', '0', '0', '5', '1e+21', 'Infinity', '-Infinity', '0.3']);
  });
});

describe('calculator keys', () => {
  let p;
  before(async () => { p = await openPage(); });
  after(() => p.close());

  test('32 keys in four columns, with their classes', async () => {
    const keys = await p.page.$$eval('#calcGrid button', bs => bs.map(b => b.textContent + ':' + b.className));
    assert.deepEqual(keys, [
      'AC:cb danger', '⌫:cb fn', '(:cb fn', '):cb fn', 'sin:cb fn', 'cos:cb fn', 'tan:cb fn', '÷:cb op',
      '7:cb', '8:cb', '9:cb', '×:cb op', '4:cb', '5:cb', '6:cb', '−:cb op', '1:cb', '2:cb', '3:cb', '+:cb op',
      'π:cb fn', '0:cb', '.:cb', '=:cb eq', 'log:cb fn', 'ln:cb fn', '√:cb fn', '^:cb op', 'e:cb fn', 'x²:cb fn', '%:cb op', '±:cb op',
    ]);
    assert.equal(await p.page.evaluate(() => getComputedStyle(document.getElementById('calcGrid')).gridTemplateColumns.split(' ').length), 4);
    assert.deepEqual(await screen(p.page), { hist: NBSP, main: '0', expr: '', font: '25.6px' });
  });

  test('clicking keys builds and evaluates the expression', async () => {
    const key = label => p.page.locator('#calcGrid button').nth(KEYS.indexOf(label));
    for (const k of ['sin', '3', '0', ')', '×', '4']) await key(k).click();
    assert.equal((await screen(p.page)).main, 'sin(30)×4');
    await key('=').click();
    assert.deepEqual(await screen(p.page), { hist: 'sin(30)×4 =', main: '2', expr: '2', font: '25.6px' });
    await key('AC').click();
    assert.deepEqual(await screen(p.page), { hist: NBSP, main: '0', expr: '', font: '25.6px' });
  });

  test('the listed results', async () => {
    const cases = [
      [['sin', '3', '0', ')'], '0.5'],
      [['cos', '9', '0', ')'], '6.12323400×10^-17'],
      [['tan', '9', '0', ')'], '1.63312394×10^+16'],
      [['1', '÷', '0'], UNDEF],
      [['√', '−', '1', ')'], UNDEF],
      [['0', '.', '1', '+', '0', '.', '2'], '0.3'],
      [['2', '÷', '3'], '0.6666666667'],
      [['1', '0', '^', '1', '2'], '1.00000000×10^+12'],
      [['2', '^', '3', '^', '2'], '512'],
      [['5', '%'], '0.05'],
      [['log', '1', '0', '0', ')'], '2'],
      [['ln', 'e', ')'], '1'],
      [['e', '×', 'e'], '7.3890560989'],
      [['2', 'e', '3'], '2000'],
      [['2', 'e', '−', '3'], '0.002'],
      [['(', '−', '2', ')', '^', '2'], '4'],
      [['(', '−', '2', ')', 'x²'], '4'],
      [['2', '^', '−', '2'], '0.25'],
      [['0', '.', '5', '+', '.', '5'], '1'],
      [['1', '+', '−', '2'], '-1'],
      [['π'], '3.1415926536'],
      [['√', '2', ')', 'x²'], '2'],
      [['1', '2', '%', '%'], '0.0012'],
      [['(', '√', '⌫', ')', '(', '1', '6', ')'], '4'],
      [['sin', ')'], UNDEF],
    ];
    for (const [keys, want] of cases) {
      const r = await calc(p.page, keys);
      assert.deepEqual([r.main, r.hist, r.expr], [want, r.before + ' =', want], keys.join(' '));
    }
  });

  test('the language rules that make an expression an error', async () => {
    const errors = [
      ['−', '2', '^', '2'], ['−', '3', '=', 'x²'], ['5', '−', '−', '3'], ['−', '−', '3'], ['±', '−', '3'], ['5', '+', '+', '3'],
      ['2', 'π'], ['2', '(', '3', ')'], ['(', '1', ')', '(', '2', ')'], ['2', 'e'], ['e', '3'], ['e', 'e'], ['sin', '3', '0'],
      ['0', '5'], ['0', '0'], ['0', '5', '.', '5'], ['sin', '⌫', '3', '0'], ['√', '⌫'], ['√', '⌫', '+', '1'], ['log', '⌫'],
      ['1', '.', '.', '5'], ['1', '.', '2', '.', '3'], ['.'], ['(', ')'], ['2', '^', '^', '2'], ['2', '^', '−', '2', '^', '2'],
      ['1', '÷', '÷', '2'], ['÷', '2', '÷'], ['1', '÷', '×', '2', '×', '÷'], ['±'], ['5', '−'], ['2', 'sin', '3', '0', ')'],
      ['π', '.', 'e'], ['(', '1', ')', '.', 'e'], ['2', 'e', '3', 'e'],
    ];
    for (const keys of errors) {
      const before = await p.page.evaluate(keys => {
        press('AC');
        keys.forEach(k => { if (k === '=') press('='); else press(k); });
        return expr;
      }, keys);
      await p.page.evaluate(() => press('='));
      const s = await screen(p.page);
      assert.deepEqual({ main: s.main, hist: s.hist, expr: s.expr }, { main: ERR, hist: before + ' = ?', expr: '' }, keys.join(' '));
    }
  });

  test('a result stays on the display as the start of the next expression', async () => {
    const { page } = p;
    const r = await calc(page, ['2', '+', '3']);
    assert.deepEqual(r, { before: '2+3', hist: '2+3 =', main: '5', expr: '5' });
    const next = await page.evaluate(() => { press('×'); press('2'); press('='); return [document.getElementById('calcHist').textContent, expr]; });
    assert.deepEqual(next, ['5×2 =', '10']);
  });

  test('a result in exponent form reads back as an expression of its own', async () => {
    await calc(p.page, ['1', '0', '^', '1', '2']);
    const r = await p.page.evaluate(() => { press('×'); press('3'); press('='); return expr; });
    assert.equal(r, '3.00000000×10^+12');
  });

  test('"=" on an empty expression changes nothing', async () => {
    await p.page.evaluate(() => { press('AC'); press('='); });
    assert.deepEqual(await screen(p.page), { hist: NBSP, main: '0', expr: '', font: '25.6px' });
  });

  test('"%" on an empty expression is ignored; "±" puts a leading minus in front or takes it away', async () => {
    const { page } = p;
    await page.evaluate(() => press('AC'));
    assert.deepEqual(await page.evaluate(() => { press('%'); const a = expr; press('±'); return [a, expr, document.getElementById('calcMain').textContent]; }), ['', '-', '-']);
    assert.deepEqual(await page.evaluate(() => { press('5'); press('±'); const a = expr; press('±'); return [a, expr]; }), ['5', '-5']);
  });

  test('"⌫" takes a function key back one character at a time', async () => {
    const r = await p.page.evaluate(() => { press('AC'); press('log'); const out = [expr]; press('⌫'); out.push(expr); press('⌫'); out.push(expr); return out; });
    assert.deepEqual(r, ['log(', 'log', 'lo']);
  });

  test('after an error the next key starts afresh', async () => {
    await calc(p.page, ['2', 'π']);
    assert.deepEqual(await p.page.evaluate(() => { press('7'); return [expr, document.getElementById('calcMain').textContent]; }), ['7', '7']);
  });

  test('"∞ 或未定义" left on the display spoils every later evaluation until "⌫" removes it', async () => {
    const { page } = p;
    await calc(page, ['1', '÷', '0']);
    let r = await page.evaluate(() => { press('+'); press('1'); const a = expr; press('='); return [a, document.getElementById('calcMain').textContent]; });
    assert.deepEqual(r, [UNDEF + '+1', ERR]);
    await calc(page, ['1', '÷', '0']);
    r = await page.evaluate(() => { for (let i = 0; i < 6; i++) press('⌫'); press('8'); press('='); return expr; });
    assert.equal(r, '8');
  });

  test('the display switches to the small font at 19 characters and back at 18', async () => {
    const { page } = p;
    await page.evaluate(() => { press('AC'); for (let i = 0; i < 18; i++) press('1'); });
    assert.equal((await screen(page)).font, '25.6px');
    await page.evaluate(() => press('1'));
    assert.deepEqual([(await screen(page)).font, (await screen(page)).main.length], ['17.6px', 19]);
    await page.evaluate(() => { press('⌫'); });
    assert.equal((await screen(page)).font, '25.6px');
  });

  test('an error message keeps the size the expression had', async () => {
    await p.page.evaluate(() => { press('AC'); for (let i = 0; i < 10; i++) press('sin'); press('='); });
    const s = await screen(p.page);
    assert.deepEqual([s.main, s.font], [ERR, '17.6px']);
  });

  const mode = page => page.evaluate(() => [degMode, document.getElementById('degBtn').className, document.getElementById('radBtn').className]);

  test('RAD takes the functions\' arguments in radians', async () => {
    const { page } = p;
    assert.deepEqual(await mode(page), [true, 'on', '']);
    await page.click('#radBtn');
    assert.deepEqual(await mode(page), [false, '', 'on']);
    assert.match((await calc(page, ['sin', 'π', ')'])).main, /^1\.224646\d\d×10\^-16$/);
    assert.equal((await calc(page, ['cos', 'π', ')'])).main, '-1');
    assert.equal((await calc(page, ['sin', '3', '0', ')'])).main, '-0.9880316241');
  });

  test('the angle mode is read when "=" is pressed, not when the key was typed', async () => {
    const { page } = p;
    await page.click('#radBtn');
    await page.evaluate(() => { press('AC'); press('sin'); press('9'); press('0'); press(')'); });
    await page.click('#degBtn');
    assert.deepEqual(await mode(page), [true, 'on', '']);
    await page.evaluate(() => press('='));
    assert.equal((await screen(page)).main, '1');
  });
});

describe('calculator keyboard', () => {
  let p;
  before(async () => { p = await openPage(); });
  after(() => p.close());

  test('digits, operators, Enter, Backspace and Escape', async () => {
    const { page } = p;
    await page.evaluate(() => document.activeElement.blur());
    await page.keyboard.type('12+3*(4-1)/2.5');
    assert.equal((await screen(page)).main, '12+3×(4−1)÷2.5');
    await page.keyboard.press('Enter');
    assert.deepEqual(await screen(page), { hist: '12+3×(4−1)÷2.5 =', main: '15.6', expr: '15.6', font: '25.6px' });
    await page.keyboard.press('Backspace');
    assert.equal((await screen(page)).expr, '15.');
    await page.keyboard.press('Escape');
    assert.deepEqual(await screen(page), { hist: NBSP, main: '0', expr: '', font: '25.6px' });
    // No keys for letters or "^", and none with Ctrl held (the browser's zoom keys).
    await page.keyboard.type('sx^e=');
    await page.keyboard.press('Control+Minus');
    await page.keyboard.press('Control+0');
    assert.equal((await screen(page)).expr, '');
  });

  test('the listed cases that the keyboard can type', async () => {
    const { page } = p;
    await page.evaluate(() => document.activeElement.blur());
    const cases = [['0.1+0.2', '0.3'], ['2/3', '0.6666666667'], ['1/0', UNDEF], ['.5+0.5', '1'], ['(0-2)*(0-2)', '4'],
      ['05', ERR], ['--3', ERR], ['5++3', ERR], ['2(3)', ERR], ['(1)(2)', ERR], ['(1+2', ERR], ['1//2', ERR]];
    for (const [typed, want] of cases) {
      await page.keyboard.press('Escape');
      await page.keyboard.type(typed);
      await page.keyboard.press('Enter');
      assert.equal((await screen(page)).main, want, typed);
    }
  });

  test('Enter on a focused key evaluates instead of pressing the key again', async () => {
    const { page } = p;
    await page.evaluate(() => press('AC'));
    await page.locator('#calcGrid button').nth(KEYS.indexOf('7')).click();
    await page.keyboard.press('*');
    await page.keyboard.press('6');
    await page.keyboard.press('Enter');
    assert.deepEqual([(await screen(page)).hist, (await screen(page)).main], ['7×6 =', '42']);
  });

  test('typing into a field, text area or select leaves the calculator alone', async () => {
    const { page } = p;
    await page.evaluate(() => press('AC'));
    await page.fill('#prIn', '');
    await page.focus('#prIn');
    await page.keyboard.type('97');
    await page.keyboard.press('Enter');
    await page.focus('#stIn');
    await page.keyboard.press('Escape');
    await page.keyboard.type('1+2');
    await page.keyboard.press('Enter');
    await page.focus('#bcBase');
    await page.keyboard.press('Backspace');
    await page.keyboard.press('Enter');
    assert.deepEqual(await screen(page), { hist: NBSP, main: '0', expr: '', font: '25.6px' });
    assert.equal(await page.inputValue('#prIn'), '97');
  });
});

// Key sequences, the text they put on the display, and what "=" then shows:
// a number, ERR (with the history line ending " = ?") or UNDEF. In DEG mode.
const SEQUENCES = [
    ['2 × × 3', '2××3', '8'],
    ['2 ^ × 3', '2^×3', ERR],
    ['2 × ^ 3', '2×^3', ERR],
    ['2 × × × × 3', '2××××3', ERR],
    ['2 × × × 3', '2×××3', ERR],
    ['√ π )', '√(π)', '1.7724538509'],
    ['√ ⌫ π', '√π', '1.7724538509'],
    ['√ ⌫ e', '√e', ERR],
    ['√ ⌫ 9', '√9', ERR],
    ['π √ 4 )', 'π√(4)', ERR],
    ['2 e + 3', '2e+3', '2000'],
    ['2 . e 3', '2.e3', '2000'],
    ['. 5 e 2', '.5e2', '50'],
    ['2 e − − 3', '2e−−3', ERR],
    ['2 . e', '2.e', ERR],
    ['e ^ 2', 'e^2', '7.3890560989'],
    ['e ( 2 )', 'e(2)', ERR],
    ['e π', 'eπ', ERR],
    ['π e', 'πe', ERR],
    ['π π', 'ππ', ERR],
    ['sin 3 0 ) ^ 2 + cos 3 0 ) ^ 2', 'sin(30)^2+cos(30)^2', '1'],
    ['tan 4 5 )', 'tan(45)', '1'],
    ['log 0 )', 'log(0)', UNDEF],
    ['ln 0 )', 'ln(0)', UNDEF],
    ['ln − 1 )', 'ln(−1)', UNDEF],
    ['√ 2 )', '√(2)', '1.4142135624'],
    ['2 ^ 0 . 5', '2^0.5', '1.4142135624'],
    ['( − 8 ) ^ ( 1 ÷ 3 )', '(−8)^(1÷3)', UNDEF],
    ['0 ÷ 0', '0÷0', UNDEF],
    ['− 1 ÷ 0', '−1÷0', UNDEF],
    ['1 0 ^ 1 2 − 1', '10^12−1', '999999999999'],
    ['1 ÷ 3 × 3', '1÷3×3', '1'],
    ['1 0 ^ − 1 0', '10^−10', '1.00000000×10^-10'],
    ['1 ÷ 7', '1÷7', '0.1428571429'],
    ['9 9 9 9 9 9 9 9 9 9 9 9 + 1', '999999999999+1', '1.00000000×10^+12'],
    ['+ 2', '+2', '2'],
    ['− + − 2', '−+−2', '2'],
    ['2 + − + 3', '2+−+3', '-1'],
    ['2 − + 3', '2−+3', '-1'],
    ['( ( 2 ) )', '((2))', '2'],
    ['( 2 + 3 ) × ( 4 − 1 )', '(2+3)×(4−1)', '15'],
    [') (', ')(', ERR],
    ['1 + 2 )', '1+2)', ERR],
    ['0 . 0 5', '0.05', '0.05'],
    ['0 0 . 5', '00.5', ERR],
    ['5 .', '5.', '5'],
    ['5 . . 5', '5..5', ERR],
    ['0 e 5', '0e5', '0'],
    ['5 % %', '((5)/100)/100', '0.0005'],
    ['2 + 3 %', '(2+3)/100', '0.05'],
    ['± 5 %', '(-5)/100', '-0.05'],
    ['5 ± %', '(-5)/100', '-0.05'],
    ['3 x²', '3^2', '9'],
    ['3 x² x²', '3^2^2', '81'],
    ['± 3 x²', '-3^2', ERR],
    ['sin )', 'sin()', UNDEF],
    ['√ )', '√()', UNDEF],
    ['sin 3 0', 'sin(30', ERR],
    ['sin ⌫ 3 0 )', 'sin30)', ERR],
    ['sin ⌫ π', 'sinπ', ERR],
    ['ln ⌫ ⌫ e t', 'let', ERR],
    ['√', '√(', ERR],
    ['√ ⌫', '√', ERR],
    ['√ ⌫ + 1', '√+1', ERR],
    ['√ ⌫ − − 1', '√−−1', ERR],
    ['( √ ⌫ ) π', '(√)π', '1.7724538509'],
    ['2 √ 4 )', '2√(4)', ERR],
    ['e √ 4 )', 'e√(4)', ERR],
    ['√ √ 1 6 ) )', '√(√(16))', '2'],
    ['1 ÷ × 2', '1÷×2', ERR],
    ['1 × ÷ 2', '1×÷2', ERR],
    ['6 ÷ − 2', '6÷−2', '-3'],
    ['2 × − 3', '2×−3', '-6'],
    ['2 × − 3 ^ 2', '2×−3^2', ERR],
    ['cos 6 0 )', 'cos(60)', '0.5'],
    ['sin − 3 0 )', 'sin(−30)', '-0.5'],
    ['log 1 0 ^ 1 5 )', 'log(10^15)', '15'],
    ['ln e ^ 3 )', 'ln(e^3)', '3'],
    ['e 3', 'e3', ERR],
    ['π . 5', 'π.5', ERR],
    ['1 . . e', '1..e', ERR],
];

// The same in RAD mode.
const RAD_SEQUENCES = [
    ['sin π ÷ 2 )', 'sin(π÷2)', '1'],
    ['tan π ÷ 4 )', 'tan(π÷4)', '1'],
    ['cos 0 )', 'cos(0)', '1'],
];

// Presses the keys in the given mode, then "=", and reads the screen.
const sequence = (page, keys, deg) => page.evaluate(([keys, deg]) => {
  document.getElementById(deg ? 'degBtn' : 'radBtn').click();
  press('AC');
  keys.forEach(k => press(k));
  const typed = expr;
  press('=');
  return { typed, hist: document.getElementById('calcHist').textContent, main: document.getElementById('calcMain').textContent, expr };
}, [keys, deg]);

const outcome = (typed, shown) => ({ typed, hist: typed + (shown === ERR ? ' = ?' : ' ='), main: shown, expr: shown === ERR ? '' : shown });

describe('calculator: key sequences and what they show', () => {
  let p;
  before(async () => { p = await openPage(); });
  after(() => p.close());

  test('each listed sequence in DEG mode', async () => {
    for (const [keys, typed, shown] of SEQUENCES) {
      assert.deepEqual(await sequence(p.page, keys.split(' '), true), outcome(typed, shown), keys);
    }
  });

  test('each listed sequence in RAD mode', async () => {
    for (const [keys, typed, shown] of RAD_SEQUENCES) {
      assert.deepEqual(await sequence(p.page, keys.split(' '), false), outcome(typed, shown), keys);
    }
  });
});


function mulberry32(seed) {
  return () => {
    seed = (seed + 0x6d2b79f5) | 0;
    let t = Math.imul(seed ^ (seed >>> 15), 1 | seed);
    t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}

const KEYS = ['AC', '⌫', '(', ')', 'sin', 'cos', 'tan', '÷', '7', '8', '9', '×', '4', '5', '6', '−',
  '1', '2', '3', '+', 'π', '0', '.', '=', 'log', 'ln', '√', '^', 'e', 'x²', '%', '±'];
// Weighted towards digits and operators so that many sequences are valid.
const LIKELY = [...'0123456789'.split(''), ...'0123456789'.split(''), '+', '−', '×', '÷', '^', '(', ')', '.', '.', '(', ')',
  'π', 'e', 'sin', 'cos', 'tan', 'log', 'ln', '√', 'x²', '%', '±', '⌫', '−', '+'];

// Runs batches of key sequences in the page with the dangerous globals watched.
function runSequences(page, seqs, deg) {
  return page.evaluate(({ seqs, deg }) => {
    const calls = [];
    const watched = ['close', 'alert', 'confirm', 'prompt', 'print', 'open', 'atob', 'btoa', 'setTimeout', 'setInterval',
      'fetch', 'eval', 'postMessage', 'queueMicrotask', 'requestAnimationFrame', 'Function'];
    const saved = {};
    for (const name of watched) {
      saved[name] = window[name];
      window[name] = function () { calls.push(name); };
    }
    const savedCtor = Function.prototype.constructor;
    Function.prototype.constructor = function () { calls.push('Function.prototype.constructor'); };
    const ev = document.getElementById(deg ? 'degBtn' : 'radBtn');
    const out = [], thrown = [];
    try {
      ev.click();
      for (const seq of seqs) {
        try {
          press('AC');
          for (const k of seq) {
            if (k === '=') {
              const before = expr;
              press('=');
              out.push([before, document.getElementById('calcHist').textContent, document.getElementById('calcMain').textContent, expr]);
            } else {
              press(k);
            }
          }
        } catch (e) {
          thrown.push(String(e));
        }
      }
    } finally {
      for (const name of watched) window[name] = saved[name];
      Function.prototype.constructor = savedCtor;
    }
    return { out, thrown, calls };
  }, { seqs, deg });
}

describe('calculator under random key sequences', () => {
  let p;
  before(async () => { p = await openPage(); });
  after(() => p.close());

  test('the word close() typed from letter keys reaches nothing', async () => {
    const keys = ['cos', '⌫', '⌫', '⌫', 'log', '⌫', '⌫', 'sin', '⌫', '⌫', '⌫', 'e', '(', ')', '='];
    const r = await runSequences(p.page, [keys], true);
    assert.deepEqual(r.calls, []);
    assert.deepEqual(r.thrown, []);
    assert.deepEqual(r.out, [['close()', 'close() = ?', ERR, '']]);
    // Named without its call, it is still only an error.
    const bare = await runSequences(p.page, [keys.slice(0, -3).concat('=')], true);
    assert.deepEqual([bare.out, bare.calls], [[['close', 'close = ?', ERR, '']], []]);
  });

  // Whatever the keys, "=" ends in a number in the display's format, the
  // undefined sign, or the error with its history line; nothing is thrown and
  // no global but the allowed ones is touched.
  test('20,000 random sequences: nothing thrown, nothing but the six functions reached, every outcome a number or a message', async () => {
    const rnd = mulberry32(20260415);
    const pick = xs => xs[Math.floor(rnd() * xs.length)];
    const NUMBER = /^-?(\d+(\.\d+)?(e-\d+)?|\d\.\d{8}×10\^[+-]\d+)$/;
    let numeric = 0, refused = 0;
    for (let batch = 0; batch < 20; batch++) {
      const seqs = [];
      for (let i = 0; i < 1000; i++) {
        const pool = i % 2 ? KEYS : LIKELY;
        const len = 1 + Math.floor(rnd() * 14);
        const seq = Array.from({ length: len }, () => (rnd() < 0.04 ? '=' : pick(pool)));
        seq.push('=');
        seqs.push(seq);
      }
      const r = await runSequences(p.page, seqs, batch % 2 === 0);
      assert.deepEqual(r.thrown, []);
      assert.deepEqual(r.calls, []);
      for (const [before, hist, main, after] of r.out) {
        if (before === '') { // "=" on nothing does nothing
          assert.equal(after, '');
          continue;
        }
        if (main === ERR) {
          refused++;
          assert.deepEqual([hist, after], [before + ' = ?', ''], before);
        } else {
          numeric++;
          assert.equal(hist, before + ' =', before);
          assert.equal(main, after, before);
          assert.ok(main === UNDEF || NUMBER.test(main), `${before} showed ${main}`);
        }
      }
    }
    assert.ok(numeric > 3000 && refused > 3000, `numeric ${numeric}, refused ${refused}`);
    assert.deepEqual(p.errors, []);
  });
});
