// Drawing the timeline: the ruler (bars, beats, sections, the loop), the lanes with their curves
// sampled as the show samples them, the keys, the track names with their live values, and the
// playhead.
import { sampleTrack } from "./sampling.js";
import { HEADER_WIDTH, RULER_HEIGHT } from "./view.js";

const KIND_COLOURS = { step: "#e8b04a", linear: "#6cc3f0", smooth: "#8fe08a", ramp: "#f08a6c", catmull: "#c99cf2" };
const SECTION_TINTS = ["rgba(255,190,90,0.05)", "rgba(120,180,255,0.05)"];

export function kindColour(kind) { return KIND_COLOURS[kind] || "#bbbbbb"; }

export function formatValue(v) {
  if (v === undefined || v === null || !Number.isFinite(v)) return "–";
  const a = Math.abs(v);
  if (a !== 0 && (a >= 1e6 || a < 1e-3)) return v.toExponential(2);
  return String(Number(v.toFixed(a >= 100 ? 1 : 3)));
}

// A tick spacing in rows that leaves at least minPx between ticks: beats, bars, or bar multiples.
function tickStep(view, show, minPx) {
  const steps = [1, 2, 4, show.rowsPerBeat, show.rowsPerBar];
  for (let m = 2; m <= 4096; m *= 2) steps.push(show.rowsPerBar * m);
  return steps.find((s) => s * view.pxPerRow >= minPx) || steps[steps.length - 1];
}

export function drawFrame(app, ctx) {
  const { view, model } = app;
  const show = model.show;
  const W = view.width, H = view.height;
  ctx.fillStyle = "#17181c";
  ctx.fillRect(0, 0, W, H);
  const firstVisible = view.xToRow(HEADER_WIDTH), lastVisible = view.xToRow(W);
  const items = view.layout();

  // Behind the lanes: sections, bar lines, the loop.
  ctx.save();
  ctx.beginPath();
  ctx.rect(HEADER_WIDTH, RULER_HEIGHT, W - HEADER_WIDTH, H - RULER_HEIGHT);
  ctx.clip();
  show.sections.forEach((s, i) => {
    const x0 = view.rowToX(s.first), x1 = view.rowToX(s.last + 1);
    ctx.fillStyle = SECTION_TINTS[i % 2];
    ctx.fillRect(x0, RULER_HEIGHT, x1 - x0, H - RULER_HEIGHT);
  });
  const step = tickStep(view, show, 14);
  ctx.lineWidth = 1;
  for (let r = Math.max(0, Math.floor(firstVisible / step) * step); r <= lastVisible; r += step) {
    const x = Math.round(view.rowToX(r)) + 0.5;
    ctx.strokeStyle = r % show.rowsPerBar === 0 ? "#2c2e36" : "#212228";
    ctx.beginPath();
    ctx.moveTo(x, RULER_HEIGHT);
    ctx.lineTo(x, H);
    ctx.stroke();
  }
  const loop = app.state.loop;
  if (loop) {
    ctx.fillStyle = "rgba(120,200,255,0.07)";
    ctx.fillRect(view.rowToX(loop.first), RULER_HEIGHT, (loop.last + 1 - loop.first) * view.pxPerRow, H);
  }
  ctx.restore();

  for (const item of items) {
    if (item.y + item.h < RULER_HEIGHT || item.y > H) continue;
    if (item.type === "group") drawGroup(app, ctx, item);
    else drawLane(app, ctx, item, firstVisible, lastVisible);
  }

  drawRuler(app, ctx, firstVisible, lastVisible, step);
  drawPlayhead(app, ctx);

  const box = app.input.box;
  if (box) {
    ctx.strokeStyle = "#7fb8ff";
    ctx.fillStyle = "rgba(127,184,255,0.12)";
    const x = Math.min(box.x0, box.x1), y = Math.min(box.y0, box.y1);
    ctx.fillRect(x, y, Math.abs(box.x1 - box.x0), Math.abs(box.y1 - box.y0));
    ctx.strokeRect(x + 0.5, y + 0.5, Math.abs(box.x1 - box.x0), Math.abs(box.y1 - box.y0));
  }
}

function drawGroup(app, ctx, item) {
  const { view } = app;
  const W = view.width;
  ctx.fillStyle = item.file.error ? "#3a1f22" : "#23252d";
  ctx.fillRect(0, item.y, W, item.h);
  ctx.fillStyle = "#101114";
  ctx.fillRect(0, item.y + item.h - 1, W, 1);
  ctx.font = "bold 12px system-ui, sans-serif";
  ctx.textBaseline = "middle";
  ctx.fillStyle = "#d8d8de";
  const mark = item.folded ? "▸" : "▾";
  const count = item.file.tracks.length;
  ctx.fillText(`${mark} ${item.file.name}  (${count} track${count === 1 ? "" : "s"})`, 8, item.y + item.h / 2);
  if (item.file.error) {
    ctx.fillStyle = "#ff8a80";
    ctx.font = "12px system-ui, sans-serif";
    ctx.fillText(`error, not editable: ${item.file.error}`, HEADER_WIDTH + 8, item.y + item.h / 2);
  }
}

function drawLane(app, ctx, lane, firstVisible, lastVisible) {
  const { view, selection, state } = app;
  const W = view.width;
  const keys = app.keysOf(lane.file, lane.track);
  const range = view.range(lane.file, { name: lane.track.name, keys });
  const disabled = Boolean(lane.file.error);

  ctx.fillStyle = "#101114";
  ctx.fillRect(0, lane.y + lane.h - 1, W, 1);

  // Curve: one sample per pixel column from row 0 on (the player reads negative rows as rows
  // after every key, which no show plays).
  ctx.save();
  ctx.beginPath();
  ctx.rect(HEADER_WIDTH, lane.y, W - HEADER_WIDTH, lane.h - 1);
  ctx.clip();
  if (keys.length) {
    const x0 = Math.max(HEADER_WIDTH, Math.ceil(view.rowToX(0)));
    ctx.strokeStyle = disabled ? "#666" : "#e6e6ea";
    ctx.lineWidth = 1.25;
    ctx.beginPath();
    for (let x = x0; x <= W; x += 1) {
      const y = view.valueToY(lane, range, sampleTrack(keys, Math.max(0, view.xToRow(x))));
      if (x === x0) ctx.moveTo(x, y); else ctx.lineTo(x, y);
    }
    ctx.stroke();
    // Keys as handles, where they are on screen.
    for (const key of keys) {
      if (key.row < firstVisible - 2 || key.row > lastVisible + 2) continue;
      const x = view.rowToX(key.row), y = view.valueToY(lane, range, key.value);
      const selected = selection.has(lane.file.name, lane.track.name, key.row);
      ctx.fillStyle = selected ? "#ffffff" : kindColour(key.kind);
      ctx.strokeStyle = selected ? "#3d8bff" : "#101114";
      ctx.lineWidth = selected ? 2 : 1;
      ctx.beginPath();
      ctx.rect(x - 4, y - 4, 8, 8);
      ctx.fill();
      ctx.stroke();
    }
  }
  ctx.restore();

  // Name, live value and scale in the header column.
  ctx.fillStyle = "#1c1d22";
  ctx.fillRect(0, lane.y, HEADER_WIDTH - 1, lane.h - 1);
  ctx.fillStyle = "#30323b";
  ctx.fillRect(HEADER_WIDTH - 1, lane.y, 1, lane.h);
  ctx.textBaseline = "middle";
  ctx.font = "12px system-ui, sans-serif";
  ctx.fillStyle = disabled ? "#777" : "#cfd0d6";
  const middle = lane.y + Math.min(lane.h / 2, 14);
  ctx.fillText(lane.track.name, 16, middle);
  const live = state.values ? state.values[lane.track.name] : undefined;
  ctx.textAlign = "right";
  ctx.fillStyle = "#8fd18a";
  ctx.font = "12px ui-monospace, monospace";
  ctx.fillText(formatValue(live), HEADER_WIDTH - 8, middle);
  if (lane.h >= 40) {
    ctx.fillStyle = "#5d5f6a";
    ctx.font = "10px ui-monospace, monospace";
    ctx.fillText(formatValue(range.max), HEADER_WIDTH - 8, lane.y + lane.h - 20);
    ctx.fillText(formatValue(range.min), HEADER_WIDTH - 8, lane.y + lane.h - 8);
  }
  ctx.textAlign = "left";
}

function drawRuler(app, ctx, firstVisible, lastVisible, step) {
  const { view, model, state } = app;
  const show = model.show;
  const W = view.width;
  ctx.fillStyle = "#202127";
  ctx.fillRect(0, 0, W, RULER_HEIGHT);
  ctx.fillStyle = "#101114";
  ctx.fillRect(0, RULER_HEIGHT - 1, W, 1);
  ctx.save();
  ctx.beginPath();
  ctx.rect(HEADER_WIDTH, 0, W - HEADER_WIDTH, RULER_HEIGHT);
  ctx.clip();
  // Top row: the section map.
  ctx.font = "11px system-ui, sans-serif";
  ctx.textBaseline = "middle";
  show.sections.forEach((s, i) => {
    const x0 = view.rowToX(s.first), x1 = view.rowToX(s.last + 1);
    ctx.fillStyle = i % 2 ? "#2b3440" : "#3a3226";
    ctx.fillRect(x0, 0, x1 - x0, 16);
    ctx.fillStyle = "#e9dcc4";
    ctx.fillText(s.name, Math.max(x0, HEADER_WIDTH) + 4, 8);
  });
  // The span picked for looping, and the show's loop.
  const span = app.input.span;
  if (span) {
    const a = Math.min(span.first, span.last), b = Math.max(span.first, span.last);
    ctx.fillStyle = "rgba(255,210,120,0.35)";
    ctx.fillRect(view.rowToX(a), 16, (b + 1 - a) * view.pxPerRow, RULER_HEIGHT - 17);
  }
  if (state.loop) {
    ctx.fillStyle = "rgba(120,200,255,0.45)";
    ctx.fillRect(view.rowToX(state.loop.first), RULER_HEIGHT - 6, (state.loop.last + 1 - state.loop.first) * view.pxPerRow, 5);
  }
  // Ticks: bars numbered, beats and rows short.
  ctx.strokeStyle = "#555863";
  ctx.fillStyle = "#a9abb5";
  ctx.font = "10px ui-monospace, monospace";
  let lastLabel = -Infinity;
  for (let r = Math.max(0, Math.floor(firstVisible / step) * step); r <= lastVisible; r += step) {
    const x = Math.round(view.rowToX(r)) + 0.5;
    const bar = r % show.rowsPerBar === 0;
    ctx.beginPath();
    ctx.moveTo(x, bar ? 18 : 32);
    ctx.lineTo(x, RULER_HEIGHT - 1);
    ctx.stroke();
    if (bar && x - lastLabel > 56) {
      ctx.fillText(`${r / show.rowsPerBar + 1}`, x + 3, 24);
      ctx.fillStyle = "#6d707b";
      ctx.fillText(`${r}`, x + 3, 36);
      ctx.fillStyle = "#a9abb5";
      lastLabel = x;
    }
  }
  ctx.restore();
  ctx.fillStyle = "#8c8f99";
  ctx.font = "11px system-ui, sans-serif";
  ctx.fillText("bar / row", 8, 30);
}

function drawPlayhead(app, ctx) {
  const { view } = app;
  const row = app.playheadRow();
  if (row === null) return;
  const x = Math.round(view.rowToX(row)) + 0.5;
  if (x < HEADER_WIDTH || x > view.width) return;
  ctx.strokeStyle = app.connected ? "#ff5b4f" : "#7a4a47";
  ctx.lineWidth = 1.5;
  ctx.beginPath();
  ctx.moveTo(x, 16);
  ctx.lineTo(x, view.height);
  ctx.stroke();
}
