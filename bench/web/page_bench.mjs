// Figures for the page in headless chromium (performance.now() inside the page):
//   - from dropping a drawing on the window to its first full picture (the first open is
//     cold: the core's code is compiled on first use; the median of the later ones is
//     what a second drawing costs);
//   - per redraw while zooming with the wheel: the core's draw, its replay on the canvas,
//     and the raster work the browser does when the pixels are read back;
//   - the size of the core's files, raw and gzip-compressed.
// Not a test: it prints figures and fails only when the page cannot be driven.
//
//   node bench/web/page_bench.mjs [--web build/web] [--drawing FILE] [--width 1920]
//        [--height 1080] [--frames 120] [--modules DIR] [--screenshot OUT.png]
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';
import {
  launchChromium, loadPlaywright, nextFrames, openPage, parseArgs, startServer,
} from '../../tests/web/harness.mjs';

const root = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../..');
const args = parseArgs(process.argv.slice(2), {
  web: path.join(root, 'build/web'),
  drawing: path.join(root, 'tests/data/drawings/site-plan-v700.jww'),
  width: '1920',
  height: '1080',
  frames: '120',
  drops: '6',
  modules: path.join(root, 'tests/web/node_modules'),
  chromium: '/usr/bin/chromium',
  screenshot: '',
});
const W = Number(args.width);
const H = Number(args.height);

const stats = (xs) => {
  const s = [...xs].sort((a, b) => a - b);
  const q = (p) => s[Math.min(s.length - 1, Math.floor(p * s.length))];
  return `median ${q(0.5).toFixed(2)} ms, p95 ${q(0.95).toFixed(2)} ms, max ${s[s.length - 1].toFixed(2)} ms (n=${s.length})`;
};

const server = await startServer(args.web);
const browser = await launchChromium(loadPlaywright(args.modules), args.chromium);
try {
  const t0 = Date.now();
  const { page, problems } = await openPage(browser, server.url, W, H);
  console.log(`page load to core ready: ${Date.now() - t0} ms (wall clock, includes navigation)`);
  console.log(`chromium ${browser.version()}, ${W}x${H}, ${path.basename(args.drawing)}`);

  // Drop the file on the window as a person would, several times.
  const b64 = fs.readFileSync(args.drawing).toString('base64');
  const name = path.basename(args.drawing);
  const drops = [];
  for (let i = 0; i < Number(args.drops); i++) {
    drops.push(await page.evaluate(async ({ b64, name }) => {
      const bytes = Uint8Array.from(atob(b64), (c) => c.charCodeAt(0));
      const dt = new DataTransfer();
      dt.items.add(new File([bytes], name, { type: 'application/octet-stream' }));
      const k = window.kestrilPage;
      const opens = k.opens;
      const start = performance.now();
      window.dispatchEvent(new DragEvent('drop', { dataTransfer: dt, bubbles: true, cancelable: true }));
      while (k.opens === opens || k.timings.firstPicture < start) {
        await new Promise((r) => requestAnimationFrame(r));
      }
      const drawn = k.timings.firstPicture - start;
      const c = document.getElementById('view');
      c.getContext('2d').getImageData(0, 0, 1, 1); // waits for the raster work
      return { opened: k.timings.opened - start, drawn, pixels: performance.now() - start };
    }, { b64, name }));
  }
  const [cold, ...warm] = drops;
  console.log(`drop to first picture, first drop:  read ${cold.opened.toFixed(1)} ms, drawn ${cold.drawn.toFixed(1)} ms, pixels ready ${cold.pixels.toFixed(1)} ms`);
  if (warm.length) {
    console.log(`drop to first picture, later drops: drawn ${stats(warm.map((d) => d.drawn))}`);
    console.log(`                                    pixels ready ${stats(warm.map((d) => d.pixels))}`);
  }

  // Zoom in and out about the window's centre, one wheel event per frame.
  const frames = await page.evaluate(async (n) => {
    const c = document.getElementById('view');
    const ctx = c.getContext('2d');
    const k = window.kestrilPage;
    const r = c.getBoundingClientRect();
    const out = [];
    for (let i = 0; i < n; i++) {
      const drawsBefore = k.draws;
      c.dispatchEvent(new WheelEvent('wheel', { deltaY: i < n / 2 ? -40 : 40, clientX: r.left + r.width / 2,
        clientY: r.top + r.height / 2, bubbles: true, cancelable: true }));
      while (k.draws === drawsBefore) await new Promise((res) => requestAnimationFrame(res));
      const t = performance.now();
      ctx.getImageData(0, 0, 1, 1);
      const raster = performance.now() - t;
      const draw = k.timings.drawMs[k.timings.drawMs.length - 1];
      const core = k.timings.coreMs[k.timings.coreMs.length - 1];
      out.push({ core, replay: draw - core, draw, whole: draw + raster });
    }
    return out;
  }, Number(args.frames));
  console.log(`zoom redraw, core draw:        ${stats(frames.map((f) => f.core))}`);
  console.log(`zoom redraw, replay:           ${stats(frames.map((f) => f.replay))}`);
  console.log(`zoom redraw, draw + replay:    ${stats(frames.map((f) => f.draw))}`);
  console.log(`zoom redraw, with raster:      ${stats(frames.map((f) => f.whole))}`);

  for (const f of ['kestril-core.wasm', 'kestril-core.js', 'replay.js', 'app.js']) {
    const bytes = fs.readFileSync(path.join(args.web, f));
    console.log(`${f.padEnd(18)} ${String(bytes.length).padStart(9)} bytes, gzip ${String(zlib.gzipSync(bytes, { level: 9 }).length).padStart(8)}`);
  }

  if (args.screenshot) {
    await page.keyboard.press('0');
    await nextFrames(page);
    await page.screenshot({ path: args.screenshot });
    console.log(`screenshot: ${args.screenshot}`);
  }
  if (problems.length) console.log(`page problems:\n  ${problems.join('\n  ')}`);
} finally {
  await browser.close();
  await server.close();
}
