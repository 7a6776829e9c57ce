// The unit converter, driven through its own fields and selects.
import { test, describe, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { openPage, closeBrowser } from './support.mjs';

after(closeBrowser);

const state = page => page.evaluate(() => ({
  cat: document.getElementById('ucCat').value,
  from: document.getElementById('ucFrom').value,
  to: document.getElementById('ucTo').value,
  input: document.getElementById('ucIn').value,
  out: document.getElementById('ucOut').value,
  rate: document.getElementById('ucRate').textContent,
}));

async function convert(page, cat, from, to, value) {
  if ((await page.inputValue('#ucCat')) !== cat) await page.selectOption('#ucCat', cat);
  await page.selectOption('#ucFrom', from);
  await page.selectOption('#ucTo', to);
  await page.fill('#ucIn', value);
  return state(page);
}

describe('unit converter', () => {
  let p;
  before(async () => { p = await openPage(); });
  after(() => p.close());

  test('start-up: length, 毫米 to 厘米, input 1', async () => {
    assert.deepEqual(await state(p.page), { cat: '长度', from: '毫米', to: '厘米', input: '1', out: '0.1', rate: '1 毫米 = 0.1 厘米' });
    const t = await p.page.evaluate(() => ({
      cats: [...document.getElementById('ucCat').options].map(o => o.text),
      units: [...document.getElementById('ucFrom').options].map(o => o.text),
      same: [...document.getElementById('ucTo').options].map(o => o.text).join(),
    }));
    assert.deepEqual(t.cats, ['长度', '重量', '面积', '体积', '速度', '数据量', '温度']);
    assert.deepEqual(t.units, ['毫米', '厘米', '分米', '米', '千米', '英寸', '英尺', '英里', '海里']);
    assert.equal(t.same, t.units.join());
  });

  test('factor conversions and their rate lines', async () => {
    const { page } = p;
    const cases = [
      ['长度', '英里', '千米', '1', '1.609344', '1 英里 = 1.609344 千米'],
      ['长度', '英里', '英寸', '1', '63360', '1 英里 = 63360 英寸'],
      // 0.3048 / 0.0254 is 12.000000000000002 in doubles; both roundings hide it.
      ['长度', '英尺', '英寸', '2', '24', '1 英尺 = 12 英寸'],
      ['面积', '亩', '平方米', '1', '666.6667', '1 亩 = 666.6667 平方米'],
      ['面积', '平方米', '亩', '1', '0.001499999925', '1 平方米 = 0.0014999999 亩'],
      ['速度', '节', '千米/时', '1', '1.85199984', '1 节 = 1.8519998 千米/时'],
      ['速度', '米/秒', '千米/时', '10', '36', '1 米/秒 = 3.6 千米/时'],
      ['重量', '盎司', '毫克', '1', '28349.5231', '1 盎司 = 28349.523 毫克'],
      ['重量', '磅', '千克', '-3', '-1.36077711', '1 磅 = 0.45359237 千克'],
      ['体积', '英制加仑', '美制加仑', '1', '1.2009499255', '1 英制加仑 = 1.2009499 美制加仑'],
      ['数据量', '字节 (B)', 'KB', '1', '0.0009765625', '1 字节 (B) = 0.0009765625 KB'],
      ['数据量', 'TB', 'MB', '1.5', '1572864', '1 TB = 1048576 MB'],
      ['长度', '米', '米', '1e-7', '1e-7', '1 米 = 1 米'],
    ];
    for (const [cat, from, to, v, out, rate] of cases) {
      const s = await convert(page, cat, from, to, v);
      assert.deepEqual([s.out, s.rate], [out, rate], `${v} ${from} → ${to}`);
    }
  });

  test('temperature by formula, four decimals without trailing zeros', async () => {
    const { page } = p;
    await page.selectOption('#ucCat', '温度');
    const units = await page.$$eval('#ucFrom option', os => os.map(o => o.text));
    assert.equal(units.length, 3);
    assert.ok(units[0].startsWith('摄氏') && units[1].startsWith('华氏') && !/^(摄氏|华氏)/.test(units[2]));
    const [C, F, K] = units;
    const cases = [
      [C, F, '100', '212'], [C, K, '0', '273.15'], [C, F, '-40', '-40'], [F, C, '98.6', '37'],
      [K, F, '0', '-459.67'], [F, K, '32', '273.15'], [C, C, '-0.00001', '-0'], [C, F, '1.23456789', '34.2222'],
      // Far beyond 10^21 toFixed gives the exponent form; its zeros are digits.
      [C, F, '1e30', '1.8e+30'],
    ];
    for (const [from, to, v, out] of cases) {
      const s = await convert(page, '温度', from, to, v);
      assert.deepEqual([s.out, s.rate], [out, '摄氏 0°C = 华氏 32°F = 273.15 K'], `${v} ${from} → ${to}`);
    }
  });

  test('choosing 温度 with input 1 converts Celsius to Fahrenheit', async () => {
    const { page } = p;
    await page.selectOption('#ucCat', '长度');
    await page.fill('#ucIn', '1');
    await page.selectOption('#ucCat', '温度');
    const s = await state(page);
    assert.ok(s.from.startsWith('摄氏') && s.to.startsWith('华氏'));
    assert.equal(s.out, '33.8');
  });

  test('swap exchanges the units and the two values', async () => {
    const { page } = p;
    await convert(page, '长度', '毫米', '厘米', '1');
    await page.click('#ucSwap');
    let s = await state(page);
    assert.deepEqual(s, { cat: '长度', from: '厘米', to: '毫米', input: '0.1', out: '1', rate: '1 厘米 = 10 毫米' });
    await page.click('#ucSwap');
    s = await state(page);
    assert.deepEqual([s.from, s.to, s.input, s.out], ['毫米', '厘米', '1', '0.1']);
    // Temperatures swap the same way.
    await page.selectOption('#ucCat', '温度');
    await page.click('#ucSwap');
    s = await state(page);
    assert.deepEqual([s.from.slice(0, 2), s.to.slice(0, 2), s.input, s.out], ['华氏', '摄氏', '33.8', '1']);
  });

  test('an empty or unreadable input empties the result and keeps the last rate line', async () => {
    const { page } = p;
    const s0 = await convert(page, '长度', '英里', '千米', '2');
    assert.equal(s0.out, '3.218688');
    await page.fill('#ucIn', '');
    let s = await state(page);
    assert.deepEqual([s.out, s.rate], ['', '1 英里 = 1.609344 千米']);
    // The rate line stays even when the units change while the field is empty.
    await page.selectOption('#ucTo', '米');
    s = await state(page);
    assert.deepEqual([s.out, s.rate], ['', '1 英里 = 1.609344 千米']);
    await page.locator('#ucIn').pressSequentially('-');
    assert.equal((await state(page)).out, '');
    // Swapping an empty result leaves both sides empty and does not throw.
    await page.click('#ucSwap');
    s = await state(page);
    assert.deepEqual([s.input, s.out], ['', '']);
    assert.deepEqual(p.errors, []);
  });
});
