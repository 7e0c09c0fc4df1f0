// node tests/web/browser.mjs SITE SHOTS: plays the page in SITE (scripts/web-build)
// in the installed Chromium, headless, as a newcomer would, and writes the
// canvas at the moments the screenshot script shoots into SHOTS, for the
// caller to compare with the headless program's frames. Checks on the way:
// no error in the console, keys reach the menus and start a battle, a touch
// on the fire button fires, F12 downloads a screenshot, a reload during the battle offers Resume and the
// battle comes back, a damaged stored record gives one line and a first
// start, a browser that keeps no files says so and plays on. Prints one
// line per check; exits 1 at the first that fails.
import {chromium} from 'playwright-core';
import {execSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import http from 'node:http';
import path from 'node:path';

const [site, shots] = process.argv.slice(2);
if (!site || !shots) {
  console.error('usage: node tests/web/browser.mjs SITE SHOTS');
  process.exit(2);
}
const types = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
               '.data': 'application/octet-stream', '.png': 'image/png'};
// A plain static server: no headers beyond the content type.
const server = http.createServer((req, res) => {
  const name = decodeURIComponent(new URL(req.url, 'http://x').pathname).replace(/^\/+/, '') || 'index.html';
  const file = path.join(site, path.normalize(name));
  fs.readFile(file, (err, body) => {
    if (err || !file.startsWith(path.resolve(site))) {
      res.writeHead(404).end();
      return;
    }
    res.writeHead(200, {'Content-Type': types[path.extname(file)] || 'application/octet-stream'}).end(body);
  });
});
await new Promise((done) => server.listen(0, '127.0.0.1', done));
const address = `http://127.0.0.1:${server.address().port}/`;

const launchArgs = ['--no-sandbox', '--autoplay-policy=no-user-gesture-required', '--mute-audio'];
const browser = await chromium.launch({executablePath: process.env.CHROMIUM || '/usr/bin/chromium', args: launchArgs});
let failed = false;
const fail = async (what) => {
  console.log(`FAIL ${what}`);
  failed = true;
  await browser.close();
  server.close();
  process.exit(1);
};
const pass = (what) => console.log(`ok   ${what}`);
const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

// One player's browser: the game's storage lasts across reloads of its pages.
async function player() {
  const context = await browser.newContext({viewport: {width: 960, height: 640}, deviceScaleFactor: 1, hasTouch: true,
                                           acceptDownloads: true});
  const page = await context.newPage();
  const errors = [];
  page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
  page.on('pageerror', (e) => errors.push(String(e)));
  return {context, page, errors};
}
const canvasPng = (page) => page.evaluate(() => document.getElementById('canvas').toDataURL('image/png'));
// The canvas once it stood still for a while (the screens fade and scroll in).
async function still(page, most = 15000) {
  let last = await canvasPng(page);
  for (let waited = 0; waited < most; waited += 400) {
    await sleep(400);
    const now = await canvasPng(page);
    if (now === last) return now;
    last = now;
  }
  return last;
}
// The title over: the canvas shows something else than the splash.
async function titleOver(page, splash) {
  for (let waited = 0; waited < 15000; waited += 100) {
    if ((await canvasPng(page)) !== splash) return true;
    await sleep(100);
  }
  return false;
}
const save = (name, url) => fs.writeFileSync(path.join(shots, name), Buffer.from(url.split(',')[1], 'base64'));
const sounds = (page) => page.evaluate(() => (window.korvathSounds || []).slice());
async function heard(page, name, most) {
  for (let waited = 0; waited < most; waited += 100) {
    if ((await sounds(page)).includes(name)) return true;
    await sleep(100);
  }
  return false;
}
async function titleShown(page) {
  // The splash: the canvas is drawn and the storage was read.
  for (let waited = 0; waited < 20000; waited += 100) {
    const drawn = await page.evaluate(() => {
      const c = document.getElementById('canvas');
      const p = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
      for (let i = 0; i < p.length; i += 4) if (p[i] || p[i + 1] || p[i + 2]) return true;
      return false;
    });
    if (drawn) return true;
    await sleep(100);
  }
  return false;
}
const tap = (page, x, y) => page.touchscreen.tap(x * 2, y * 2); // the game's 480 x 320 shown at scale 2

// ---- a newcomer's first battle ----
const a = await player();
const opened = Date.now();
await a.page.goto(address);
if (!(await titleShown(a.page))) await fail('the title shows');
pass(`the title shows (${Date.now() - opened} ms after the page was opened)`);
const splash = await canvasPng(a.page);
save('splash.png', splash);
if (!(await titleOver(a.page, splash))) await fail('the menu follows the title');
await still(a.page);
await a.page.keyboard.press('n');
save('sides.png', await still(a.page));
await a.page.keyboard.press('a');
await still(a.page);
await a.page.keyboard.press('Escape');
save('menu.png', await still(a.page));
await a.page.keyboard.press('Escape');
await still(a.page);
await a.page.keyboard.press('Enter');
if (!(await heard(a.page, 'loop:motor', 10000))) await fail('Enter on the map starts the battle');
pass('keys reach the menus and Enter starts the battle');
await sleep(1500);
await tap(a.page, 240, 100); // the view: the buttons come
await sleep(500);
await tap(a.page, 430, 270); // the fire button
if (!(await heard(a.page, 'shoot', 3000))) await fail('a touch on the fire button fires');
pass('a touch on the fire button fires');
const [shot] = await Promise.all([a.page.waitForEvent('download', {timeout: 5000}).catch(() => null),
                                  a.page.keyboard.press('F12')]);
if (!shot || !/^korvath-.*\.png$/.test(shot.suggestedFilename())) await fail('F12 downloads a screenshot');
pass(`F12 downloads a screenshot (${shot.suggestedFilename()})`);
await sleep(1000);
await a.page.reload();
if (!(await titleShown(a.page))) await fail('the title shows after the reload');
if (!(await titleOver(a.page, splash))) await fail('the menu follows the title after the reload');
await still(a.page);
await a.page.keyboard.press('r');
if (!(await heard(a.page, 'loop:motor', 10000))) await fail('after a reload Resume brings the battle back');
pass('a reload during the battle offers Resume and the battle comes back');
if (a.errors.length) await fail(`no errors in the console: ${a.errors.join(' | ')}`);
pass('no errors in the console');
await a.context.close();

// ---- a damaged record ----
// Damaged in IndexedDB by a page that then dies at once (its browser killed,
// so that the page cannot store a good record on its way out).
const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'korvath-browser-'));
const persistent = () => chromium.launchPersistentContext(profile, {
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium', args: launchArgs,
  viewport: {width: 960, height: 640}, deviceScaleFactor: 1,
});
let b = await persistent();
let page = b.pages()[0] || (await b.newPage());
await page.goto(address);
if (!(await titleShown(page))) await fail('the title shows');
await page.evaluate(() => new Promise((done) => {
  FS.writeFile('/korvath/korvath', new Uint8Array([1, 2, 3, 4, 5, 6, 7]));
  localStorage.removeItem('korvath-journal');
  FS.syncfs(false, done);
}));
// The pattern's brackets keep pkill from matching the shell that runs it.
execSync(`pkill -9 -f -- '[u]ser-data-dir=${profile}'`);
await b.close().catch(() => {});
b = await persistent();
page = b.pages()[0] || (await b.newPage());
const errors = [];
page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
page.on('pageerror', (e) => errors.push(String(e)));
await page.goto(address);
if (!(await titleShown(page))) await fail('the title shows with a damaged record');
const line = await page.evaluate(() => document.getElementById('status').textContent);
if (!/wrong length for a record/.test(line) || line.includes('\n')) await fail(`one line for the damaged record: "${line}"`);
pass(`a damaged record gives one line: "${line}"`);
if (!(await titleOver(page, await canvasPng(page)))) await fail('the menu follows the title with a damaged record');
await still(page);
await page.keyboard.press('n');
save('sides-after-damage.png', await still(page));
if (errors.length) await fail(`no errors in the console: ${errors.join(' | ')}`);
await b.close();
fs.rmSync(profile, {recursive: true, force: true});

// ---- a browser that keeps nothing (a private window) ----
const c = await player();
await c.page.addInitScript(() => Object.defineProperty(window, 'indexedDB', {get: () => undefined}));
await c.page.goto(address);
if (!(await titleShown(c.page))) await fail('the title shows without IndexedDB');
const refused = await c.page.evaluate(() => document.getElementById('status').textContent);
if (!/keeps no files/.test(refused)) await fail(`one line when the browser keeps nothing: "${refused}"`);
if (!(await titleOver(c.page, await canvasPng(c.page)))) await fail('the game plays on without IndexedDB');
pass(`a browser that keeps nothing gives one line and plays on: "${refused}"`);
await c.context.close();

await browser.close();
server.close();
process.exit(failed ? 1 : 0);
