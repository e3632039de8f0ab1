"""The tests' SmtpReceiver when it speaks TLS or wants authentication, which aiosmtpd's command line
cannot set up: builds the SMTP server itself around the same FolderHandler.

    smtp_tls_receiver.py HOST PORT FOLDER [--starttls CERT KEY | --smtps CERT KEY]
                         [--auth USER PASSWORD ATTEMPTS_FILE]

--starttls offers STARTTLS and refuses mail before it; --smtps speaks TLS from the first byte. --auth
refuses mail until that user has authenticated, and never takes AUTH outside TLS; every attempt is
appended to ATTEMPTS_FILE as "accepted USER" or "refused USER" before the client has its reply. Prints
"quillonv-smtp listening on HOST:PORT" once it accepts connections.
"""

import argparse
import asyncio
import ssl

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword

from smtp_receiver_handler import FolderHandler


class OneUserAuthenticator:
    def __init__(self, user, password, attempts_file):
        self.user = user.encode("utf-8")
        self.password = password.encode("utf-8")
        self.attempts_file = attempts_file

    def __call__(self, server, session, envelope, mechanism, auth_data):
        if isinstance(auth_data, LoginPassword):
            login, accepted = auth_data.login, auth_data == (self.user, self.password)
        else:
            login, accepted = b"", False
        with open(self.attempts_file, "a", encoding="utf-8") as attempts:
            verdict = "accepted" if accepted else "refused"
            attempts.write("%s %s\n" % (verdict, login.decode("utf-8", "replace")))
        return AuthResult(success=accepted, handled=False)


def server_context(certificate, key):
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(certificate, key)
    return context


async def serve(arguments):
    loop = asyncio.get_running_loop()
    handler = FolderHandler(arguments.folder)
    options = {"hostname": "quillonv-test", "loop": loop}
    if arguments.starttls:
        options.update(tls_context=server_context(*arguments.starttls), require_starttls=True)
    if arguments.auth:
        user, password, attempts_file = arguments.auth
        # Over implicit TLS the whole connection is encrypted, which aiosmtpd's own check (made for
        # STARTTLS) cannot see; there AUTH is only reachable inside TLS anyway.
        options.update(authenticator=OneUserAuthenticator(user, password, attempts_file), auth_required=True,
                       auth_require_tls=not arguments.smtps)
    implicit = server_context(*arguments.smtps) if arguments.smtps else None
    server = await loop.create_server(lambda: SMTP(handler, **options), arguments.host, arguments.port, ssl=implicit)
    print("quillonv-smtp listening on %s:%d" % (arguments.host, arguments.port), flush=True)
    await server.serve_forever()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("host")
    parser.add_argument("port", type=int)
    parser.add_argument("folder")
    tls = parser.add_mutually_exclusive_group()
    tls.add_argument("--starttls", nargs=2, metavar=("CERT", "KEY"))
    tls.add_argument("--smtps", nargs=2, metavar=("CERT", "KEY"))
    parser.add_argument("--auth", nargs=3, metavar=("USER", "PASSWORD", "ATTEMPTS_FILE"))
    asyncio.run(serve(parser.parse_args()))


if __name__ == "__main__":
    main()
