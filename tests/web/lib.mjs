// What the browser tests share: Debian's Chromium driven by puppeteer-core,
// the native simulator's pictures and rank files, pictures as RGB bytes, and
// a pass/fail tally. Every file goes under TMPDIR, which run-tests removes.
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
  const put = CanvasRenderingContext2D.prototype.putImageData;
  let seen = false;
  CanvasRenderingContext2D.prototype.putImageData = function (...args) {
    put.apply(this, args);
    if (this.canvas.id === 'screen' && !seen) [seen, globalThis.firstFrame] = [true, canvasRgb()];
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
export function simulate(script, { rank, startTick = 1000 } = {}) {
  const dir = scratch('sim');
  if (rank) fs.writeFileSync(path.join(dir, 'rank.txt'), rank);
  const out = execFileSync(path.resolve(process.env.KOBARU_NATIVE, 'sim/kobaru-sim'), ['--start-tick', `${startTick}`],
    { cwd: dir, input: script, encoding: 'utf8' });
  return { dir, lines: out.split('\n').filter(Boolean).map((line) => JSON.parse(line)) };
}

export const simPicture = (script, options) =>
  png(path.join(simulate(`${script}\nsnapshot shot.png\n`, options).dir, 'shot.png'));

export async function waitFor(what, probe, timeoutMs, intervalMs = 50) {
  for (const deadline = Date.now() + timeoutMs; ; await sleep(intervalMs)) {
    const result = await probe();
    if (result) return result;
    if (Date.now() > deadline) throw new Error(`timed out after ${timeoutMs} ms waiting for ${what}`);
  }
}

let passed = 0, failed = 0;
export function check(name, ok, detail = '') {
  ok ? passed++ : failed++;
  console.log(`${ok ? 'PASS' : 'FAIL'} ${name}${detail ? ` (${detail})` : ''}`);
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
export const summary = () => (console.log(`${passed} passed, ${failed} failed`), failed === 0 && passed > 0);
