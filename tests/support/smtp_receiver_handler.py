"""aiosmtpd handler of the tests' SmtpReceiver: writes every accepted message into one folder.

Each message becomes NNNNNN.msg: "MAIL FROM:<sender>" and one "RCPT TO:<recipient>" line per recipient,
an empty line, then the data as received (dot-stuffing undone, CR LF kept). The file is complete before
the client gets its 250 reply, so a test may read it as soon as its send has returned.
"""

import os


class FolderHandler:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    @classmethod
    def from_cli(cls, parser, *args):
        if len(args) != 1:
            parser.error("FolderHandler takes one argument: the folder to write to")
        return cls(args[0])

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        envelope_lines = ["MAIL FROM:<%s>" % envelope.mail_from]
        envelope_lines += ["RCPT TO:<%s>" % recipient for recipient in envelope.rcpt_tos]
        head = "".join(line + "\r\n" for line in envelope_lines) + "\r\n"
        name = os.path.join(self.folder, "%06d.msg" % self.count)
        # Renamed into place, so a reader never sees half a message.
        with open(name + ".part", "wb") as out:
            out.write(head.encode("utf-8", "surrogateescape") + envelope.original_content)
        os.rename(name + ".part", name)
        return "250 OK"
