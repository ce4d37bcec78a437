// Where things are on the canvas: rows across (zoom and scroll), lanes down (grouped by source
// file, folded by group), and the value range each lane spans.
import { sampleTrack } from "./sampling.js";

export const HEADER_WIDTH = 240;
export const RULER_HEIGHT = 46;
export const GROUP_HEIGHT = 24;
export const LANE_PAD = 6;

export class View {
  constructor(app) {
    this.app = app;
    this.width = 800;
    this.height = 600;
    this.firstRow = -8;       // row at the left edge of the lanes
    this.pxPerRow = 1;
    this.scrollY = 0;
    this.laneHeight = 56;
    this.folded = new Set();
    this.ranges = new Map();  // "file/track" -> {keys, min, max}
    this.frozen = false;      // ranges kept while keys are dragged
  }

  rowToX(row) { return HEADER_WIDTH + (row - this.firstRow) * this.pxPerRow; }
  xToRow(x) { return this.firstRow + (x - HEADER_WIDTH) / this.pxPerRow; }
  lanesWidth() { return Math.max(1, this.width - HEADER_WIDTH); }

  fitAll() {
    const last = Math.max(64, this.app.model.lastRow() + 16);
    this.firstRow = -8;
    this.pxPerRow = this.lanesWidth() / (last + 8);
  }

  zoomAt(x, factor) {
    const row = this.xToRow(x);
    this.pxPerRow = Math.min(64, Math.max(0.02, this.pxPerRow * factor));
    this.firstRow = row - (x - HEADER_WIDTH) / this.pxPerRow;
  }

  scrollBy(dx, dy) {
    this.firstRow -= dx / this.pxPerRow;
    this.scrollY = Math.max(0, Math.min(this.maxScrollY(), this.scrollY + dy));
  }

  setLaneHeight(h) { this.laneHeight = Math.round(Math.min(240, Math.max(20, h))); }

  // Groups and lanes top to bottom, in canvas coordinates (scroll applied).
  layout() {
    const items = [];
    let y = RULER_HEIGHT - this.scrollY;
    for (const file of this.app.model.files) {
      const folded = this.folded.has(file.name);
      items.push({ type: "group", file, y, h: GROUP_HEIGHT, folded });
      y += GROUP_HEIGHT;
      if (folded) continue;
      for (const track of file.tracks) {
        items.push({ type: "lane", file, track, y, h: this.laneHeight });
        y += this.laneHeight;
      }
    }
    this.contentHeight = y + this.scrollY - RULER_HEIGHT;
    return items;
  }

  maxScrollY() {
    if (this.contentHeight === undefined) this.layout();
    return Math.max(0, this.contentHeight - (this.height - RULER_HEIGHT));
  }

  itemAt(y) {
    if (y < RULER_HEIGHT) return null;
    return this.layout().find((item) => y >= item.y && y < item.y + item.h) || null;
  }

  // The value range a lane shows: its keys and the curve between them, with a margin.
  range(file, track) {
    const id = file.name + "/" + track.name;
    const cached = this.ranges.get(id);
    if (cached && (this.frozen || cached.keys === track.keys)) return cached;
    let min = Infinity, max = -Infinity;
    const keys = track.keys;
    for (let i = 0; i < keys.length; ++i) {
      min = Math.min(min, keys[i].value);
      max = Math.max(max, keys[i].value);
      if (i + 1 < keys.length) {
        for (let s = 1; s < 16; ++s) {
          const v = sampleTrack(keys, keys[i].row + ((keys[i + 1].row - keys[i].row) * s) / 16);
          min = Math.min(min, v);
          max = Math.max(max, v);
        }
      }
    }
    if (!Number.isFinite(min)) { min = 0; max = 1; }
    if (max - min < 1e-9) { min -= 1; max += 1; }
    const margin = (max - min) * 0.08;
    const range = { keys, min: min - margin, max: max + margin };
    this.ranges.set(id, range);
    return range;
  }

  valueToY(lane, range, value) {
    const inner = lane.h - 2 * LANE_PAD;
    return lane.y + LANE_PAD + (1 - (value - range.min) / (range.max - range.min)) * inner;
  }

  yToValue(lane, range, y) {
    const inner = lane.h - 2 * LANE_PAD;
    return range.min + (1 - (y - lane.y - LANE_PAD) / inner) * (range.max - range.min);
  }

  // Value per pixel of a lane, for dragging and for how finely values are rounded.
  valuePerPixel(lane, range) { return (range.max - range.min) / Math.max(1, lane.h - 2 * LANE_PAD); }
}
