// kestril's page: opens a Jw_cad drawing on this device (never uploaded) and shows it
// with the same drawing core as the plug-in. Lengths named W, H, x, y, pan are in
// device pixels (CSS pixels times devicePixelRatio) unless said otherwise.
import createKestril from './kestril-core.js';
import { replay } from './replay.js';

const $ = (id) => document.getElementById(id);
const canvas = $('view');
const ctx = canvas.getContext('2d', { alpha: false });
const fileInput = $('file');

// Japanese faces first so that texts keep their shapes wherever the system has them.
const FONT_FALLBACK = ['IPAGothic', 'IPAexGothic', 'Noto Sans CJK JP', 'Noto Sans JP',
  'Hiragino Sans', 'Hiragino Kaku Gothic ProN', 'Yu Gothic', 'Meiryo', 'MS Gothic',
  'sans-serif'];
// Larger than any drawing people send; keeps a wrong pick (a video, a disk image) from
// exhausting the tab's memory.
const MAX_FILE_BYTES = 256 * 1024 * 1024;
const ZOOM_MIN = 1 / 64;
const ZOOM_MAX = 4096;
const KEY_ZOOM = Math.SQRT2;

const state = {
  drawing: null,       // the core's drawing object (freed with delete())
  info: null,
  fileName: '',
  fileSize: 0,
  W: 0,
  H: 0,
  zoom: 1,
  panX: 0,
  panY: 0,
  fitted: true,        // the view follows the window, the drawing centred in it
  monochrome: false,
  partShown: false,    // the drawing needed more than the core draws at once: said once
  frameQueued: false,
  draws: 0,
  opens: 0,            // files handled, whether they opened or not
};

// What automated checks and the benchmark read; the page itself never uses it.
const timings = { openStart: 0, opened: 0, firstPicture: 0, drawMs: [], coreMs: [] };
window.kestrilPage = {
  get view() { return { zoom: state.zoom, panX: state.panX, panY: state.panY, W: state.W, H: state.H }; },
  get info() { return state.info; },
  get draws() { return state.draws; },
  get opens() { return state.opens; },
  get message() {
    const box = $('message');
    return box.hidden ? '' : [...box.querySelectorAll('p')].map((p) => p.textContent).join('\n');
  },
  timings,
  ready: null,
};

const corePromise = createKestril();
window.kestrilPage.ready = corePromise.then(() => true, () => false);
corePromise.catch((e) => {
  showMessage('error', `The drawing core could not be loaded (${e && e.message ? e.message : e}).`,
    '描画部を読み込めませんでした。');
});

// ---- messages ----------------------------------------------------------------------

function showMessage(kind, english, japanese) {
  const box = $('message');
  box.className = kind;
  box.replaceChildren();
  const en = document.createElement('p');
  en.textContent = english;
  box.append(en);
  if (japanese) {
    const ja = document.createElement('p');
    ja.lang = 'ja';
    ja.textContent = japanese;
    box.append(ja);
  }
  const close = document.createElement('button');
  close.type = 'button';
  close.className = 'close';
  close.textContent = '×';
  close.setAttribute('aria-label', 'Dismiss / 閉じる');
  close.addEventListener('click', clearMessage);
  box.append(close);
  box.hidden = false;
}

function clearMessage() {
  $('message').hidden = true;
}


// ---- opening -----------------------------------------------------------------------

async function openFile(file) {
  try {
    await openFileInner(file);
  } finally {
    state.opens++;
  }
}

async function openFileInner(file) {
  timings.openStart = performance.now();
  timings.firstPicture = 0;
  clearMessage();
  if (file.size > MAX_FILE_BYTES) {
    showMessage('error', `“${file.name}” is too large to be a Jw_cad drawing (${formatBytes(file.size)}).`,
      'ファイルが大きすぎます。');
    return;
  }
  let core;
  try {
    core = await corePromise;
  } catch {
    return; // already said
  }
  let bytes;
  try {
    bytes = new Uint8Array(await file.arrayBuffer());
  } catch (e) {
    showMessage('error', `“${file.name}” could not be read (${e.message}).`, 'ファイルを読めませんでした。');
    return;
  }
  const d = core.openDrawing(bytes, file.name, file.lastModified || Date.now());
  const info = d.info();
  if (!info.ok) {
    d.delete();
    const why = info.error ? ` (${info.error})` : '';
    showMessage('error', `“${file.name}” is not a Jw_cad drawing${why}.` +
      (state.drawing ? ` Still showing “${state.fileName}”.` : ''),
      'Jw_cad の図面（JWW・JWS）ではありません。');
    return;
  }
  if (state.drawing) state.drawing.delete();
  state.drawing = d;
  state.partShown = false;
  state.info = info;
  state.fileName = file.name;
  state.fileSize = file.size;
  d.setMonochrome(state.monochrome);
  timings.opened = performance.now();

  if (!info.complete) {
    showMessage('warn', 'This drawing is cut short: showing what could be read.',
      'この図面は途中で切れています。読めた部分を表示しています。');
  } else if (!info.extent || info.counts.total === 0) {
    showMessage('note', 'This drawing has nothing in it to draw.', 'この図面には描くものがありません。');
  }
  document.title = `${file.name} – kestril`;
  $('file-name').textContent = file.name;
  $('welcome').hidden = true;
  for (const id of ['fit', 'zoom-in', 'zoom-out', 'mono', 'layers-toggle', 'info-toggle', 'save']) {
    $(id).disabled = false;
  }
  buildLayerPanel(info);
  buildInfoPanel(info);
  fit();
}

fileInput.addEventListener('change', () => {
  const file = fileInput.files && fileInput.files[0];
  if (file) openFile(file);
  // Choosing the same file again must still open it.
  fileInput.value = '';
});

// The whole window is a drop target.
let dragDepth = 0;
window.addEventListener('dragenter', (e) => {
  if (!hasFiles(e)) return;
  e.preventDefault();
  dragDepth++;
  $('drop-hint').hidden = false;
});
window.addEventListener('dragover', (e) => {
  if (!hasFiles(e)) return;
  e.preventDefault();
  e.dataTransfer.dropEffect = 'copy';
});
window.addEventListener('dragleave', () => {
  dragDepth = Math.max(0, dragDepth - 1);
  if (dragDepth === 0) $('drop-hint').hidden = true;
});
window.addEventListener('drop', (e) => {
  e.preventDefault();
  dragDepth = 0;
  $('drop-hint').hidden = true;
  const file = e.dataTransfer && e.dataTransfer.files && e.dataTransfer.files[0];
  if (file) openFile(file);
});

function hasFiles(e) {
  return e.dataTransfer && Array.from(e.dataTransfer.types || []).includes('Files');
}

// Opened from the system as an installed app ("Open with").
if ('launchQueue' in window) {
  window.launchQueue.setConsumer(async (params) => {
    if (params.files && params.files.length) openFile(await params.files[0].getFile());
  });
}

// ---- drawing -----------------------------------------------------------------------

// Every event only asks for a frame; the frame draws once whatever happened since.
function requestDraw() {
  if (state.frameQueued) return;
  state.frameQueued = true;
  requestAnimationFrame(frame);
}

function frame() {
  state.frameQueued = false;
  drawNow();
}

function drawNow() {
  syncCanvasSize();
  if (state.W === 0 || state.H === 0) return;
  if (!state.drawing) {
    // An opaque canvas starts black: show paper until there is a drawing.
    ctx.fillStyle = '#fff';
    ctx.fillRect(0, 0, state.W, state.H);
    return;
  }
  if (state.fitted) centreFit();
  const t0 = performance.now();
  let buf;
  try {
    buf = state.drawing.draw(state.W, state.H, state.zoom, state.panX, state.panY);
  } catch (e) {
    if (!(e instanceof RangeError)) throw e;
    showMessage('error', `The window is too large to draw in: ${e.message}.`,
      'ウィンドウが大きすぎて描けません。');
    return;
  }
  if (state.drawing.drawWarning() && !state.partShown) {
    state.partShown = true;
    showMessage('warn', 'This drawing holds more than the page can draw at once: showing part of it.',
      'この図面は一度に描ける量を超えています。一部だけを表示しています。');
  }
  const tCore = performance.now();
  replay(ctx, buf, { fontFallback: FONT_FALLBACK });
  const t1 = performance.now();
  state.draws++;
  for (const [list, ms] of [[timings.drawMs, t1 - t0], [timings.coreMs, tCore - t0]]) {
    list.push(ms);
    if (list.length > 600) list.shift();
  }
  if (!timings.firstPicture) timings.firstPicture = t1;
}

// The canvas's backing store follows its box in device pixels, measured exactly where
// the browser can tell (fractional device pixel ratios otherwise blur by a pixel).
let deviceBox = null;
const resizeObserver = new ResizeObserver((entries) => {
  const entry = entries[entries.length - 1];
  const box = entry.devicePixelContentBoxSize && entry.devicePixelContentBoxSize[0];
  deviceBox = box
    ? { w: box.inlineSize, h: box.blockSize }
    : { w: Math.round(entry.contentRect.width * devicePixelRatio), h: Math.round(entry.contentRect.height * devicePixelRatio) };
  requestDraw();
});
try {
  resizeObserver.observe(canvas, { box: 'device-pixel-content-box' });
} catch {
  resizeObserver.observe(canvas);
}

function syncCanvasSize() {
  const W = deviceBox ? deviceBox.w : Math.round(canvas.clientWidth * devicePixelRatio);
  const H = deviceBox ? deviceBox.h : Math.round(canvas.clientHeight * devicePixelRatio);
  if (W === state.W && H === state.H) return;
  // The fit picture scales with the window, so the offsets scale with it too: the
  // same part of the drawing stays in view.
  if (state.W && state.H) {
    state.panX *= W / state.W;
    state.panY *= H / state.H;
  }
  state.W = W;
  state.H = H;
  canvas.width = W;
  canvas.height = H;
}

// ---- view --------------------------------------------------------------------------

function fit() {
  state.fitted = true;
  requestDraw();
}

// The core fits a drawing against the top left corner, as the plug-in does; the page
// centres it in the window instead, and keeps it centred while the window changes.
function centreFit() {
  state.zoom = 1;
  state.panX = 0;
  state.panY = 0;
  const e = state.info && state.info.extent;
  if (!e) return;
  const ew = e.maxX - e.minX, eh = e.maxY - e.minY;
  // A drawing without extent in one direction is already centred in it by the core.
  if (!(ew * 1e7 >= 1 && eh * 1e7 >= 1)) return;
  const s = Math.min(state.W / ew, state.H / eh);
  state.panX = Math.round((state.W - ew * s) / 2);
  state.panY = Math.round((state.H - eh * s) / 2);
}

// Zoom by k keeping the drawing point under (cx, cy) where it is.
function zoomAt(cx, cy, k) {
  state.fitted = false;
  const zoom = Math.min(ZOOM_MAX, Math.max(ZOOM_MIN, state.zoom * k));
  k = zoom / state.zoom;
  state.panX = cx - (cx - state.panX) * k;
  state.panY = cy - (cy - state.panY) * k;
  state.zoom = zoom;
  requestDraw();
}

function panBy(dx, dy) {
  state.fitted = false;
  state.panX += dx;
  state.panY += dy;
  requestDraw();
}

// Device pixel under a pointer event.
function devicePoint(e) {
  const r = canvas.getBoundingClientRect();
  const sx = r.width ? state.W / r.width : devicePixelRatio;
  const sy = r.height ? state.H / r.height : devicePixelRatio;
  return { x: (e.clientX - r.left) * sx, y: (e.clientY - r.top) * sy };
}

// One wheel notch (100 pixels of delta) zooms by the square root of two; a trackpad
// pinch arrives as a wheel with ctrlKey and small deltas, so it counts double.
canvas.addEventListener('wheel', (e) => {
  if (!state.drawing) return;
  e.preventDefault();
  const unit = e.deltaMode === 1 ? 33 : e.deltaMode === 2 ? state.H : 1;
  const dy = e.deltaY * unit * (e.ctrlKey ? 2 : 1);
  const p = devicePoint(e);
  zoomAt(p.x, p.y, Math.pow(2, -dy / 200));
}, { passive: false });

// Drag with one pointer pans; two pointers pinch (zoom about their midpoint) and pan.
const pointers = new Map();
canvas.addEventListener('pointerdown', (e) => {
  if (!state.drawing || (e.pointerType === 'mouse' && e.button !== 0)) return;
  canvas.setPointerCapture(e.pointerId);
  pointers.set(e.pointerId, devicePoint(e));
  canvas.classList.add('dragging');
});
canvas.addEventListener('pointermove', (e) => {
  const prev = pointers.get(e.pointerId);
  if (!prev) return;
  const now = devicePoint(e);
  if (pointers.size === 1) {
    panBy(now.x - prev.x, now.y - prev.y);
  } else if (pointers.size === 2) {
    const other = [...pointers.entries()].find(([id]) => id !== e.pointerId)[1];
    const before = Math.hypot(prev.x - other.x, prev.y - other.y);
    const after = Math.hypot(now.x - other.x, now.y - other.y);
    const mid0 = { x: (prev.x + other.x) / 2, y: (prev.y + other.y) / 2 };
    const mid1 = { x: (now.x + other.x) / 2, y: (now.y + other.y) / 2 };
    if (before > 0 && after > 0) zoomAt(mid0.x, mid0.y, after / before);
    panBy(mid1.x - mid0.x, mid1.y - mid0.y);
  }
  pointers.set(e.pointerId, now);
});
for (const type of ['pointerup', 'pointercancel']) {
  canvas.addEventListener(type, (e) => {
    pointers.delete(e.pointerId);
    if (pointers.size === 0) canvas.classList.remove('dragging');
  });
}

function setMonochrome(on) {
  state.monochrome = on;
  $('mono').setAttribute('aria-pressed', String(on));
  if (state.drawing) {
    state.drawing.setMonochrome(on);
    requestDraw();
  }
}

function togglePanel(id, buttonId) {
  const panel = $(id);
  panel.hidden = !panel.hidden;
  $(buttonId).setAttribute('aria-expanded', String(!panel.hidden));
}

$('fit').addEventListener('click', fit);
$('zoom-in').addEventListener('click', () => zoomAt(state.W / 2, state.H / 2, KEY_ZOOM));
$('zoom-out').addEventListener('click', () => zoomAt(state.W / 2, state.H / 2, 1 / KEY_ZOOM));
$('mono').addEventListener('click', () => setMonochrome(!state.monochrome));
$('layers-toggle').addEventListener('click', () => togglePanel('layers', 'layers-toggle'));
$('info-toggle').addEventListener('click', () => togglePanel('info', 'info-toggle'));
$('save').addEventListener('click', savePng);
$('help-toggle').addEventListener('click', showHelp);
$('help').addEventListener('close', () => $('help-toggle').setAttribute('aria-expanded', 'false'));

function showHelp() {
  const help = $('help');
  if (help.open) return;
  help.showModal();
  $('help-toggle').setAttribute('aria-expanded', 'true');
}

document.addEventListener('keydown', (e) => {
  if (e.ctrlKey || e.metaKey || e.altKey || e.defaultPrevented) return;
  if ($('help').open) return; // the dialog has its own keys (Escape closes it)
  const step = 0.1;
  const handled = (() => {
    switch (e.key) {
      case '?': showHelp(); return true;
      case 'o': case 'O': fileInput.click(); return true;
    }
    if (!state.drawing) return false;
    switch (e.key) {
      case '+': case '=': zoomAt(state.W / 2, state.H / 2, KEY_ZOOM); return true;
      case '-': case '_': zoomAt(state.W / 2, state.H / 2, 1 / KEY_ZOOM); return true;
      case '0': fit(); return true;
      case 'ArrowLeft': panBy(state.W * step, 0); return true;
      case 'ArrowRight': panBy(-state.W * step, 0); return true;
      case 'ArrowUp': panBy(0, state.H * step); return true;
      case 'ArrowDown': panBy(0, -state.H * step); return true;
      case 'm': case 'M': setMonochrome(!state.monochrome); return true;
      case 'l': case 'L': togglePanel('layers', 'layers-toggle'); return true;
    }
    return false;
  })();
  if (handled) e.preventDefault();
});

// ---- layer panel -------------------------------------------------------------------

const hex = (n) => n.toString(16).toUpperCase();

function buildLayerPanel(info) {
  const list = $('layer-list');
  list.replaceChildren();
  for (const group of info.groups) {
    const groupObjects = group.layers.reduce((n, l) => n + (l.objects || 0), 0);
    const section = document.createElement('div');
    section.className = 'group';
    section.classList.toggle('off', !group.visible);
    const row = document.createElement('div');
    row.className = 'group-row';
    const fold = document.createElement('button');
    fold.type = 'button';
    fold.className = 'fold';
    fold.setAttribute('aria-expanded', 'false');
    fold.setAttribute('aria-label', `Layers of group ${hex(group.index)}`);
    const label = checkboxLabel(`group-${group.index}`, hex(group.index), group.name, groupObjects,
      group.visible, `Layer group ${hex(group.index)}`);
    const box = label.querySelector('input');
    box.addEventListener('change', () => {
      state.drawing.setGroupVisible(group.index, box.checked);
      section.classList.toggle('off', !box.checked);
      requestDraw();
    });
    row.append(fold, label);
    if (group.scale) {
      const scale = document.createElement('span');
      scale.className = 'scale';
      scale.textContent = `1:${formatNumber(group.scale)}`;
      scale.title = 'scale / 縮尺';
      row.append(scale);
    }
    const ul = document.createElement('ul');
    ul.id = `layers-of-${group.index}`;
    ul.hidden = true;
    fold.setAttribute('aria-controls', ul.id);
    fold.addEventListener('click', () => {
      ul.hidden = !ul.hidden;
      fold.setAttribute('aria-expanded', String(!ul.hidden));
    });
    for (const layer of group.layers) {
      const li = document.createElement('li');
      const layerLabel = checkboxLabel(`layer-${group.index}-${layer.index}`,
        `${hex(group.index)}-${hex(layer.index)}`, layer.name, layer.objects, layer.visible,
        `Layer ${hex(group.index)}-${hex(layer.index)}`);
      const layerBox = layerLabel.querySelector('input');
      layerBox.addEventListener('change', () => {
        state.drawing.setLayerVisible(group.index, layer.index, layerBox.checked);
        requestDraw();
      });
      li.append(layerLabel);
      ul.append(li);
    }
    section.append(row, ul);
    list.append(section);
  }
}

function checkboxLabel(id, number, name, objects, checked, fallbackName) {
  const label = document.createElement('label');
  const box = document.createElement('input');
  box.type = 'checkbox';
  box.id = id;
  box.checked = checked;
  const num = document.createElement('span');
  num.className = 'num';
  num.textContent = number;
  label.append(box, num);
  if (name) {
    const text = document.createElement('span');
    text.textContent = name;
    label.append(text);
  }
  box.setAttribute('aria-label', name ? `${fallbackName}: ${name}` : fallbackName);
  const count = document.createElement('span');
  count.className = 'count';
  count.textContent = String(objects || 0);
  count.title = 'objects / 図形数';
  label.append(count);
  if (!objects) label.classList.add('empty');
  return label;
}

$('layers-all').addEventListener('click', () => {
  if (!state.drawing) return;
  for (const box of $('layer-list').querySelectorAll('input[type=checkbox]')) {
    if (box.checked) continue;
    box.checked = true;
    box.dispatchEvent(new Event('change'));
  }
});

// ---- info panel --------------------------------------------------------------------

const KIND_NAMES = { jww: 'JWW drawing', jws: 'JWS data', bare: 'object archive' };

function buildInfoPanel(info) {
  const rows = [
    ['File / ファイル', `${state.fileName} (${formatBytes(state.fileSize)})`],
    ['Kind / 種類', KIND_NAMES[info.kind] || info.kind || '?'],
    ['Version / バージョン', info.version ? `${(info.version / 100).toFixed(2)} (${info.version})` : '?'],
    ['Complete / 完全', info.complete ? 'yes' : 'no: cut short / 途中で切れています'],
    ['Paper / 用紙', info.paper || 'unknown'],
  ];
  if (info.extent) {
    const e = info.extent;
    rows.push(['Extent / 範囲',
      `${formatNumber(e.maxX - e.minX)} × ${formatNumber(e.maxY - e.minY)} ` +
      `(x ${formatNumber(e.minX)} … ${formatNumber(e.maxX)}, y ${formatNumber(e.minY)} … ${formatNumber(e.maxY)})`]);
  } else {
    rows.push(['Extent / 範囲', 'empty']);
  }
  const c = info.counts;
  const names = [['lines', '線'], ['arcs', '円弧'], ['points', '点'], ['texts', '文字'],
    ['solids', 'ソリッド'], ['blocks', 'ブロック'], ['dimensions', '寸法'], ['images', '画像']];
  for (const [key, ja] of names) {
    if (c[key]) rows.push([`${key} / ${ja}`, formatNumber(c[key])]);
  }
  rows.push(['objects / 図形', formatNumber(c.total)]);
  const dl = $('info-list');
  dl.replaceChildren();
  for (const [k, v] of rows) {
    const dt = document.createElement('dt');
    dt.textContent = k;
    const dd = document.createElement('dd');
    dd.textContent = v;
    dl.append(dt, dd);
  }
}

function formatNumber(n) {
  return Number.isInteger(n) ? n.toLocaleString('en') : n.toLocaleString('en', { maximumFractionDigits: 2 });
}

function formatBytes(n) {
  if (n < 1024) return `${n} B`;
  if (n < 1024 * 1024) return `${(n / 1024).toFixed(1)} KB`;
  return `${(n / 1024 / 1024).toFixed(1)} MB`;
}

// ---- saving ------------------------------------------------------------------------

function savePng() {
  if (!state.drawing) return;
  drawNow(); // what is saved is the view as it is now, even with a frame pending
  canvas.toBlob((blob) => {
    if (!blob) {
      showMessage('error', 'The picture could not be made.', '画像を作れませんでした。');
      return;
    }
    const a = document.createElement('a');
    a.href = URL.createObjectURL(blob);
    a.download = state.fileName.replace(/\.[^.]*$/, '') + '.png';
    document.body.append(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(a.href), 30000);
  }, 'image/png');
}

// ---- offline -----------------------------------------------------------------------

if ('serviceWorker' in navigator && location.protocol !== 'file:') {
  navigator.serviceWorker.register('sw.js').catch(() => {
    // Without it the page works as long as it is online.
  });
}

requestDraw();
