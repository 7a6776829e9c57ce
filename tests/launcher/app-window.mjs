// The road's last step: the command line the installed launcher handed to the
// browser (recorded by the wizard test) opened in real Chromium by
// tools/app-window.mjs, the same switches, in application mode under X.
// Checks what a user would see; the tool saves the screenshot.
// Usage: node app-window.mjs <road-command.txt> <wine prefix> <screenshot.png>
import { readFile } from 'node:fs/promises';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { parseLauncherCommand, installedFile, openAppWindow } from '../../tools/app-window.mjs';

const [commandFile, prefix, screenshot] = process.argv.slice(2);
const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');

test('the installed page opens in an application window', async () => {
  const command = await readFile(commandFile, 'utf8');
  const parsed = parseLauncherCommand(command);
  assert.ok(parsed, `recorded command line has the application-mode shape: ${command}`);
  assert.deepEqual(parsed.switches, ['--window-size=1260,880', '--no-first-run', '--no-default-browser-check']);

  const { windowsPath, file } = installedFile(parsed.url, prefix);
  assert.match(windowsPath, /^C:\//);
  const page = await readFile(file);
  assert.ok(page.equals(await readFile(path.join(root, 'payload', 'index.html'))), 'the installed page is the source page');

  const { title, size } = await openAppWindow(command, prefix, screenshot);
  assert.equal(title, '青禾书苑 · 桌面版');
  assert.deepEqual([size.outerWidth, size.outerHeight], [1260, 880], JSON.stringify(size));
  // Application mode keeps only a title bar above the page (56 px here); a
  // normal window adds the tab strip and the address bar (143 px here).
  assert.ok(size.outerHeight - size.innerHeight < 100, `browser chrome above the page: ${JSON.stringify(size)}`);
});
