#!/usr/bin/python3
"""A real FTP server for the transfer tests and the upload benchmark.

pyftpdlib on 127.0.0.1 with a port the system picks, one user, one root folder, and faults on
request. It prints "PORT <n> PID <pid>" on stdout once it listens and logs every command and
reply to stderr. It ends when its standard input closes, so a test process that dies cannot
leave it behind.

Faults (--fault):
  refuse-login        every login is answered 530
  stor-550            STOR is answered 550 before any data moves
  stor-550:PART       the same for the files whose name holds PART; others are stored
  stor-452            STOR is answered 452 (insufficient storage) before any data moves
  drop-mid-transfer   control and data connections are cut after 64 KiB of an upload
  stall-mid-transfer  the server stops reading after 64 KiB of an upload, never answering
  cut-data-mid-transfer  the data connection alone is closed after 256 bytes of an upload: the
                      partial file stays, the control connection answers on
  silent              connections are accepted but never greeted
  no-mlsd             MLSD is unknown, so clients must fall back to LIST
"""

import argparse
import logging
import os
import socket
import subprocess
import sys
import threading

from pyftpdlib.authorizers import AuthenticationFailed, DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.servers import FTPServer

FAULT_BYTES = 64 * 1024
CUT_BYTES = 256


def parse_args():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", default="tester")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--tls-dir", help="make a self-signed certificate here and offer TLS")
    parser.add_argument("--require-tls", action="store_true")
    parser.add_argument("--fault", default="")
    return parser.parse_args()


def exit_when_stdin_closes():
    def wait():
        try:
            while sys.stdin.buffer.read(4096):
                pass
        finally:
            os._exit(0)

    threading.Thread(target=wait, daemon=True).start()


def make_certificate(folder):
    cert = os.path.join(folder, "cert.pem")
    key = os.path.join(folder, "key.pem")
    subprocess.run(
        ["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
         "-nodes", "-keyout", key, "-out", cert, "-days", "2", "-subj", "/CN=127.0.0.1",
         "-addext", "subjectAltName=IP:127.0.0.1"],
        check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return cert, key


class RefusingAuthorizer(DummyAuthorizer):
    def validate_authentication(self, username, password, handler):
        raise AuthenticationFailed("Login refused.")


def faulty_dtp(base, fault):
    """A data channel that breaks an upload after FAULT_BYTES."""

    class FaultyDTP(base):
        def handle_read_event(self):
            base.handle_read_event(self)
            limit = CUT_BYTES if fault == "cut-data-mid-transfer" else FAULT_BYTES
            if self.tot_bytes_received < limit:
                return
            if fault == "cut-data-mid-transfer":
                self.close()
            elif fault == "drop-mid-transfer":
                channel = self.cmd_channel
                self.close()
                channel.close()
            else:
                # Neither reads nor closes: the socket stays open and the client's sends block.
                self.del_channel()

    return FaultyDTP


def tls_handler_classes():
    from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler

    class EarlyHelloDTP(TLS_DTPHandler):
        # libcurl sends its TLS hello on the data connection before the transfer command; the
        # stock handler closes a data socket that turns readable that early.
        def readable(self):
            if not self.receive and not self._initialized and not self._ssl_want_read:
                return False
            return TLS_DTPHandler.readable(self)

    return TLS_FTPHandler, EarlyHelloDTP


def make_handler(args):
    if args.tls_dir:
        handler, dtp = tls_handler_classes()
        handler.certfile, handler.keyfile = make_certificate(args.tls_dir)
        handler.tls_control_required = args.require_tls
        handler.tls_data_required = args.require_tls
    else:
        handler, dtp = FTPHandler, DTPHandler

    fault = args.fault
    if fault in ("drop-mid-transfer", "stall-mid-transfer", "cut-data-mid-transfer"):
        dtp = faulty_dtp(dtp, fault)

    class TestHandler(handler):
        def ftp_STOR(self, file, mode="w"):
            if fault == "stor-550" or (fault.startswith("stor-550:") and
                                       fault[len("stor-550:"):] in os.path.basename(file)):
                self.respond("550 Permission denied.")
                return
            if fault == "stor-452":
                self.respond("452 Insufficient storage space.")
                return
            return handler.ftp_STOR(self, file, mode)

    if fault == "no-mlsd":
        TestHandler.proto_cmds = {k: v for k, v in handler.proto_cmds.items() if k != "MLSD"}

    authorizer = RefusingAuthorizer() if fault == "refuse-login" else DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")
    TestHandler.authorizer = authorizer
    TestHandler.dtp_handler = dtp
    TestHandler.auth_failed_timeout = 0
    TestHandler.timeout = 30
    return TestHandler


def serve_silently():
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(8)
    announce(listener.getsockname()[1])
    held = []
    while True:
        connection, _ = listener.accept()
        held.append(connection)


def announce(port):
    sys.stdout.write("PORT %d PID %d\n" % (port, os.getpid()))
    sys.stdout.flush()


def main():
    args = parse_args()
    exit_when_stdin_closes()
    logging.basicConfig(level=logging.DEBUG, stream=sys.stderr,
                        format="%(asctime)s %(message)s")
    if args.fault == "silent":
        serve_silently()
        return
    server = FTPServer(("127.0.0.1", 0), make_handler(args))
    announce(server.address[1])
    server.serve_forever()


if __name__ == "__main__":
    main()
