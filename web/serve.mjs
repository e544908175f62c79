// Serves a folder as static files on 127.0.0.1, as any static host would
// serve the built site, validators and all (a service worker that checks a
// file it holds gets "not modified"); for playing and testing on this machine.
//
//   node web/serve.mjs DIR [PORT]     PORT 0 takes any free port; 8000 by default
//
// Prints one line, "Serving DIR at http://127.0.0.1:PORT/", once it listens.
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';

const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
  '.ttf': 'font/ttf',
  '.png': 'image/png',
  '.webmanifest': 'application/manifest+json',
  '.txt': 'text/plain; charset=utf-8',
};

const [folder = '.', port = '8000'] = process.argv.slice(2);
const root = path.resolve(folder);

const server = http.createServer((request, response) => {
  let name = decodeURIComponent(new URL(request.url, 'http://127.0.0.1').pathname);
  if (name.endsWith('/')) name += 'index.html';
  const file = path.join(root, name);
  if (!file.startsWith(root + path.sep)) {
    response.writeHead(403).end();
    return;
  }
  fs.stat(file, (error, stat) => {
    if (error || !stat.isFile()) {
      response.writeHead(404, { 'Content-Type': 'text/plain' }).end('Not found\n');
      return;
    }
    const headers = {
      'Content-Type': types[path.extname(file)] ?? 'application/octet-stream',
      'Cache-Control': 'no-cache',
      'ETag': `"${stat.size}-${Math.floor(stat.mtimeMs)}"`,
      'Last-Modified': stat.mtime.toUTCString(),
    };
    if (request.headers['if-none-match'] === headers.ETag) {
      response.writeHead(304, headers).end();
      return;
    }
    fs.readFile(file, (readError, data) => {
      if (readError) {
        response.writeHead(404, { 'Content-Type': 'text/plain' }).end('Not found\n');
        return;
      }
      response.writeHead(200, headers).end(data);
    });
  });
});

server.listen(Number(port), '127.0.0.1', () => {
  console.log(`Serving ${folder} at http://127.0.0.1:${server.address().port}/`);
});
process.on('SIGTERM', () => process.exit(0));
