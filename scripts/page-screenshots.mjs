// Full-page screenshots of payload/index.html in both themes, at the app
// window's 1260 px and at the 860 px breakpoint, into build/screenshots/.
import { mkdir } from 'node:fs/promises';
import path from 'node:path';
import { openPage, closeBrowser, ROOT } from '../tests/page/support.mjs';

const outDir = path.join(ROOT, 'build', 'screenshots');
await mkdir(outDir, { recursive: true });

const shots = [
  { name: 'page-light', theme: 'light', width: 1260 },
  { name: 'page-dark', theme: 'dark', width: 1260 },
  { name: 'page-light-860', theme: 'light', width: 860 },
  { name: 'page-dark-860', theme: 'dark', width: 860 },
];

try {
  for (const s of shots) {
    const p = await openPage({
      viewport: { width: s.width, height: 880 },
      initScript: `localStorage.setItem('qz-theme', ${JSON.stringify(s.theme)});`,
    });
    await p.page.waitForTimeout(400); // let the first quotation fade in
    const file = path.join(outDir, s.name + '.png');
    await p.page.screenshot({ path: file, fullPage: true, animations: 'disabled' });
    await p.page.screenshot({ path: path.join(outDir, s.name + '-top.png'), animations: 'disabled' });
    console.log(file);
    await p.close();
  }
} finally {
  await closeBrowser();
}
