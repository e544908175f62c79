// The browser game's pace, measured, not asserted: frames drawn and loop
// passes a second on the title, in headless Chromium, counted against the
// page's clock. Run: node bench/web_pace.mjs build/web/site (see
// docs/PERFORMANCE.md); npm ci first, for puppeteer-core.
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import readline from 'node:readline';
import { launch } from '../tests/web/lib.mjs';

const site = process.argv[2];
if (!site) {
  console.error('usage: node bench/web_pace.mjs <the built site, build/web/site>');
  process.exit(2);
}
const server = spawn(process.execPath, [new URL('../web/serve.mjs', import.meta.url).pathname, site, '0'],
  { stdio: ['ignore', 'pipe', 'inherit'] });
const [line] = await readline.createInterface({ input: server.stdout })[Symbol.asyncIterator]().next()
  .then(({ value }) => [value]);
// The browser's profile goes in a folder of this run's own.
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'kobaru-bench-'));
process.env.TMPDIR = scratch;
const browser = await launch();
try {
  const page = await browser.newPage();
  await page.goto(line.split(' ').pop());
  await page.waitForFunction(() => globalThis.kobaru?.ready, { timeout: 30000 });
  const seconds = 10;
  const pace = await page.evaluate(async (ms) => {
    const passes = () => Module._kobaru_loop_passes();
    const [frames, loops, start] = [kobaru.drawnFrames, passes(), performance.now()];
    await new Promise((resolve) => setTimeout(resolve, ms));
    const elapsed = (performance.now() - start) / 1000;
    return { frames: (kobaru.drawnFrames - frames) / elapsed, passes: (passes() - loops) / elapsed };
  }, seconds * 1000);
  console.log(`title: ${pace.frames.toFixed(2)} frames and ${pace.passes.toFixed(1)} loop passes a second ` +
    `over ${seconds} s`);
} finally {
  await browser.close();
  server.kill();
  fs.rmSync(scratch, { recursive: true, force: true });
}
