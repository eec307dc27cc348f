#!/usr/bin/python3
"""The hospital's side of the station's HL7 tests, played by python-hl7 (Debian's python3-hl7),
an implementation independent of the station's own. Loopback only; every command ends by itself.

  hl7_peer.py check
      exits 0 when python-hl7 can be imported
  hl7_peer.py acks
      reads what mllp_send printed (the raw answers) on standard input and prints, for each
      ACK, one line: MSH-9, MSA-1, MSA-2, MSA-3 (unescaped) and ERR-3.1, separated by tabs
  hl7_peer.py receive PORT COUNT SECONDS [ANSWER...]
      listens on 127.0.0.1:PORT (0: any; the first line printed is "port N") with hl7.mllp's
      asyncio server, answers each message with its create_ack (the ANSWERs in turn, AA when
      they run out) and prints one JSON line per message: its control ID, PID-3 and every OBX
      (3.1, 4, 5, 6.1, 8, 14); ends after COUNT messages or SECONDS seconds
"""
import asyncio
import json
import sys


def field(segment, index, component=1):
    """A component of a field as text, or "" where the segment has no such field."""
    try:
        value = segment(index)
    except IndexError:
        return ""
    if isinstance(value, str):
        return value if component == 1 else ""
    try:
        return str(value(1)(component)) if len(value) else ""
    except (IndexError, TypeError):
        return str(value) if component == 1 else ""


def acks():
    import hl7
    data = sys.stdin.buffer.read()
    for block in data.split(b"\x1c"):
        text = block.strip(b"\x0b\r\n ").decode("utf-8")
        if not text:
            continue
        message = hl7.parse(text)
        msa = message.segment("MSA")
        err = message.segments("ERR")[0] if "ERR" in str(message) else None
        print("\t".join([str(message.segment("MSH")(9)), field(msa, 1), field(msa, 2),
                         message.unescape(field(msa, 3)), field(err, 3) if err else ""]))


def summary(message):
    observations = []
    for obx in message.segments("OBX"):
        observations.append({"code": field(obx, 3), "sub": field(obx, 4), "value": field(obx, 5),
                             "unit": field(obx, 6), "priority": field(obx, 8), "time": field(obx, 14)})
    return {"control": field(message.segment("MSH"), 10), "patient": field(message.segment("PID"), 3),
            "observations": observations}


async def receive(port, count, seconds, answers):
    import hl7.mllp
    done = asyncio.Event()
    received = [0]

    async def serve(reader, writer):
        try:
            while not done.is_set():
                message = await reader.readmessage()
                print(json.dumps(summary(message)), flush=True)
                answer = answers.pop(0) if answers else "AA"
                writer.writemessage(message.create_ack(answer))
                await writer.drain()
                received[0] += 1
                if received[0] >= count:
                    done.set()
        except (asyncio.IncompleteReadError, ConnectionError):
            pass
        finally:
            writer.close()

    server = await hl7.mllp.start_hl7_server(serve, host="127.0.0.1", port=port, encoding="utf-8")
    print("port", server.sockets[0].getsockname()[1], flush=True)
    try:
        await asyncio.wait_for(done.wait(), seconds)
    except asyncio.TimeoutError:
        print("timeout", flush=True)
    server.close()


def main():
    command = sys.argv[1] if len(sys.argv) > 1 else ""
    if command == "check":
        import hl7  # noqa: F401
        import hl7.mllp  # noqa: F401
    elif command == "acks":
        acks()
    elif command == "receive":
        asyncio.run(receive(int(sys.argv[2]), int(sys.argv[3]), float(sys.argv[4]), sys.argv[5:]))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
