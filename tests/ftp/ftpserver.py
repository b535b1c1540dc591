"""A real FTP server on loopback for the tests, on a free port that it prints first.

ftpserver.py --dir DIR --user U --password P [--stall NAME]... [--slow]

--stall NAME  a RETR of NAME gets no reply at all (the client must time out)
--slow        data go out in small chunks with a pause after each one

FTPSERVER_DEBUG=1 in the environment logs every command and reply to stderr.
"""
import argparse
import logging
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

PAUSE = 0.2


class SlowDTPHandler(ThrottledDTPHandler):
    write_limit = 600  # also makes each chunk at most 512 bytes

    def _throttle_bandwidth(self, len_chunk, max_speed):
        def wake():
            self.add_channel(events=self.ioloop.WRITE)

        self.del_channel()
        self._cancel_throttler()
        self._throttler = self.ioloop.call_later(PAUSE, wake, _errback=self.handle_error)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--dir", required=True)
    ap.add_argument("--user", required=True)
    ap.add_argument("--password", required=True)
    ap.add_argument("--stall", action="append", default=[])
    ap.add_argument("--slow", action="store_true")
    args = ap.parse_args()

    level = logging.DEBUG if os.environ.get("FTPSERVER_DEBUG") else logging.WARNING
    logging.basicConfig(level=level, stream=sys.stderr)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.dir, perm="elr")

    stalled = set(args.stall)

    class Handler(FTPHandler):
        def ftp_RETR(self, file):
            if os.path.basename(file) in stalled:
                return  # never answer
            return super().ftp_RETR(file)

    Handler.authorizer = authorizer
    Handler.auth_failed_timeout = 0
    if args.slow:
        Handler.dtp_handler = SlowDTPHandler

    server = FTPServer(("127.0.0.1", 0), Handler)
    print("PORT %d" % server.socket.getsockname()[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
