// Replays the core's command buffer (src/web/command_buffer.h holds its layout; the two
// change together) on a Canvas 2D context of the picture's size.
//
// Device points are GDI's: pixel centres on whole numbers, so geometry moves by half a
// pixel to the canvas's centres (one-pixel lines stay sharp). Texts are placed as GDI
// places them: the point is the top-left corner of the first character cell, the cell
// height is the font's ascent plus descent, the width the average character width.

const MAGIC = 0x3142434b;
const HEADER_WORDS = 4;

const Op = {
  Pen: 1,
  Brush: 2,
  Polyline: 3,
  PolyBezier: 4,
  Polygon: 5,
  Ellipse: 6,
  Arc: 7,
  FillRect: 8,
  StrokePath: 9,
  StrokeAndFillPath: 10,
  Font: 11,
  TextColor: 12,
  Background: 13,
  Text: 14,
  TextEach: 15,
  Image: 16,
  StrokeTextPath: 17,
  StrokeAndFillTextPath: 18,
};

const PEN_NULL = 1;
const PEN_GEOMETRIC = 2;
const FONT_ITALIC = 1;
const FONT_UNDERLINE = 2;
const FONT_STRIKE_OUT = 4;
const CAPS = ['round', 'square', 'butt'];

// Japanese system fonts of the common platforms, tried after the drawing's own face.
export const DEFAULT_FONT_FALLBACK = [
  'MS Gothic',
  'Hiragino Kaku Gothic ProN',
  'Noto Sans CJK JP',
  'IPAGothic',
  'IPAexGothic',
  'sans-serif',
];

const GENERIC_FAMILIES = new Set(['serif', 'sans-serif', 'monospace', 'cursive', 'fantasy', 'system-ui']);

// A drawing uses a handful of colours: their CSS strings are made once.
const colorCache = new Map();
function cssColor(c) {
  let css = colorCache.get(c);
  if (css === undefined) {
    const hex = (v) => v.toString(16).padStart(2, '0');
    css = `#${hex(c & 0xff)}${hex((c >>> 8) & 0xff)}${hex((c >>> 16) & 0xff)}`;
    colorCache.set(c, css);
  }
  return css;
}

function quoteFamily(name) {
  if (GENERIC_FAMILIES.has(name)) return name;
  return `"${name.replace(/["\\]/g, '\\$&')}"`;
}

// GDI sizes a font by its Windows cell (usWinAscent + usWinDescent), which browsers do
// not report; for the faces the native canvases stand in for the Japanese Windows faces
// the cell is known, so both builds give the same text sizes. Per em.
const WINDOWS_CELLS = new Map([
  ['IPAGothic', { ascent: 1802 / 2048, cell: 2203 / 2048 }],
  ['IPAPGothic', { ascent: 1802 / 2048, cell: 2203 / 2048 }],
  ['IPAMincho', { ascent: 1802 / 2048, cell: 2257 / 2048 }],
  ['IPAPMincho', { ascent: 1802 / 2048, cell: 2257 / 2048 }],
]);

// The Windows Japanese faces' em over their cell, unitsPerEm / (usWinAscent +
// usWinDescent), as src/graphics/text/japanese_faces.cpp has them (the core names them
// first in a font's alias). They are asked for by that em, as the native canvases ask,
// so that a face standing in for them draws glyphs as tall as theirs.
const WINDOWS_FACE_EMS = new Map([
  ['MS Gothic', 1],
  ['MS PGothic', 1],
  ['MS UI Gothic', 1],
  ['MS Mincho', 1],
  ['MS PMincho', 1],
]);

// What a font stack measures as in the browser: a probe's width and the font box.
const PROBE = '\u6f22\u5b57\u304b\u306a mW1.';
function fingerprint(ctx, css) {
  ctx.font = css;
  const t = ctx.measureText(PROBE);
  return `${t.width} ${t.fontBoundingBoxAscent} ${t.fontBoundingBoxDescent}`;
}

// Metrics of a CSS font as the browser resolves it, per em: ascent and cell height
// (ascent + descent). Where the browser resolves the stack to one of the faces above
// (whatever name or alias led it there), their Windows cell is used; browsers without
// font bounding boxes get the usual Japanese faces' proportions.
const metricsCache = new Map();
function fontMetrics(ctx, style, families) {
  const key = `${style} ${families}`;
  let m = metricsCache.get(key);
  if (m) return m;
  const ref = 100;
  const mine = fingerprint(ctx, `${style} ${ref}px ${families}`);
  for (const [face, cell] of WINDOWS_CELLS) {
    if (fingerprint(ctx, `${style} ${ref}px "${face}", monospace`) === mine) m = cell;
  }
  if (!m) {
    ctx.font = `${style} ${ref}px ${families}`;
    const t = ctx.measureText('\u6f22');
    const ascent = t.fontBoundingBoxAscent;
    const descent = t.fontBoundingBoxDescent;
    m = ascent > 0 && descent >= 0 ? { ascent: ascent / ref, cell: (ascent + descent) / ref }
                                   : { ascent: 0.88, cell: 1 };
  }
  metricsCache.set(key, m);
  return m;
}

function readText(words, at, n) {
  let s = '';
  for (let i = 0; i < n; i += 2) {
    const w = words[at + (i >> 1)];
    s += String.fromCharCode(w & 0xffff);
    if (i + 1 < n) s += String.fromCharCode(w >>> 16);
  }
  return s;
}

export function replay(ctx, buf, options = {}) {
  const fallback = options.fontFallback || DEFAULT_FONT_FALLBACK;
  let bytes = buf;
  if (bytes.byteOffset % 4 !== 0) bytes = bytes.slice();
  const count = bytes.byteLength >> 2;
  const u = new Uint32Array(bytes.buffer, bytes.byteOffset, count);
  const s = new Int32Array(bytes.buffer, bytes.byteOffset, count);
  if (count < HEADER_WORDS || u[0] !== MAGIC) throw new Error('not a kestril command buffer');
  const width = s[1];
  const height = s[2];

  ctx.save();
  ctx.setTransform(1, 0, 0, 1, 0, 0);
  ctx.globalAlpha = 1;
  ctx.globalCompositeOperation = 'source-over';
  ctx.fillStyle = cssColor(u[3]);
  ctx.fillRect(0, 0, width, height);
  ctx.lineJoin = 'round';

  let pen = { color: 0, width: 1, none: false, cap: 'round' };
  let brush = { color: 0xffffff, clear: false };
  let font = null;
  let textColor = 0;
  let opaque = true;
  // Strokes in one pen go to the context as one path, stroked when something else
  // comes: far fewer calls for the many short lines of a drawing.
  let pending = false;

  const applyPen = () => {
    ctx.strokeStyle = cssColor(pen.color);
    ctx.lineWidth = Math.max(1, pen.width);
    ctx.lineCap = pen.cap;
  };
  const flush = () => {
    if (!pending) return;
    applyPen();
    ctx.stroke();
    pending = false;
  };
  const beginStroke = () => {
    if (!pending) {
      ctx.beginPath();
      pending = true;
    }
  };
  const polyline = (at, n) => {
    ctx.moveTo(s[at] + 0.5, s[at + 1] + 0.5);
    for (let i = 1; i < n; ++i) ctx.lineTo(s[at + 2 * i] + 0.5, s[at + 2 * i + 1] + 0.5);
  };
  const bezier = (at, n) => {
    ctx.moveTo(s[at] + 0.5, s[at + 1] + 0.5);
    for (let i = 1; i + 2 < n; i += 3) {
      const p = at + 2 * i;
      ctx.bezierCurveTo(s[p] + 0.5, s[p + 1] + 0.5, s[p + 2] + 0.5, s[p + 3] + 0.5,
                        s[p + 4] + 0.5, s[p + 5] + 0.5);
    }
  };
  // The box of Ellipse and Arc without its right and bottom edges, as GDI traces it.
  const box = (at) => {
    let l = s[at], t = s[at + 1], r = s[at + 2], b = s[at + 3];
    if (r < l) [l, r] = [r, l];
    if (b < t) [t, b] = [b, t];
    const rx = Math.max(0, (r - 1 - l) / 2);
    const ry = Math.max(0, (b - 1 - t) / 2);
    return { cx: l + rx + 0.5, cy: t + ry + 0.5, rx, ry };
  };
  const fillAndStroke = (fillRule) => {
    if (!brush.clear) {
      ctx.fillStyle = cssColor(brush.color);
      ctx.fill(fillRule);
    }
    if (!pen.none) {
      applyPen();
      ctx.stroke();
    }
  };
  // Text is drawn in the cell's own frame: origin at the cell's top-left corner, turned
  // by the escapement, stretched to the character width. The context's font is parsed
  // only when it changes.
  let contextFont = '';
  ctx.textBaseline = 'alphabetic';
  ctx.textAlign = 'left';
  // Writes text with its first cell's top-left corner at (x, y).
  const writeText = (x, y, text, mode) => {
    const f = font;
    if (!f || !(f.em > 0)) return;
    ctx.setTransform(f.cos * f.scaleX, f.sin * f.scaleX, -f.sin, f.cos, x, y);
    if (contextFont !== f.css) {
      ctx.font = f.css;
      contextFont = f.css;
    }
    if (mode === 'text') {
      const advance = opaque || f.underline || f.strikeOut ? ctx.measureText(text).width : 0;
      if (opaque) {
        ctx.fillStyle = '#fff';
        ctx.fillRect(0, 0, advance, f.cellHeight);
      }
      ctx.fillStyle = cssColor(textColor);
      ctx.fillText(text, 0, f.ascent);
      if (f.underline) ctx.fillRect(0, f.ascent + f.em * 0.1, advance, Math.max(1, f.em / 20));
      if (f.strikeOut) ctx.fillRect(0, f.ascent - f.em * 0.3, advance, Math.max(1, f.em / 20));
    } else {
      if (mode === 'fill' && !brush.clear) {
        ctx.fillStyle = cssColor(brush.color);
        ctx.fillText(text, 0, f.ascent);
      }
      if (!pen.none) {
        ctx.strokeStyle = cssColor(pen.color);
        ctx.lineWidth = Math.max(1, pen.width) / Math.max(f.scaleX, 1e-3);
        ctx.strokeText(text, 0, f.ascent);
      }
    }
    ctx.setTransform(1, 0, 0, 1, 0, 0);
  };

  // Counts are checked against what is left, so a damaged buffer ends in an error
  // rather than a long loop.
  const counted = (wordsEach) => {
    const n = u[at++];
    if (at + n * wordsEach > count) throw new Error('command buffer cut short');
    return n;
  };
  let at = HEADER_WORDS;
  while (at < count) {
    const op = u[at++];
    switch (op) {
      case Op.Pen: {
        const color = u[at], w = s[at + 1], flags = u[at + 2];
        at += 3;
        const next = {
          color,
          width: w,
          none: (flags & PEN_NULL) !== 0,
          // Cosmetic pens end round; one pixel wide, they end where the line does.
          cap: (flags & PEN_GEOMETRIC) !== 0 ? CAPS[(flags >>> 2) & 3] || 'round' : 'round',
        };
        if (Math.max(1, w) <= 1 && (flags & PEN_GEOMETRIC) === 0) next.cap = 'butt';
        if (next.color !== pen.color || next.width !== pen.width || next.none !== pen.none ||
            next.cap !== pen.cap) {
          flush();
        }
        pen = next;
        break;
      }
      case Op.Brush:
        brush = { color: u[at], clear: u[at + 1] === 1 };
        at += 2;
        break;
      case Op.Polyline:
      case Op.PolyBezier: {
        const n = counted(2);
        if (!pen.none) {
          beginStroke();
          (op === Op.Polyline ? polyline : bezier)(at, n);
        }
        at += 2 * n;
        break;
      }
      case Op.Polygon: {
        flush();
        const n = counted(2);
        ctx.beginPath();
        polyline(at, n);
        ctx.closePath();
        fillAndStroke('evenodd');
        at += 2 * n;
        break;
      }
      case Op.Ellipse: {
        flush();
        const e = box(at);
        at += 4;
        ctx.beginPath();
        ctx.ellipse(e.cx, e.cy, e.rx, e.ry, 0, 0, 2 * Math.PI);
        ctx.closePath();
        fillAndStroke('nonzero');
        break;
      }
      case Op.Arc: {
        const e = box(at);
        const angle = (x, y) =>
          Math.atan2(e.ry > 0 ? (y + 0.5 - e.cy) / e.ry : 0, e.rx > 0 ? (x + 0.5 - e.cx) / e.rx : 0);
        const a0 = angle(s[at + 4], s[at + 5]);
        let a1 = angle(s[at + 6], s[at + 7]);
        at += 8;
        if (pen.none) break;
        // Counter-clockwise on the screen from the start ray to the end ray; equal rays
        // are the whole ellipse.
        if (a1 === a0) a1 = a0 - 2 * Math.PI;
        beginStroke();
        ctx.moveTo(e.cx + e.rx * Math.cos(a0), e.cy + e.ry * Math.sin(a0));
        ctx.ellipse(e.cx, e.cy, e.rx, e.ry, 0, a0, a1, true);
        break;
      }
      case Op.FillRect: {
        flush();
        let l = s[at], t = s[at + 1], r = s[at + 2], b = s[at + 3];
        at += 4;
        // An inverted rectangle covers the columns (rows) mirrored about its first edge.
        if (r < l) [l, r] = [r + 1, l + 1];
        if (b < t) [t, b] = [b + 1, t + 1];
        if (!brush.clear && r > l && b > t) {
          ctx.fillStyle = cssColor(brush.color);
          ctx.fillRect(l, t, r - l, b - t);
        }
        break;
      }
      case Op.StrokePath:
      case Op.StrokeAndFillPath: {
        const fill = op === Op.StrokeAndFillPath;
        const n = counted(2.25);
        const types = at + 2 * n;
        const typeOf = (i) => (u[types + (i >> 2)] >>> (8 * (i & 3))) & 0xff;
        if (!fill && pen.none) {
          at = types + ((n + 3) >> 2);
          break;
        }
        // A stroked path joins the pending strokes of its pen; a filled one stands alone.
        if (fill) {
          flush();
          ctx.beginPath();
        } else {
          beginStroke();
        }
        for (let i = 0; i < n; ) {
          const t = typeOf(i);
          const x = s[at + 2 * i] + 0.5, y = s[at + 2 * i + 1] + 0.5;
          const kind = t & 0x06;
          if (kind === 0x06) {
            ctx.moveTo(x, y);
            i += 1;
          } else if (kind === 0x04 && i + 2 < n) {
            ctx.bezierCurveTo(x, y, s[at + 2 * i + 2] + 0.5, s[at + 2 * i + 3] + 0.5,
                              s[at + 2 * i + 4] + 0.5, s[at + 2 * i + 5] + 0.5);
            i += 3;
            if (typeOf(i - 1) & 1) ctx.closePath();
            continue;
          } else {
            ctx.lineTo(x, y);
            i += 1;
          }
          if (t & 1) ctx.closePath();
        }
        if (fill) fillAndStroke('evenodd');
        at = types + ((n + 3) >> 2);
        break;
      }
      case Op.Font: {
        const faceLength = counted(0.5);
        const height = s[at], w = s[at + 1], escapement = s[at + 2];
        const weight = s[at + 4], flags = u[at + 5], aliasLength = u[at + 6];
        at += 7;
        if (at + aliasLength / 2 > count) throw new Error('command buffer cut short');
        const face = readText(u, at, faceLength);
        at += (faceLength + 1) >> 1;
        const alias = readText(u, at, aliasLength);
        at += (aliasLength + 1) >> 1;
        const names = [face, ...(alias ? alias.split(',') : []), ...fallback].filter((n) => n);
        const italic = (flags & FONT_ITALIC) !== 0;
        const families = [...new Set(names)].map(quoteFamily).join(', ');
        const style = `${italic ? 'italic ' : ''}${Math.min(900, Math.max(1, weight || 400))}`;
        const m = fontMetrics(ctx, style, families);
        const windowsEm = height > 0 ? WINDOWS_FACE_EMS.get(alias.split(',')[0]) : undefined;
        const asked = windowsEm ? -Math.max(1, Math.round(height * windowsEm)) : height;
        // GDI: a positive height is the cell, a negative one the em, 0 a default cell.
        const em = asked > 0 ? asked / m.cell : asked < 0 ? -asked : 16 / m.cell;
        font = {
          em,
          css: `${style} ${em}px ${families}`,
          ascent: Math.round(m.ascent * em),
          cellHeight: Math.round(m.cell * em),
          // The Japanese faces' average character width is half an em.
          scaleX: w > 0 && em > 0 ? w / (em / 2) : 1,
          // The escapement turns counter-clockwise on the screen (y down).
          cos: Math.cos((escapement / 10) * (Math.PI / 180)),
          sin: -Math.sin((escapement / 10) * (Math.PI / 180)),
          underline: (flags & FONT_UNDERLINE) !== 0,
          strikeOut: (flags & FONT_STRIKE_OUT) !== 0,
        };
        break;
      }
      case Op.TextColor:
        textColor = u[at++];
        break;
      case Op.Background:
        opaque = u[at++] === 1;
        break;
      case Op.Text:
      case Op.StrokeTextPath:
      case Op.StrokeAndFillTextPath: {
        flush();
        const n = counted(0.5);
        const x = s[at], y = s[at + 1];
        at += 2;
        const text = readText(u, at, n);
        at += (n + 1) >> 1;
        writeText(x, y, text, op === Op.Text ? 'text' : op === Op.StrokeTextPath ? 'stroke' : 'fill');
        break;
      }
      case Op.TextEach: {
        flush();
        const n = counted(2.5);
        const cells = at;
        at += 2 * n;
        const text = readText(u, at, n);
        at += (n + 1) >> 1;
        for (let i = 0; i < n; ++i) writeText(s[cells + 2 * i], s[cells + 2 * i + 1], text[i], 'text');
        break;
      }
      case Op.Image: {
        flush();
        const l = s[at], t = s[at + 1], r = s[at + 2], b = s[at + 3];
        const w = s[at + 4], h = s[at + 5];
        at += 6;
        if (!(w > 0 && h > 0 && at + w * h <= count)) throw new Error('command buffer cut short');
        drawImage(ctx, u, at, w, h, l, t, r, b);
        at += w * h;
        break;
      }
      default:
        ctx.restore();
        throw new Error(`unknown command ${op} in the command buffer`);
    }
  }
  flush();
  ctx.restore();
}

function drawImage(ctx, u, at, w, h, l, t, r, b) {
  if (w <= 0 || h <= 0) return;
  const make = (cw, ch) =>
    typeof OffscreenCanvas !== 'undefined'
      ? new OffscreenCanvas(cw, ch)
      : Object.assign(document.createElement('canvas'), { width: cw, height: ch });
  const picture = make(w, h);
  const pctx = picture.getContext('2d');
  const data = pctx.createImageData(w, h);
  for (let i = 0; i < w * h; ++i) {
    const c = u[at + i];
    data.data[4 * i] = c & 0xff;
    data.data[4 * i + 1] = (c >>> 8) & 0xff;
    data.data[4 * i + 2] = (c >>> 16) & 0xff;
    data.data[4 * i + 3] = 255;
  }
  pctx.putImageData(data, 0, 0);
  ctx.save();
  // Each device pixel takes the image pixel nearest its centre, as GDI stretches.
  ctx.imageSmoothingEnabled = false;
  ctx.translate(l, t);
  ctx.scale((r - l) / w, (b - t) / h);
  ctx.drawImage(picture, 0, 0);
  ctx.restore();
}
