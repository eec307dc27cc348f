// The page's live stream from the station (a WebSocket at /api/live), kept open: it subscribes to
// every bed (a few at a time), pings every two seconds, and counts the stream as lost when it
// closes or when nothing (not even the answer to a ping) came for five seconds. Then it says so at once (onState) and
// opens a new one by itself; the station sends the ward and each bed's last ten minutes again,
// so the missed seconds are caught up.

const PING_MS = 2000;
const SILENCE_MS = 5000;
const RETRY_MS = [250, 1000, 2000, 3000];
const SUBSCRIBE_GROUP = 8;
const TRACE_WAIT_MS = 5000;

export class LiveStream {
  // `handlers`: {ward, bed, alarm, trace, samples, error} by message type; onState(state, since)
  // with state "connecting", "live" or "lost" and the instant the stream was lost.
  constructor(handlers, onState, sessionAlive) {
    this.handlers = handlers;
    this.onState = onState;
    this.sessionAlive = sessionAlive;
    this.socket = null;
    this.state = "connecting";
    this.lostSince = null;
    this.retries = 0;
    this.lastMessage = 0;
    this.pingNumber = 0;
    this.timer = null;
    this.stopped = false;
  }

  open() {
    this.stopped = false;
    const scheme = window.location.protocol === "https:" ? "wss:" : "ws:";
    const socket = new WebSocket(`${scheme}//${window.location.host}/api/live`);
    this.socket = socket;
    this.subscribed = new Set();
    this.waiting = [];
    this.tracing = new Set();
    socket.onopen = () => {
      if (socket !== this.socket) return;
      this.lastMessage = performance.now();
      this.retries = 0;
      this.timer = window.setInterval(() => this.watch(), PING_MS);
    };
    socket.onmessage = (event) => {
      if (socket !== this.socket) return;
      this.lastMessage = performance.now();
      const message = JSON.parse(event.data);
      if (message.type === "ward") {
        this.setState("live");
        this.subscribe(message.beds.map((bed) => bed.bed));
      }
      if (message.type === "trace") this.traced(message.bed);
      const handler = this.handlers[message.type];
      if (handler) handler(message);
    };
    socket.onclose = (event) => {
      if (socket === this.socket) this.lost(event.reason);
    };
  }

  // Subscribes to the beds not subscribed to yet on this stream, a few at a time: each brings its
  // last ten minutes first, and a whole ward's at once would be more than the station queues for
  // one browser (it would cut the stream back and start again). The next few follow when the
  // traces of the last have come.
  subscribe(beds) {
    for (const bed of beds) {
      if (!this.subscribed.has(bed)) {
        this.subscribed.add(bed);
        this.waiting.push(bed);
      }
    }
    this.subscribeNext();
  }

  // Asks again for bed `bed`'s last ten minutes (its study began, or came back after the station
  // restarted); a bed whose subscription is still to come gets them with it.
  retrace(bed) {
    if (!this.subscribed || !this.subscribed.has(bed) || this.waiting.includes(bed)) return;
    this.send({ unsubscribe: [bed] });
    this.subscribed.delete(bed);
    this.subscribe([bed]);
  }

  subscribeNext() {
    if (this.tracing.size > 0 || this.waiting.length === 0) return;
    const group = this.waiting.splice(0, SUBSCRIBE_GROUP);
    for (const bed of group) this.tracing.add(bed);
    this.send({ subscribe: group });
    // A trace that does not come (the station could not read it) holds up the rest no longer.
    const socket = this.socket;
    window.setTimeout(() => {
      if (socket !== this.socket || !group.some((bed) => this.tracing.has(bed))) return;
      for (const bed of group) this.tracing.delete(bed);
      this.subscribeNext();
    }, TRACE_WAIT_MS);
  }

  traced(bed) {
    if (this.tracing.delete(bed)) this.subscribeNext();
  }

  send(command) {
    if (this.socket && this.socket.readyState === WebSocket.OPEN) this.socket.send(JSON.stringify(command));
  }

  watch() {
    if (performance.now() - this.lastMessage > SILENCE_MS) {
      const socket = this.socket;
      this.lost("the station sent nothing for five seconds");
      if (socket) socket.close();
      return;
    }
    this.send({ ping: ++this.pingNumber });
  }

  lost(reason) {
    window.clearInterval(this.timer);
    this.socket = null;
    if (this.stopped) return;
    if (this.state !== "lost") this.lostSince = Date.now();
    this.setState("lost", reason);
    const wait = RETRY_MS[Math.min(this.retries++, RETRY_MS.length - 1)];
    window.setTimeout(() => this.retry(), wait);
  }

  async retry() {
    if (this.stopped) return;
    // A stream refused for an ended login would be tried for ever: ask for the session first.
    const alive = await this.sessionAlive();
    if (alive === false) return;
    if (alive === null) {
      this.lost("the station does not answer");
      return;
    }
    this.open();
  }

  setState(state, reason) {
    this.state = state;
    this.onState(state, this.lostSince, reason);
  }

  stop() {
    this.stopped = true;
    window.clearInterval(this.timer);
    if (this.socket) this.socket.close();
    this.socket = null;
  }
}
