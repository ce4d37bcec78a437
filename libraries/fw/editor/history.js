// Edits go to the show one at a time, each against the version of its file the page holds, and
// every edit the show took can be undone and redone. The page shows an edit at once; the show's
// answer (the file as written) then replaces what the page guessed.
import { applyOps, cloneKeys, EditError } from "./model.js";

export class History {
  constructor(app) {
    this.app = app;
    this.undoStack = [];  // {file, ops}: ops that undo one edit
    this.redoStack = [];
    this.queue = Promise.resolve();
    this.pending = new Map();  // file name -> edits sent or waiting
  }

  isPending(fileName) { return (this.pending.get(fileName) || 0) > 0; }

  // Makes an edit of one file: shown at once, sent in turn. Returns a promise of success.
  edit(fileName, ops, label) { return this.perform(fileName, ops, label, "edit"); }

  undo() {
    const entry = this.undoStack.pop();
    if (!entry) return this.app.notify("nothing to undo");
    this.perform(entry.file, entry.ops, entry.label, "undo");
  }

  redo() {
    const entry = this.redoStack.pop();
    if (!entry) return this.app.notify("nothing to redo");
    this.perform(entry.file, entry.ops, entry.label, "redo");
  }

  perform(fileName, ops, label, how) {
    const app = this.app;
    const file = app.model.file(fileName);
    if (!file) {
      app.notify(`${fileName}.txt is gone`);
      return Promise.resolve(false);
    }
    if (file.error) {
      app.notify(`${fileName}.txt has an error and is not edited: ${file.error}`);
      return Promise.resolve(false);
    }
    const tracks = file.tracks.map((t) => ({ name: t.name, keys: cloneKeys(t.keys) }));
    let inverse;
    try {
      inverse = applyOps(tracks, ops);
    } catch (e) {
      if (!(e instanceof EditError)) throw e;
      app.notify(`${label}: ${e.message}`);
      return Promise.resolve(false);
    }
    // Shown now; the show's answer decides.
    const before = file.tracks;
    file.tracks = tracks;
    app.selection.prune();
    app.changed();
    const entry = { file: fileName, ops: inverse, label };
    if (how === "edit") this.redoStack = [];
    this.pending.set(fileName, (this.pending.get(fileName) || 0) + 1);
    const result = this.queue.then(() => this.send(fileName, ops, label, how, entry, before));
    this.queue = result.catch(() => false);
    return result;
  }

  async send(fileName, ops, label, how, entry, before) {
    const app = this.app;
    const version = app.model.file(fileName)?.version;
    let answer;
    try {
      answer = await app.net.post("/api/edit", { file: fileName, version, ops });
    } finally {
      this.pending.set(fileName, this.pending.get(fileName) - 1);
    }
    const ok = answer.status === 200 && answer.body && answer.body.file;
    if (ok) {
      app.model.replaceFile(answer.body.file);
      (how === "undo" ? this.redoStack : this.undoStack).push(entry);
    } else if (answer.status === 409 && answer.body && answer.body.file) {
      app.model.replaceFile(answer.body.file);
      app.notify(`${answer.body.error || fileName + ".txt changed on disk"}: your ${how === "edit" ? "edit" : how} was not made; the page shows the file as it is now`);
    } else {
      app.notify(`${label} failed: ${(answer.body && answer.body.error) || "HTTP " + answer.status}`);
      // Not written: the page goes back to what it had, then to the file as the show has it.
      const held = app.model.file(fileName);
      if (held && !this.isPending(fileName)) held.tracks = before;
      await app.reloadTracks();
    }
    if (!this.isPending(fileName) && app.staleFiles.delete(fileName)) await app.reloadTracks();
    app.selection.prune();
    app.changed();
    return Boolean(ok);
  }
}
