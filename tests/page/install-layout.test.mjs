// The about card and the FAQ show the install layout; it must match what the
// setup program actually installs.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import path from 'node:path';
import { ROOT, PAGE_PATH } from './support.mjs';

const LAYOUT = path.join(ROOT, 'common', 'product_layout.cpp');
const PLAN = path.join(ROOT, 'setup', 'install_plan.cpp');
const CMAKE_FILES = ['CMakeLists.txt', 'setup/CMakeLists.txt'].map(f => path.join(ROOT, f));

const html = readFileSync(PAGE_PATH, 'utf8');
const section = id => {
  const m = html.match(new RegExp(`<section id="${id}"[\\s\\S]*?</section>`));
  assert.ok(m, id);
  return m[0];
};
const text = s => s.replace(/<[^>]+>/g, '').replace(/&lt;/g, '<').replace(/&gt;/g, '>').replace(/&amp;/g, '&');
const about = section('about');
const chips = [...about.matchAll(/<span class="kbd">([^<]*)<\/span>/g)].map(m => m[1]);
const faq = [...about.matchAll(/<details[\s\S]*?<\/details>/g)].map(m => text(m[0]));

// What the setup program installs and where, written out here.
const LAYOUT_NAMES = {
  BASE_FOLDER_VARIABLE: 'LOCALAPPDATA',
  PRODUCT_FOLDER_NAME: 'Tallybook',
  LAUNCHER_FILE_NAME: 'tallybook.exe',
  PAGE_FILE_NAME: 'index.html',
  UNINSTALLER_FILE_NAME: 'tallyuninstall.exe',
};

// The programs' name constants: const wchar_t NAME[] = L"value";
function layoutConstants() {
  const src = readFileSync(LAYOUT, 'utf8');
  return Object.fromEntries([...src.matchAll(/const wchar_t (\w+)\[\]\s*=\s*L"([^"]*)";/g)].map(m => [m[1], m[2]]));
}

test('the page states the layout in the about card', () => {
  assert.deepEqual(chips, ['%LOCALAPPDATA%\\Tallybook', 'tallybook.exe', 'index.html', 'tallyinstall.exe', 'tallyuninstall.exe']);
  assert.match(faq[0], /tallybook\.exe/);
  assert.match(faq[1], /index\.html/);
  assert.match(faq[2], /tallyuninstall\.exe/);
  assert.match(faq[3], /%LOCALAPPDATA%\\Tallybook/);
});

test('install folder and file names agree with the programs', () => {
  const constants = layoutConstants();
  for (const [name, value] of Object.entries(LAYOUT_NAMES)) assert.equal(constants[name], value, name);
  const [folderChip, appExe, page, , uninstaller] = chips;
  assert.equal(folderChip, `%${LAYOUT_NAMES.BASE_FOLDER_VARIABLE}%\\${LAYOUT_NAMES.PRODUCT_FOLDER_NAME}`, 'install folder');
  assert.equal(appExe, LAYOUT_NAMES.LAUNCHER_FILE_NAME, 'launcher');
  assert.equal(page, LAYOUT_NAMES.PAGE_FILE_NAME, 'page');
  assert.equal(uninstaller, LAYOUT_NAMES.UNINSTALLER_FILE_NAME, 'uninstaller');
});

test('the uninstall entry name the FAQ points to is the one registered', () => {
  const src = readFileSync(PLAN, 'utf8');
  const shown = faq[2].match(/「(青禾书苑 \(Tallybook\))」/);
  assert.ok(shown, faq[2]);
  assert.match(src, /L"DisplayName",[^}]*L"青禾书苑 \(Tallybook\)"/);
});

test('setup executable name agrees with the build', () => {
  const cmake = CMAKE_FILES.map(f => readFileSync(f, 'utf8')).join('\n');
  const names = [...cmake.matchAll(/OUTPUT_NAME\s+"?([\w.-]+)"?/g)].map(m => m[1]);
  assert.ok(names.includes(chips[3].replace(/\.exe$/, '')), `tallyinstall in OUTPUT_NAME ${names}`);
});

test('every version the page shows is the build\'s one version', () => {
  const cmake = readFileSync(CMAKE_FILES[0], 'utf8');
  const m = cmake.match(/project\(Tallybook VERSION (\d+)\.(\d+)/);
  assert.ok(m, 'project(Tallybook VERSION ...) in CMakeLists.txt');
  const shown = [...html.matchAll(/v(\d+(?:\.\d+)+)/g)].map(v => v[1]);
  assert.equal(shown.length, 3, `the brand, the about card and the footer: ${shown}`);
  for (const v of shown) assert.equal(v, `${m[1]}.${m[2]}`, `page says v${v}, the build is ${m[1]}.${m[2]}`);
});
