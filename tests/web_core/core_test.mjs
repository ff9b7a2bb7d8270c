// The WebAssembly core in Node: every real drawing opens with the same kind, version,
// counts and extent as `kestril info --json` says, a cut-short copy says so and is still
// drawn, foreign bytes are described rather than thrown, and the page's switches change
// what is drawn.
// A copy of each drawing with every string in the Unicode form draws the same.
// usage: node core_test.mjs WEB_DIR KESTRIL DRAWINGS_DIR MAKE_SAMPLE
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

const [webDir, kestril, drawingsDir, makeSample] = process.argv.slice(2);
const corePath = path.join(webDir, 'kestril-core.js');
if (!fs.existsSync(corePath)) {
  console.error(`${corePath} is missing: build it with make web`);
  process.exit(1);
}
const { default: createKestril } = await import(pathToFileURL(corePath).href);
const core = await createKestril();

let failures = 0;
function check(ok, what) {
  if (!ok) {
    failures += 1;
    console.error(`FAIL ${what}`);
  }
}

const MAGIC = 0x3142434b;
function header(buf) {
  const words = new Uint32Array(buf.buffer, buf.byteOffset, buf.byteLength >> 2);
  return { magic: words[0], width: words[1], height: words[2], words: words.length };
}

function open(bytes, name) {
  return core.openDrawing(new Uint8Array(bytes), name, Date.UTC(2024, 0, 2));
}

const copies = fs.mkdtempSync(path.join(os.tmpdir(), 'kestril-unicode-'));
const names = fs.readdirSync(drawingsDir).filter((n) => /\.jw[ws]$/i.test(n)).sort();
check(names.length > 0, `no drawings in ${drawingsDir}`);
const countNames = [
  ['lines', 'line'], ['arcs', 'arc'], ['texts', 'text'], ['points', 'point'],
  ['solids', 'solid'], ['dimensions', 'dimension'], ['blocks', 'block'],
];
for (const name of names) {
  const file = path.join(drawingsDir, name);
  const native = JSON.parse(execFileSync(kestril, ['info', '--json', file], { encoding: 'utf8' }));
  const d = open(fs.readFileSync(file), name);
  try {
    const info = d.info();
    check(info.ok === native.read_ok && info.complete === native.complete,
          `${name}: ok/complete ${info.ok}/${info.complete}`);
    check(info.kind === native.kind && info.version === native.version,
          `${name}: kind ${info.kind} ${info.version}`);
    check(info.error === '', `${name}: error "${info.error}"`);
    for (const [ours, theirs] of countNames) {
      check(info.counts[ours] === native.counts[theirs],
            `${name}: ${ours} ${info.counts[ours]} against ${native.counts[theirs]}`);
    }
    check(info.counts.total === native.objects_read, `${name}: total ${info.counts.total}`);
    const e = info.extent;
    check(e !== null && native.extent !== null &&
          [e.minX, e.minY, e.maxX, e.maxY].every((v, i) => Math.abs(v - native.extent[i]) <= 1e-9 * Math.max(1, Math.abs(v))),
          `${name}: extent ${JSON.stringify(e)} against ${JSON.stringify(native.extent)}`);
    check(info.groups.length === 16 && info.groups.every((g) => g.layers.length === 16),
          `${name}: 16 groups of 16 layers`);
    const layered = info.groups.reduce((n, g) => n + g.layers.reduce((m, l) => m + l.objects, 0), 0);
    check(layered <= info.counts.total, `${name}: ${layered} objects on layers`);

    const fit = d.draw(800, 600, 1, 0, 0);
    const h = header(fit);
    check(h.magic === MAGIC && h.width === 800 && h.height === 600 && h.words > 4,
          `${name}: buffer header ${JSON.stringify(h)}`);
    // Every group hidden: the background alone is left.
    for (let g = 0; g < 16; ++g) d.setGroupVisible(g, false);
    const hidden = d.draw(800, 600, 1, 0, 0);
    check(hidden.length < fit.length, `${name}: hiding every group leaves ${hidden.length} bytes`);
    for (let g = 0; g < 16; ++g) d.setGroupVisible(g, true);
    check(d.draw(800, 600, 1, 0, 0).length === fit.length, `${name}: groups shown again`);

    // Strings stored as Unicode: the same names, the same commands to the byte.
    const copyPath = path.join(copies, name);
    execFileSync(makeSample, ['--unicode', file, copyPath]);
    const copy = open(fs.readFileSync(copyPath), name);
    try {
      const copyInfo = copy.info();
      check(copyInfo.ok && JSON.stringify(copyInfo.groups) === JSON.stringify(info.groups),
            `${name}: the Unicode copy's layers ${JSON.stringify(copyInfo.groups[0])}`);
      const original = Buffer.from(d.draw(800, 600, 1, 0, 0));
      check(Buffer.from(copy.draw(800, 600, 1, 0, 0)).equals(original),
            `${name}: the Unicode copy draws otherwise`);
    } finally {
      copy.delete();
    }
  } finally {
    d.delete();
  }
}
fs.rmSync(copies, { recursive: true, force: true });

// Cut short: what was read is there, and it says so.
const site = fs.readFileSync(path.join(drawingsDir, 'site-plan-v700.jww'));
const cut = open(site.subarray(0, Math.floor(site.length * 0.6)), 'cut.jww');
const cutInfo = cut.info();
check(cutInfo.ok && !cutInfo.complete && cutInfo.warning !== '' && cutInfo.counts.total > 0,
      `cut short: ${JSON.stringify({ ...cutInfo, groups: undefined })}`);
check(header(cut.draw(400, 300, 1, 0, 0)).words > 100, 'cut short: drawn');
cut.delete();

// Foreign bytes and nothing at all.
for (const [what, bytes] of [['text', Buffer.from('hello, not a drawing '.repeat(20))], ['empty', []]]) {
  const d = open(bytes, `${what}.jww`);
  const info = d.info();
  check(!info.ok && !info.complete && info.error !== '' && info.extent === null,
        `${what}: ${JSON.stringify(info)}`);
  check(header(d.draw(100, 100, 1, 0, 0)).words === 4, `${what}: drawn empty`);
  d.delete();
}

// A bare archive whose one insert places block 6, block d placing block d - 1 ten times
// and block 0 holding ten lines: ten million lines, more than a buffer holds.
function nestedBlocks() {
  const b = [];
  const u8 = (v) => b.push(v & 255);
  const u16 = (v) => { u8(v); u8(v >> 8); };
  const u32 = (v) => { u16(v); u16(v >>> 16); };
  const f64 = (...vs) => vs.forEach((v) => b.push(...new Uint8Array(new Float64Array([v]).buffer)));
  const describe = (name) => { u16(0xffff); u16(700); u16(name.length); [...name].forEach((c) => u8(c.charCodeAt(0))); };
  // Group, line type, colour, width, layer, group, flags.
  const attr = () => { u32(0); u8(1); u16(1); u16(0); u16(0); u16(0); u16(0); };
  const insert = (x, block) => { attr(); f64(x, 0, 1, 1, 0); u32(block); };
  const list = (number) => { attr(); u32(number); u32(0); u32(0); u8(3); [...'blk'].forEach((c) => u8(c.charCodeAt(0))); u16(10); };
  b.push(...new Uint8Array(16));
  f64(...new Array(16).fill(1));
  u16(1);
  describe('CDataBlock');  // class tag 0x8001 from here on
  insert(0, 6);
  u16(7);  // definitions
  describe('CDataList');  // 0x8003
  list(0);
  for (let i = 0; i < 10; ++i) {
    if (i === 0) describe('CDataSen'); else u16(0x8005);
    attr();
    f64(0, i, 1, i + 0.5);
  }
  for (let d = 1; d <= 6; ++d) {
    u16(0x8003);
    list(d);
    for (let i = 0; i < 10; ++i) { u16(0x8001); insert(i * 2 ** d, d - 1); }
  }
  u16(0);
  return new Uint8Array(b);
}

// Sizes beyond what a page's canvas holds are refused at once; a drawing that needs more
// than a command buffer holds is drawn in part and says so; the module's memory is
// what it was after both.
const heap = () => core.HEAPU8.length;
const heapBefore = heap();
const sited = open(site, 'site.jww');
for (const [w, h] of [[2147483647, 2147483647], [16385, 100], [100, 16385], [16384, 4097], [-1, 600]]) {
  let thrown = null;
  try { sited.draw(w, h, 1, 0, 0); } catch (e) { thrown = e; }
  check(thrown instanceof RangeError && /16384 pixels a side/.test(thrown.message) === (w >= 0),
        `draw(${w}, ${h}) answered ${thrown}`);
}
check(header(sited.draw(16384, 4096, 1, 0, 0)).width === 16384 && sited.drawWarning() === '',
      'the largest picture is drawn whole');
sited.delete();
// Drawn twice, the second time in the memory the first one freed.
const heaps = [];
for (let round = 0; round < 2; ++round) {
  const nested = open(nestedBlocks(), 'nested.jws');
  check(nested.info().ok, `nested blocks: ${JSON.stringify(nested.info().error)}`);
  const buf = nested.draw(800, 600, 1, 0, 0);
  check(header(buf).magic === MAGIC && buf.length <= 64 * 2 ** 20 && buf.length > 32 * 2 ** 20,
        `nested blocks: ${buf.length} bytes`);
  check(/only part of the drawing/.test(nested.drawWarning()), `nested blocks: "${nested.drawWarning()}"`);
  nested.delete();
  heaps.push(heap());
}
check(heaps[1] === heaps[0] && heaps[0] <= heapBefore + 160 * 2 ** 20,
      `the module's memory: ${heapBefore >> 20} MiB, then ${heaps.map((h) => h >> 20).join(' and ')} MiB`);

if (failures > 0) {
  console.error(`${failures} failures`);
  process.exit(1);
}
console.log(`${names.length} drawings: info as kestril info says, Unicode copies draw the same; cut-short and foreign data described`);
