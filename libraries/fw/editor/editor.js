// The timeline page: loads the show and its tracks, follows the show over the WebSocket, and
// ties the drawing, the input, the key panel and the edit history together.
import { Connection } from "./net.js";
import { Model } from "./model.js";
import { View, HEADER_WIDTH } from "./view.js";
import { Selection } from "./selection.js";
import { History } from "./history.js";
import { Input, groupBy } from "./input.js";
import { KeyPanel } from "./key_panel.js";
import { drawFrame } from "./draw.js";
import { KINDS } from "./sampling.js";

class App {
  constructor() {
    this.token = new URLSearchParams(location.search).get("token") || "";
    this.net = new Connection(this.token);
    this.model = new Model();
    this.view = new View(this);
    this.selection = new Selection(this);
    this.history = new History(this);
    this.state = { row: null, paused: false, loop: null, values: {} };
    this.stateAt = 0;         // performance.now() of the last state
    this.connected = false;
    this.preview = null;      // keys shown while dragging: "file/track" -> keys
    this.staleFiles = new Set();
    this.frames = 0;          // animation frames drawn, for measuring
    this.dirty = true;        // something drawn changed since the last frame drawn
    this.seekWanted = null;
    this.seekBusy = false;
    this.loaded = false;

    this.canvas = document.getElementById("timeline");
    this.ctx = this.canvas.getContext("2d");
    this.input = new Input(this, this.canvas);
    this.keyPanel = new KeyPanel(this, document.getElementById("key-panel"));
    this.status = document.getElementById("status");
    this.position = document.getElementById("position");
    this.notice = document.getElementById("notice");
    this.menu = document.getElementById("kind-menu");
    this.bindControls();

    this.net.handlers = {
      open: () => this.onOpen(),
      close: () => this.onClose(),
      state: (s) => this.onState(s),
      files: () => this.reloadTracks(),
    };
    // Whatever the user does may change what is drawn; the handlers run before the next frame.
    for (const type of ["pointerdown", "pointermove", "pointerup", "wheel", "keydown", "keyup", "input", "change", "click"])
      window.addEventListener(type, () => this.changed(), { capture: true, passive: true });
    new ResizeObserver(() => this.resize()).observe(this.canvas.parentElement);
    this.resize();
    this.setStatus("connecting", "connecting to the show…");
    this.start();
    // A frame is drawn when something changed, or every frame while the playhead moves on its own.
    const frame = () => {
      if (this.dirty || (this.connected && !this.state.paused)) {
        this.dirty = false;
        this.frames += 1;
        this.draw();
      }
      requestAnimationFrame(frame);
    };
    requestAnimationFrame(frame);
  }

  async start() {
    if (await this.loadAll()) {
      this.view.fitAll();
      this.view.fitted = true;
    }
    this.net.connect();
  }

  async loadAll() {
    const show = await this.net.get("/api/show");
    if (show.status !== 200) {
      this.setStatus("error", show.status === 403 ? "the show refused this page: open the address the show printed (with its token)" : `the show did not answer (${show.body.error || show.status})`);
      return false;
    }
    this.model.show = { ...this.model.show, ...show.body };
    document.title = `${show.body.title} · timeline`;
    document.getElementById("title").textContent = show.body.title;
    const ok = await this.reloadTracks();
    this.loaded = ok;
    return ok;
  }

  // Fetches every file's tracks and keeps the view; files with an edit on its way keep what the
  // page shows until the show has answered it.
  async reloadTracks() {
    const answer = await this.net.get("/api/tracks");
    if (answer.status !== 200 || !Array.isArray(answer.body.files)) {
      this.notify(`could not read the tracks: ${answer.body.error || answer.status}`);
      return false;
    }
    const names = new Set(answer.body.files.map((f) => f.name));
    for (const file of answer.body.files) {
      if (this.history.isPending(file.name)) {
        this.staleFiles.add(file.name);
        continue;
      }
      const held = this.model.file(file.name);
      if (held && held.version === file.version) continue;
      this.model.replaceFile(file);
    }
    this.model.files = this.model.files.filter((f) => names.has(f.name));
    this.selection.prune();
    this.changed();
    return true;
  }

  onOpen() {
    const wasDown = !this.connected && this.loaded;
    this.connected = true;
    this.setStatus("running", "show running");
    if (wasDown || !this.loaded) this.loadAll();
    this.changed();
  }

  onClose() {
    this.connected = false;
    this.setStatus("down", "show not running: retrying…");
    this.changed();
  }

  onState(s) {
    const next = { row: s.row, paused: Boolean(s.paused), loop: s.loop || null, values: s.values || {} };
    // A paused show still sends its state every frame: the same state draws nothing new.
    if (JSON.stringify(next) !== JSON.stringify(this.state)) this.changed();
    this.state = next;
    this.stateAt = performance.now();
    if (!this.connected) this.onOpen();
  }

  // The row to draw the playhead at: the last state, carried on at the show's rate until the next.
  playheadRow() {
    if (this.state.row === null || this.state.row === undefined) return null;
    if (this.state.paused || !this.connected) return this.state.row;
    const seconds = Math.min(0.1, (performance.now() - this.stateAt) / 1000);
    return this.state.row + seconds * (this.model.show.rowsPerSecond || 0);
  }

  keysOf(file, track) {
    const preview = this.preview && this.preview.get(file.name + "/" + track.name);
    return preview || track.keys;
  }

  changed() { this.dirty = true; }

  resize() {
    const box = this.canvas.parentElement.getBoundingClientRect();
    const ratio = window.devicePixelRatio || 1;
    this.view.width = Math.max(200, Math.floor(box.width));
    this.view.height = Math.max(100, Math.floor(box.height));
    this.canvas.width = this.view.width * ratio;
    this.canvas.height = this.view.height * ratio;
    this.canvas.style.width = this.view.width + "px";
    this.canvas.style.height = this.view.height + "px";
    this.ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
    if (!this.view.fitted && this.loaded) { this.view.fitAll(); this.view.fitted = true; }
    this.changed();
  }

  draw() {
    drawFrame(this, this.ctx);
    this.keyPanel.update();
    const row = this.state.row;
    const show = this.model.show;
    if (row !== null && row !== undefined) {
      const whole = Math.floor(row);
      const bar = Math.floor(whole / show.rowsPerBar) + 1;
      const beat = Math.floor((whole % show.rowsPerBar) / show.rowsPerBeat) + 1;
      const section = this.model.sectionAt(whole);
      const text = `row ${whole} · bar ${bar}.${beat}${section ? " · " + section.name : ""}${this.state.paused ? " · paused" : ""}${this.state.loop ? ` · loop ${this.state.loop.first}–${this.state.loop.last}` : ""}`;
      if (this.position.textContent !== text) this.position.textContent = text;
    }
    document.getElementById("play").textContent = this.state.paused ? "Play" : "Pause";
  }

  setStatus(state, text) {
    this.status.dataset.state = state;
    this.status.textContent = text;
  }

  notify(text) {
    const line = document.createElement("div");
    line.className = "notice-line";
    line.textContent = text;
    this.notice.prepend(line);
    while (this.notice.children.length > 4) this.notice.lastChild.remove();
    setTimeout(() => line.remove(), 8000);
  }

  // Transport: one request at a time, the latest seek wins.
  async transport(body) {
    const answer = await this.net.post("/api/transport", body);
    if (answer.status !== 200) this.notify(`the show did not take that: ${answer.body.error || answer.status}`);
  }

  async seek(row) {
    this.seekWanted = row;
    if (this.seekBusy) return;
    this.seekBusy = true;
    while (this.seekWanted !== null) {
      const wanted = this.seekWanted;
      this.seekWanted = null;
      this.state.row = wanted;
      this.stateAt = performance.now();
      await this.transport({ seek: wanted });
    }
    this.seekBusy = false;
  }

  togglePause() { this.transport({ pause: !this.state.paused }); }

  // L and the button: loop the picked span; with no span picked, stop looping.
  toggleLoop() {
    const span = this.input.span;
    if (span) {
      this.transport({ loop: { first: Math.min(span.first, span.last), last: Math.max(span.first, span.last) } });
      this.input.span = null;
    } else if (this.state.loop) {
      this.transport({ loop: null });
    } else {
      this.notify("Shift-drag on the ruler to pick a span to loop");
    }
  }

  editableSelection() {
    const keys = this.selection.resolved();
    const broken = keys.filter((k) => this.model.file(k.file).error);
    if (broken.length) this.notify(`${broken[0].file}.txt has an error and is not edited`);
    return keys.filter((k) => !this.model.file(k.file).error);
  }

  deleteSelected() {
    for (const [file, keys] of groupBy(this.editableSelection(), (k) => k.file)) {
      const ops = keys.map((k) => ({ op: "delete", track: k.track, row: k.row }));
      this.history.edit(file, ops, keys.length === 1 ? `delete ${keys[0].track} key` : `delete ${keys.length} keys`);
    }
  }

  setKind(kind) {
    if (!KINDS.includes(kind)) return;
    for (const [file, keys] of groupBy(this.editableSelection().filter((k) => k.kind !== kind), (k) => k.file)) {
      const ops = keys.map((k) => ({ op: "set", track: k.track, row: k.row, key: { row: k.row, value: k.value, kind } }));
      this.history.edit(file, ops, `make ${keys.length} key${keys.length === 1 ? "" : "s"} ${kind}`);
    }
    this.hideMenu();
  }

  showKindMenu(x, y) {
    this.menu.hidden = false;
    this.menu.style.left = x + "px";
    this.menu.style.top = y + "px";
  }

  hideMenu() { this.menu.hidden = true; }

  bindControls() {
    document.getElementById("play").addEventListener("click", () => this.togglePause());
    document.getElementById("loop").addEventListener("click", () => this.toggleLoop());
    document.getElementById("undo").addEventListener("click", () => this.history.undo());
    document.getElementById("redo").addEventListener("click", () => this.history.redo());
    document.getElementById("fit").addEventListener("click", () => { this.view.fitAll(); this.changed(); });
    document.getElementById("fold-all").addEventListener("click", () => {
      const all = this.model.files.every((f) => this.view.folded.has(f.name));
      this.view.folded = all ? new Set() : new Set(this.model.files.map((f) => f.name));
      this.changed();
    });
    const height = document.getElementById("lane-height");
    height.value = this.view.laneHeight;
    height.addEventListener("input", () => { this.view.setLaneHeight(Number(height.value)); this.changed(); });
    KINDS.forEach((kind, i) => {
      const item = document.createElement("button");
      item.textContent = `${i + 1}  ${kind}`;
      item.dataset.kind = kind;
      item.addEventListener("click", () => this.setKind(kind));
      this.menu.appendChild(item);
    });
  }

  // For tests and measurements: where a key's handle is in the window, when it is on screen.
  keyPoint(fileName, trackName, row) {
    const lane = this.view.layout().find((i) => i.type === "lane" && i.file.name === fileName && i.track.name === trackName);
    if (!lane) return null;
    const key = lane.track.keys.find((k) => k.row === row);
    if (!key) return null;
    const rect = this.canvas.getBoundingClientRect();
    const x = this.view.rowToX(key.row), y = this.view.valueToY(lane, this.view.range(lane.file, lane.track), key.value);
    if (x < HEADER_WIDTH || x > this.view.width || y < lane.y || y > lane.y + lane.h) return null;
    return { x: rect.left + x, y: rect.top + y };
  }

  laneNames() {
    return this.view.layout().filter((i) => i.type === "lane").map((i) => `${i.file.name}/${i.track.name}`);
  }
}

window.duskEditor = new App();
