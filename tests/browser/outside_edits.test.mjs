// The sources stay the truth: a change saved by a text editor shows in the page; an edit made
// against a file that changed on disk is refused, the page takes the file as it is and says so;
// a source with an error is shown with it and is not edited.
import { test, after, before } from "node:test";
import assert from "node:assert/strict";
import fs from "node:fs";
import { Show } from "./support/show.mjs";
import { openPage, waitForEditor } from "./support/browser.mjs";
import { zoomTo, keyPoint, drag, until, saveAsEditorsDo } from "./support/page_actions.mjs";

let show, browser, page, errors;
before(async () => {
  show = await Show.start({ fromRow: 1280 });
  ({ browser, page, errors } = await openPage(show.url));
  await waitForEditor(page);
  await zoomTo(page, 1344, 2);
});
after(async () => {
  if (browser) await browser.close();
  if (show) await show.stop();
});

const yawAt = (row) => page.evaluate((r) => duskEditor.model.track("camera", "cam_Yaw")?.keys.find((k) => k.row === r)?.value, row);

test("a key changed in a text editor appears in the page", async () => {
  const file = show.trackSource("camera");
  const text = fs.readFileSync(file, "utf8");
  saveAsEditorsDo(file, text.replace(/^1600(\s+)185(\s+)catmull/m, "1600$1123.25$2catmull"));
  await page.waitForFunction(() => duskEditor.model.track("camera", "cam_Yaw").keys.find((k) => k.row === 1600).value === 123.25);
});

test("an edit of a file that changed on disk is refused, reloaded and told", async () => {
  const file = show.trackSource("camera");
  // The page stops hearing about changes, so it holds an old version when the file changes.
  await page.evaluate(() => { duskEditor.net.handlers.files = () => {}; });
  const text = fs.readFileSync(file, "utf8");
  const changed = text.replace(/^1664(\s+)215(\s+)catmull/m, "1664$1216$2catmull");
  saveAsEditorsDo(file, changed);
  assert.equal(await yawAt(1664), 215);
  const from = await keyPoint(page, "camera", "cam_Yaw", 1344);
  await drag(page, from, { x: from.x, y: from.y - 30 });
  await page.waitForFunction(() => /changed on disk/.test(document.getElementById("notice").textContent));
  await page.waitForFunction(() => duskEditor.model.track("camera", "cam_Yaw").keys.find((k) => k.row === 1664).value === 216);
  assert.equal(await yawAt(1344), -35, "the refused edit is not shown");
  assert.equal(fs.readFileSync(file, "utf8"), changed);
  assert.equal(await page.evaluate(() => duskEditor.history.undoStack.length), 0);
  await page.evaluate(() => { duskEditor.net.handlers.files = () => duskEditor.reloadTracks(); });
});

test("a source with an error shows it and is not edited", async () => {
  const file = show.trackSource("post");
  const broken = fs.readFileSync(file, "utf8") + "\nthis is not a key\n";
  saveAsEditorsDo(file, broken);
  await page.waitForFunction(() => duskEditor.model.file("post").error);
  const message = await page.evaluate(() => duskEditor.model.file("post").error);
  assert.match(message, /post\.txt:[0-9]+/);
  const lane = await page.evaluate(() => {
    const item = duskEditor.view.layout().find((i) => i.type === "lane" && i.file.name === "post");
    const rect = duskEditor.canvas.getBoundingClientRect();
    return item ? { x: rect.left + duskEditor.view.rowToX(1350), y: rect.top + item.y + item.h / 2 } : null;
  });
  if (lane) {
    await page.mouse.click(lane.x, lane.y, { clickCount: 2 });
    await page.waitForFunction(() => /has an error/.test(document.getElementById("notice").textContent));
  }
  assert.equal(fs.readFileSync(file, "utf8"), broken);
  assert.deepEqual(errors, []);
});
