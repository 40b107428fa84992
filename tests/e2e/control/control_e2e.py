#!/usr/bin/env python3
"""The control port end to end: the real TRXDESK.exe under Wine with trxsim on its COM port,
and a client on the Linux side of Wine's loopback, as a station's schedule program or its
monitoring would connect. run_control_e2e.sh starts both and names the ports:
STEUERPORT (the panel's control port) and TRXSIM_CONTROL_PORT (the simulator's)."""

import os
import random
import socket
import subprocess
import time
import unittest

HOST = "127.0.0.1"
CONNECT_TIMEOUT_S = 30  # Wine's first start in a fresh session takes a while
WAIT_S = 10
# The watchdog's 4.2 s and the echo's 2.2 s, with room for a loaded machine.
LINK_LOSS_S = 15


class Line:
    """One connection, read line by line."""

    def __init__(self, port, timeout=WAIT_S):
        self.sock = socket.create_connection((HOST, port), timeout=timeout)
        self.buffer = b""

    def close(self):
        self.sock.close()

    def send(self, text):
        self.sock.sendall(text.encode("latin-1") if isinstance(text, str) else text)

    def line(self):
        while b"\n" not in self.buffer:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise ConnectionError("closed with %r unread" % self.buffer)
            self.buffer += chunk
        line, self.buffer = self.buffer.split(b"\n", 1)
        assert line.endswith(b"\r"), "reply lines end CRLF: %r" % line
        return line[:-1].decode("latin-1")

    def reply(self, command=None):
        """The lines up to and including the status line; EVENT lines are left out."""
        if command is not None:
            self.send(command + "\n")
        lines = []
        while True:
            line = self.line()
            if line.startswith("EVENT "):
                continue
            lines.append(line)
            if line.startswith("RPRT "):
                return lines

    def until_event(self, wanted, timeout):
        self.sock.settimeout(timeout)
        try:
            while True:
                line = self.line()
                if line == wanted:
                    return True
        finally:
            self.sock.settimeout(WAIT_S)


class Simulator:
    """trxsim's own control port: one command a line, one reply a line."""

    def __init__(self, port):
        self.sock = socket.create_connection((HOST, port), timeout=WAIT_S)
        self.line = self.sock.makefile("rw")

    def ask(self, command):
        self.line.write(command + "\n")
        self.line.flush()
        reply = self.line.readline().strip()
        assert reply.startswith("OK"), "%s: %s" % (command, reply)
        return reply

    def logged(self):
        """The bytes received from the line since the last mark, as (register, value)."""
        entries = self.ask("log").split()[2:]  # "OK <count> <ms>:<byte>:<reg>:<value> ..."
        return [tuple(int(part) for part in entry.split(":")[2:4]) for entry in entries]

    def registers(self):
        return [int(value) for value in self.ask("dump").split()[1:]]

    def close(self):
        self.line.close()
        self.sock.close()


def scrape(port):
    connection = Line(port)
    connection.send("GET /metrics HTTP/1.1\r\nHost: trxdesk\r\n\r\n")
    data = b""
    while True:
        chunk = connection.sock.recv(65536)
        if not chunk:
            break
        data += chunk
    connection.close()
    head, body = data.split(b"\r\n\r\n", 1)
    return head.decode("latin-1"), body.decode("utf-8")


def promtool(body):
    result = subprocess.run(["promtool", "check", "metrics"], input=body.encode(),
                            capture_output=True)
    return result.returncode, (result.stdout + result.stderr).decode()


def sample(body, name, labels=None):
    """The value of the sample of `name` (with exactly `labels`, when given; else the first),
    or None when the family is left out."""
    for line in body.splitlines():
        selector, _, value = line.rpartition(" ")
        if selector.startswith(name + "{") and (labels is None or
                                                selector == "%s{%s}" % (name, labels)):
            return float(value)
    return None


def wait_until(condition, timeout, step=0.1):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(step)
    return condition()


def connect_panel(port):
    """A connection to the panel once it listens and has brought the link up."""
    deadline = time.monotonic() + CONNECT_TIMEOUT_S
    while True:
        try:
            client = Line(port)
            break
        except OSError:
            if time.monotonic() > deadline:
                raise
            time.sleep(0.2)
    up = wait_until(lambda: client.reply("get link") == ["link: up", "RPRT 0"],
                    CONNECT_TIMEOUT_S)
    assert up, "the panel did not bring the link up"
    return client


class ControlPortStory(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.port = int(os.environ["STEUERPORT"])
        cls.sim = Simulator(int(os.environ["TRXSIM_CONTROL_PORT"]))
        cls.client = connect_panel(cls.port)
        # The panel's refresh at link-up has been answered once every value is known.
        wait_until(lambda: "unknown" not in " ".join(cls.client.reply("get")), WAIT_S)

    @classmethod
    def tearDownClass(cls):
        cls.client.close()
        cls.sim.line.close()
        cls.sim.sock.close()

    def test_story(self):
        client, sim = self.client, self.sim
        watcher = Line(self.port)
        self.assertEqual(watcher.reply("subscribe"), ["RPRT 0"])

        # Reading puts nothing on the line; nor do 1,000 lines of random bytes after a first
        # line that says the client speaks this protocol (a first line too long ends it).
        sim.ask("mark")
        values = client.reply("get")
        self.assertEqual([line.split(":")[0] for line in values],
                         ["link", "frequency", "state", "power", "program", "antenna", "mode",
                          "tuned", "alarm", "report_age_ms", "RPRT 0"])
        self.assertEqual(values[2], "state: standby")
        noise = Line(self.port)
        chance = random.Random(17)
        lines = []
        # No line is blank, which would get no reply at all.
        first_bytes = [b for b in range(256) if b not in b"\t\n\r "]
        other_bytes = [b for b in range(256) if b != 10]
        for _ in range(1000):
            length = chance.randrange(0, 320)
            lines.append(bytes([chance.choice(first_bytes)] +
                               [chance.choice(other_bytes) for _ in range(length)]))
        self.assertEqual(noise.reply("get link"), ["link: up", "RPRT 0"])
        noise.send(b"\n".join(lines) + b"\n")
        statuses = [noise.reply()[-1] for _ in lines]
        self.assertTrue(all(s.startswith("RPRT -1 ") for s in statuses), set(statuses))
        noise.close()
        self.assertEqual(sim.logged(), [])

        # A frequency reaches the line and is answered after the transmitter's echo.
        sim.ask("mark")
        self.assertEqual(client.reply("set frequency 7,125"), ["RPRT 0"])
        digits = [(r, v) for r, v in sim.logged() if 1 <= r <= 7]
        self.assertEqual(digits, [(1, 0), (2, 7), (3, 1), (4, 2), (5, 5), (6, 0), (7, 0)])
        self.assertTrue(watcher.until_event("EVENT frequency 7.12500", WAIT_S))

        # Events follow the transmitter's own changes, as the panel shows them.
        sim.ask("set 9 5")
        self.assertTrue(watcher.until_event("EVENT program 5", WAIT_S))
        sim.ask("alarm on")
        self.assertTrue(watcher.until_event("EVENT alarm on", WAIT_S))
        sim.ask("alarm off")
        self.assertTrue(watcher.until_event("EVENT alarm off", WAIT_S))

        # The scrape while the link is up.
        head, body = scrape(self.port)
        self.assertTrue(head.startswith("HTTP/1.0 200 OK\r\n"), head)
        self.assertIn("Content-Type: text/plain; version=0.0.4", head)
        self.assertEqual(promtool(body), (0, ""))
        self.assertEqual(sample(body, "trxdesk_link_up"), 1)
        self.assertEqual(sample(body, "trxdesk_frequency_hertz"), 7125000)
        self.assertEqual(sample(body, "trxdesk_control_clients"), 2)
        port_label = 'port="COM%s"' % os.environ["TRXSIM_COM"]
        # Standby and the seven digits.
        self.assertGreaterEqual(
            sample(body, "trxdesk_commands_total", port_label + ',source="control"'), 8)

        # A silent transmitter: the link is lost.
        sim.ask("silent on")
        self.assertTrue(watcher.until_event("EVENT link down", LINK_LOSS_S))
        self.assertEqual(client.reply("get"), ["link: down", "RPRT -3 link down"])
        self.assertEqual(client.reply("set program 4"), ["RPRT -3 link down"])
        # Standby still goes out, as the panel's own key does; the silent transmitter takes it
        # and echoes nothing.
        sim.ask("mark")
        self.assertEqual(client.reply("set state standby"), ["RPRT -4 no acknowledgement"])
        self.assertEqual(sim.logged(), [(8, 1)])

        head, body = scrape(self.port)
        self.assertEqual(promtool(body), (0, ""))
        self.assertEqual(sample(body, "trxdesk_link_up"), 0)
        for family in ("trxdesk_frequency_hertz", "trxdesk_operating_state",
                       "trxdesk_report_age_seconds", "trxdesk_tuned", "trxdesk_alarm"):
            self.assertIsNone(sample(body, family), family)
        self.assertEqual(sample(body, "trxdesk_link_losses_total"), 1)
        self.assertGreaterEqual(sample(body, "trxdesk_ack_timeouts_total"), 1)

        # The transmitter back: the link returns and is announced before its values.
        sim.ask("silent off")
        self.assertTrue(watcher.until_event("EVENT link up", LINK_LOSS_S))

        # A write not acknowledged: RPRT -4, and the panel's own box says so and stays up, as
        # nobody is there to close it. While it is up, a client's next write waits (nothing
        # enters the engine from inside the box), and another client's get is answered.
        self.assertTrue(watcher.until_event("EVENT state standby", WAIT_S))
        sim.ask("silent on")
        started = time.monotonic()
        self.assertEqual(client.reply("set program 3"), ["RPRT -4 no acknowledgement"])
        self.assertLess(time.monotonic() - started, LINK_LOSS_S)
        sim.ask("mark")
        client.send("set program 5\n")
        reader = Line(self.port)
        self.assertTrue(reader.reply("get link")[-1].startswith("RPRT "))
        time.sleep(1)
        self.assertEqual(sim.logged(), [], "a write went on the line while the box was up")
        reader.close()
        watcher.close()


if __name__ == "__main__":
    unittest.main(verbosity=2)
