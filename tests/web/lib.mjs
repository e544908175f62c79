// What the browser tests share: Debian's Chromium driven by puppeteer-core,
// the native simulator's pictures and rank files, pictures as RGB bytes, a
// drill played against the simulator's, and a pass/fail tally. Every file
// goes under TMPDIR, which run-tests removes.
import puppeteer from 'puppeteer-core';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
export const scratch = (tag) => fs.mkdtempSync(path.join(os.tmpdir(), `${tag}-`));

export const launch = () => puppeteer.launch({ executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  headless: true, userDataDir: scratch('profile'), args: ['--no-sandbox', '--disable-gpu'] });

// Runs in the page before its own code: canvasRgb for the tests, and the
// screen as the first frame drawn left it.
export function watchFirstFrame() {
  globalThis.canvasRgb = (box, selector = '#screen') => {
    const picture = document.querySelector(selector);
    const [left, top, right, bottom] = box || [0, 0, picture.width, picture.height];
    const rgba = picture.getContext('2d').getImageData(left, top, right - left, bottom - top).data;
    let bytes = '';
    for (let i = 0; i < rgba.length; i += 4) bytes += String.fromCharCode(rgba[i], rgba[i + 1], rgba[i + 2]);
    return btoa(bytes);
  };
  // A key down until the next frame drawn, which read it: one answer,
  // however late a busy machine lets the test lift its finger. A key held
  // past the answer's animation would answer again.
  let lift = null;
  globalThis.tapKey = (init) => new Promise((resolve) => {
    dispatchEvent(new KeyboardEvent('keydown', init));
    lift = () => resolve(dispatchEvent(new KeyboardEvent('keyup', init)));
  });
  const put = CanvasRenderingContext2D.prototype.putImageData;
  let seen = false;
  CanvasRenderingContext2D.prototype.putImageData = function (...args) {
    put.apply(this, args);
    if (this.canvas.id !== 'screen') return;
    if (!seen) [seen, globalThis.firstFrame] = [true, canvasRgb()];
    const up = lift;
    lift = null;
    up?.();
  };
}

// A canvas's pixels in a box (left, top, right, bottom), as RGB bytes.
export const canvas = async (page, box, selector) =>
  Buffer.from(await page.evaluate((b, s) => canvasRgb(b, s), box, selector), 'base64');

// Asked again across a reload, while the page has no context to ask.
export async function firstFrame(page) {
  const shown = await waitFor('the first frame', () => page.evaluate(() => globalThis.firstFrame).catch(() => 0),
    30000, 100).catch(async (error) => {
    throw new Error(`${error.message}; the page says "${await page.$eval('#message', (e) => e.innerText)}"`);
  });
  return Buffer.from(shown, 'base64');
}

export const crop = (rgb, [left, top, right, bottom], width = 512) => Buffer.concat(Array.from(
  { length: bottom - top }, (_, y) => rgb.subarray(3 * ((top + y) * width + left), 3 * ((top + y) * width + right))));

// A PNG file as RGB bytes, top row first.
export const png = (file) => execFileSync('/usr/bin/python3', ['-c', 'import sys; from PIL import Image; ' +
  'sys.stdout.buffer.write(Image.open(sys.argv[1]).convert("RGB").tobytes())', file], { maxBuffer: 1 << 24 });

// Runs the native simulator on a script in a folder of its own, holding the
// given rank.txt if any: its JSON lines, and the folder for what it wrote.
export function simulate(script, { rank, startTick = 1000, wallClock = '2026-12-01T10:00:00Z' } = {}) {
  const dir = scratch('sim');
  if (rank) fs.writeFileSync(path.join(dir, 'rank.txt'), rank);
  const out = execFileSync(path.resolve(process.env.KOBARU_NATIVE, 'sim/kobaru-sim'),
    ['--start-tick', `${startTick}`, '--wall-clock', wallClock], { cwd: dir, input: script, encoding: 'utf8' });
  return { dir, lines: out.split('\n').filter(Boolean).map((line) => JSON.parse(line)) };
}

export const simPicture = (script, options) =>
  png(path.join(simulate(`${script}\nsnapshot shot.png\n`, options).dir, 'shot.png'));

// The pair's cells at rest; in the drill only an answer changes the score's rows.
export const PAIR = [[40, 100, 100, 240], [168, 100, 228, 240]], SCORE_ROWS = [0, 362, 512, 450];
// One wrong answer, then seven right ones, each after the combo window has
// closed: 6 points whatever the row, above the default table's best.
export const ANSWERS = [1, 0, 0, 0, 0, 0, 0, 0], SCORE = 6, GAP_MS = 1500;
export const START_DRILL = 'run 600\npress return\nrun 50\nrelease return\nrun 300';

// The pair's cells at rest for every digit, by picture: the simulator's first
// game, whose star field is the page's first game's too.
let cells;
export function pairCells() {
  if (cells) return cells;
  cells = [new Map(), new Map()];
  for (let tick = 1000; cells.some((known) => known.size < 10); tick++) {
    if (tick > 1400) throw new Error('the simulator dealt too few different digits');
    const { dir, lines } = simulate(`${START_DRILL}\nprint\nsnapshot drill.png\n`, { startTick: tick });
    const rgb = png(path.join(dir, 'drill.png'));
    PAIR.forEach((cell, i) => cells[i].set(crop(rgb, cell).toString('base64'), lines[0].digits[i + 1]));
  }
  return cells;
}

// The same game in the simulator, with the same answers, name and wait in
// the credits, from the same rank.txt: its rank.txt and its picture of the credits.
export function simulatedGame(answers = ANSWERS, name, rank = undefined) {
  const row = simulate(`${START_DRILL}\nprint\n`).lines[0].digits;
  let right = 0, script = `name ${name}\n${START_DRILL}\n`;
  for (const [i, offset] of answers.entries()) {
    const key = `${i % 2 ? 'num' : ''}${(row[1 + right] + row[2 + right] + offset) % 10}`;
    right += offset ? 0 : 1;
    script += `press ${key}\nrun 30\nrelease ${key}\nrun ${GAP_MS}\n`;
  }
  // Past the drill's 32 s into the credits, then past their 5 s.
  const { dir } = simulate(`${script}run 21000\nsnapshot credits.png\nrun 6000\nclose\n`, { rank });
  return { rank: fs.readFileSync(path.join(dir, 'rank.txt')), credits: png(path.join(dir, 'credits.png')),
    record: fs.readFileSync(path.join(dir, 'history.csv'), 'utf8').split('\r\n')[1] };
}

export const pairShown = async (page) => {
  const pair = await Promise.all(PAIR.map(async (cell, i) => pairCells()[i].get((await canvas(page, cell)).toString('base64'))));
  return pair.every((digit) => digit !== undefined) && pair;
};
// The white of "Kobaru" where the credits have none; no star is white.
export const titleShown = async (page) =>
  (await canvas(page, [0, 100, 512, 140])).some((_, i, all) => i % 3 === 0 && all.readUIntBE(i, 3) === 0xffffff);

// A press a loaded machine may let slip between two frames is made again,
// only once the game has drawn half a second of frames without showing it:
// a page the machine holds up for a while has not missed it yet.
export async function pressUntil(page, what, press, seen) {
  const drawn = () => page.evaluate(() => kobaru.drawnFrames);
  for (let attempt = 0; attempt < 3; attempt++) {
    const before = await drawn();
    await press();
    const outcome = await waitFor(what, async () => {
      const frames = await drawn();
      return (await seen()) ? 'seen' : frames - before > 32 && 'missed';
    }, 15000);
    if (outcome === 'seen') return;
  }
  throw new Error(`${what}: not seen after 3 presses`);
}

// Starts a drill with start() and answers with answer(i, digit), where
// digitFor(i, right answer) says what to answer; each answer must show.
export const fromOffsets = (offsets) => (i, right) => (right + offsets[i]) % 10;
export async function playDrill(page, start, answer, digitFor = fromOffsets(ANSWERS), count = ANSWERS.length) {
  // Known before the drill starts: the simulator takes a while to deal them.
  pairCells();
  await pressUntil(page, 'the drill', start, () => pairShown(page));
  for (let i = 0; i < count; i++) {
    const [a, b] = await waitFor('the pair at rest', () => pairShown(page), 3000);
    const digit = digitFor(i, (a + b) % 10), score = await canvas(page, SCORE_ROWS);
    await pressUntil(page, `answer ${i + 1}`, () => answer(i, digit),
      async () => !(await canvas(page, SCORE_ROWS)).equals(score));
    await sleep(GAP_MS);
  }
}

// Every row shows a score and a name; the first rows' names (new ones)
// differ from each other and the default table's, which the rest show.
export const rankingRows = (page, newNames) => async () => {
  const dialog = '#ranking-dialog canvas', width = await page.$eval(dialog, (c) => c.width);
  const cells = await Promise.all([0, 1, 2, 3, 4].flatMap((row) => [[14, 140], [150, width]].map(([left, right]) =>
    canvas(page, [left, 50 + 22 * row, right, 68 + 22 * row], dialog))));
  const names = cells.filter((_, i) => i % 2).map((cell) => cell.toString('base64'));
  return cells.every((cell) => cell.some((byte) => byte !== cell[0])) &&
    new Set(names.slice(0, newNames + 1)).size === newNames + 1 && new Set(names.slice(newNames)).size === 1;
};

// rank.txt through the page's download link, clicked or tapped.
export async function download(page, browserSession, click = () => page.click('#download-rank')) {
  const dir = scratch('download');
  await browserSession.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: dir, eventsEnabled: true });
  let done = false;
  const progress = (event) => { done ||= event.state === 'completed'; };
  browserSession.on('Browser.downloadProgress', progress);
  await click();
  await waitFor('the download', () => done, 5000).finally(() => browserSession.off('Browser.downloadProgress', progress));
  return fs.readFileSync(path.join(dir, fs.readdirSync(dir)[0]));
}

export async function waitFor(what, probe, timeoutMs, intervalMs = 50) {
  for (const deadline = Date.now() + timeoutMs; ; await sleep(intervalMs)) {
    const result = await probe();
    if (result) return result;
    if (Date.now() > deadline) throw new Error(`timed out after ${timeoutMs} ms waiting for ${what}`);
  }
}

// Checks are named after what runs them where several run side by side.
let passed = 0, failed = 0, tag = '';
export const tagChecks = (name) => { tag = `${name}: `; };
export function check(name, ok, detail = '') {
  ok ? passed++ : failed++;
  console.log(`${ok ? 'PASS' : 'FAIL'} ${tag}${name}${detail ? ` (${detail})` : ''}`);
}
// A check on a picture that may take a few frames to show.
export const eventually = async (name, probe, ms) =>
  check(name, await waitFor(name, probe, ms).then(() => true, () => false), `within ${ms} ms`);
// Byte for byte; a failure says where, in pixels for a whole picture.
export function checkSame(name, shown, wanted) {
  const at = shown.findIndex((byte, i) => byte !== wanted[i]), picture = shown.length === 3 * 512 * 512;
  check(name, at < 0 && shown.length === wanted.length, at < 0 ? `${shown.length} bytes`
    : `first difference at ${picture ? `pixel (${(at / 3) % 512 | 0}, ${at / 1536 | 0})` : `byte ${at}`}`);
}
export const summary = () => (console.log(`${tag}${passed} passed, ${failed} failed`), failed === 0 && passed > 0);
