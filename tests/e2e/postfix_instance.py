# SPDX-License-Identifier: GPL-3.0-or-later
"""A private Postfix instance for end-to-end tests and benchmarks: its own config_directory,
queue, data folder, log and maildirs in a temporary folder, listening on 127.0.0.1 only, on
two ports found free at run time: STARTTLS (required) on .starttls_port and TLS from the
first byte on .tls_port, both with a Cyrus SASL login (user "ana", PLAIN and LOGIN) from a
sasldb made with saslpasswd2. Mail to readerN@example.org (N below 10,000; and any local part listed in
`mailboxes`) is delivered by virtual(8) into a maildir each; any other local part of
example.org is refused at RCPT TO ("550 5.1.1 ... User unknown").

    with PostfixInstance(certificate_pem) as mta:
        ... send to 127.0.0.1:mta.starttls_port, SSL_CERT_FILE = the authority ...
        mta.wait_for_messages(count, seconds); mta.messages() -> {mailbox: [bytes, ...]}

Postfix's master must run as root; the instance is stopped (and its master killed, should
the stop fail) however the block ends. The system's own instance (/etc/postfix) is never
named: every command gets -c with this instance's folder.
"""
import glob
import os
import pwd
import shutil
import signal
import socket
import subprocess
import tempfile
import time

POSTFIX = "/usr/sbin/postfix"
SASLPASSWD = "/usr/sbin/saslpasswd2"
DOMAIN = "example.org"
READERS = 10000


def available():
    """Why a private instance cannot run here, or None when it can."""
    if os.geteuid() != 0:
        return "Postfix's master runs as root only"
    for program in (POSTFIX, SASLPASSWD, "/usr/sbin/postconf"):
        if not os.access(program, os.X_OK):
            return program + " is missing (packages postfix, sasl2-bin)"
    if not glob.glob("/usr/lib/*/sasl2/libsasldb.so*"):
        return "the sasldb plugin is missing (package libsasl2-modules)"
    try:
        pwd.getpwnam("postfix")
    except KeyError:
        return "there is no postfix user"
    return None


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


# chroot off everywhere: the instance's files lie outside any jail Postfix would make.
MASTER_CF = """\
{starttls_port} inet n - n - - smtpd
  -o smtpd_tls_security_level=encrypt
{tls_port} inet n - n - - smtpd
  -o smtpd_tls_wrappermode=yes
pickup    unix  n       -       n       60      1       pickup
cleanup   unix  n       -       n       -       0       cleanup
qmgr      unix  n       -       n       300     1       qmgr
tlsmgr    unix  -       -       n       1000?   1       tlsmgr
rewrite   unix  -       -       n       -       -       trivial-rewrite
bounce    unix  -       -       n       -       0       bounce
defer     unix  -       -       n       -       0       bounce
trace     unix  -       -       n       -       0       bounce
verify    unix  -       -       n       -       1       verify
flush     unix  n       -       n       1000?   0       flush
proxymap  unix  -       -       n       -       -       proxymap
proxywrite unix -       -       n       -       1       proxymap
smtp      unix  -       -       n       -       -       smtp
relay     unix  -       -       n       -       -       smtp
showq     unix  n       -       n       -       -       showq
error     unix  -       -       n       -       -       error
retry     unix  -       -       n       -       -       error
discard   unix  -       -       n       -       -       discard
local     unix  -       n       n       -       -       local
virtual   unix  -       n       n       -       -       virtual
anvil     unix  -       -       n       -       1       anvil
scache    unix  -       -       n       -       1       scache
postlog   unix-dgram n  -       n       -       1       postlogd
"""

MAIN_CF = """\
compatibility_level = 3.6
config_directory = {etc}
queue_directory = {root}/queue
data_directory = {root}/data
maillog_file = {root}/maillog
maillog_file_prefixes = {root}
mail_owner = postfix
setgid_group = postdrop
inet_interfaces = 127.0.0.1
inet_protocols = ipv4
myhostname = mta.test
mydomain = test
mydestination =
alias_maps =
alias_database =
local_recipient_maps =
mynetworks = 127.0.0.1/32
smtpd_banner = $myhostname ESMTP
smtpd_peername_lookup = no
smtp_dns_support_level = disabled
smtpd_error_sleep_time = 0
smtpd_tls_chain_files = {certificate}
smtpd_tls_auth_only = yes
smtpd_sasl_auth_enable = yes
smtpd_sasl_type = cyrus
smtpd_sasl_path = smtpd
smtpd_sasl_local_domain = {domain}
cyrus_sasl_config_path = {sasl}
smtpd_relay_restrictions = permit_sasl_authenticated, reject
virtual_mailbox_domains = {domain}
virtual_mailbox_base = {root}/mail
virtual_mailbox_maps = texthash:{etc}/mailboxes
virtual_uid_maps = static:{uid}
virtual_gid_maps = static:{gid}
virtual_destination_concurrency_limit = 20
"""


class PostfixInstance:
    def __init__(self, certificate, password="s3cret", mailboxes=()):
        self.certificate = certificate
        self.password = password
        self.mailboxes = list(mailboxes)
        self.starttls_port = self.tls_port = None
        self._folder = None
        self._started = False

    # Postfix's own user must reach every folder it reads: the temporary folder lies in
    # /tmp (which anyone may traverse) and is opened up from its private 0700.
    def __enter__(self):
        self._folder = tempfile.mkdtemp(prefix="pelmar-postfix-", dir="/tmp")
        os.chmod(self._folder, 0o755)
        try:
            self._configure()
            self._run("start")
            self._started = True
            self._wait_for_listeners()
        except BaseException:
            self.__exit__()
            raise
        return self

    def __exit__(self, *exc):
        if self._started:
            self._stop()
        if self._folder:
            shutil.rmtree(self._folder, ignore_errors=True)
            self._folder = None

    def path(self, *parts):
        return os.path.join(self._folder, *parts)

    def _configure(self):
        # Debian's smtpd reads smtpd.conf from the sasl folder of its config_directory.
        etc, sasl, mail = self.path("etc"), self.path("etc", "sasl"), self.path("mail")
        for folder in (sasl, mail, self.path("data"), self.path("queue")):
            os.makedirs(folder)
        postfix = pwd.getpwnam("postfix")
        nobody = pwd.getpwnam("nobody")
        os.chown(self.path("data"), postfix.pw_uid, postfix.pw_gid)
        os.chown(mail, nobody.pw_uid, nobody.pw_gid)
        certificate = self._chain_file()
        self.starttls_port, self.tls_port = free_port(), free_port()
        while self.tls_port == self.starttls_port:
            self.tls_port = free_port()
        values = dict(etc=etc, root=self._folder, certificate=certificate, domain=DOMAIN, sasl=sasl,
                      uid=nobody.pw_uid, gid=nobody.pw_gid)
        self._write(etc, "main.cf", MAIN_CF.format(**values))
        self._write(etc, "master.cf", MASTER_CF.format(starttls_port="127.0.0.1:%d" % self.starttls_port,
                                                     tls_port="127.0.0.1:%d" % self.tls_port))
        # virtual(8) takes no regular-expression substitution: every mailbox is listed.
        boxes = ["reader%d" % i for i in range(READERS)] + self.mailboxes
        self._write(etc, "mailboxes", "".join("%s@%s %s/\n" % (box, DOMAIN, box) for box in boxes))
        database = os.path.join(sasl, "sasldb2")
        self._write(sasl, "smtpd.conf", "pwcheck_method: auxprop\nauxprop_plugin: sasldb\n"
                                        "mech_list: PLAIN LOGIN\nsasldb_path: %s\n" % database)
        subprocess.run([SASLPASSWD, "-c", "-p", "-f", database, "-u", DOMAIN, "ana"],
                       input=self.password.encode(), check=True, capture_output=True)
        os.chown(database, 0, postfix.pw_gid)
        os.chmod(database, 0o640)

    # smtpd_tls_chain_files wants the key before the certificates it belongs to.
    def _chain_file(self):
        with open(self.certificate) as f:
            blocks = ["-----BEGIN" + block for block in f.read().split("-----BEGIN")[1:]]
        keys = [block for block in blocks if "PRIVATE KEY-----" in block.splitlines()[0]]
        path = self.path("etc", "server.pem")
        with open(os.open(path, os.O_WRONLY | os.O_CREAT, 0o600), "w") as f:
            f.write("".join(keys + [block for block in blocks if block not in keys]))
        return path

    @staticmethod
    def _write(folder, name, text):
        with open(os.path.join(folder, name), "w") as f:
            f.write(text)

    def _run(self, command):
        done = subprocess.run([POSTFIX, "-c", self.path("etc"), command], capture_output=True, text=True)
        if done.returncode != 0:
            raise RuntimeError("postfix %s failed: %s%s\n%s" % (command, done.stdout, done.stderr, self.log()))

    def _master_pid(self):
        try:
            with open(self.path("queue", "pid", "master.pid")) as f:
                return int(f.read().split()[0])
        except (OSError, ValueError, IndexError):
            return None

    def _stop(self):
        master = self._master_pid()
        try:
            self._run("stop")
        except RuntimeError:
            pass
        deadline = time.monotonic() + 10
        while master and time.monotonic() < deadline and self._alive(master):
            time.sleep(0.05)
        if master and self._alive(master):
            os.kill(master, signal.SIGKILL)
        self._started = False

    # A master that has ended may stay a zombie until its parent (init in a container)
    # reaps it: that one is gone too.
    @staticmethod
    def _alive(pid):
        try:
            with open("/proc/%d/stat" % pid) as f:
                return f.read().rsplit(")", 1)[1].split()[0] != "Z"
        except (OSError, IndexError):
            return False

    def _wait_for_listeners(self):
        deadline = time.monotonic() + 20
        for port in (self.starttls_port, self.tls_port):
            while True:
                try:
                    socket.create_connection(("127.0.0.1", port), timeout=1).close()
                    break
                except OSError:
                    if time.monotonic() > deadline:
                        raise RuntimeError("Postfix does not listen on %d\n%s" % (port, self.log()))
                    time.sleep(0.05)

    def log(self):
        try:
            with open(self.path("maillog"), errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def messages(self):
        """{mailbox: [message bytes, ...]} of everything delivered so far."""
        found = {}
        for path in sorted(glob.glob(self.path("mail", "*", "new", "*"))):
            box = os.path.basename(os.path.dirname(os.path.dirname(path)))
            with open(path, "rb") as f:
                found.setdefault(box + "@" + DOMAIN, []).append(f.read())
        return found

    def delivered(self):
        return len(glob.glob(self.path("mail", "*", "new", "*")))

    def wait_for_messages(self, count, seconds):
        """Waits until count messages lie in the maildirs and the queue is empty; True if so."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if self.delivered() >= count and not self._queued():
                return True
            time.sleep(0.05)
        return False

    def _queued(self):
        return any(files for folder in ("incoming", "active", "deferred")
                   for _, _, files in os.walk(self.path("queue", folder)))
