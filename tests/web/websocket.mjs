// A small WebSocket client (text messages only) over node's http module, enough to speak
// WebDriver BiDi to a local browser: the node that Debian ships has no WebSocket of its own.
import { randomBytes } from 'node:crypto';
import { request } from 'node:http';

export class SocketClient {
  // Resolves once the server accepted the upgrade.
  static connect(url) {
    const target = new URL(url);
    return new Promise((resolve, reject) => {
      const req = request({
        host: target.hostname, port: target.port, path: `${target.pathname}${target.search}`,
        headers: {
          Connection: 'Upgrade', Upgrade: 'websocket', 'Sec-WebSocket-Version': '13',
          'Sec-WebSocket-Key': randomBytes(16).toString('base64'),
        },
      });
      req.on('upgrade', (response, socket, head) => resolve(new SocketClient(socket, head)));
      req.on('response', (response) => reject(new Error(`${url} refused the WebSocket (${response.statusCode})`)));
      req.on('error', reject);
      req.end();
    });
  }

  constructor(socket, head) {
    this.socket = socket;
    this.buffer = head && head.length ? Buffer.from(head) : Buffer.alloc(0);
    this.parts = [];
    this.onmessage = () => {};
    this.onclose = () => {};
    socket.setNoDelay(true);
    socket.on('data', (chunk) => {
      this.buffer = Buffer.concat([this.buffer, chunk]);
      this.read();
    });
    socket.on('close', () => this.onclose());
    socket.on('error', () => {});
    this.read();
  }

  // Takes every complete frame off the buffer; a message may come in several frames.
  read() {
    for (;;) {
      if (this.buffer.length < 2) return;
      const fin = (this.buffer[0] & 0x80) !== 0;
      const opcode = this.buffer[0] & 0x0f;
      const masked = (this.buffer[1] & 0x80) !== 0;
      let length = this.buffer[1] & 0x7f;
      let offset = 2;
      if (length === 126) {
        if (this.buffer.length < 4) return;
        length = this.buffer.readUInt16BE(2);
        offset = 4;
      } else if (length === 127) {
        if (this.buffer.length < 10) return;
        length = Number(this.buffer.readBigUInt64BE(2));
        offset = 10;
      }
      const maskAt = offset;
      if (masked) offset += 4;
      if (this.buffer.length < offset + length) return;
      const payload = Buffer.from(this.buffer.subarray(offset, offset + length));
      if (masked) for (let i = 0; i < payload.length; ++i) payload[i] ^= this.buffer[maskAt + (i % 4)];
      this.buffer = this.buffer.subarray(offset + length);
      if (opcode === 0x8) {
        this.socket.end();
        return;
      }
      if (opcode === 0x9) {
        this.frame(0xa, payload);
        continue;
      }
      if (opcode === 0x1 || opcode === 0x0) {
        this.parts.push(payload);
        if (fin) {
          const text = Buffer.concat(this.parts).toString('utf8');
          this.parts = [];
          this.onmessage(text);
        }
      }
    }
  }

  // Clients mask every frame they send.
  frame(opcode, payload) {
    const mask = randomBytes(4);
    const length = payload.length;
    const head = length < 126 ? Buffer.alloc(2) : length < 65536 ? Buffer.alloc(4) : Buffer.alloc(10);
    head[0] = 0x80 | opcode;
    if (length < 126) {
      head[1] = 0x80 | length;
    } else if (length < 65536) {
      head[1] = 0x80 | 126;
      head.writeUInt16BE(length, 2);
    } else {
      head[1] = 0x80 | 127;
      head.writeBigUInt64BE(BigInt(length), 2);
    }
    const body = Buffer.from(payload);
    for (let i = 0; i < body.length; ++i) body[i] ^= mask[i % 4];
    this.socket.write(Buffer.concat([head, mask, body]));
  }

  send(text) { this.frame(0x1, Buffer.from(text, 'utf8')); }

  close() {
    if (this.socket.destroyed) return;
    this.frame(0x8, Buffer.alloc(0));
    this.socket.end();
  }
}
