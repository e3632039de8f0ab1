"""The baseline client of the check benchmarks: Python's poplib doing the check's work on one mailbox.

Logs in, asks STAT, then TOP n 0 and LIST n for every message, then QUIT, one command at a time, and prints
the seconds that took and the number of messages. With --cafile it speaks POP3 inside TLS (POP3_SSL),
trusting that CA and checking the host name, as the program does.

Usage: poplib_summaries.py HOST PORT USER PASSWORD [--cafile CA.pem]
"""

import argparse
import poplib
import ssl
import time


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("host")
    parser.add_argument("port", type=int)
    parser.add_argument("user")
    parser.add_argument("password")
    parser.add_argument("--cafile")
    arguments = parser.parse_args()

    start = time.perf_counter()
    if arguments.cafile:
        context = ssl.create_default_context(cafile=arguments.cafile)
        mailbox = poplib.POP3_SSL(arguments.host, arguments.port, context=context)
    else:
        mailbox = poplib.POP3(arguments.host, arguments.port)
    mailbox.user(arguments.user)
    mailbox.pass_(arguments.password)
    count, _ = mailbox.stat()
    for n in range(1, count + 1):
        mailbox.top(n, 0)
        mailbox.list(n)
    mailbox.quit()
    print("%.6f %d" % (time.perf_counter() - start, count))


if __name__ == "__main__":
    main()
