// The road's last step: the command line the installed launcher handed to the
// browser (recorded by the wizard test) opened in real Chromium, the same
// switches, in application mode under X. Checks what a user would see and
// saves a screenshot of the whole screen.
// Usage: node app-window.mjs <road-command.txt> <wine prefix> <screenshot.png>
import { readFile, writeFile, mkdtemp, rm, mkdir } from 'node:fs/promises';
import { spawn, execFileSync } from 'node:child_process';
import { existsSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { pathToFileURL, fileURLToPath } from 'node:url';
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { chromium } from 'playwright-core';

const [commandFile, prefix, screenshot] = process.argv.slice(2);
const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));

test('the installed page opens in an application window', async () => {
  const command = await readFile(commandFile, 'utf8');
  const match = /^"([^"]+)" --app="(file:\/\/\/[^" ]+)"((?: [^ ]+)*)\n$/.exec(command);
  assert.ok(match, `recorded command line has the application-mode shape: ${command}`);
  const [, , url, rest] = match;
  const switches = rest.trim().split(' ');
  assert.deepEqual(switches, ['--window-size=1260,880', '--no-first-run', '--no-default-browser-check']);

  // file:///C:/... names a file in the prefix's drive C.
  const windowsPath = decodeURIComponent(url.slice('file:///'.length));
  assert.match(windowsPath, /^C:\//);
  const file = path.join(prefix, 'drive_c', windowsPath.slice(3));
  const page = await readFile(file);
  assert.ok(page.equals(await readFile(path.join(root, 'payload', 'index.html'))), 'the installed page is the source page');

  const profile = await mkdtemp(path.join(tmpdir(), 'tally-app-'));
  // A fresh profile would offer to translate the page over the screenshot.
  await mkdir(path.join(profile, 'Default'));
  await writeFile(path.join(profile, 'Default', 'Preferences'), JSON.stringify({ translate: { enabled: false } }));
  const browser = spawn('/usr/bin/chromium', [
    `--app=${pathToFileURL(file).href}`, ...switches,
    `--user-data-dir=${profile}`, '--remote-debugging-port=0',
    '--no-sandbox', '--test-type', '--disable-gpu',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
  ], { stdio: 'ignore' });
  try {
    const portFile = path.join(profile, 'DevToolsActivePort');
    for (let i = 0; i < 300 && !existsSync(portFile); ++i) await sleep(100);
    const port = (await readFile(portFile, 'utf8')).split('\n')[0];
    const cdp = await chromium.connectOverCDP(`http://127.0.0.1:${port}`);
    let app;
    for (let i = 0; i < 100 && !app; ++i) {
      app = cdp.contexts().flatMap(c => c.pages()).find(p => p.url().startsWith('file://'));
      if (!app) await sleep(100);
    }
    assert.ok(app, 'the page is open');
    await app.waitForLoadState('load');
    assert.equal(await app.title(), '青禾书苑 · 桌面版');
    const size = await app.evaluate(() => ({ outerWidth, outerHeight, innerHeight, screenX, screenY }));
    assert.deepEqual([size.outerWidth, size.outerHeight], [1260, 880], JSON.stringify(size));
    // Application mode keeps only a title bar above the page (56 px here); a
    // normal window adds the tab strip and the address bar (143 px here).
    assert.ok(size.outerHeight - size.innerHeight < 100, `browser chrome above the page: ${JSON.stringify(size)}`);
    await sleep(1500);  // the hero's entrance
    await mkdir(path.dirname(screenshot), { recursive: true });
    execFileSync('import-im6.q16', ['-window', 'root', '-crop', `1260x880+${size.screenX}+${size.screenY}`, '+repage', screenshot]);
    await cdp.close();
  } finally {
    const ended = new Promise(resolve => browser.once('exit', resolve));
    browser.kill();
    await ended;
    await rm(profile, { recursive: true, force: true });
  }
});
