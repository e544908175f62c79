// What the browser tests share: Debian's Chromium driven by puppeteer-core,
// the native simulator as the source of reference pictures and rank files,
// pictures as RGB bytes, and a pass/fail tally.
import puppeteer from 'puppeteer-core';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';

const SIZE = 512;
export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// run-tests points TMPDIR at a folder it removes, so everything goes there.
export const scratch = (tag) => fs.mkdtempSync(path.join(os.tmpdir(), `${tag}-`));

export async function launch() {
  const profile = scratch('profile');
  // Chromium and GTK write under XDG_CONFIG_HOME and XDG_CACHE_HOME even
  // with a profile of their own: not in $HOME.
  return puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    env: { ...process.env, XDG_CONFIG_HOME: `${profile}.config`, XDG_CACHE_HOME: `${profile}.cache` },
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--no-default-browser-check', '--disable-dev-shm-usage'],
  });
}

// Runs in the page before any of its own code: the canvas as it is when
// kobaru.ready turns true, the first frame shown.
export function watchFirstFrame() {
  globalThis.canvasRgb = (box, selector = '#screen') => {
    const picture = document.querySelector(selector);
    const [left, top, right, bottom] = box || [0, 0, picture.width, picture.height];
    const rgba = picture.getContext('2d').getImageData(left, top, right - left, bottom - top).data;
    let bytes = '';
    for (let i = 0; i < rgba.length; i += 4) bytes += String.fromCharCode(rgba[i], rgba[i + 1], rgba[i + 2]);
    return btoa(bytes);
  };
  let hooks;
  Object.defineProperty(globalThis, 'kobaru', {
    configurable: true,
    get: () => hooks,
    set(value) {
      hooks = value;
      globalThis.firstFrame = undefined;
      let ready = value.ready;
      Object.defineProperty(value, 'ready', {
        enumerable: true,
        get: () => ready,
        set(now) {
          if (now && !ready) globalThis.firstFrame = canvasRgb();
          ready = now;
        },
      });
    },
  });
}

// A canvas's pixels in a box (left, top, right, bottom), as RGB bytes.
export async function canvas(page, box, selector) {
  return Buffer.from(await page.evaluate((b, s) => canvasRgb(b, s), box, selector), 'base64');
}

// Across a reload too, when the page has no context to ask for a while.
export async function firstFrame(page) {
  const shown = await waitFor('the first frame', () => page.evaluate(() => globalThis.firstFrame).catch(() => undefined),
    30000, 100).catch(async (error) => {
    error.message += `; the page says "${await page.evaluate(() => document.getElementById('message').innerText)}"`;
    throw error;
  });
  return Buffer.from(shown, 'base64');
}

export function crop(rgb, [left, top, right, bottom], width = SIZE) {
  const rows = [];
  for (let y = top; y < bottom; y++) rows.push(rgb.subarray(3 * (y * width + left), 3 * (y * width + right)));
  return Buffer.concat(rows);
}

// An 8-bit PNG, RGB, RGBA or indexed as the simulator writes them, as RGB
// bytes, top row first.
export function decodePng(file) {
  const png = fs.readFileSync(file);
  let width = 0, height = 0, type = 0, palette = null;
  const idat = [];
  for (let at = 8; at < png.length;) {
    const length = png.readUInt32BE(at), kind = png.toString('latin1', at + 4, at + 8);
    const data = png.subarray(at + 8, at + 8 + length);
    if (kind === 'IHDR') {
      [width, height, type] = [data.readUInt32BE(0), data.readUInt32BE(4), data[9]];
      if (data[8] !== 8 || data[12] !== 0) throw new Error(`${file}: not 8-bit non-interlaced`);
    } else if (kind === 'PLTE') palette = data;
    else if (kind === 'IDAT') idat.push(data);
    at += 12 + length;
  }
  const channels = { 2: 3, 3: 1, 6: 4 }[type], stride = width * channels;
  const raw = zlib.inflateSync(Buffer.concat(idat));
  const out = Buffer.alloc(width * height * 3);
  let previous = Buffer.alloc(stride);
  for (let y = 0; y < height; y++) {
    const filter = raw[y * (stride + 1)], row = Buffer.from(raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1)));
    for (let i = 0; i < stride; i++) {
      const a = i >= channels ? row[i - channels] : 0, b = previous[i], c = i >= channels ? previous[i - channels] : 0;
      const p = a + b - c, [pa, pb, pc] = [Math.abs(p - a), Math.abs(p - b), Math.abs(p - c)];
      row[i] += [0, a, b, (a + b) >> 1, pa <= pb && pa <= pc ? a : pb <= pc ? b : c][filter];
    }
    for (let x = 0; x < width; x++) {
      const source = type === 3 ? palette.subarray(3 * row[x], 3 * row[x] + 3) : row.subarray(x * channels, x * channels + 3);
      source.copy(out, 3 * (y * width + x));
    }
    previous = row;
  }
  return out;
}

// Runs the native simulator on a script in a folder of its own, holding the
// given rank.txt if any: its JSON lines, and the folder for what it wrote.
export function simulate(script, { rank, startTick = 1000 } = {}) {
  const dir = scratch('sim');
  if (rank) fs.writeFileSync(path.join(dir, 'rank.txt'), rank);
  const run = spawnSync(path.resolve(process.env.KOBARU_NATIVE, 'sim/kobaru-sim'), ['--start-tick', `${startTick}`],
    { cwd: dir, input: script, encoding: 'utf8' });
  if (run.status !== 0) throw new Error(`kobaru-sim exited ${run.status}: ${run.stderr}`);
  return { dir, lines: run.stdout.trim().split('\n').filter(Boolean).map((line) => JSON.parse(line)) };
}

// The simulator's picture after a script that ends by drawing.
export function simPicture(script, options) {
  const { dir } = simulate(`${script}\nsnapshot shot.png\n`, options);
  return decodePng(path.join(dir, 'shot.png'));
}

export async function waitFor(what, probe, timeoutMs, intervalMs = 50) {
  for (const deadline = Date.now() + timeoutMs; ;) {
    const result = await probe();
    if (result) return result;
    if (Date.now() > deadline) throw new Error(`timed out after ${timeoutMs} ms waiting for ${what}`);
    await sleep(intervalMs);
  }
}

// A check on a picture that may take a few frames to show.
export async function eventually(name, probe, timeoutMs) {
  const ok = await waitFor(name, probe, timeoutMs).then(() => true, () => false);
  check(name, ok, ok ? '' : `not within ${timeoutMs} ms`);
}

let passed = 0, failed = 0;
// Byte for byte; a failure says where, in pixels for a whole picture.
export function checkSame(name, shown, wanted) {
  const at = shown.findIndex((byte, i) => byte !== wanted[i]), same = shown.length === wanted.length && at < 0;
  const where = shown.length === 3 * SIZE * SIZE ? `pixel (${(at / 3 | 0) % SIZE}, ${at / 3 / SIZE | 0})` : `byte ${at}`;
  check(name, same, same ? '' : `${shown.length} bytes, first difference at ${at < 0 ? 'the end' : where}`);
}
export function check(name, ok, detail = '') {
  ok ? passed++ : failed++;
  console.log(`${ok ? 'PASS' : 'FAIL'} ${name}${detail ? ` (${detail})` : ''}`);
}
export function summary() {
  console.log(`${passed} passed, ${failed} failed`);
  return failed === 0 && passed > 0;
}
