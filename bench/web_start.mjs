// The browser game's start, measured, not asserted: what a first visit
// transfers (the page's requests and the service worker's, counted on the
// wire by a proxy in front of web/serve.mjs), and the time from navigation
// to the first title frame on 127.0.0.1, cold (a new profile, nothing
// cached) and from the service worker's cache (a new tab once it is ready;
// for a site without one, an earlier build, from the HTTP cache).
//   node bench/web_start.mjs build/web/site [RUNS]     (npm ci first; see docs/PERFORMANCE.md)
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import readline from 'node:readline';
import { launch } from '../tests/web/lib.mjs';

const [site, runs = '5'] = process.argv.slice(2);
if (!site) {
  console.error('usage: node bench/web_start.mjs <the built site, build/web/site> [runs]');
  process.exit(2);
}
const server = spawn(process.execPath, [new URL('../web/serve.mjs', import.meta.url).pathname, site, '0'],
  { stdio: ['ignore', 'pipe', 'inherit'] });
const { value } = await readline.createInterface({ input: server.stdout })[Symbol.asyncIterator]().next();
const served = Number(new URL(value.split(' ').pop()).port);

// Every byte both ways between the browser and the server.
const wire = { sent: 0, received: 0, requests: 0 };
const proxy = net.createServer((client) => {
  const upstream = net.connect(served, '127.0.0.1');
  client.on('data', (data) => {
    wire.sent += data.length;
    wire.requests += data.toString('latin1').match(/^(GET|HEAD) /gm)?.length ?? 0;
  });
  upstream.on('data', (data) => { wire.received += data.length; });
  client.pipe(upstream).pipe(client);
  for (const end of [client, upstream]) end.on('error', () => { client.destroy(); upstream.destroy(); });
});
await new Promise((listening) => proxy.listen(0, '127.0.0.1', listening));
const url = `http://127.0.0.1:${proxy.address().port}/`;

// The time of the first picture in the screen's canvas, from navigation.
function watchFirstFrame() {
  const put = CanvasRenderingContext2D.prototype.putImageData;
  CanvasRenderingContext2D.prototype.putImageData = function (...args) {
    put.apply(this, args);
    if (this.canvas.id === 'screen' && globalThis.firstFrameMs === undefined) globalThis.firstFrameMs = performance.now();
  };
}
async function firstFrameMs(page) {
  await page.evaluateOnNewDocument(watchFirstFrame);
  await page.goto(url);
  await page.waitForFunction(() => globalThis.firstFrameMs !== undefined, { timeout: 60000 });
  return page.evaluate(() => globalThis.firstFrameMs);
}
const median = (list) => [...list].sort((a, b) => a - b)[list.length >> 1];

const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'kobaru-bench-'));
process.env.TMPDIR = scratch;
const worker = fs.existsSync(path.join(site, 'service-worker.js'));
const cold = [], cached = [];
let firstVisit;
try {
  for (let run = 0; run < Number(runs); run++) {
    const browser = await launch();
    try {
      Object.assign(wire, { sent: 0, received: 0, requests: 0 });
      const page = await browser.newPage();
      cold.push(await firstFrameMs(page));
      // The first visit is over once the service worker holds every file.
      if (worker) await page.evaluate(() => navigator.serviceWorker.ready);
      await new Promise((settled) => setTimeout(settled, 1000));
      firstVisit ??= { ...wire };
      for (let again = 0; again < 3; again++) {
        const tab = await browser.newPage();
        cached.push(await firstFrameMs(tab));
        await tab.close();
      }
    } finally {
      await browser.close();
    }
  }
  const files = fs.readdirSync(site, { recursive: true }).filter((f) => fs.statSync(path.join(site, f)).isFile());
  const siteBytes = files.reduce((sum, f) => sum + fs.statSync(path.join(site, f)).size, 0);
  console.log(`first visit: ${firstVisit.received} bytes received in ${firstVisit.requests} requests, ` +
    `${firstVisit.sent} sent (the site's files: ${siteBytes} bytes)`);
  console.log(`first title frame, cold: median ${median(cold).toFixed(0)} ms (${cold.map((ms) => ms.toFixed(0)).join(', ')})`);
  console.log(`first title frame, from the ${worker ? 'service worker\'s' : 'HTTP'} cache: median ${median(cached).toFixed(0)} ms ` +
    `(${cached.map((ms) => ms.toFixed(0)).join(', ')})`);
} finally {
  proxy.close();
  server.kill();
  fs.rmSync(scratch, { recursive: true, force: true });
}
