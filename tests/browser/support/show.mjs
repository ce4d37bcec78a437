// The real show in live mode with the timeline editor, on a copy of the production: its data
// linked, its shaders, track files and track sources copied (the tests write the sources), the
// page's folder linked where a standalone production's framework root keeps it.
import { spawn } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";

const source = process.env.DUSK_SOURCE_DIR || path.resolve(path.dirname(new URL(import.meta.url).pathname), "../../..");
const binDir = process.env.DUSK_BIN_DIR || path.join(source, "build/bin");

export function stageProduction() {
  const root = fs.mkdtempSync(path.join(os.tmpdir(), "editor-show-"));
  const production = path.join(source, "projects/dusk");
  fs.mkdirSync(path.join(root, "data/sync"), { recursive: true });
  fs.mkdirSync(path.join(root, "src/shaders"), { recursive: true });
  fs.mkdirSync(path.join(root, "tracks"));
  for (const name of fs.readdirSync(path.join(production, "data")))
    if (!["sync", "temp", "screenshots"].includes(name)) fs.symlinkSync(path.join(production, "data", name), path.join(root, "data", name));
  for (const name of fs.readdirSync(path.join(production, "data/sync")))
    fs.copyFileSync(path.join(production, "data/sync", name), path.join(root, "data/sync", name));
  for (const dir of [path.join(production, "src/shaders"), path.join(source, "libraries/fw/src/shaders")])
    for (const name of fs.readdirSync(dir))
      if (fs.statSync(path.join(dir, name)).isFile() && name !== "CMakeLists.txt" && name !== ".gitignore")
        fs.copyFileSync(path.join(dir, name), path.join(root, "src/shaders", name));
  for (const name of fs.readdirSync(path.join(production, "tracks")))
    if (name.endsWith(".txt")) fs.copyFileSync(path.join(production, "tracks", name), path.join(root, "tracks", name));
  fs.symlinkSync(path.join(source, "libraries/fw/editor"), path.join(root, "editor"));
  return root;
}

export class Show {
  // Starts dusk in a staged copy and waits for the editor's address on standard output.
  // renderScale null: the show picks its own (the automatic render scale).
  static async start({ fromRow = 1280, renderScale = "0.25", extraArgs = [] } = {}) {
    const show = new Show();
    show.root = stageProduction();
    show.output = "";
    const args = ["--no-dialog", "--windowed", "--mute", "--alerts", "console", "--echo",
                  ...(renderScale === null ? [] : ["--render-scale", renderScale]),
                  "--live", "--from-row", String(fromRow), "--editor", "0", ...extraArgs];
    // A GL error ends the show with a message, as in every end-to-end run.
    const env = { ...process.env, DUSK_GL_DEBUG: "1" };
    if (process.env.DUSK_PRELOAD) env.LD_PRELOAD = process.env.DUSK_PRELOAD;
    show.process = spawn(path.join(binDir, "dusk"), args, { cwd: show.root, env, stdio: ["ignore", "pipe", "pipe"] });
    show.exited = new Promise((resolve) => show.process.on("exit", (code, signal) => resolve({ code, signal })));
    for (const stream of [show.process.stdout, show.process.stderr]) stream.on("data", (d) => { show.output += d; });
    const line = await show.waitForOutput(/Timeline editor: (http:\/\/127\.0\.0\.1:[0-9]+\/\?token=[0-9a-f]{32})/, 180000);
    show.url = line[1];
    return show;
  }

  // Resolves to the first match of the pattern in the output; rejects when the show ends or at
  // the time limit, with the output so far.
  waitForOutput(pattern, timeoutMs) {
    return new Promise((resolve, reject) => {
      let done = false;
      const finish = (f, v) => { if (!done) { done = true; clearInterval(poll); clearTimeout(timer); f(v); } };
      const look = () => {
        const m = this.output.match(pattern);
        if (m) finish(resolve, m);
      };
      const poll = setInterval(look, 50);
      const timer = setTimeout(() => finish(reject, new Error(`no ${pattern} within ${timeoutMs} ms; output:\n${this.output}`)), timeoutMs);
      this.exited.then(({ code, signal }) => { look(); finish(reject, new Error(`dusk ended (${code ?? signal}) before ${pattern}; output:\n${this.output}`)); });
      look();
    });
  }

  trackSource(name) { return path.join(this.root, "tracks", name + ".txt"); }

  async stop() {
    if (this.process.exitCode === null && this.process.signalCode === null) {
      this.process.kill("SIGTERM");
      const killer = setTimeout(() => this.process.kill("SIGKILL"), 20000);
      await this.exited;
      clearTimeout(killer);
    }
    fs.rmSync(this.root, { recursive: true, force: true });
  }
}
