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

if (failures > 0) {
  console.error(`${failures} failures`);
  process.exit(1);
}
console.log(`${names.length} drawings: info as kestril info says, Unicode copies draw the same; cut-short and foreign data described`);
