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

// Starts Chromium with its exit and error output watched from the first moment:
// a browser that ends at once (a socket path too long, a missing library) is
// reported with its status and its last lines instead of a time-out.
function startBrowser(args) {
  const child = spawn('/usr/bin/chromium', args, { stdio: ['ignore', 'ignore', 'pipe'] });
  const browser = { exit: null, lines: [] };
  const ended = new Promise(resolve => {
    child.once('exit', (code, signal) => { browser.exit = { code, signal }; resolve(); });
    child.once('error', error => { browser.exit = { error }; resolve(); });
  });
  let partial = '';
  child.stderr.setEncoding('utf8');
  child.stderr.on('data', chunk => {
    const lines = (partial + chunk).split('\n');
    partial = lines.pop();
    browser.lines.push(...lines.filter(Boolean));
    browser.lines.splice(0, Math.max(0, browser.lines.length - 12));
  });
  browser.report = async what => {
    await sleep(200);  // what it wrote just before ending
    const e = browser.exit;
    const status = !e ? 'still running' : e.error ? `could not be started (${e.error.message})`
      : e.code !== null ? `exit status ${e.code}` : `signal ${e.signal}`;
    const tail = [...browser.lines, partial].filter(Boolean).map(l => '    | ' + l).join('\n') || '    | (none)';
    return `Chromium ${what}: ${status}; the last lines of its error output:\n${tail}`;
  };
  browser.stop = async () => {
    if (!browser.exit) {
      child.kill();
      const late = setTimeout(() => child.kill('SIGKILL'), 5000);
      await ended;
      clearTimeout(late);
    }
    // Helpers of a browser that died may still hold the pipe; it must not keep this process.
    child.stderr.destroy();
  };
  return browser;
}

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
  const browser = startBrowser([
    `--app=${pathToFileURL(file).href}`, ...switches,
    `--user-data-dir=${profile}`, '--remote-debugging-port=0',
    '--no-sandbox', '--test-type', '--disable-gpu',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
  ]);
  let cdp;
  try {
    const portFile = path.join(profile, 'DevToolsActivePort');
    for (let i = 0; i < 300 && !existsSync(portFile) && !browser.exit; ++i) await sleep(100);
    if (browser.exit) assert.fail(await browser.report('exited before it opened its debugging port'));
    if (!existsSync(portFile)) assert.fail(await browser.report('opened no debugging port within 30 s'));
    const port = (await readFile(portFile, 'utf8')).split('\n')[0];
    cdp = await chromium.connectOverCDP(`http://127.0.0.1:${port}`);
    let app;
    for (let i = 0; i < 100 && !app && !browser.exit; ++i) {
      app = cdp.contexts().flatMap(c => c.pages()).find(p => p.url().startsWith('file://'));
      if (!app) await sleep(100);
    }
    if (browser.exit) assert.fail(await browser.report('exited before the page opened'));
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
  } catch (error) {
    // A browser that died under the driver explains the driver's error.
    if (browser.exit && !String(error.message).includes('Chromium')) {
      error.message += '\n' + await browser.report('exited during the test');
    }
    throw error;
  } finally {
    if (cdp) await cdp.close().catch(() => {});
    await browser.stop();
    // Chromium's helpers may still be writing the profile as they end.
    await rm(profile, { recursive: true, force: true, maxRetries: 10, retryDelay: 200 });
  }
});
