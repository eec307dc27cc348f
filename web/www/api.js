// The pages' requests to the station: JSON in and out, writes with the session's token. A request
// the station answers 401 means the login session has ended: the caller is told (onLoggedOut).

export class StationApi {
  constructor() {
    this.token = "";
    this.user = "";
    this.idleTimeoutSeconds = 900;
    this.onLoggedOut = () => {};
  }

  // The session: false when there is none (the page then goes to the login).
  async open() {
    const response = await fetch("/api/session", { credentials: "same-origin" });
    if (!response.ok) return false;
    const session = await response.json();
    this.token = session.token;
    this.user = session.user;
    this.idleTimeoutSeconds = session.idleTimeoutSeconds;
    return true;
  }

  // {ok, status, body}; a network fault is status 0.
  async request(method, path, body) {
    const init = { method, credentials: "same-origin", headers: {} };
    if (method !== "GET") {
      init.headers["X-CSRF-Token"] = this.token;
      init.headers["Content-Type"] = "application/json";
      init.body = JSON.stringify(body === undefined ? {} : body);
    }
    let response;
    try {
      response = await fetch(path, init);
    } catch (error) {
      return { ok: false, status: 0, body: { error: "the station does not answer" } };
    }
    if (response.status === 401) this.onLoggedOut();
    const type = response.headers.get("Content-Type") || "";
    const answer = type.startsWith("application/json") ? await response.json().catch(() => ({})) : {};
    return { ok: response.ok, status: response.status, body: answer };
  }

  get(path) {
    return this.request("GET", path);
  }

  post(path, body) {
    return this.request("POST", path, body);
  }
}
