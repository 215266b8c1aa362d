"""The mail programs mailbox_check.py reads exports with: a throw-away Dovecot IMAP server over
a Maildir tree, and mutt on a pseudo-terminal."""
import datetime
import fcntl
import grp
import imaplib
import mailbox
import os
import pty
import pwd
import re
import select
import shutil
import socket
import struct
import subprocess
import tempfile
import termios
import time

DOVECOT = "/usr/sbin/dovecot"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def imap_utf7_decode(name):
    """IMAP's modified UTF-7 (RFC 3501 5.1.3) to text."""
    out, i = [], 0
    while i < len(name):
        if name[i] != "&":
            out.append(name[i])
            i += 1
            continue
        end = name.index("-", i)
        chunk = name[i + 1:end]
        if not chunk:
            out.append("&")
        else:
            b64 = chunk.replace(",", "/")
            b64 += "=" * (-len(b64) % 4)
            import base64
            out.append(base64.b64decode(b64).decode("utf-16-be"))
        i = end + 1
    return "".join(out)


def imap_utf7_encode(text):
    import base64
    out, pending = [], []

    def flush():
        if pending:
            b = base64.b64encode("".join(pending).encode("utf-16-be")).decode().rstrip("=")
            out.append("&" + b.replace("/", ",") + "-")
            pending.clear()
    for c in text:
        if 0x20 <= ord(c) <= 0x7E:
            flush()
            out.append("&-" if c == "&" else c)
        else:
            pending.append(c)
    flush()
    return "".join(out)


class Dovecot:
    """Dovecot serving one Maildir++ tree as user "u1" on a free port of 127.0.0.1, with a
    configuration of its own in a temporary directory: plain-text logins without TLS, indexes
    outside the tree, control files (dovecot-keywords) in it as by default, Dovecot's
    listescape plugin for names holding '.'.
    Run as root it drops to nobody, which then owns the tree."""

    def __init__(self, maildir):
        if not os.access(DOVECOT, os.X_OK):
            raise RuntimeError("dovecot is missing: install the Debian package dovecot-imapd")
        self.tmp = tempfile.mkdtemp(prefix="pellmark-dovecot-")
        os.chmod(self.tmp, 0o755)
        self.port = free_port()
        pw = pwd.getpwnam("nobody") if os.geteuid() == 0 else pwd.getpwuid(os.geteuid())
        self.uid, self.gid = pw.pw_uid, pw.pw_gid
        os.symlink(os.path.abspath(maildir), os.path.join(self.tmp, "u1"))
        for d in ("run", "index"):
            os.mkdir(os.path.join(self.tmp, d))
        with open(os.path.join(self.tmp, "users"), "w") as f:
            f.write(f"u1:{{PLAIN}}secret:{self.uid}:{self.gid}::{self.tmp}\n")
        t, user, group = self.tmp, pw.pw_name, grp.getgrgid(self.gid).gr_name
        with open(os.path.join(t, "dovecot.conf"), "w") as f:
            f.write(f"""protocols = imap
listen = 127.0.0.1
base_dir = {t}/run
state_dir = {t}/run
log_path = {t}/dovecot.log
ssl = no
disable_plaintext_auth = no
auth_mechanisms = plain
default_login_user = {user}
default_internal_user = {user}
default_internal_group = {group}
first_valid_uid = {self.uid}
last_valid_uid = {self.uid}
first_valid_gid = {self.gid}
mail_plugins = listescape
mail_location = maildir:{t}/%u:INDEX={t}/index/%u
namespace inbox {{
  inbox = yes
  separator = /
}}
passdb {{
  driver = passwd-file
  args = {t}/users
}}
userdb {{
  driver = passwd-file
  args = {t}/users
}}
service imap-login {{
  chroot =
  inet_listener imap {{
    address = 127.0.0.1
    port = {self.port}
  }}
  inet_listener imaps {{
    port = 0
  }}
}}
service anvil {{
  chroot =
}}
""")
        self.command = [DOVECOT, "-F", "-c", os.path.join(t, "dovecot.conf")]
        if os.geteuid() == 0:
            subprocess.run(["chown", "-R", f"{self.uid}:{self.gid}", t, maildir], check=True)
            # The directories above the tree (a test's private temporary directory) let the
            # server's user pass.
            above = os.path.dirname(os.path.abspath(maildir))
            while above != "/":
                mode = os.stat(above).st_mode
                if not mode & 0o001:
                    os.chmod(above, (mode & 0o7777) | 0o001)
                above = os.path.dirname(above)
            self.command = ["setpriv", f"--reuid={self.uid}", f"--regid={self.gid}",
                            "--clear-groups"] + self.command
        self.process = None

    def __enter__(self):
        self.process = subprocess.Popen(self.command, stdout=subprocess.PIPE,
                                        stderr=subprocess.STDOUT)
        return self

    def __exit__(self, *exc):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        shutil.rmtree(self.tmp, ignore_errors=True)
        return False

    def log(self):
        try:
            with open(os.path.join(self.tmp, "dovecot.log")) as f:
                return f.read()[-2000:]
        except OSError:
            return ""

    def connect(self):
        for _ in range(200):
            try:
                imap = imaplib.IMAP4("127.0.0.1", self.port)
                imap.login("u1", "secret")
                return imap
            except OSError:
                if self.process.poll() is not None:
                    out = self.process.stdout.read().decode(errors="replace")
                    raise RuntimeError(f"dovecot ended: {out} {self.log()}")
                time.sleep(0.05)
        raise RuntimeError(f"dovecot does not answer on port {self.port}: {self.log()}")

    @staticmethod
    def folders(imap):
        """Every folder LIST shows, as (selectable, name decoded)."""
        typ, data = imap.list('""', "*")
        names = []
        for item in data:
            literal = None
            if isinstance(item, tuple):
                item, literal = item
            m = re.match(rb'\((.*?)\) (?:"(?:\\.|[^"])"|NIL) (.*)$', item)
            flags, raw = m.group(1), literal if literal is not None else m.group(2)
            selectable = b"\\Noselect" not in flags and b"\\NonExistent" not in flags
            if raw.startswith(b'"'):
                raw = re.sub(rb"\\(.)", rb"\1", raw[1:-1])
            names.append((selectable, imap_utf7_decode(raw.decode("ascii"))))
        return names

    @staticmethod
    def fetch_all(imap, name):
        """(message bytes, flags, INTERNALDATE as a Unix time) of each message of `name`."""
        quoted = '"' + imap_utf7_encode(name).replace("\\", "\\\\").replace('"', '\\"') + '"'
        typ, data = imap.select(quoted, readonly=True)
        if typ != "OK":
            raise RuntimeError(f"SELECT {name}: {data}")
        if int(data[0]) == 0:
            return []
        typ, data = imap.fetch("1:*", "(FLAGS INTERNALDATE BODY.PEEK[])")
        out = []
        for item in data:
            if not isinstance(item, tuple):
                continue
            head, body = item
            flags = re.search(rb"FLAGS \(([^)]*)\)", head).group(1).decode()
            date = re.search(rb'INTERNALDATE "([^"]+)"', head).group(1).decode().strip()
            when = datetime.datetime.strptime(date, "%d-%b-%Y %H:%M:%S %z")
            out.append((body, flags.split(), int(when.timestamp())))
        return out


def mutt_copy(path, timeout=60, mmdf=False):
    """The messages mutt finds in the mbox (or Maildir) at `path`, in its order: mutt opens it
    read-only on a pseudo-terminal and copies every message into a new mbox, which is read
    back. `mmdf`: the copy is an MMDF file instead, for messages mutt would not have to quote
    (a Maildir's: mutt writes "From " lines of a body into an mbox as they are)."""
    if not shutil.which("mutt"):
        raise RuntimeError("mutt is missing: install the Debian package mutt")
    tmp = tempfile.mkdtemp(prefix="pellmark-mutt-")
    try:
        rc, out = os.path.join(tmp, "muttrc"), os.path.join(tmp, "copied")
        with open(rc, "w") as f:
            # A folder directory of its own, so that mutt asks nothing before the keys.
            f.write(f"set folder={tmp} spoolfile={path!r} record=/dev/null\n"
                    f"set mbox_type={'mmdf' if mmdf else 'mbox'} sort=mailbox-order\n"
                    "set confirmcreate=no confirmappend=no\n"
                    "set quit=yes mark_old=no wait_key=no beep=no help=no\n")
        push = f'push "<tag-pattern>~A<enter><tag-prefix><copy-message>{out}<enter><exit>"'
        master, slave = pty.openpty()
        fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 50, 200, 0, 0))
        env = dict(os.environ, TERM="xterm", HOME=tmp, MAIL=os.path.join(tmp, "none"))
        proc = subprocess.Popen(["mutt", "-n", "-F", rc, "-R", "-f", path, "-e", push],
                                stdin=slave, stdout=slave, stderr=slave, env=env,
                                close_fds=True)
        os.close(slave)
        deadline = time.time() + timeout
        while proc.poll() is None and time.time() < deadline:
            if select.select([master], [], [], 0.2)[0]:
                try:
                    os.read(master, 65536)
                except OSError:
                    break
        os.close(master)
        try:
            proc.wait(max(1.0, deadline - time.time()))
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
            raise RuntimeError(f"mutt did not finish with {path}")
        if not os.path.exists(out):
            return []
        box = (mailbox.MMDF if mmdf else mailbox.mbox)(out, create=False)
        return [box.get_message(k) for k in box.keys()]
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
