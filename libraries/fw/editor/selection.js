// The selected keys, by file, track and row; keys that no longer exist drop out.
export class Selection {
  constructor(app) {
    this.app = app;
    this.keys = new Map();  // "file/track/row" -> {file, track, row}
  }

  static id(file, track, row) { return `${file}/${track}/${row}`; }

  has(file, track, row) { return this.keys.has(Selection.id(file, track, row)); }
  add(file, track, row) { this.keys.set(Selection.id(file, track, row), { file, track, row }); }
  remove(file, track, row) { this.keys.delete(Selection.id(file, track, row)); }
  toggle(file, track, row) {
    if (this.has(file, track, row)) this.remove(file, track, row); else this.add(file, track, row);
  }
  clear() { this.keys.clear(); }
  set(list) {
    this.clear();
    for (const k of list) this.add(k.file, k.track, k.row);
  }
  get size() { return this.keys.size; }
  list() { return [...this.keys.values()]; }

  // The selected keys with their values, as the page holds them now.
  resolved() {
    const out = [];
    for (const s of this.keys.values()) {
      const track = this.app.model.track(s.file, s.track);
      const key = track && track.keys.find((k) => k.row === s.row);
      if (key) out.push({ file: s.file, track: s.track, row: key.row, value: key.value, kind: key.kind });
    }
    return out;
  }

  prune() {
    for (const [id, s] of this.keys) {
      const track = this.app.model.track(s.file, s.track);
      if (!track || !track.keys.some((k) => k.row === s.row)) this.keys.delete(id);
    }
  }
}
