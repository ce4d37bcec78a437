// The key panel: the selected key's row, value and kind, to type exactly; with several keys
// selected, the kind applies to all and row and value to none.
import { KINDS } from "./sampling.js";
import { formatValue } from "./draw.js";

export class KeyPanel {
  constructor(app, root) {
    this.app = app;
    this.root = root;
    this.title = root.querySelector("#key-panel-title");
    this.row = root.querySelector("#key-row");
    this.value = root.querySelector("#key-value");
    this.kind = root.querySelector("#key-kind");
    for (const k of KINDS) this.kind.add(new Option(k, k));
    this.shown = "";
    const commit = () => this.commit();
    for (const input of [this.row, this.value]) {
      input.addEventListener("change", commit);
      input.addEventListener("keydown", (e) => {
        if (e.key === "Enter") { commit(); input.blur(); }
        if (e.key === "Escape") { this.shown = ""; this.update(); input.blur(); }
      });
    }
    this.kind.addEventListener("change", () => app.setKind(this.kind.value));
  }

  // Refreshes the fields unless the person is typing in them.
  update() {
    const keys = this.app.selection.resolved();
    const signature = JSON.stringify(keys);
    if (signature === this.shown) return;
    this.shown = signature;
    const editing = document.activeElement === this.row || document.activeElement === this.value;
    const one = keys.length === 1 ? keys[0] : null;
    if (keys.length === 0) this.title.textContent = "No key selected";
    else if (one) this.title.textContent = `${one.track} (${one.file}.txt)`;
    else this.title.textContent = `${keys.length} keys selected`;
    this.row.disabled = this.value.disabled = !one;
    this.kind.disabled = keys.length === 0;
    if (!editing) {
      this.row.value = one ? String(one.row) : "";
      this.value.value = one ? String(one.value) : "";
    }
    const kinds = new Set(keys.map((k) => k.kind));
    this.kind.value = kinds.size === 1 ? [...kinds][0] : "";
    this.root.querySelector("#key-summary").textContent = one ? `bar ${Math.floor(one.row / this.app.model.show.rowsPerBar) + 1}, value ${formatValue(one.value)}` : "";
  }

  commit() {
    const keys = this.app.selection.resolved();
    if (keys.length !== 1) return;
    const key = keys[0];
    const rowText = this.row.value.trim(), valueText = this.value.value.trim();
    const row = /^[0-9]+$/.test(rowText) ? Number(rowText) : NaN;
    const value = valueText === "" ? NaN : Number(valueText);
    if (!Number.isSafeInteger(row) || row > 4294967295) {
      this.app.notify(`"${rowText}" is not a row (a whole number from 0)`);
      this.shown = "";
      return this.update();
    }
    if (!Number.isFinite(value)) {
      this.app.notify(`"${valueText}" is not a number`);
      this.shown = "";
      return this.update();
    }
    if (row === key.row && value === key.value) return;
    this.app.selection.set([{ file: key.file, track: key.track, row }]);
    this.app.history.edit(key.file, [{ op: "set", track: key.track, row: key.row, key: { row, value, kind: key.kind } }], `edit ${key.track} key`);
  }
}
