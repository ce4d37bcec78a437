// Mouse and keys on the timeline: seeking and picking a span on the ruler, folding groups,
// selecting keys (click, Shift-click, Shift-drag a box), dragging them in row and value, adding
// keys with a double-click, zooming with the wheel and scrolling with a drag.
import { HEADER_WIDTH, RULER_HEIGHT } from "./view.js";
import { cloneKeys } from "./model.js";
import { KINDS, sampleTrack } from "./sampling.js";

const HIT = 7;  // pixels around a key's handle that still take it

// Rounds a dragged value to the precision the lane can show, so sources get readable numbers.
export function roundValue(value, perPixel) {
  const decimals = Math.min(6, Math.max(0, Math.ceil(-Math.log10(Math.max(perPixel, 1e-9))) + 1));
  return Number(value.toFixed(decimals));
}

export class Input {
  constructor(app, canvas) {
    this.app = app;
    this.canvas = canvas;
    this.mode = null;   // "seek" | "span" | "drag" | "box" | "pan"
    this.box = null;
    this.span = null;   // {first, last}: the ruler span for looping
    this.drag = null;
    canvas.addEventListener("mousedown", (e) => this.down(e));
    window.addEventListener("mousemove", (e) => this.move(e));
    window.addEventListener("mouseup", (e) => this.up(e));
    canvas.addEventListener("dblclick", (e) => this.doubleClick(e));
    canvas.addEventListener("wheel", (e) => this.wheel(e), { passive: false });
    canvas.addEventListener("contextmenu", (e) => this.contextMenu(e));
    window.addEventListener("keydown", (e) => this.key(e));
  }

  point(e) {
    const r = this.canvas.getBoundingClientRect();
    return { x: e.clientX - r.left, y: e.clientY - r.top };
  }

  // The key under a point: {lane, key} or null.
  keyAt(x, y) {
    const { view } = this.app;
    const lane = view.itemAt(y);
    if (!lane || lane.type !== "lane" || x < HEADER_WIDTH) return null;
    const keys = this.app.keysOf(lane.file, lane.track);
    const range = view.range(lane.file, lane.track);
    let best = null, bestDistance = HIT;
    for (const key of keys) {
      const dx = Math.abs(view.rowToX(key.row) - x), dy = Math.abs(view.valueToY(lane, range, key.value) - y);
      if (dx <= HIT && dy <= HIT && Math.max(dx, dy) <= bestDistance) {
        best = key;
        bestDistance = Math.max(dx, dy);
      }
    }
    return best ? { lane, key: best } : null;
  }

  down(e) {
    const app = this.app;
    const { x, y } = this.point(e);
    app.hideMenu();
    if (e.button === 1 || (e.button === 0 && e.altKey && y >= RULER_HEIGHT)) return this.startPan(e);
    if (e.button !== 0) return;
    if (y < RULER_HEIGHT) {
      if (x < HEADER_WIDTH) return;
      const row = Math.max(0, Math.round(app.view.xToRow(x)));
      if (e.shiftKey) {
        this.mode = "span";
        this.span = { first: row, last: row };
      } else {
        this.mode = "seek";
        app.seek(row);
      }
      e.preventDefault();
      return;
    }
    const item = app.view.itemAt(y);
    if (item && item.type === "group" && x < HEADER_WIDTH + 400) {
      if (app.view.folded.has(item.file.name)) app.view.folded.delete(item.file.name);
      else app.view.folded.add(item.file.name);
      app.changed();
      return;
    }
    const hit = this.keyAt(x, y);
    if (hit) {
      const file = hit.lane.file.name, track = hit.lane.track.name;
      if (e.shiftKey) {
        app.selection.toggle(file, track, hit.key.row);
        app.changed();
        return;
      }
      if (!app.selection.has(file, track, hit.key.row)) app.selection.set([{ file, track, row: hit.key.row }]);
      this.startDrag(x, y, hit);
      app.changed();
      e.preventDefault();
      return;
    }
    if (x < HEADER_WIDTH) return;
    if (e.shiftKey) {
      this.mode = "box";
      this.box = { x0: x, y0: y, x1: x, y1: y };
    } else {
      if (app.selection.size) {
        app.selection.clear();
        app.changed();
      }
      this.startPan(e);
    }
    e.preventDefault();
  }

  startPan(e) {
    this.mode = "pan";
    this.panFrom = { x: e.clientX, y: e.clientY };
    e.preventDefault();
  }

  startDrag(x, y, hit) {
    const app = this.app;
    const editable = app.selection.resolved().filter((k) => !app.model.file(k.file).error);
    if (editable.length === 0) {
      if (hit.lane.file.error) app.notify(`${hit.lane.file.name}.txt has an error and is not edited`);
      return;
    }
    // Each key drags in its own lane's scale; the scales hold still while dragging.
    const lanes = new Map(app.view.layout().filter((i) => i.type === "lane").map((i) => [i.file.name + "/" + i.track.name, i]));
    const keys = editable.map((k) => {
      const lane = lanes.get(k.file + "/" + k.track);
      const range = lane ? app.view.range(lane.file, lane.track) : { min: 0, max: 1 };
      const perPixel = lane ? app.view.valuePerPixel(lane, range) : 0;
      return { ...k, perPixel };
    });
    this.mode = "drag";
    app.view.frozen = true;
    // Until the mouse moves, every key stays where it is: a click is no edit.
    const moved = keys.map((k) => ({ ...k, newRow: k.row, newValue: k.value }));
    this.drag = { x0: x, y0: y, anchor: hit.key.row, keys, moved, dRows: 0, dy: 0 };
  }

  move(e) {
    if (!this.mode) return;
    const app = this.app;
    const { x, y } = this.point(e);
    if (this.mode === "seek") {
      app.seek(Math.max(0, Math.round(app.view.xToRow(x))));
    } else if (this.mode === "span") {
      this.span.last = Math.max(0, Math.round(app.view.xToRow(x)));
    } else if (this.mode === "pan") {
      app.view.scrollBy(e.clientX - this.panFrom.x, -(e.clientY - this.panFrom.y));
      this.panFrom = { x: e.clientX, y: e.clientY };
    } else if (this.mode === "box") {
      this.box.x1 = x;
      this.box.y1 = y;
    } else if (this.mode === "drag") {
      this.dragTo(x, y, e);
    }
    app.changed();
  }

  // Moves the dragged keys: rows snap to rows, or to beats with Ctrl; Shift keeps one axis.
  dragTo(x, y, e) {
    const app = this.app, d = this.drag;
    let dRows = Math.round((x - d.x0) / app.view.pxPerRow);
    let dy = y - d.y0;
    if (e.ctrlKey || e.metaKey) {
      const beat = app.model.show.rowsPerBeat || 8;
      dRows = Math.round((d.anchor + dRows) / beat) * beat - d.anchor;
    }
    if (e.shiftKey) {
      if (Math.abs(x - d.x0) > Math.abs(dy)) dy = 0; else dRows = 0;
    }
    const lowest = Math.min(...d.keys.map((k) => k.row));
    dRows = Math.max(dRows, -lowest);
    d.dRows = dRows;
    d.dy = dy;
    d.moved = d.keys.map((k) => ({
      ...k,
      newRow: k.row + dRows,
      newValue: dy === 0 ? k.value : roundValue(k.value - dy * k.perPixel, k.perPixel),
    }));
    app.selection.set(d.moved.map((k) => ({ file: k.file, track: k.track, row: k.newRow })));
    // What the lanes show while dragging.
    const preview = new Map();
    for (const k of d.moved) {
      const id = k.file + "/" + k.track;
      if (!preview.has(id)) {
        const keys = cloneKeys(app.model.track(k.file, k.track).keys).filter((x) => !d.keys.some((m) => m.file === k.file && m.track === k.track && m.row === x.row));
        preview.set(id, keys);
      }
    }
    for (const k of d.moved) {
      const keys = preview.get(k.file + "/" + k.track);
      const at = keys.findIndex((x) => x.row === k.newRow);
      if (at >= 0) keys.splice(at, 1);
      keys.push({ row: k.newRow, value: k.newValue, kind: k.kind });
      keys.sort((a, b) => a.row - b.row);
    }
    app.preview = preview;
  }

  up(e) {
    const app = this.app;
    const mode = this.mode;
    this.mode = null;
    if (mode === "drag") {
      const d = this.drag;
      this.drag = null;
      app.preview = null;
      app.view.frozen = false;
      const changed = d.moved.filter((k) => k.newRow !== k.row || k.newValue !== k.value);
      if (changed.length) {
        // Within a track, keys move in the order that never lands one on another still to move.
        changed.sort((a, b) => (d.dRows > 0 ? b.row - a.row : a.row - b.row));
        for (const [file, keys] of groupBy(changed, (k) => k.file)) {
          const ops = keys.map((k) => ({ op: "set", track: k.track, row: k.row, key: { row: k.newRow, value: k.newValue, kind: k.kind } }));
          app.history.edit(file, ops, keys.length === 1 ? `move ${keys[0].track} key` : `move ${keys.length} keys`);
        }
      } else {
        app.selection.set(d.keys.map((k) => ({ file: k.file, track: k.track, row: k.row })));
      }
    } else if (mode === "box") {
      this.selectBox();
      this.box = null;
    } else if (mode === "span") {
      if (this.span.first === this.span.last) this.span = null;
    }
    if (mode) app.changed();
  }

  selectBox() {
    const app = this.app, { view } = app, b = this.box;
    const x0 = Math.min(b.x0, b.x1), x1 = Math.max(b.x0, b.x1), y0 = Math.min(b.y0, b.y1), y1 = Math.max(b.y0, b.y1);
    for (const lane of view.layout()) {
      if (lane.type !== "lane" || lane.y + lane.h < y0 || lane.y > y1) continue;
      const range = view.range(lane.file, lane.track);
      for (const key of lane.track.keys) {
        const x = view.rowToX(key.row), y = view.valueToY(lane, range, key.value);
        if (x >= x0 && x <= x1 && y >= y0 && y <= y1) app.selection.add(lane.file.name, lane.track.name, key.row);
      }
    }
  }

  // A key on the curve where the lane was double-clicked, of the kind of the key before it.
  doubleClick(e) {
    const app = this.app;
    const { x, y } = this.point(e);
    if (x < HEADER_WIDTH || y < RULER_HEIGHT || this.keyAt(x, y)) return;
    const lane = app.view.itemAt(y);
    if (!lane || lane.type !== "lane") return;
    if (lane.file.error) return app.notify(`${lane.file.name}.txt has an error and is not edited`);
    const row = Math.max(0, Math.round(app.view.xToRow(x)));
    const keys = lane.track.keys;
    const before = keys.filter((k) => k.row <= row).pop();
    const range = app.view.range(lane.file, lane.track);
    const value = keys.length ? sampleTrack(keys, row) : app.view.yToValue(lane, range, y);
    const key = { row, value: roundValue(value, app.view.valuePerPixel(lane, range) / 100), kind: before ? before.kind : "linear" };
    app.selection.set([{ file: lane.file.name, track: lane.track.name, row }]);
    app.history.edit(lane.file.name, [{ op: "add", track: lane.track.name, key }], `add ${lane.track.name} key`);
  }

  wheel(e) {
    const app = this.app, { view } = app;
    e.preventDefault();
    const { x } = this.point(e);
    const delta = e.deltaMode === 1 ? e.deltaY * 16 : e.deltaY;
    if (e.altKey) view.setLaneHeight(view.laneHeight * Math.exp(-delta / 600));
    else if (e.shiftKey) view.scrollBy(0, delta);
    else if (Math.abs(e.deltaX) > Math.abs(e.deltaY)) view.scrollBy(-e.deltaX, 0);
    else view.zoomAt(Math.max(x, HEADER_WIDTH), Math.exp(-delta / 400));
    app.changed();
  }

  contextMenu(e) {
    e.preventDefault();
    const { x, y } = this.point(e);
    const hit = this.keyAt(x, y);
    if (!hit) return;
    const app = this.app;
    const file = hit.lane.file.name, track = hit.lane.track.name;
    if (!app.selection.has(file, track, hit.key.row)) app.selection.set([{ file, track, row: hit.key.row }]);
    app.showKindMenu(e.clientX, e.clientY);
    app.changed();
  }

  key(e) {
    const app = this.app;
    const target = e.target;
    if (target && (target.tagName === "INPUT" || target.tagName === "SELECT" || target.tagName === "TEXTAREA")) return;
    const ctrl = e.ctrlKey || e.metaKey;
    const k = e.key;
    if (ctrl && (k === "z" || k === "Z")) {
      e.preventDefault();
      if (e.shiftKey) app.history.redo(); else app.history.undo();
    } else if (ctrl && (k === "y" || k === "Y")) {
      e.preventDefault();
      app.history.redo();
    } else if (k === " ") {
      e.preventDefault();
      app.togglePause();
    } else if (k === "Delete" || k === "Backspace") {
      e.preventDefault();
      app.deleteSelected();
    } else if (!ctrl && k >= "1" && k <= "5") {
      app.setKind(KINDS[Number(k) - 1]);
    } else if (!ctrl && (k === "l" || k === "L")) {
      app.toggleLoop();
    } else if (k === "Escape") {
      app.selection.clear();
      this.span = null;
      app.hideMenu();
    } else if (k === "Home") {
      app.view.fitAll();
    } else {
      return;
    }
    app.changed();
  }
}

export function groupBy(list, keyOf) {
  const map = new Map();
  for (const item of list) {
    const k = keyOf(item);
    if (!map.has(k)) map.set(k, []);
    map.get(k).push(item);
  }
  return map;
}
