// Opens the command line the installed launcher handed to the browser (as the
// recorder standing in for it wrote it down) in real Chromium, with the same
// switches, in application mode under X, and saves a picture of the
// application window. make screenshots runs it for the README's picture; the
// road test (tests/launcher/app-window.mjs) runs it and checks what it reports.
// Usage: node tools/app-window.mjs <launcher-command.txt> <wine prefix> <picture.png>
import { readFile, writeFile, mkdtemp, rm, mkdir } from 'node:fs/promises';
import { spawn, execFileSync } from 'node:child_process';
import { existsSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { pathToFileURL, fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));

// What the recorded line holds: "<browser>" --app="file:///..." <switches...>, or null.
export function parseLauncherCommand(command) {
  const match = /^"([^"]+)" --app="(file:\/\/\/[^" ]+)"((?: [^ ]+)*)\n$/.exec(command);
  if (!match) return null;
  const [, browser, url, rest] = match;
  return { browser, url, switches: rest.trim().split(' ').filter(Boolean) };
}

// file:///C:/... names a file in the prefix's drive C.
export function installedFile(url, prefix) {
  const windowsPath = decodeURIComponent(url.slice('file:///'.length));
  return { windowsPath, file: path.join(prefix, 'drive_c', windowsPath.slice(3)) };
}

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

// Opens the recorded command's page in an application window and saves the
// picture; reports the page's title and the window's sizes. A browser that
// ends early is reported with its status and its last lines.
export async function openAppWindow(command, prefix, screenshot) {
  const parsed = parseLauncherCommand(command);
  if (!parsed) throw new Error(`recorded command line has not the application-mode shape: ${command}`);
  const { file } = installedFile(parsed.url, prefix);
  const profile = await mkdtemp(path.join(tmpdir(), 'tally-app-'));
  // A fresh profile would offer to translate the page over the screenshot.
  await mkdir(path.join(profile, 'Default'));
  await writeFile(path.join(profile, 'Default', 'Preferences'), JSON.stringify({ translate: { enabled: false } }));
  const browser = startBrowser([
    `--app=${pathToFileURL(file).href}`, ...parsed.switches,
    `--user-data-dir=${profile}`, '--remote-debugging-port=0',
    '--no-sandbox', '--test-type', '--disable-gpu',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
  ]);
  const fail = async what => { throw new Error(await browser.report(what)); };
  let cdp;
  try {
    const portFile = path.join(profile, 'DevToolsActivePort');
    for (let i = 0; i < 300 && !existsSync(portFile) && !browser.exit; ++i) await sleep(100);
    if (browser.exit) await fail('exited before it opened its debugging port');
    if (!existsSync(portFile)) await fail('opened no debugging port within 30 s');
    const port = (await readFile(portFile, 'utf8')).split('\n')[0];
    cdp = await chromium.connectOverCDP(`http://127.0.0.1:${port}`);
    let app;
    for (let i = 0; i < 100 && !app && !browser.exit; ++i) {
      app = cdp.contexts().flatMap(c => c.pages()).find(p => p.url().startsWith('file://'));
      if (!app) await sleep(100);
    }
    if (browser.exit) await fail('exited before the page opened');
    if (!app) throw new Error('the page did not open within 10 s');
    await app.waitForLoadState('load');
    const title = await app.title();
    const size = await app.evaluate(() => ({ outerWidth, outerHeight, innerHeight, screenX, screenY }));
    await sleep(1500);  // the hero's entrance
    await mkdir(path.dirname(screenshot), { recursive: true });
    execFileSync('import-im6.q16', ['-window', 'root', '-crop', `1260x880+${size.screenX}+${size.screenY}`, '+repage', screenshot]);
    return { title, size };
  } catch (error) {
    // A browser that died under the driver explains the driver's error.
    if (browser.exit && !String(error.message).includes('Chromium')) {
      error.message += '\n' + await browser.report('exited during the run');
    }
    throw error;
  } finally {
    if (cdp) await cdp.close().catch(() => {});
    await browser.stop();
    // Chromium's helpers may still be writing the profile as they end.
    await rm(profile, { recursive: true, force: true, maxRetries: 10, retryDelay: 200 });
  }
}

if (process.argv[1] && path.resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
  const [commandFile, prefix, screenshot] = process.argv.slice(2);
  const { title, size } = await openAppWindow(await readFile(commandFile, 'utf8'), prefix, screenshot);
  console.log(`${title}: ${size.outerWidth} x ${size.outerHeight} application window, saved ${screenshot}`);
}
