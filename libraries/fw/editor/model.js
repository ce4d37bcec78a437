// The production's tracks as the page holds them, and edits applied to them the way the show's
// server applies them, each giving the operations that undo it.

export function cloneKeys(keys) {
  return keys.map((k) => ({ row: k.row, value: k.value, kind: k.kind }));
}

export function findKeyIndex(keys, row) {
  let lo = 0, hi = keys.length;
  while (lo < hi) {
    const mid = (lo + hi) >> 1;
    if (keys[mid].row < row) lo = mid + 1; else hi = mid;
  }
  return lo < keys.length && keys[lo].row === row ? lo : -1;
}

// Puts a key at its row, replacing any key there; returns the replaced key or null.
function putKey(keys, key) {
  let lo = 0, hi = keys.length;
  while (lo < hi) {
    const mid = (lo + hi) >> 1;
    if (keys[mid].row < key.row) lo = mid + 1; else hi = mid;
  }
  const copy = { row: key.row, value: key.value, kind: key.kind };
  if (lo < keys.length && keys[lo].row === key.row) {
    const old = keys[lo];
    keys[lo] = copy;
    return old;
  }
  keys.splice(lo, 0, copy);
  return null;
}

export class EditError extends Error {}

// Applies ops to a file's tracks ({name, keys}[], changed in place) and returns the ops that
// undo them, in the order to send. Throws EditError where the server would answer 400.
export function applyOps(tracks, ops) {
  const undo = [];
  const track = (name) => {
    const t = tracks.find((x) => x.name === name);
    if (!t) throw new EditError(`no track ${name}`);
    return t;
  };
  const checkKey = (key) => {
    if (!Number.isInteger(key.row) || key.row < 0 || key.row > 4294967295) throw new EditError(`row ${key.row} is not a row`);
    if (!Number.isFinite(key.value)) throw new EditError(`value ${key.value} is not a number`);
  };
  for (const op of ops) {
    if (op.op === "set") {
      const t = track(op.track);
      checkKey(op.key);
      const index = findKeyIndex(t.keys, op.row);
      if (index < 0) throw new EditError(`${op.track} has no key at row ${op.row}`);
      const [old] = t.keys.splice(index, 1);
      const replaced = putKey(t.keys, op.key);
      const inverse = [{ op: "set", track: op.track, row: op.key.row, key: { ...old } }];
      if (replaced) inverse.push({ op: "add", track: op.track, key: { ...replaced } });
      undo.unshift(...inverse);
    } else if (op.op === "add") {
      const t = track(op.track);
      checkKey(op.key);
      const replaced = putKey(t.keys, op.key);
      undo.unshift(replaced ? { op: "add", track: op.track, key: { ...replaced } } : { op: "delete", track: op.track, row: op.key.row });
    } else if (op.op === "delete") {
      const t = track(op.track);
      const index = findKeyIndex(t.keys, op.row);
      if (index < 0) throw new EditError(`${op.track} has no key at row ${op.row}`);
      const [old] = t.keys.splice(index, 1);
      undo.unshift({ op: "add", track: op.track, key: { ...old } });
    } else {
      throw new EditError(`the page does not make "${op.op}" edits`);
    }
  }
  return undo;
}

export class Model {
  constructor() {
    this.show = { title: "", rowsPerBeat: 8, rowsPerBar: 32, endRow: 0, rowsPerSecond: 17.333334, sections: [] };
    this.files = [];
  }

  file(name) { return this.files.find((f) => f.name === name) || null; }

  track(fileName, trackName) {
    const file = this.file(fileName);
    return file ? file.tracks.find((t) => t.name === trackName) || null : null;
  }

  replaceFile(file) {
    const index = this.files.findIndex((f) => f.name === file.name);
    if (index >= 0) this.files[index] = file;
    else {
      this.files.push(file);
      this.files.sort((a, b) => (a.name < b.name ? -1 : a.name > b.name ? 1 : 0));
    }
  }

  // The last row worth showing: the soundtrack's end or the last key, whichever is later.
  lastRow() {
    let last = this.show.endRow || 0;
    for (const f of this.files) for (const t of f.tracks) if (t.keys.length) last = Math.max(last, t.keys[t.keys.length - 1].row);
    return last;
  }

  sectionAt(row) {
    return this.show.sections.find((s) => row >= s.first && row <= s.last) || null;
  }
}
