#!/usr/bin/env python3
"""The monitoring story with the real servers: Debian's Prometheus scrapes the real
TRXDESK.exe (under Wine, trxsim on its COM port) with the shipped job, evaluates the shipped
alert rules and sends to Debian's Alertmanager with the shipped routes; the webhook receiver
runs here. trxsim falls silent, and the link-down alert must reach the receiver naming the
panel's title and port; it comes back, and the alert is resolved.

run_control_e2e.sh imports the panel's hostile title (`--registry COM`), starts trxsim and the
panel and names their ports (STEUERPORT, TRXSIM_CONTROL_PORT, TRXSIM_COM). The servers run
here with their own temporary data folders, on free loopback ports, with one-second scrape
and evaluation intervals. Their configuration is made from the shipped files: the rules are
a copy of trxdesk_alerts.yml with every `for` shortened to FOR_SECONDS (the shipped ones
wait minutes), the job is the shipped local one aimed at the panel, and the Alertmanager's
routes are the shipped ones with both receivers sent here."""

import http.server
import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import urllib.parse
import urllib.request

import yaml

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "control"))
from control_e2e import Simulator, wait_until  # noqa: E402

HOST = "127.0.0.1"
MONITORING_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                              "monitoring")
# Quotes, a backslash, an umlaut and a line break: 26 characters, within the title's 31.
TITLE = 'Sender "Süd" \\ 7\nNachtdienst'
# As `info` and the scrape give it: one line, UTF-8.
TITLE_SHOWN = TITLE.replace("\n", " ")
CONNECT_TIMEOUT_S = 60  # Wine's first start in a fresh prefix takes a while
SERVER_START_S = 30
WAIT_S = 10
# The panel finds a silent line within 4.2 s; then a scrape, an evaluation, the shortened
# `for` and the Alertmanager's group wait, each a second or two, on a loaded machine.
ALERT_S = 60
FOR_SECONDS = 2


def free_port():
    with socket.socket() as s:
        s.bind((HOST, 0))
        return s.getsockname()[1]


def title_reg(com):
    """The registry file that gives COM<com>'s panel TITLE (REG_SZ as UTF-16 bytes)."""
    data = ",".join("%02x" % b for b in (TITLE + "\0").encode("utf-16-le"))
    return ("Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Quandor\\TRXDESK\\Com%s]\r\n"
            '"Titel"=hex(1):%s\r\n' % (com, data))


def control_reply(port, command):
    """The lines of one command's reply, up to its status line, decoded as UTF-8."""
    with socket.create_connection((HOST, port), timeout=WAIT_S) as s:
        s.sendall(command.encode() + b"\n")
        data = b""
        while not data.endswith(b"\r\n") or b"RPRT" not in data.rsplit(b"\r\n", 2)[-2]:
            chunk = s.recv(65536)
            if not chunk:
                break
            data += chunk
    return data.decode("utf-8").split("\r\n")[:-1]


class Receiver(http.server.BaseHTTPRequestHandler):
    """The webhook receiver: keeps each notification with the path it came to."""

    notifications = []
    lock = threading.Lock()

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = json.loads(self.rfile.read(length).decode("utf-8"))
        with Receiver.lock:
            Receiver.notifications.append((self.path, body))
        self.send_response(200)
        self.end_headers()

    def log_message(self, *args):
        pass

    @classmethod
    def alerts(cls, path, name, status):
        with cls.lock:
            return [alert for where, body in cls.notifications if where == path
                    for alert in body["alerts"]
                    if alert["labels"]["alertname"] == name and alert["status"] == status]


def read_yaml(path):
    with open(path, encoding="utf-8") as f:
        return yaml.safe_load(f)


def write_yaml(data, path):
    with open(path, "w", encoding="utf-8") as f:
        yaml.safe_dump(data, f, allow_unicode=True)


def shortened_rules(shipped, out):
    rules = read_yaml(shipped)
    for group in rules["groups"]:
        for rule in group["rules"]:
            rule["for"] = "%ds" % FOR_SECONDS
    write_yaml(rules, out)


def prometheus_config(shipped, rules, alertmanager_port, panel_port, out):
    config = read_yaml(shipped)
    config["global"].update(scrape_interval="1s", evaluation_interval="1s")
    config["rule_files"] = [rules]
    config["alerting"]["alertmanagers"][0]["static_configs"] = [
        {"targets": ["%s:%d" % (HOST, alertmanager_port)]}]
    local = [job for job in config["scrape_configs"] if "basic_auth" not in job]
    assert len(local) == 1, "the shipped job has one local job"
    local[0]["static_configs"] = [{"targets": ["%s:%d" % (HOST, panel_port)]}]
    config["scrape_configs"] = local
    write_yaml(config, out)


def alertmanager_config(shipped, receiver_port, out):
    config = read_yaml(shipped)
    del config["global"]  # no mail server here: the mail receiver posts here too
    config["route"].update(group_wait="0s", group_interval="1s")
    for route in config["route"]["routes"]:
        route.update(group_wait="0s", group_interval="1s")
    for receiver in config["receivers"]:
        receiver.pop("email_configs", None)
        receiver["webhook_configs"] = [{"url": "http://%s:%d/%s" % (HOST, receiver_port,
                                                                    receiver["name"]),
                                        "send_resolved": True}]
    write_yaml(config, out)


def query(prometheus_port, expr):
    url = "http://%s:%d/api/v1/query?%s" % (HOST, prometheus_port,
                                            urllib.parse.urlencode({"query": expr}))
    try:
        with urllib.request.urlopen(url, timeout=WAIT_S) as reply:
            return json.load(reply)["data"]["result"]
    except OSError:
        return []


class MonitoringStory(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.processes = []
        cls.panel = int(os.environ["STEUERPORT"])
        cls.com = os.environ["TRXSIM_COM"]
        shipped = MONITORING_DIR
        cls.sim = Simulator(int(os.environ["TRXSIM_CONTROL_PORT"]))
        cls.receiver = http.server.ThreadingHTTPServer((HOST, 0), Receiver)
        threading.Thread(target=cls.receiver.serve_forever, daemon=True).start()
        cls.work = tempfile.mkdtemp(prefix="trxdesk-monitoring-")
        # Whatever fails from here on, the servers end and the folder goes.
        cls.addClassCleanup(cls.stop)
        alertmanager_port, prometheus_port = free_port(), free_port()
        cls.prometheus_port = prometheus_port
        rules = os.path.join(cls.work, "rules.yml")
        shortened_rules(os.path.join(shipped, "trxdesk_alerts.yml"), rules)
        prometheus_yml = os.path.join(cls.work, "prometheus.yml")
        prometheus_config(os.path.join(shipped, "prometheus.yml"), rules, alertmanager_port,
                          cls.panel, prometheus_yml)
        alertmanager_yml = os.path.join(cls.work, "alertmanager.yml")
        alertmanager_config(os.path.join(shipped, "alertmanager.yml"),
                            cls.receiver.server_address[1], alertmanager_yml)
        cls.start("prometheus-alertmanager", "--config.file=" + alertmanager_yml,
                  "--storage.path=" + os.path.join(cls.work, "alertmanager-data"),
                  "--web.listen-address=%s:%d" % (HOST, alertmanager_port),
                  "--cluster.listen-address=")
        cls.start("prometheus", "--config.file=" + prometheus_yml,
                  "--storage.tsdb.path=" + os.path.join(cls.work, "prometheus-data"),
                  "--web.listen-address=%s:%d" % (HOST, prometheus_port))

        # The panel under Wine, its link up.
        up = wait_until(lambda: cls.link_up(), CONNECT_TIMEOUT_S, 0.5)
        assert up, "the panel did not bring the link up"

    @classmethod
    def link_up(cls):
        try:
            return control_reply(cls.panel, "get link") == ["link: up", "RPRT 0"]
        except OSError:
            return False

    @classmethod
    def start(cls, program, *arguments):
        if shutil.which(program) is None:
            raise RuntimeError(program + " is missing (scripts/setup.sh installs it)")
        log = open(os.path.join(cls.work, program + ".log"), "w")
        cls.processes.append((program, subprocess.Popen((program,) + arguments, stdout=log,
                                                        stderr=subprocess.STDOUT), log))

    @classmethod
    def stop(cls):
        for program, process, log in cls.processes:
            process.terminate()
            try:
                process.wait(WAIT_S)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
            log.close()
            if process.returncode not in (0, -15):
                with open(os.path.join(cls.work, program + ".log")) as failed:
                    print("%s ended with %s:\n%s" % (program, process.returncode,
                                                     failed.read()[-4000:]), file=sys.stderr)
        cls.receiver.shutdown()
        cls.receiver.server_close()
        cls.sim.close()
        shutil.rmtree(cls.work, ignore_errors=True)

    def test_link_down_reaches_the_webhook_with_title_and_port(self):
        port = "COM" + self.com
        info = control_reply(self.panel, "info")
        self.assertEqual(info[0], "title: " + TITLE_SHOWN)
        self.assertEqual(info[1], "port: " + port)
        self.assertRegex(info[4], r"^journal: .*\\Com%s\\\d{4}-\d\d-\d\d\.csv$" % self.com)
        self.assertEqual(info[-1], "RPRT 0")

        # Prometheus reads the escaped title back whole from the panel's scrape.
        scraped = wait_until(
            lambda: query(self.prometheus_port, 'trxdesk_info * on (port) trxdesk_link_up == 1'),
            SERVER_START_S)
        self.assertTrue(scraped, "Prometheus did not scrape the panel with its link up")
        infos = query(self.prometheus_port, "trxdesk_info")
        self.assertEqual([(i["metric"]["title"], i["metric"]["port"]) for i in infos],
                         [(TITLE_SHOWN, port)])

        self.sim.ask("silent on")
        self.assertTrue(
            wait_until(lambda: Receiver.alerts("/leitstelle-webhook", "TrxdeskLinkDown",
                                               "firing"), ALERT_S),
            "the link-down alert did not reach the webhook")
        alert = Receiver.alerts("/leitstelle-webhook", "TrxdeskLinkDown", "firing")[0]
        self.assertEqual(alert["labels"]["title"], TITLE_SHOWN)
        self.assertEqual(alert["labels"]["port"], port)
        self.assertEqual(alert["labels"]["severity"], "critical")
        self.assertEqual(alert["annotations"]["summary"],
                         "Sender „%s“ an %s: keine Verbindung" % (TITLE_SHOWN, port))
        # Critical alerts go on to the mail receiver too (the route continues).
        self.assertTrue(wait_until(lambda: Receiver.alerts("/leitstelle-mail",
                                                           "TrxdeskLinkDown", "firing"), WAIT_S))

        self.sim.ask("silent off")
        self.assertTrue(
            wait_until(lambda: Receiver.alerts("/leitstelle-webhook", "TrxdeskLinkDown",
                                               "resolved"), ALERT_S),
            "the link's return did not resolve the alert")
        self.assertEqual(Receiver.alerts("/leitstelle-webhook", "TrxdeskPanelGone", "firing"), [])


if __name__ == "__main__":
    if sys.argv[1:2] == ["--registry"]:
        sys.stdout.buffer.write(title_reg(sys.argv[2]).encode("utf-16"))
        sys.exit(0)
    unittest.main(verbosity=2)
