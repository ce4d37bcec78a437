// The page's sampling against the player: every vector the C++ program wrote (path in
// DUSK_SAMPLING_VECTORS) must come out of sampling.js to 1e-6.
import { test } from "node:test";
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import { fileURLToPath } from "node:url";
import path from "node:path";

const here = path.dirname(fileURLToPath(import.meta.url));
const source = readFileSync(path.join(here, "../../libraries/fw/editor/sampling.js"), "utf8");
// Loaded from its text: the page's folder has no package.json saying its files are modules.
const sampling = await import("data:text/javascript;base64," + Buffer.from(source).toString("base64"));

const vectorsPath = process.env.DUSK_SAMPLING_VECTORS;
const vectors = JSON.parse(readFileSync(vectorsPath, "utf8"));

test("the vectors cover every kind and the rows outside the keys", () => {
  const kinds = new Set(vectors.cases.flatMap((c) => c.keys.map((k) => k.kind)));
  for (const kind of sampling.KINDS) assert.ok(kinds.has(kind), kind);
  const rows = vectors.cases.flatMap((c) => c.samples.map(([row]) => row));
  assert.ok(rows.some((r) => r < 0) && rows.some((r) => r >= 4294967296) && rows.some((r) => !Number.isInteger(r)));
});

test("sampling.js gives the player's value at every row of every case", () => {
  let compared = 0;
  for (const c of vectors.cases) {
    for (const [row, expected] of c.samples) {
      const got = sampling.sampleTrack(c.keys, row);
      const tolerance = 1e-6 * Math.max(1, Math.abs(expected));
      assert.ok(Math.abs(got - expected) <= tolerance, `${c.name}: row ${row} gives ${got}, the player ${expected}`);
      ++compared;
    }
  }
  assert.ok(compared > 1000, `only ${compared} samples`);
});

test("kind words and numbers as the track sources write them", () => {
  assert.deepEqual(sampling.KINDS.map(sampling.kindNumber), [0, 1, 2, 3, 4]);
  assert.equal(sampling.kindNumber("catmull-rom"), 4);
  assert.equal(sampling.kindNumber("9"), 9);
  assert.equal(sampling.kindNumber("wobbly"), 0);
});
