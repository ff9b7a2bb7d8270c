// The page in headless chromium, served from 127.0.0.1: every real drawing opened through
// the file input must match the native build's anti-aliased picture; zoom keeps the
// point under the cursor; hiding a layer group removes its ink; cut-short and foreign
// files get their messages; the page keeps working with the server gone.
//
//   node page_test.mjs --web build/web --kestril build/native/bin/kestril
//        --drawings tests/data/drawings [--modules DIR] [--chromium /usr/bin/chromium]
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {
  bmpInk, canvasInk, countInk, dilate, inkOverlap, launchChromium, loadPlaywright, nextFrames,
  openPage, openThroughInput, parseArgs, startServer,
} from './harness.mjs';

const here = path.dirname(new URL(import.meta.url).pathname);
const root = path.resolve(here, '../..');
const args = parseArgs(process.argv.slice(2), {
  web: path.join(root, 'build/web'),
  kestril: path.join(root, 'build/native/bin/kestril'),
  drawings: path.join(root, 'tests/data/drawings'),
  modules: '',
  chromium: '/usr/bin/chromium',
});

// The native picture is W x 0.75W: the window is sized to match at one device pixel per
// CSS pixel, so the canvas is exactly that picture's size.
const W = 800;
const H = 600;
const MIN_OVERLAP = 0.85;

for (const f of ['index.html', 'app.js', 'replay.js', 'kestril-core.js', 'kestril-core.wasm']) {
  if (!fs.existsSync(path.join(args.web, f))) {
    console.error(`${path.join(args.web, f)} is missing: build the page with \`make web\` first`);
    process.exit(1);
  }
}

// Same rule as tests/support/real_drawings: every .jww and .jws file of the folder.
const drawings = fs.readdirSync(args.drawings).filter((n) => /\.(jww|jws)$/i.test(n)).sort();
const sitePlan = 'site-plan-v700.jww';
assert.ok(drawings.includes(sitePlan), `${sitePlan} is not among the drawings`);

const tmp = fs.mkdtempSync(path.join(os.tmpdir(), 'kestril-web-'));
// The native render reads the plug-in's settings: an empty config folder means defaults.
const nativeEnv = { ...process.env, XDG_CONFIG_HOME: path.join(tmp, 'config') };

function nativeInk(name) {
  const out = path.join(tmp, `${name}.bmp`);
  execFileSync(args.kestril, ['render', path.join(args.drawings, name), '--antialias',
    '--width', String(W), '-o', out], { env: nativeEnv, stdio: ['ignore', 'ignore', 'pipe'] });
  return bmpInk(fs.readFileSync(out));
}

// ink moved by (dx, dy) whole pixels.
function shifted(ink, dx, dy) {
  const out = new Uint8Array(W * H);
  for (let y = Math.max(0, dy); y < Math.min(H, H + dy); y++) {
    for (let x = Math.max(0, dx); x < Math.min(W, W + dx); x++) out[y * W + x] = ink[(y - dy) * W + x - dx];
  }
  return out;
}

const results = [];
async function check(name, fn) {
  try {
    await fn();
    results.push({ name, ok: true });
    console.log(`ok    ${name}`);
  } catch (e) {
    results.push({ name, ok: false });
    console.log(`FAIL  ${name}\n      ${String(e.stack || e).split('\n').join('\n      ')}`);
  }
}

const server = await startServer(args.web);
const playwright = loadPlaywright(args.modules);
const browser = await launchChromium(playwright, args.chromium);
let session;
try {
  session = await openPage(browser, server.url, W, H);
  const { page } = session;

  // ---- every real drawing against the native picture ----
  const table = [];
  await check('real drawings match the native pictures', async () => {
    const bad = [];
    for (const name of drawings) {
      const native = nativeInk(name);
      assert.equal(native.w, W);
      assert.equal(native.h, H);
      await openThroughInput(page, path.join(args.drawings, name));
      const info = await page.evaluate(() => window.kestrilPage.info);
      const web = await canvasInk(page);
      assert.equal(web.w, W, 'canvas width');
      assert.equal(web.h, H, 'canvas height');
      // The page centres the fit picture the plug-in draws against the top left corner.
      const { panX, panY } = await page.evaluate(() => window.kestrilPage.view);
      const iou = inkOverlap(shifted(native.ink, panX, panY), web.ink, W, H);
      const row = { name, ok: info && info.ok, complete: info && info.complete,
        native: countInk(native.ink), web: countInk(web.ink), iou };
      table.push(row);
      if (!row.ok || !row.complete || row.native === 0 || iou < MIN_OVERLAP) bad.push(name);
    }
    console.log(`\n  ${'drawing'.padEnd(24)} ${'native ink'.padStart(10)} ${'page ink'.padStart(10)}  overlap`);
    for (const r of table) {
      console.log(`  ${r.name.padEnd(24)} ${String(r.native).padStart(10)} ${String(r.web).padStart(10)}  ` +
        `${r.iou.toFixed(3)}${r.ok && r.complete ? '' : ' (not read whole)'}`);
    }
    console.log('');
    assert.deepEqual(bad, [], `below ${MIN_OVERLAP} or not read`);
  });

  // ---- zoom about the cursor ----
  await check('wheel zoom 4x keeps the point under the cursor', async () => {
    await openThroughInput(page, path.join(args.drawings, sitePlan));
    const fitInk = await canvasInk(page);
    // Zoom where the ink is: the quarter-size window that 4x brings into view, placed
    // where the fit picture has the most ink (off centre, so a zoom about the centre
    // would fail). That window's corner x0 is c - c/4, so c = 4/3 x0.
    let best = { n: -1 };
    for (let y0 = 0; y0 <= 0.75 * H; y0 += H / 40) {
      for (let x0 = 0; x0 <= 0.75 * W; x0 += W / 40) {
        if (Math.abs(x0 - 0.375 * W) < W / 20 && Math.abs(y0 - 0.375 * H) < H / 20) continue;
        let n = 0;
        for (let y = Math.round(y0); y < Math.round(y0 + H / 4); y++) {
          for (let x = Math.round(x0); x < Math.round(x0 + W / 4); x++) n += fitInk.ink[y * W + x];
        }
        if (n > best.n) best = { n, x0, y0 };
      }
    }
    const c = { x: Math.round((4 / 3) * best.x0), y: Math.round((4 / 3) * best.y0) };
    const v0 = await page.evaluate(() => window.kestrilPage.view);
    await page.mouse.move(session.origin.x + c.x, session.origin.y + c.y);
    for (let i = 0; i < 4; i++) await page.mouse.wheel(0, -100); // a notch is 2^0.5
    await page.waitForFunction((z) => window.kestrilPage.view.zoom > z * 3.99, v0.zoom);
    await nextFrames(page);
    const v1 = await page.evaluate(() => window.kestrilPage.view);
    assert.ok(Math.abs(v1.zoom / v0.zoom - 4) < 1e-9, `zoom ${v0.zoom} -> ${v1.zoom}`);
    // The fit-picture point under the cursor: (c - pan) / zoom.
    for (const k of ['X', 'Y']) {
      const p0 = (c[k.toLowerCase()] - v0[`pan${k}`]) / v0.zoom;
      const p1 = (c[k.toLowerCase()] - v1[`pan${k}`]) / v1.zoom;
      assert.ok(Math.abs(p0 - p1) < 1e-6, `${k}: ${p0} -> ${p1}`);
    }
    // And in the pixels: the zoomed picture's ink, shrunk back 4x about the cursor, lies
    // on the fit picture's ink.
    const zoomed = await canvasInk(page);
    const near = dilate(fitInk.ink, W, H);
    let inked = 0;
    let onFit = 0;
    for (let y = 0; y < H; y++) {
      for (let x = 0; x < W; x++) {
        if (!zoomed.ink[y * W + x]) continue;
        inked++;
        const fx = Math.round(c.x + (x + 0.5 - c.x) / 4 - 0.5);
        const fy = Math.round(c.y + (y + 0.5 - c.y) / 4 - 0.5);
        onFit += near[fy * W + fx];
      }
    }
    console.log(`      zoom at (${c.x}, ${c.y}): ${onFit} of ${inked} zoomed ink pixels on the fit picture's ink`);
    assert.ok(inked > 1000, `only ${inked} inked pixels after zooming`);
    assert.ok(onFit / inked > 0.9, `${onFit} of ${inked} zoomed ink pixels lie on the fit picture's ink`);
  });

  // ---- pinch: real touch points through the browser's input pipeline ----
  await check('a two-finger pinch zooms and pans with the fingers', async () => {
    await page.keyboard.press('0');
    await nextFrames(page);
    const cdp = await page.context().newCDPSession(page);
    await cdp.send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 2 });
    const v0 = await page.evaluate(() => window.kestrilPage.view);
    // Finger 1 rests at a; finger 2 moves away from it, from b0 to b1 (without turning:
    // the view zooms and pans but never rotates).
    const a = { x: 0.6 * W, y: 0.3 * H }, b0 = { x: 0.68 * W, y: 0.34 * H }, b1 = { x: 0.84 * W, y: 0.42 * H };
    const touch = (b) => [a, b].map((p, i) => ({ x: session.origin.x + p.x, y: session.origin.y + p.y, id: i + 1 }));
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: touch(b0) });
    for (let i = 1; i <= 8; i++) {
      const b = { x: b0.x + ((b1.x - b0.x) * i) / 8, y: b0.y + ((b1.y - b0.y) * i) / 8 };
      await cdp.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: touch(b) });
    }
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
    await cdp.detach();
    await nextFrames(page);
    const v1 = await page.evaluate(() => window.kestrilPage.view);
    const zoom = Math.hypot(b1.x - a.x, b1.y - a.y) / Math.hypot(b0.x - a.x, b0.y - a.y);
    assert.ok(Math.abs(v1.zoom / v0.zoom - zoom) < 1e-6, `zoom ${v0.zoom} -> ${v1.zoom}, fingers ${zoom}`);
    // The fit-picture points under both fingers stay under them.
    const fit = (v, p) => [(p.x - v.panX) / v.zoom, (p.y - v.panY) / v.zoom];
    for (const [before, after] of [[fit(v0, a), fit(v1, a)], [fit(v0, b0), fit(v1, b1)]]) {
      assert.ok(Math.hypot(before[0] - after[0], before[1] - after[1]) < 1e-6, `${before} -> ${after}`);
    }
  });

  // ---- layer groups ----
  await check('hiding a layer group removes its ink and only its ink', async () => {
    await page.keyboard.press('0');
    await nextFrames(page);
    const info = await page.evaluate(() => window.kestrilPage.info);
    const groupObjects = (g) => g.layers.reduce((n, l) => n + l.objects, 0);
    const shown = info.groups.filter((g) => g.visible && groupObjects(g) > 0);
    assert.ok(shown.length > 0, 'no shown layer group holds objects');
    const g = shown.reduce((a, b) => (groupObjects(b) > groupObjects(a) ? b : a)).index;
    await page.keyboard.press('l');
    assert.ok(await page.isVisible('#layers'), 'L shows the layer panel');
    const full = await canvasInk(page);

    await page.click(`#group-${g}`);
    await nextFrames(page);
    const without = await canvasInk(page);
    // Every other group off instead: what is left is the group's own ink.
    await page.click(`#group-${g}`);
    for (const other of info.groups) {
      if (other.index !== g && other.visible) await page.click(`#group-${other.index}`);
    }
    await nextFrames(page);
    const only = await canvasInk(page);
    for (const other of info.groups) {
      if (other.index !== g && other.visible) await page.click(`#group-${other.index}`);
    }
    await nextFrames(page);
    const again = await canvasInk(page);

    // Hiding only takes ink away (a white solid over other lines aside), and what goes
    // is the group's own ink: block inserts of the group draw members that sit on other
    // groups, so the split is not exact.
    const inside = (a, b) => {
      let n = 0;
      let m = 0;
      for (let i = 0; i < a.length; i++) if (a[i]) { n++; m += b[i]; }
      return n ? m / n : 1;
    };
    assert.ok(inside(without.ink, full.ink) > 0.99, 'hiding group ' + g + ' added ink');
    assert.ok(inside(only.ink, full.ink) > 0.99, 'hiding the other groups added ink');
    const gone = [];
    for (let i = 0; i < full.ink.length; i++) if (full.ink[i] && !without.ink[i]) gone.push(i);
    const own = dilate(only.ink, W, H);
    const ownGone = gone.filter((i) => own[i]).length;
    console.log(`      group ${g}: ${gone.length} inked pixels went, ${ownGone} of them the group's own`);
    assert.ok(gone.length > 100, `hiding group ${g} removed only ${gone.length} inked pixels`);
    assert.ok(ownGone / gone.length > 0.9, `${ownGone} of ${gone.length} removed pixels are group ${g}'s`);
    assert.ok(Buffer.compare(full.ink, again.ink) === 0, 'showing the groups again restores the picture');
    await page.keyboard.press('l');
  });

  // ---- files cut short and files that are not drawings ----
  await check('a drawing cut short says so and draws what was read', async () => {
    const whole = fs.readFileSync(path.join(args.drawings, sitePlan));
    await openThroughInput(page, { name: 'cut-short.jww', mimeType: 'application/octet-stream',
      buffer: whole.subarray(0, Math.floor(whole.length * 0.6)) });
    const message = await page.evaluate(() => window.kestrilPage.message);
    assert.match(message, /this drawing is cut short: showing what could be read/i);
    const info = await page.evaluate(() => window.kestrilPage.info);
    assert.equal(info.ok, true);
    assert.equal(info.complete, false);
    assert.ok(countInk((await canvasInk(page)).ink) > 1000, 'nothing drawn');
  });

  await check('a file that is not a drawing says so', async () => {
    await openThroughInput(page, { name: 'notes.jww', mimeType: 'text/plain',
      buffer: Buffer.from('These are meeting notes, not a drawing.\n'.repeat(40)) });
    const message = await page.evaluate(() => window.kestrilPage.message);
    assert.match(message, /not a Jw_cad drawing/);
    // The drawing opened before stays on screen.
    assert.equal((await page.evaluate(() => window.kestrilPage.info)).complete, false);
  });

  // ---- offline ----
  await check('once loaded, the page opens drawings with the server gone', async () => {
    await page.evaluate(() => navigator.serviceWorker.ready);
    await server.close();
    await page.reload();
    assert.ok(await page.evaluate(() => window.kestrilPage.ready), 'the core loads from the cache');
    await openThroughInput(page, path.join(args.drawings, 'tiny-v600.jws'));
    assert.ok(countInk((await canvasInk(page)).ink) > 0, 'nothing drawn offline');
  });

  await check('no page errors and no request outside the page', async () => {
    assert.deepEqual(session.problems, []);
  });
} finally {
  await browser.close();
  await server.close().catch(() => undefined);
  fs.rmSync(tmp, { recursive: true, force: true });
}

const failed = results.filter((r) => !r.ok).length;
console.log(`${results.length - failed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
