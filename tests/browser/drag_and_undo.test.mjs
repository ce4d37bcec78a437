// Reshaping the camera orbit in the breakdown from the page: a key dragged in value and one in
// row change their lines of camera.txt and the show's value; the key panel types a key exactly;
// Ctrl+Z restores the file byte for byte, Ctrl+Shift+Z makes the edit again; a deleted key comes
// back with its comment.
import { test, after, before } from "node:test";
import assert from "node:assert/strict";
import fs from "node:fs";
import { Show } from "./support/show.mjs";
import { openPage, waitForEditor } from "./support/browser.mjs";
import { zoomTo, keyPoint, drag, rulerPoint, until } from "./support/page_actions.mjs";

let show, browser, page, errors, cameraFile, original;
before(async () => {
  show = await Show.start({ fromRow: 1280 });
  cameraFile = show.trackSource("camera");
  original = fs.readFileSync(cameraFile, "utf8");
  ({ browser, page, errors } = await openPage(show.url));
  await waitForEditor(page);
  // Held at the key at row 1344, so the show's cam_Yaw there is that key's value.
  await page.keyboard.press("Space");
  await page.waitForFunction(() => duskEditor.state.paused === true);
  const at = await rulerPoint(page, 1344);
  await zoomTo(page, 1344, 3);
  await page.mouse.click((await rulerPoint(page, 1344)).x, at.y);
  await page.waitForFunction(() => duskEditor.state.row === 1344);
});
after(async () => {
  if (browser) await browser.close();
  if (show) await show.stop();
});

const keyLine = (text, row) => text.split("\n").find((l) => new RegExp(`^${row}\\s`).test(l));
const cameraYawLines = (text) => text.slice(text.indexOf("track cam_Yaw"), text.indexOf("track cam_Pitch"));

test("dragging a key in value changes its line and the show's value", async () => {
  assert.match(keyLine(cameraYawLines(original), 1344), /^1344\s+-35\s+catmull/);
  const from = await keyPoint(page, "camera", "cam_Yaw", 1344);
  await page.evaluate(() => { window.dragEnded = null; window.addEventListener("mouseup", () => { window.dragEnded = performance.now(); }, { once: true }); });
  await drag(page, from, { x: from.x, y: from.y - 40 });
  const value = await page.evaluate(() => duskEditor.model.track("camera", "cam_Yaw").keys.find((k) => k.row === 1344).value);
  assert.ok(value > -35, `dragged up gives ${value}`);
  // The show takes the saved file: its cam_Yaw at the held row becomes the key's value.
  await page.waitForFunction((v) => Math.abs(duskEditor.state.values.cam_Yaw - v) < 1e-3 * Math.max(1, Math.abs(v)), {}, value);
  const latency = await page.evaluate(() => performance.now() - window.dragEnded);
  await page.waitForFunction(() => !duskEditor.history.isPending("camera"));
  console.log(`drag to the show's value: ${latency.toFixed(0)} ms`);
  const written = fs.readFileSync(cameraFile, "utf8");
  const line = keyLine(cameraYawLines(written), 1344);
  assert.ok(line && Math.abs(Number(line.trim().split(/\s+/)[1]) - value) < 1e-4, `line "${line}" for ${value}`);
  assert.match(line, /catmull/);
  // Only that line changed.
  const a = original.split("\n"), b = written.split("\n");
  assert.equal(a.length, b.length);
  assert.deepEqual(a.map((l, i) => (l === b[i] ? null : i)).filter((i) => i !== null).length, 1);
});

test("dragging a key in row moves its line; Ctrl snaps it to beats", async () => {
  const from = await keyPoint(page, "camera", "cam_Yaw", 1408);
  const px = await page.evaluate(() => duskEditor.view.pxPerRow);
  await drag(page, from, { x: from.x + 13 * px, y: from.y }, { modifiers: ["Control"] });
  await page.waitForFunction(() => duskEditor.model.track("camera", "cam_Yaw").keys.some((k) => k.row === 1424 && k.value === 5));
  await until("the moved line in camera.txt", () => {
    const yaw = cameraYawLines(fs.readFileSync(cameraFile, "utf8"));
    return /^1424\s+5\s+catmull/m.test(yaw) && !/^1408\s/m.test(yaw);
  });
  // The file is written before the page has the show's answer: the edit is undoable from then.
  await page.waitForFunction(() => !duskEditor.history.isPending("camera") && duskEditor.history.undoStack.length === 2);
  assert.deepEqual(errors, []);
});

test("the key panel sets a key's row and value exactly", async () => {
  await page.mouse.click(...Object.values(await keyPoint(page, "camera", "cam_Yaw", 1472)));
  await page.waitForFunction(() => document.getElementById("key-row").value === "1472");
  // A click selects and changes nothing.
  assert.equal(await page.evaluate(() => duskEditor.history.undoStack.length + document.getElementById("notice").children.length), 2);
  await page.click("#key-value", { clickCount: 3 });
  await page.type("#key-value", "47.5");
  await page.keyboard.press("Enter");
  await until("the typed value in camera.txt", () => /^1472\s+47\.5\s+catmull/m.test(cameraYawLines(fs.readFileSync(cameraFile, "utf8"))));
});

test("Ctrl+Z undoes every edit back to the file's bytes, Ctrl+Shift+Z redoes", async () => {
  await page.click("#stage");  // the keys go to the timeline, not the key panel's fields
  for (let i = 0; i < 3; ++i) {
    const before = await page.evaluate(() => duskEditor.history.undoStack.length);
    await page.keyboard.down("Control");
    await page.keyboard.press("z");
    await page.keyboard.up("Control");
    await page.waitForFunction((n) => duskEditor.history.undoStack.length === n - 1 && !duskEditor.history.isPending("camera"), {}, before);
  }
  await until("camera.txt as it was", () => fs.readFileSync(cameraFile, "utf8") === original);
  await page.waitForFunction(() => Math.abs(duskEditor.state.values.cam_Yaw - -35) < 1e-4);

  await page.keyboard.down("Control");
  await page.keyboard.down("Shift");
  await page.keyboard.press("z");
  await page.keyboard.up("Shift");
  await page.keyboard.up("Control");
  await until("the first edit made again", () => fs.readFileSync(cameraFile, "utf8") !== original);
  assert.doesNotMatch(keyLine(cameraYawLines(fs.readFileSync(cameraFile, "utf8")), 1344), /^1344\s+-35\s/);
  assert.deepEqual(errors, []);
});

test("a deleted key comes back on Ctrl+Z with its comment, byte for byte", async () => {
  await page.waitForFunction(() => !duskEditor.history.isPending("camera"));
  const before = fs.readFileSync(cameraFile, "utf8");
  assert.match(before, /^1280\s+-70\s+catmull\s+# breakdown: a long orbit round the deer$/m);
  await page.mouse.click(...Object.values(await keyPoint(page, "camera", "cam_Yaw", 1280)));
  await page.waitForFunction(() => document.getElementById("key-row").value === "1280");
  await page.keyboard.press("Delete");
  await until("the key's line gone", () => !/^1280\s+-70\s/m.test(cameraYawLines(fs.readFileSync(cameraFile, "utf8"))));
  await page.waitForFunction(() => !duskEditor.history.isPending("camera"));
  await page.keyboard.down("Control");
  await page.keyboard.press("z");
  await page.keyboard.up("Control");
  await until("camera.txt as before the delete", () => fs.readFileSync(cameraFile, "utf8") === before);
  assert.deepEqual(errors, []);
});
