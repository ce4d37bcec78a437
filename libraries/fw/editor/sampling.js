// The curve of a track at a fractional row, computed the way the show's player computes it, float
// roundings included, so the page draws what the show will play. Keys: [{row, value, kind}] in
// row order, kind a word of the track sources ("linear") or a number 0-255. No imports: the node
// tests load this file on its own.

export const KINDS = ["step", "linear", "smooth", "ramp", "catmull"];

const STEP = 0, LINEAR = 1, SMOOTH = 2, RAMP = 3, CATMULL = 4;
const f32 = Math.fround;

// The kind's number; unknown words count as step, as the player samples every unknown kind.
export function kindNumber(kind) {
  const index = KINDS.indexOf(kind);
  if (index >= 0) return index;
  if (kind === "catmull-rom" || kind === "spline") return CATMULL;
  const n = typeof kind === "number" ? kind : /^[0-9]+$/.test(String(kind)) ? Number(kind) : STEP;
  return Number.isInteger(n) && n >= 0 && n <= 255 ? n : STEP;
}

function interpolateSegment(kind, x, r0, y0, r1, y1) {
  const t = (x - r0) / (r1 - r0);
  let shape;
  switch (kind) {
    case LINEAR: shape = t; break;
    case SMOOTH: shape = t * t * (3.0 - 2.0 * t); break;
    case RAMP: shape = t * t; break;
    default: return y0;
  }
  const difference = f32(y1 - y0);
  const factor = f32(shape);
  return f32(y0 + difference * factor);
}

function catmullRom(x, r1, r2, a, b, c, d) {
  // Uniform: the neighbours' rows play no part, only their values.
  const t = (x - r1) / (r2 - r1);
  const t1 = f32(t);
  const t2 = f32(t * t);
  const t3 = f32(t * t * t);
  const sum = 0.5 * ((2.0 * t2 - t3 - t1) * a + (3.0 * t3 - 5.0 * t2 + 2.0) * b +
                     (4.0 * t2 - 3.0 * t3 + t1) * c + (t3 - t2) * d);
  return f32(sum);
}

// Index of the first key whose row is greater than n (keys in row order).
export function upperBound(keys, n) {
  let lo = 0, hi = keys.length;
  while (lo < hi) {
    const mid = (lo + hi) >> 1;
    if (keys[mid].row <= n) lo = mid + 1; else hi = mid;
  }
  return lo;
}

export function sampleTrack(keys, row) {
  if (keys.length === 0) return 0;
  const last = keys.length - 1;
  const x = f32(row);  // the player takes the row as a float
  const floored = Math.floor(x);
  if (!(floored >= -2147483648 && floored < 4294967296)) return f32(keys[last].value);
  // A negative row read as an unsigned 32-bit row lies after every key.
  const n = floored < 0 ? floored + 4294967296 : floored;
  const i = upperBound(keys, n);
  if (i === 0) return f32(keys[0].value);
  if (i > last) return f32(keys[last].value);
  const k0 = keys[i - 1], k1 = keys[i];
  const kind = kindNumber(k0.kind);
  if (kind === CATMULL) {
    const before = i - 1 === 0 ? k0 : keys[i - 2];
    const after = i === last ? k1 : keys[i + 1];
    return catmullRom(x, k0.row, k1.row, f32(before.value), f32(k0.value), f32(k1.value), f32(after.value));
  }
  return interpolateSegment(kind, x, k0.row, f32(k0.value), k1.row, f32(k1.value));
}
