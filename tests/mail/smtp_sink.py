#!/usr/bin/python3
# SPDX-License-Identifier: GPL-2.0-or-later
"""A local SMTP server for the mail tests.

Listens on 127.0.0.1 on a free port and prints that port as its first line.
Modes:
  deliver           accept messages; each one is written to DIR as N.eml and
                    decoded by Python's email module into N.json
  silent            accept connections and never say a word
  stall-after-data  take the whole message, then never answer it
  stall-in-data     invite the message, then stop reading it
With --auth USER:PASSWORD the server offers AUTH and requires it.
With --starttls it offers STARTTLS with a fresh self-signed certificate and
notes each STARTTLS command in DIR/starttls.log. Each AUTH command is noted
in DIR/auth.log.
"""
import argparse
import asyncio
import base64
import email
import email.policy
import email.utils
import itertools
import json
import logging
import os
import ssl
import subprocess
import sys
import warnings

from aiosmtpd.smtp import SMTP, AuthResult


class Sink:
    def __init__(self, folder, stall):
        self.folder = folder
        self.stall = stall
        self.numbers = itertools.count(1)

    async def handle_DATA(self, server, session, envelope):
        if self.stall:
            await asyncio.Event().wait()
        number = next(self.numbers)
        raw = envelope.original_content
        write_atomically(os.path.join(self.folder, f"{number}.eml"), raw)
        summary = summarise(raw)
        summary["mail_from"] = envelope.mail_from
        summary["rcpt_tos"] = envelope.rcpt_tos
        summary["auth_login"] = login_of(session)
        write_atomically(os.path.join(self.folder, f"{number}.json"),
                         json.dumps(summary, ensure_ascii=False).encode("utf-8"))
        return "250 OK"


def login_of(session):
    data = getattr(session, "auth_data", None)
    login = getattr(data, "login", None)
    return login.decode("utf-8") if login else None


def summarise(raw):
    message = email.message_from_bytes(raw, policy=email.policy.default)
    date = message["Date"]
    summary = {
        "from": str(message["From"]),
        "to": str(message["To"]),
        "subject": str(message["Subject"]),
        "date_parses": bool(date) and email.utils.parsedate_to_datetime(str(date)) is not None,
        "message_id": str(message["Message-ID"] or ""),
        "mime_version": str(message["MIME-Version"] or ""),
        "content_type": message.get_content_type(),
        "body": None,
        "body_charset": None,
        "attachments": [],
    }
    for part in message.walk():
        if part.is_multipart():
            continue
        if part.get_content_disposition() == "attachment":
            summary["attachments"].append({
                "filename": part.get_filename(),
                "content_type": part.get_content_type(),
                "transfer_encoding": part.get("Content-Transfer-Encoding", ""),
                "data": base64.b64encode(part.get_payload(decode=True)).decode("ascii"),
            })
        elif part.get_content_type() == "text/plain" and summary["body"] is None:
            summary["body"] = part.get_content()
            summary["body_charset"] = part.get_content_charset()
    return summary


def write_atomically(path, data):
    temporary = path + ".part"
    with open(temporary, "wb") as file:
        file.write(data)
    os.rename(temporary, path)


def authenticator_for(account):
    user, _, password = account.partition(":")

    def authenticate(server, session, envelope, mechanism, auth_data):
        ok = (auth_data.login.decode() == user and auth_data.password.decode() == password)
        # handled=False lets the server answer a wrong password with 535.
        return AuthResult(success=ok, handled=False, auth_data=auth_data)

    return authenticate


class NotingSMTP(SMTP):
    """Notes each STARTTLS and AUTH before taking it, so a test can tell it was asked for."""

    def __init__(self, handler, folder, stall_in_data, **options):
        super().__init__(handler, **options)
        self.folder = folder
        self.stall_in_data = stall_in_data

    async def smtp_DATA(self, arg):
        if not self.stall_in_data:
            return await super().smtp_DATA(arg)
        await self.push("354 End data with <CR><LF>.<CR><LF>")
        self.transport.pause_reading()
        await asyncio.Event().wait()

    async def smtp_AUTH(self, arg):
        with open(os.path.join(self.folder, "auth.log"), "a") as log:
            log.write("AUTH\n")
        await super().smtp_AUTH(arg)

    async def smtp_STARTTLS(self, arg):
        with open(os.path.join(self.folder, "starttls.log"), "a") as log:
            log.write("STARTTLS\n")
        await super().smtp_STARTTLS(arg)


def self_signed_context(folder):
    key = os.path.join(folder, "key.pem")
    cert = os.path.join(folder, "cert.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                    "-subj", "/CN=127.0.0.1", "-keyout", key, "-out", cert],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(cert, key)
    return context


class Silent(asyncio.Protocol):
    def connection_made(self, transport):
        self.transport = transport


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", default=".")
    parser.add_argument("--mode", default="deliver", choices=["deliver", "silent", "stall-after-data", "stall-in-data"])
    parser.add_argument("--auth")
    parser.add_argument("--starttls", action="store_true")
    args = parser.parse_args()
    # The plain-text AUTH of the tests is deliberate; keep the test output clean.
    warnings.filterwarnings("ignore")
    logging.getLogger("mail.log").setLevel(logging.ERROR)

    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    if args.mode == "silent":
        factory = Silent
    else:
        handler = Sink(args.dir, args.mode == "stall-after-data")
        options = {}
        if args.auth:
            options = dict(authenticator=authenticator_for(args.auth), auth_required=True,
                           auth_require_tls=False)
        if args.starttls:
            options["tls_context"] = self_signed_context(args.dir)
        stall_in_data = args.mode == "stall-in-data"
        factory = lambda: NotingSMTP(handler, args.dir, stall_in_data, enable_SMTPUTF8=True, **options)
    server = loop.run_until_complete(loop.create_server(factory, "127.0.0.1", 0))
    print(server.sockets[0].getsockname()[1], flush=True)
    # The test holds our standard input; when it goes away, so do we.
    loop.add_reader(sys.stdin.fileno(), lambda: sys.stdin.buffer.read1(4096) or loop.stop())
    loop.run_forever()


if __name__ == "__main__":
    sys.exit(main())
