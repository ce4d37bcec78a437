// Talking to the show: JSON requests carrying the run's token, and the WebSocket that brings the
// show's state and file changes, opened again whenever it drops.

export class Connection {
  constructor(token) {
    this.token = token;
    this.socket = null;
    this.retryMs = 1000;
    this.handlers = { state() {}, files() {}, open() {}, close() {} };
  }

  // Resolves to {status, body}; a request that never reached the show has status 0.
  async request(method, path, body) {
    const init = { method, headers: { "X-Dusk-Token": this.token } };
    if (body !== undefined) {
      init.headers["Content-Type"] = "application/json";
      init.body = JSON.stringify(body);
    }
    let response;
    try {
      response = await fetch(path, init);
    } catch (e) {
      return { status: 0, body: { error: "the show did not answer (" + e.message + ")" } };
    }
    let parsed = null;
    try {
      parsed = await response.json();
    } catch (e) {
      parsed = { error: "the show's answer was not JSON (HTTP " + response.status + ")" };
    }
    return { status: response.status, body: parsed };
  }

  get(path) { return this.request("GET", path); }
  post(path, body) { return this.request("POST", path, body); }

  connect() {
    const scheme = location.protocol === "https:" ? "wss:" : "ws:";
    const socket = new WebSocket(`${scheme}//${location.host}/ws?token=${encodeURIComponent(this.token)}`);
    this.socket = socket;
    socket.onopen = () => this.handlers.open();
    socket.onmessage = (event) => {
      let message;
      try {
        message = JSON.parse(event.data);
      } catch (e) {
        return;  // not ours to act on
      }
      if (message.type === "state") this.handlers.state(message);
      else if (message.type === "files") this.handlers.files(Array.isArray(message.changed) ? message.changed : []);
    };
    socket.onclose = () => {
      if (this.socket !== socket) return;
      this.socket = null;
      this.handlers.close();
      setTimeout(() => this.connect(), this.retryMs);
    };
  }
}
