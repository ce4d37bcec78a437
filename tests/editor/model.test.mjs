// The page's edits as the show applies them, and the ops that undo them: applied in turn, an
// edit and its undo give back the tracks exactly, also when keys land on others or several keys
// of one track move at once.
import { test } from "node:test";
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import { fileURLToPath } from "node:url";
import path from "node:path";

const here = path.dirname(fileURLToPath(import.meta.url));
const source = readFileSync(path.join(here, "../../libraries/fw/editor/model.js"), "utf8");
const model = await import("data:text/javascript;base64," + Buffer.from(source).toString("base64"));

const tracks = () => [
  { name: "cam_Yaw", keys: [{ row: 0, value: 0, kind: "step" }, { row: 64, value: 1, kind: "linear" }, { row: 128, value: 2, kind: "catmull" }] },
  { name: "cam_Roll", keys: [{ row: 8, value: -1, kind: "smooth" }] },
];

function roundTrip(ops) {
  const t = tracks();
  const undo = model.applyOps(t, ops);
  const edited = JSON.parse(JSON.stringify(t));
  const redo = model.applyOps(t, undo);
  assert.deepEqual(t, tracks(), "the undo gives back the tracks");
  model.applyOps(t, redo);
  assert.deepEqual(t, edited, "the undo's undo is the edit again");
  return edited;
}

test("a key moved onto another replaces it, and its undo brings both back", () => {
  const edited = roundTrip([{ op: "set", track: "cam_Yaw", row: 64, key: { row: 128, value: 5, kind: "ramp" } }]);
  assert.deepEqual(edited[0].keys, [{ row: 0, value: 0, kind: "step" }, { row: 128, value: 5, kind: "ramp" }]);
});

test("keys of one track moved together, past their neighbours, in one edit", () => {
  const edited = roundTrip([
    { op: "set", track: "cam_Yaw", row: 128, key: { row: 200, value: 2, kind: "catmull" } },
    { op: "set", track: "cam_Yaw", row: 64, key: { row: 136, value: 1, kind: "linear" } },
    { op: "set", track: "cam_Yaw", row: 0, key: { row: 72, value: 0, kind: "step" } },
  ]);
  assert.deepEqual(edited[0].keys.map((k) => k.row), [72, 136, 200]);
});

test("adds (new and over a key), deletes and kind changes undo across tracks", () => {
  const edited = roundTrip([
    { op: "add", track: "cam_Roll", key: { row: 4, value: 3, kind: "linear" } },
    { op: "add", track: "cam_Roll", key: { row: 8, value: 9, kind: "step" } },
    { op: "delete", track: "cam_Yaw", row: 0 },
    { op: "set", track: "cam_Yaw", row: 64, key: { row: 64, value: 1, kind: "smooth" } },
  ]);
  assert.deepEqual(edited[1].keys, [{ row: 4, value: 3, kind: "linear" }, { row: 8, value: 9, kind: "step" }]);
  assert.deepEqual(edited[0].keys[0], { row: 64, value: 1, kind: "smooth" });
});

test("what the show would refuse is refused before it is sent", () => {
  for (const op of [
    { op: "set", track: "cam_Yaw", row: 65, key: { row: 1, value: 0, kind: "step" } },
    { op: "delete", track: "cam_Nope", row: 0 },
    { op: "add", track: "cam_Yaw", key: { row: -1, value: 0, kind: "step" } },
    { op: "add", track: "cam_Yaw", key: { row: 1.5, value: 0, kind: "step" } },
    { op: "add", track: "cam_Yaw", key: { row: 1, value: NaN, kind: "step" } },
    { op: "set", track: "cam_Yaw", row: 0, key: { row: undefined, value: 0, kind: "step" } },
  ]) {
    assert.throws(() => model.applyOps(tracks(), [op]), model.EditError, JSON.stringify(op));
  }
});
