// The web build on emulated phones, played with taps alone, as a player with
// a phone plays it; its rank.txt held against the native simulator's.
//
//   node phone_test.mjs URL iphone          an iPhone, online: the keypad, the
//                                           picture's fit, taps that never zoom
//   node phone_test.mjs URL offline SITE    an Android phone at 320 pixels wide,
//                                           playing a copy of SITE offline after
//                                           one visit, then taking a new build
import { execFileSync, spawn } from 'node:child_process';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';
import readline from 'node:readline';
import { KnownDevices } from 'puppeteer-core';
import { canvas, check, crop, download, eventually, firstFrame, launch, playDrill, png, pressUntil,
  rankingRows, scratch, simulatedGame, sleep, summary, tagChecks, titleShown, waitFor, watchFirstFrame } from './lib.mjs';

const [url, scenario, site] = process.argv.slice(2);
const repo = new URL('../..', import.meta.url).pathname;
const keypadKey = (virtualKey) => `#keypad [data-key="${virtualKey}"]`;

// A finger on the middle of what the selector finds, where it is on the screen.
async function tap(page, selector) {
  const box = await (await page.$(selector)).boundingBox();
  await page.touchscreen.tap(box.x + box.width / 2, box.y + box.height / 2);
}

// The keypad on the screen, clear of the picture, keys a finger can hit.
async function checkLayout(page) {
  const layout = await page.evaluate(() => {
    const box = (e) => e.getBoundingClientRect().toJSON();
    const keys = Array.from(document.querySelectorAll('#keypad button'), box);
    return { view: [innerWidth, innerHeight], screen: box(document.getElementById('screen')), keys };
  });
  const inView = (b) => b.left >= 0 && b.top >= 0 && b.right <= layout.view[0] && b.bottom <= layout.view[1];
  const clear = (b) => b.top >= layout.screen.bottom || b.left >= layout.screen.right;
  check('the picture and all eleven keys are on the screen, no key over the picture', layout.keys.length === 11 &&
    inView(layout.screen) && layout.keys.every((b) => inView(b) && clear(b) && b.width >= 44 && b.height >= 44),
  `picture ${layout.screen.width.toFixed(0)} pixels wide`);
}

// axe-core's serious and critical findings on the page as it stands.
async function checkAccessibility(page, where) {
  await page.addScriptTag({ path: createRequire(import.meta.url).resolve('axe-core/axe.min.js') });
  const found = await page.evaluate(async () => (await axe.run({ resultTypes: ['violations'] })).violations
    .filter((v) => v.impact === 'serious' || v.impact === 'critical').map((v) => `${v.id}: ${v.nodes[0].target}`));
  check(`axe finds nothing serious ${where}`, found.length === 0, found.join('; '));
}

// A whole game with the keypad, the dialogs' field and buttons, by taps; the
// name as an on-screen keyboard gives it, committed text without key codes.
async function tapGame(page, cdp, simulated, name, inDialog = async () => {}) {
  await playDrill(page, () => tap(page, keypadKey(0x0d)), (i, digit) => tap(page, keypadKey(0x30 + digit)));
  await page.waitForSelector('#name-dialog', { visible: true, timeout: 40000 });
  await inDialog();
  await tap(page, '#name-field');
  check('a tap on the name field gives it the focus', await page.evaluate(() => document.activeElement?.id === 'name-field'));
  await cdp.send('Input.insertText', { text: name });
  await tap(page, '#name-ok');
  await page.waitForSelector('#ranking-dialog', { visible: true, timeout: 15000 });
  await eventually('the ranking shows the new row first, the default names below', rankingRows(page, 1), 3000);
  await tap(page, '#ranking-ok');
  await page.waitForSelector('#ranking-dialog', { hidden: true, timeout: 5000 });
  await eventually('the credits are the simulator\'s', async () => (await canvas(page)).equals(simulated.credits), 3000);
  await pressUntil(page, 'the title after Return on the credits', () => tap(page, keypadKey(0x0d)), () => titleShown(page));
  await waitFor('both saves of the game', () => page.evaluate(() => kobaru.saves >= 2), 5000);
}

const checkRank = async (page, browserSession, simulated) => check('the saved rank.txt is the simulator\'s, byte for byte',
  (await download(page, browserSession, async () => (await page.$('#download-rank')).tap())).equals(simulated.rank));

// The README's pictures of the page on a phone, upright and on its side,
// shot at the phone's density and shown a picture pixel to a CSS pixel, into
// KOBARU_SCREENSHOT_DIR if it is set.
async function screenshots(page) {
  const folder = process.env.KOBARU_SCREENSHOT_DIR;
  if (!folder) return;
  for (const [device, file] of [['iPhone 15', 'phone-portrait.png'], ['iPhone 15 landscape', 'phone-landscape.png']]) {
    await page.emulate(KnownDevices[device]);
    await sleep(500);
    const shot = path.join(folder, file);
    await page.screenshot({ path: shot });
    execFileSync('/usr/bin/python3', ['-c', 'import sys; from PIL import Image; i = Image.open(sys.argv[1]); ' +
      'i.resize((i.width // 3, i.height // 3), Image.LANCZOS).save(sys.argv[1], optimize=True)', shot]);
  }
}

async function iphone(page, cdp, browserSession) {
  await page.browserContext().overridePermissions(url, ['persistent-storage']);
  await page.goto(url);
  await firstFrame(page);
  check('the page asks nothing more of a browser that keeps its data',
    (await page.$eval('#message', (e) => e.innerText)) === '');
  await checkLayout(page);
  // Each game pixel is a whole block of device pixels: TopPlayer's and
  // TopPoint's lines, which stand still, shot from the screen.
  const box = await page.$eval('#screen', (e) => e.getBoundingClientRect().toJSON());
  const dpr = await page.evaluate(() => devicePixelRatio), block = Math.round((box.width * dpr) / 512);
  const shot = path.join(scratch('shot'), 'screen.png');
  const { data } = await cdp.send('Page.captureScreenshot', { format: 'png', clip: { ...box, scale: dpr } });
  fs.writeFileSync(shot, Buffer.from(data, 'base64'));
  const shown = crop(png(shot), [0, 262 * block, 512 * block, 312 * block], 512 * block);
  const band = await canvas(page, [0, 262, 512, 312]), wanted = Buffer.alloc(shown.length);
  for (let y = 0; y < 50 * block; y++) {
    for (let x = 0; x < 512 * block; x++) band.copy(wanted, 3 * (y * 512 * block + x), 3 * (((y / block) | 0) * 512 + ((x / block) | 0)));
  }
  check('each game pixel shows as a whole block of device pixels', block === 2 && shown.equals(wanted), `${block} x ${block}`);
  // A finger on a key shows it down; let go, it comes up once the game has read it.
  const five = await page.$eval(keypadKey(0x35), (e) => e.getBoundingClientRect().toJSON());
  await page.touchscreen.touchStart(five.x + 20, five.y + 20);
  const held = await page.$eval(keypadKey(0x35), (e) => e.classList.contains('down'));
  await page.touchscreen.touchEnd();
  await eventually('the key a finger holds shows down, and up after', async () => held &&
    !(await page.$eval(keypadKey(0x35), (e) => e.classList.contains('down'))), 2000);
  await checkAccessibility(page, 'on the title, the keypad shown');

  const name = 'iPhone タップ', simulated = simulatedGame(undefined, name);
  await tapGame(page, cdp, simulated, name, () => checkAccessibility(page, 'in the name dialog'));
  check('the line under the game says the score', /Drill 1 over: 6 points/.test(await page.$eval('#score-line',
    (e) => e.getAttribute('aria-live') === 'polite' && e.innerText)));
  // Quick taps on the picture, then on a key: no double tap zooms or scrolls.
  for (let i = 0; i < 20; i++) {
    await tap(page, i < 10 ? '#screen' : keypadKey(0x35));
    await sleep(80);
  }
  const view = await page.evaluate(() => [visualViewport.scale, scrollX, scrollY]);
  check('twenty quick taps neither zoom nor scroll the page', `${view}` === '1,0,0', `${view}`);
  await checkRank(page, browserSession, simulated);
  await screenshots(page);
}

// Serves a folder on the port given (0: any), until stopped.
async function serve(folder, port = 0) {
  const server = spawn(process.execPath, [path.join(repo, 'web/serve.mjs'), folder, `${port}`],
    { stdio: ['ignore', 'pipe', 'inherit'] });
  const { value } = await readline.createInterface({ input: server.stdout })[Symbol.asyncIterator]().next();
  const stop = () => new Promise((done) => { server.once('exit', done).kill(); });
  return { address: value.split(' ').pop(), stop };
}

// The site as a new build of it makes it: one file changed, and the worker
// made again by the build's own step.
function nextBuild() {
  const next = scratch('next-build');
  fs.cpSync(site, next, { recursive: true });
  fs.appendFileSync(path.join(next, 'page.js'), '\nkobaru.build = \'next\';\n');
  const worker = fs.readFileSync(path.join(site, 'service-worker.js'), 'utf8');
  const files = /^const files = \[(.*)\];$/m.exec(worker)[1].split(', ').map((file) => file.slice(1, -1));
  execFileSync('cmake', [`-DKOBARU_SITE=${next}`, `-DKOBARU_SITE_FILES=${files}`,
    `-DKOBARU_WORKER=${repo}/web/service-worker.js`, '-P', `${repo}/web/service-worker.cmake`]);
  return next;
}

// Every response from the service worker, none failed, from now on.
function watchResponses(page) {
  const seen = { responses: 0, elsewhere: [], failed: [] };
  page.on('response', (r) => {
    seen.responses++;
    if (!r.fromServiceWorker()) seen.elsewhere.push(r.url());
  });
  page.on('requestfailed', (r) => seen.failed.push(r.url()));
  return seen;
}
const fromWorker = (seen) => seen.responses > 0 && seen.elsewhere.length === 0 && seen.failed.length === 0;
const describe = (seen) => `${seen.responses} responses; not from it: ${seen.elsewhere.concat(seen.failed).join(' ') || 'none'}`;

async function offline(page, cdp, browserSession) {
  const first = scratch('site');
  fs.cpSync(site, first, { recursive: true });
  let server = await serve(first);
  const port = new URL(server.address).port;
  await page.goto(server.address);
  await firstFrame(page);
  const wide = await page.evaluate(() => {
    scrollBy(100, 0);
    return [document.documentElement.scrollWidth, innerWidth, scrollX];
  });
  check('nothing scrolls sideways at 320 pixels wide', wide[0] <= wide[1] && wide[1] === 320 && wide[2] === 0, `${wide}`);
  await checkLayout(page);
  check('the page says when the browser will not promise to keep the ranking',
    /may clear the ranking/.test(await page.$eval('#message', (e) => e.innerText)));
  await page.evaluate(() => navigator.serviceWorker.ready);
  const [kept] = await page.evaluate(() => caches.keys());

  await server.stop();
  let seen = watchResponses(page);
  await page.reload();
  await firstFrame(page);
  const name = 'Android 電車', simulated = simulatedGame(undefined, name);
  await tapGame(page, cdp, simulated, name);
  check('offline, every file came from the service worker', fromWorker(seen), describe(seen));
  await checkRank(page, browserSession, simulated);

  // A new build on the same address: the page started next still is the
  // build it was, and once it has all its files the new one takes over,
  // the old cache goes, and the start after is the new build.
  server = await serve(nextBuild(), port);
  await page.reload();
  await firstFrame(page);
  const build = () => page.evaluate(() => kobaru.build ?? 'first');
  check('the start that finds a new build still is the build it was', (await build()) === 'first');
  await eventually('the new build\'s cache replaces the old one', async () => {
    const now = await page.evaluate(() => caches.keys());
    return now.length === 1 && now[0] !== kept;
  }, 30000);
  seen = watchResponses(page);
  await page.reload();
  await firstFrame(page);
  check('the next start is the new build, from its cache', (await build()) === 'next' && fromWorker(seen), describe(seen));
  const { installabilityErrors } = await cdp.send('Page.getInstallabilityErrors');
  check('the site installs as an app', installabilityErrors.length === 0, JSON.stringify(installabilityErrors));
  await server.stop();
}

const device = { iphone: 'iPhone 15', offline: 'Galaxy S9+' }[scenario];
tagChecks(`${device}${scenario === 'offline' ? ', offline' : ''}`);
const browser = await launch();
try {
  const page = await browser.newPage();
  await page.emulate(KnownDevices[device]);
  await page.evaluateOnNewDocument(watchFirstFrame);
  const cdp = await page.createCDPSession(), browserSession = await browser.target().createCDPSession();
  await { iphone, offline }[scenario](page, cdp, browserSession);
} catch (error) {
  check('the tests ran to the end', false, error.stack);
} finally {
  await browser.close();
}
process.exitCode = summary() ? 0 : 1;
