#!/usr/bin/env python3
"""A real SMTP server on the loopback address for the mail tests.

smtp_sink.py FOLDER [--refuse N]... [--hang N]
Listens on a free port of 127.0.0.1 and writes it to FOLDER/port once ready. Each message it
accepts is written to FOLDER/NNN.eml (envelope sender and recipients in FOLDER/NNN.env). The
N-th message (counted from 1) is refused with 550 for --refuse N; for --hang N the server
never answers it, so that a test can kill the sender mid-send.
"""
import argparse, asyncio, os, socket, time
from aiosmtpd.controller import Controller

parser = argparse.ArgumentParser()
parser.add_argument("folder")
parser.add_argument("--refuse", type=int, action="append", default=[])
parser.add_argument("--hang", type=int, default=0)
args = parser.parse_args()

class Handler:
    def __init__(self):
        self.seen = 0
        self.kept = 0

    async def handle_DATA(self, server, session, envelope):
        self.seen += 1
        if self.seen in args.refuse:
            return "550 5.7.1 Message refused by the test server"
        if self.seen == args.hang:
            await asyncio.sleep(3600)
        self.kept += 1
        base = os.path.join(args.folder, "%03d" % self.kept)
        with open(base + ".env", "w") as f:
            f.write(envelope.mail_from + "\n" + "\n".join(envelope.rcpt_tos) + "\n")
        with open(base + ".tmp", "wb") as f:
            f.write(envelope.original_content)
        os.rename(base + ".tmp", base + ".eml")
        return "250 OK"

sock = socket.socket()
sock.bind(("127.0.0.1", 0))
port = sock.getsockname()[1]
sock.close()
controller = Controller(Handler(), hostname="127.0.0.1", port=port)
controller.start()
with open(os.path.join(args.folder, "port.tmp"), "w") as f:
    f.write(str(port))
os.rename(os.path.join(args.folder, "port.tmp"), os.path.join(args.folder, "port"))
end = time.time() + 600  # never outlives a test run
while time.time() < end:
    time.sleep(0.2)
controller.stop()
