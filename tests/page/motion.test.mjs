// The hero's motion: the status dot's ring looks as it always did at the two
// ends of its cycle, the hero's animations stand still while it is out of
// view, and a reader who asks for less motion gets none.
import { test, describe, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import path from 'node:path';
import { openPage, closeBrowser, ROOT } from './support.mjs';

after(closeBrowser);

const REF = path.join(ROOT, 'tests', 'page', 'reference');
const settle = page => page.evaluate(() => new Promise(r => requestAnimationFrame(() => requestAnimationFrame(r))));

// Differences between two PNG images of the same size, decoded by the browser,
// in their columns left of `width`: the largest channel difference and the
// pixels that differ by more than 8.
async function compare(context, a, b, width) {
  const page = await context.newPage();
  try {
    return await page.evaluate(async ([a, b, width]) => {
      const pixels = async src => {
        const img = new Image();
        img.src = 'data:image/png;base64,' + src;
        await img.decode();
        const c = document.createElement('canvas');
        c.width = img.width; c.height = img.height;
        const g = c.getContext('2d');
        g.drawImage(img, 0, 0);
        return { w: img.width, h: img.height, d: g.getImageData(0, 0, img.width, img.height).data };
      };
      const [p, q] = [await pixels(a), await pixels(b)];
      if (p.w !== q.w || p.h !== q.h) return { size: [p.w, p.h, q.w, q.h] };
      let max = 0, off = 0;
      const where = [];
      for (let i = 0; i < p.d.length; i += 4) {
        if ((i / 4) % p.w >= width) continue;
        let worst = 0;
        for (let k = 0; k < 3; k++) worst = Math.max(worst, Math.abs(p.d[i + k] - q.d[i + k]));
        max = Math.max(max, worst);
        if (worst > 8) { off++; where.push([(i / 4) % p.w, Math.floor(i / 4 / p.w)]); }
      }
      return { max, off, where };
    }, [a.toString('base64'), b.toString('base64'), width]);
  } finally {
    await page.close();
  }
}

describe('the status dot', () => {
  let p;
  before(async () => {
    p = await openPage();
    // The glow and signs drift behind the badge; they are not what is compared.
    await p.page.addStyleTag({ content: '.blob,.sym,.wm{visibility:hidden}' });
  });
  after(() => p.close());

  // Every animation paused, the pulse at the given time and the rest at their start.
  async function ring(at) {
    await p.page.evaluate(at => {
      for (const a of document.getAnimations()) { a.pause(); a.currentTime = a.animationName === 'pulse' ? at : 0; }
    }, at);
    await settle(p.page);
    const box = await p.page.evaluate(() => { const r = document.querySelector('.dot').getBoundingClientRect(); return { x: r.x, y: r.y }; });
    return p.page.screenshot({ clip: { x: Math.round(box.x) - 10, y: Math.round(box.y) - 10, width: 28, height: 28 } });
  }

  for (const [name, at] of [['0', 0], ['50', 1000]]) {
    test(`the ring at ${name} % of its cycle matches the reference image`, async () => {
      const got = await ring(at);
      // 28 px square centred on the dot; the ring reaches 2 px from its edge at
      // its widest. The badge text starts in column 26, in a CJK face that
      // depends on the locale, so only the columns left of it are compared.
      const d = await compare(p.context, got, readFileSync(path.join(REF, `dot-ring-${name}.png`)), 26);
      assert.ok(!d.size, 'image sizes differ: ' + d.size);
      assert.ok(d.off <= 6 && d.max <= 40, `pixels off by more than 8: ${d.off}, largest difference ${d.max}, at ${JSON.stringify(d.where)}`);
    });
  }

  test('the ring pulses once every 2 s, forever', async () => {
    const pulse = await p.page.evaluate(() => document.getAnimations().filter(a => a.animationName === 'pulse')
      .map(a => { const t = a.effect.getComputedTiming(); return [t.duration, t.iterations]; }));
    assert.deepEqual(pulse, [[2000, Infinity]]);
  });
});

describe('the hero out of view', () => {
  test('its animations pause while it is scrolled away and run again when it is back', async () => {
    const p = await openPage({ drift: true });
    const states = () => p.page.evaluate(() => {
      const hero = document.getElementById('home');
      return [...new Set(document.getAnimations().filter(a => hero.contains(a.effect.target)).map(a => a.playState))];
    });
    const at = async y => {
      await p.page.evaluate(y => window.scrollTo({ top: y, behavior: 'instant' }), y);
      await p.page.waitForFunction(y => Math.abs(window.scrollY - y) < 1, y);
      await settle(p.page);
      await settle(p.page);
      return states();
    };
    try {
      assert.deepEqual(await states(), ['running']);
      // The tool box at the top: the hero just touches the viewport's edge.
      const below = await p.page.evaluate(() => document.getElementById('tools').offsetTop);
      assert.deepEqual(await at(below), ['paused']);
      assert.deepEqual(await at(below - 2), ['running'], 'two pixels of the hero in view');
      assert.deepEqual(await at(below + 2000), ['paused']);
      assert.deepEqual(await at(0), ['running']);
      assert.deepEqual(p.errors, []);
    } finally { await p.close(); }
  });
});

describe('less motion', () => {
  let p;
  before(async () => { p = await openPage({ reducedMotion: 'reduce', clock: true }); });
  after(() => p.close());

  const running = () => p.page.evaluate(() => document.getAnimations().map(a => a.animationName || a.transitionProperty || 'animation'));

  test('nothing animates after load', async () => {
    await p.page.clock.runFor(1000);
    assert.deepEqual(await running(), []);
  });

  test('nothing animates while a quotation changes, the theme flips or the page goes back to the top', async () => {
    await p.page.clock.runFor(5000);
    assert.deepEqual(await running(), [], 'quotation');
    await p.page.click('#themeBtn');
    assert.deepEqual(await running(), [], 'theme');
    await p.page.evaluate(() => window.scrollTo({ top: 3000, behavior: 'instant' }));
    await p.page.waitForFunction(() => document.getElementById('toTop').classList.contains('show'));
    await p.page.click('#toTop');
    assert.equal(await p.page.evaluate(() => window.scrollY), 0, 'the jump up is immediate');
    assert.deepEqual(await running(), [], 'back to top');
  });

  test('the ring stands at the start of its cycle', async () => {
    const ring = await p.page.evaluate(() => {
      const s = getComputedStyle(document.querySelector('.dot'), '::after');
      return [s.transform, s.opacity, s.backgroundColor];
    });
    assert.deepEqual(ring, ['none', '1', 'rgba(34, 197, 94, 0.18)']);
  });
});
