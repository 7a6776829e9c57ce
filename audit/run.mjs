// Lighthouse audit of the page as users' browsers load it: dist/index.html
// served on 127.0.0.1 (Lighthouse refuses file:// addresses), Debian's Chromium,
// desktop and mobile presets. Prints the four category scores and every
// accessibility finding; writes the full reports under build/audit/.
import { createServer } from 'node:http';
import { readFile, mkdir, writeFile } from 'node:fs/promises';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import lighthouse from 'lighthouse';
import * as chromeLauncher from 'chrome-launcher';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..');
const pagePath = path.join(root, process.argv[2] || 'dist/index.html');
const outDir = path.join(root, 'build', 'audit');
await mkdir(outDir, { recursive: true });

const page = await readFile(pagePath);
const server = createServer((req, res) => {
  if (req.url === '/' || req.url === '/index.html') {
    res.writeHead(200, { 'content-type': 'text/html; charset=utf-8' });
    res.end(page);
  } else {
    res.writeHead(404, { 'content-type': 'text/plain' });
    res.end('not found');
  }
});
await new Promise(resolve => server.listen(0, '127.0.0.1', resolve));
const url = `http://127.0.0.1:${server.address().port}/index.html`;

const chrome = await chromeLauncher.launch({
  chromePath: '/usr/bin/chromium',
  chromeFlags: ['--headless=new', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
    '--disable-component-update', '--disable-sync', '--no-first-run'],
});
const summary = {};
try {
  for (const preset of ['desktop', 'mobile']) {
    const config = preset === 'desktop'
      ? (await import('lighthouse/core/config/desktop-config.js')).default
      : undefined;
    const result = await lighthouse(url, { port: chrome.port, output: 'json', logLevel: 'error' }, config);
    const lhr = result.lhr;
    await writeFile(path.join(outDir, `lighthouse-${preset}.json`), result.report);
    const scores = Object.fromEntries(Object.values(lhr.categories).map(c => [c.id, Math.round(c.score * 100)]));
    summary[preset] = scores;
    console.log(`${preset}: ` + Object.entries(scores).map(([k, v]) => `${k} ${v}`).join(', '));
    for (const category of Object.values(lhr.categories)) {
      for (const ref of category.auditRefs) {
        const audit = lhr.audits[ref.id];
        if (ref.weight > 0 && audit.score !== null && audit.score < 1) {
          const items = audit.details && audit.details.items ? audit.details.items.length : 0;
          console.log(`  ${category.id}: ${audit.id} (${audit.score}) ${audit.title}${items ? ` — ${items} item(s)` : ''}`);
          if (category.id === 'accessibility' && audit.details && audit.details.items) {
            for (const item of audit.details.items.slice(0, 8)) {
              const node = item.node || {};
              console.log(`      ${node.selector || ''} ${node.explanation ? '— ' + node.explanation.split('\n').slice(0, 2).join(' ') : ''}`);
            }
          }
        }
      }
    }
  }
} finally {
  await chrome.kill();
  server.close();
}
await writeFile(path.join(outDir, 'scores.json'), JSON.stringify(summary, null, 2));
