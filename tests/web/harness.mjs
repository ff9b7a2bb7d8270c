// What the page's browser tests and its benchmark share: a throwaway static server for
// build/web on 127.0.0.1, the system chromium driven by playwright-core, and ink masks.
import { createRequire } from 'node:module';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';

// playwright-core is installed by `npm ci` beside package-lock.json, in the build tree
// (--modules DIR) or in tests/web/node_modules.
export function loadPlaywright(modulesDir) {
  const base = modulesDir || path.join(path.dirname(new URL(import.meta.url).pathname), 'node_modules');
  const require = createRequire(path.resolve(base, 'noop.js'));
  return require('playwright-core');
}

export function parseArgs(argv, defaults) {
  const args = { ...defaults };
  for (let i = 0; i < argv.length; i++) {
    const m = /^--([a-z-]+)$/.exec(argv[i]);
    if (!m || i + 1 >= argv.length) throw new Error(`usage: unexpected argument ${argv[i]}`);
    args[m[1]] = argv[++i];
  }
  return args;
}

const MIME = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm',
  '.json': 'application/json',
  '.webmanifest': 'application/manifest+json',
  '.svg': 'image/svg+xml',
  '.png': 'image/png',
};

// Serves the files of root (no listings, nothing outside it).
export async function startServer(root) {
  const server = http.createServer((req, res) => {
    const url = new URL(req.url, 'http://127.0.0.1');
    let rel = decodeURIComponent(url.pathname);
    if (rel.endsWith('/')) rel += 'index.html';
    const file = path.join(root, path.normalize(rel));
    if (!file.startsWith(path.resolve(root) + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      res.writeHead(404, { 'Content-Type': 'text/plain' });
      res.end('not found');
      return;
    }
    const type = MIME[path.extname(file)] || 'application/octet-stream';
    res.writeHead(200, { 'Content-Type': type, 'Cache-Control': 'no-cache' });
    fs.createReadStream(file).pipe(res);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const { port } = server.address();
  return {
    url: `http://127.0.0.1:${port}/`,
    close: () => new Promise((resolve) => {
      server.closeAllConnections();
      server.close(resolve);
    }),
  };
}

// Flags that keep chromium quiet on a machine without a network or a GPU. Playwright
// gives every launch a new, empty profile of its own.
export async function launchChromium(playwright, executablePath) {
  return playwright.chromium.launch({
    executablePath: executablePath || '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
}

// A page whose canvas is width x height CSS pixels (the window is made taller by the
// toolbar's height) at one device pixel per CSS pixel, with the core loaded. origin:
// where the canvas's top left corner is in the window.
export async function openPage(browser, url, width, height) {
  const context = await browser.newContext({ viewport: { width, height }, deviceScaleFactor: 1 });
  const page = await context.newPage();
  const problems = [];
  // Anything the page asks for that is not its own file (service worker fetches included).
  context.on('request', (r) => {
    if (!r.url().startsWith(url) && !/^(blob|data):/.test(r.url())) problems.push(`request: ${r.url()}`);
  });
  page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
  page.on('console', (m) => { if (m.type() === 'error') problems.push(`console: ${m.text()}`); });
  await page.goto(url);
  if (!(await page.evaluate(() => window.kestrilPage.ready))) {
    throw new Error(`the core did not load: ${problems.join('; ') || await page.evaluate(() => window.kestrilPage.message)}`);
  }
  const top = await page.evaluate(() => document.getElementById('view').getBoundingClientRect().top);
  await page.setViewportSize({ width, height: height + Math.round(top) });
  await nextFrames(page);
  const box = await page.evaluate(() => {
    const r = document.getElementById('view').getBoundingClientRect();
    return { x: r.left, y: r.top, w: r.width, h: r.height };
  });
  if (box.w !== width || box.h !== height) throw new Error(`the canvas is ${box.w}x${box.h}, not ${width}x${height}`);
  return { context, page, problems, origin: { x: box.x, y: box.y } };
}

// Opens a file through the page's file input and waits until it has been handled and
// the next frame drawn. file: a path, or { name, mimeType, buffer }.
export async function openThroughInput(page, file) {
  const before = await page.evaluate(() => window.kestrilPage.opens);
  await page.setInputFiles('#file', file);
  await page.waitForFunction((n) => window.kestrilPage.opens > n, before);
  await nextFrames(page);
}

export async function nextFrames(page, count = 2) {
  await page.evaluate((n) => new Promise((resolve) => {
    const step = () => (n-- > 0 ? requestAnimationFrame(step) : resolve());
    step();
  }), count);
}

// The canvas's ink (not white) as one byte per pixel, top row first.
export async function canvasInk(page) {
  const { w, h, b64 } = await page.evaluate(() => {
    const c = document.getElementById('view');
    const data = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    const mask = new Uint8Array(c.width * c.height);
    for (let i = 0; i < mask.length; i++) {
      mask[i] = data[4 * i] !== 255 || data[4 * i + 1] !== 255 || data[4 * i + 2] !== 255 ? 1 : 0;
    }
    let s = '';
    for (let i = 0; i < mask.length; i += 0x8000) s += String.fromCharCode(...mask.subarray(i, i + 0x8000));
    return { w: c.width, h: c.height, b64: btoa(s) };
  });
  return { w, h, ink: new Uint8Array(Buffer.from(b64, 'base64')) };
}

// The ink of a 24-bit BMP (as `kestril render` writes it), top row first.
export function bmpInk(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  if (view.getUint16(0, true) !== 0x4d42) throw new Error('not a BMP');
  const offset = view.getUint32(10, true);
  const w = view.getInt32(18, true);
  const rawH = view.getInt32(22, true);
  if (view.getUint16(28, true) !== 24) throw new Error('not a 24-bit BMP');
  const h = Math.abs(rawH);
  const stride = Math.ceil((w * 3) / 4) * 4;
  const ink = new Uint8Array(w * h);
  for (let y = 0; y < h; y++) {
    const row = offset + (rawH > 0 ? h - 1 - y : y) * stride;
    for (let x = 0; x < w; x++) {
      const p = row + 3 * x;
      ink[y * w + x] = bytes[p] !== 255 || bytes[p + 1] !== 255 || bytes[p + 2] !== 255 ? 1 : 0;
    }
  }
  return { w, h, ink };
}

// Every pixel within r pixels (horizontally and vertically) of ink, so that a line one
// or two pixels off still overlaps.
export function dilate(ink, w, h, r = 2) {
  const rows = new Uint8Array(w * h);
  for (let y = 0; y < h; y++) {
    let last = -Infinity;
    for (let x = 0; x < w; x++) if (ink[y * w + x]) last = x; else if (x - last <= r) rows[y * w + x] = 1;
    last = Infinity;
    for (let x = w - 1; x >= 0; x--) if (ink[y * w + x]) { last = x; rows[y * w + x] = 1; } else if (last - x <= r) rows[y * w + x] = 1;
  }
  const out = new Uint8Array(w * h);
  for (let x = 0; x < w; x++) {
    let last = -Infinity;
    for (let y = 0; y < h; y++) if (rows[y * w + x]) { last = y; out[y * w + x] = 1; } else if (y - last <= r) out[y * w + x] = 1;
    last = Infinity;
    for (let y = h - 1; y >= 0; y--) if (rows[y * w + x]) last = y; else if (last - y <= r) out[y * w + x] = 1;
  }
  return out;
}

export function countInk(ink) {
  let n = 0;
  for (const v of ink) n += v;
  return n;
}

// Intersection over union of the two pictures' dilated ink; 1 when neither has ink.
export function inkOverlap(a, b, w, h) {
  const da = dilate(a, w, h);
  const db = dilate(b, w, h);
  let both = 0;
  let either = 0;
  for (let i = 0; i < da.length; i++) {
    both += da[i] & db[i];
    either += da[i] | db[i];
  }
  return either ? both / either : 1;
}
