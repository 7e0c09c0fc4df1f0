// node bench/web/frames.mjs SITE [SECONDS]: the battle frame of the browser
// page in the installed Chromium, headless: the demo battle played for
// SECONDS (20 by default) at 480 x 320 and at 960 x 540, and the work of its
// frames as the page counts it (the game's frame and putting it on the
// canvas). Also the time from opening the page to the title. One line each.
import fs from 'node:fs';
import {createRequire} from 'node:module';
import http from 'node:http';
import path from 'node:path';

// The browser driver the page's tests install (tests/web).
const {chromium} = createRequire(new URL('../../tests/web/package.json', import.meta.url))('playwright-core');

const [site, seconds = '20'] = process.argv.slice(2);
if (!site) {
  console.error('usage: node bench/web/frames.mjs SITE [SECONDS]');
  process.exit(2);
}
const types = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm'};
const server = http.createServer((req, res) => {
  const name = new URL(req.url, 'http://x').pathname.replace(/^\/+/, '') || 'index.html';
  fs.readFile(path.join(site, path.basename(name)), (err, body) => {
    if (err) return res.writeHead(404).end();
    res.writeHead(200, {'Content-Type': types[path.extname(name)] || 'application/octet-stream'}).end(body);
  });
});
await new Promise((done) => server.listen(0, '127.0.0.1', done));
const address = `http://127.0.0.1:${server.address().port}/?demo`;
const browser = await chromium.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  args: ['--no-sandbox', '--mute-audio', '--autoplay-policy=no-user-gesture-required'],
});
const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

for (const [width, height] of [[480, 320], [960, 540]]) {
  const page = await browser.newPage({viewport: {width, height}, deviceScaleFactor: 1});
  const opened = Date.now();
  await page.goto(address);
  // The title: the first frame counted.
  await page.waitForFunction(() => window.Module && Module._korvath_frame_report &&
    /frames: [1-9]/.test(UTF8ToString(Module._korvath_frame_report(0))), null, {timeout: 30000, polling: 10});
  const title = Date.now() - opened;
  await page.waitForFunction(() => (window.korvathSounds || []).includes('loop:motor'), null, {timeout: 60000});
  await page.evaluate(() => Module._korvath_frame_report(1));
  await sleep(Number(seconds) * 1000);
  const report = await page.evaluate(() => UTF8ToString(Module._korvath_frame_report(1)));
  const size = await page.evaluate(() => `${Module.canvas.width}x${Module.canvas.height}`);
  console.log(`browser ${size}: title after ${title} ms; battle ${report}`);
  await page.close();
}
await browser.close();
server.close();
