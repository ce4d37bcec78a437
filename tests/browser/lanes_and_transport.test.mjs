// The page against the running show: every track of every source as a lane, grouped by file and
// foldable; the playhead follows the show; the ruler seeks and loops, Space pauses; the page says
// when the show has gone.
import { test, after, before } from "node:test";
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import { Show } from "./support/show.mjs";
import { openPage, waitForEditor } from "./support/browser.mjs";
import { trackNamesIn, rulerPoint, drag, zoomTo, keyPoint, until } from "./support/page_actions.mjs";

let show, browser, page, errors;
before(async () => {
  show = await Show.start({ fromRow: 1280 });
  ({ browser, page, errors } = await openPage(show.url));
  await waitForEditor(page);
});
after(async () => {
  if (browser) await browser.close();
  if (show) await show.stop();
});

test("the page shows the production's tracks as lanes, file by file, with live values", async () => {
  const dir = path.join(show.root, "tracks");
  const expected = fs.readdirSync(dir).filter((f) => f.endsWith(".txt")).sort()
    .flatMap((f) => trackNamesIn(path.join(dir, f)).map((t) => `${f.slice(0, -4)}/${t}`));
  assert.ok(expected.length > 50, `${expected.length} tracks`);
  assert.deepEqual(await page.evaluate(() => duskEditor.laneNames()), expected);
  // Every lane has the show's value beside its name.
  await page.waitForFunction((n) => Object.keys(duskEditor.state.values).length >= n, {}, expected.length);
  const missing = await page.evaluate(() => duskEditor.laneNames().map((l) => l.split("/")[1]).filter((t) => !(t in duskEditor.state.values)));
  assert.deepEqual(missing, []);
  // The section map is the show's.
  const sections = await page.evaluate(() => duskEditor.model.show.sections.map((s) => s.name));
  assert.ok(sections.includes("breakdown"), sections.join(","));
});

test("a group folds and unfolds from its name", async () => {
  const header = await page.evaluate(() => {
    const group = duskEditor.view.layout().find((i) => i.type === "group" && i.file.name === "camera");
    const rect = duskEditor.canvas.getBoundingClientRect();
    return { x: rect.left + 40, y: rect.top + group.y + group.h / 2 };
  });
  await page.mouse.click(header.x, header.y);
  await page.waitForFunction(() => !duskEditor.laneNames().some((l) => l.startsWith("camera/")));
  await page.mouse.click(header.x, header.y);
  await page.waitForFunction(() => duskEditor.laneNames().some((l) => l.startsWith("camera/")));
});

test("the playhead follows the show, Space pauses and plays, the ruler seeks", async () => {
  const first = await page.evaluate(() => duskEditor.state.row);
  await page.waitForFunction((r) => duskEditor.state.row > r + 4, {}, first);

  await page.keyboard.press("Space");
  await page.waitForFunction(() => duskEditor.state.paused === true);
  const held = await page.evaluate(() => duskEditor.state.row);
  await page.waitForFunction(() => /paused/.test(document.getElementById("position").textContent));
  assert.equal(await page.evaluate(() => duskEditor.state.row), held);
  // Paused, with nothing done on the page, nothing is drawn again.
  const drawn = await page.evaluate(() => new Promise((done) => {
    const from = duskEditor.frames;
    let n = 0;
    const step = () => (++n < 20 ? requestAnimationFrame(step) : done(duskEditor.frames - from));
    requestAnimationFrame(step);
  }));
  assert.ok(drawn < 5, `${drawn} of 20 animation frames drawn while paused`);

  // The whole show is in view: a pixel is a few rows.
  const target = await rulerPoint(page, 266);
  await page.mouse.click(target.x, target.y);
  await page.waitForFunction(() => Math.abs(duskEditor.state.row - 266) <= 4);
  await page.waitForFunction(() => /· build/.test(document.getElementById("position").textContent));

  await page.keyboard.press("Space");
  await page.waitForFunction(() => duskEditor.state.paused === false && duskEditor.state.row > 272);
});

test("a span picked on the ruler loops, and L again stops looping", async () => {
  await zoomTo(page, 540, 3);
  await drag(page, await rulerPoint(page, 512), await rulerPoint(page, 575), { modifiers: ["Shift"] });
  await page.keyboard.press("l");
  await page.waitForFunction(() => duskEditor.state.loop && duskEditor.state.loop.first === 512 && duskEditor.state.loop.last === 575);
  await page.waitForFunction(() => duskEditor.state.row >= 512 && duskEditor.state.row <= 576);
  await page.keyboard.press("l");
  await page.waitForFunction(() => duskEditor.state.loop === null);
});

test("a box selects keys, the menu sets their kind, Delete removes them, undo restores the file", async () => {
  const file = show.trackSource("camera");
  const original = fs.readFileSync(file, "utf8");
  await page.keyboard.press("Home");  // the whole show in view again
  await page.waitForFunction(() => duskEditor.view.rowToX(2815) < duskEditor.view.width);
  // A box over cam_DistToLookAt's keys from row 1340 to 1480: 1344, 1408 and 1472.
  const box = await page.evaluate(() => {
    const lane = duskEditor.view.layout().find((i) => i.type === "lane" && i.track.name === "cam_DistToLookAt");
    const rect = duskEditor.canvas.getBoundingClientRect();
    return { x0: rect.left + duskEditor.view.rowToX(1340), x1: rect.left + duskEditor.view.rowToX(1480), y0: rect.top + lane.y + 1, y1: rect.top + lane.y + lane.h - 2 };
  });
  await drag(page, { x: box.x0, y: box.y0 }, { x: box.x1, y: box.y1 }, { modifiers: ["Shift"] });
  const selected = await page.evaluate(() => duskEditor.selection.list().map((k) => `${k.track}@${k.row}`).sort());
  assert.deepEqual(selected, ["cam_DistToLookAt@1344", "cam_DistToLookAt@1408", "cam_DistToLookAt@1472"]);

  const key = await keyPoint(page, "camera", "cam_DistToLookAt", 1408);
  await page.mouse.click(key.x, key.y, { button: "right" });
  await page.click('#kind-menu button[data-kind="ramp"]');
  await until("three ramp keys in camera.txt", () => {
    const text = fs.readFileSync(file, "utf8");
    return [1344, 1408, 1472].every((r) => new RegExp(`^${r}\\s+\\S+\\s+ramp`, "m").test(text.slice(text.indexOf("track cam_DistToLookAt"))));
  });
  await page.waitForFunction(() => !duskEditor.history.isPending("camera"));
  await page.keyboard.press("Delete");
  await page.waitForFunction(() => duskEditor.model.track("camera", "cam_DistToLookAt").keys.every((k) => ![1344, 1408, 1472].includes(k.row)));
  await page.waitForFunction(() => !duskEditor.history.isPending("camera") && duskEditor.history.undoStack.length === 2);
  for (let i = 0; i < 2; ++i) {
    await page.keyboard.down("Control");
    await page.keyboard.press("z");
    await page.keyboard.up("Control");
    await page.waitForFunction((n) => !duskEditor.history.isPending("camera") && duskEditor.history.undoStack.length === n, {}, 1 - i);
  }
  await until("camera.txt as it was", () => fs.readFileSync(file, "utf8") === original);
});

test("the page says when the show is not running", async () => {
  assert.deepEqual(errors, []);
  await show.stop();
  await page.waitForSelector('#status[data-state="down"]');
  assert.match(await page.$eval("#status", (e) => e.textContent), /show not running/);
});
