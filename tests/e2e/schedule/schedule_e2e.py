#!/usr/bin/env python3
"""The season schedule end to end: the real TRXDESK.exe under Wine with trxsim on its COM
port. A plan whose first entry begins a minute ahead and whose second asks for a frequency
the transmitter refuses; the plan is switched on through the control port. The line carries
the change in order, each write echoed; the transmitter is on air at the begin +-1 s; the
journal shows the plan's commands as Sendeplan; the refused frequency ends in standby with
the failure told to subscribers, the journal and the metrics."""

import datetime
import glob
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "control"))
from control_e2e import Line, Simulator, connect_panel, scrape, wait_until  # noqa: E402

COM = int(os.environ["TRXSIM_COM"])
HEADER = ("Beginn UTC;Ende UTC;Tage;Frequenz MHz;Taste;Programm;Antenne;Betrieb;"
          "gültig ab;gültig bis;Bemerkung\r\n")
# The change of the first entry begins the lead time (60 s) before it; at least this long
# ahead, so that the story sees it start.
LEAD_S = 60
MIN_AHEAD_S = LEAD_S + 15
STANDBY, TUNE, P1000 = 1, 2, 6


def local_app_data():
    users = os.path.join(os.environ["WINEPREFIX"], "drive_c", "users")
    found = [p for p in glob.glob(os.path.join(users, "*", "AppData", "Local"))
             if os.sep + "Public" + os.sep not in p]
    assert found, "no AppData\\Local in the prefix"
    return found[0]


def clock(seconds):
    return time.strftime("%H:%M", time.gmtime(seconds))


class ScheduleStory(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.port = int(os.environ["STEUERPORT"])
        cls.sim = Simulator(int(os.environ["TRXSIM_CONTROL_PORT"]))
        cls.client = connect_panel(cls.port)

    @classmethod
    def tearDownClass(cls):
        cls.client.close()
        cls.sim.close()

    def test_story(self):
        client, sim = self.client, self.sim
        watcher = Line(self.port, timeout=180)
        self.assertEqual(watcher.reply("subscribe"), ["RPRT 0"])

        now = time.time()
        begin = (int(now) // 60 + 1) * 60
        if begin - now < MIN_AHEAD_S:
            begin += 60
        end, last = begin + 60, begin + 120
        folder = os.path.join(local_app_data(), "TRXDESK", "Sendeplan")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "Com%d.csv" % COM), "w", encoding="utf-8",
                  newline="") as plan:
            plan.write(HEADER)
            plan.write("%s;%s;täglich;9,5;;;;1000;;;erster\r\n" % (clock(begin), clock(end)))
            plan.write("%s;%s;1234567;11.75;;;;1000;;;abgewiesen\r\n" % (clock(end), clock(last)))
        sim.ask("refuse-frequency 11.75")

        self.assertEqual(client.reply("schedule reload"), ["RPRT 0"])
        self.assertEqual(client.reply("schedule on"), ["RPRT 0"])
        iso = datetime.datetime.fromtimestamp(begin, datetime.timezone.utc)
        self.assertEqual(client.reply("get schedule"),
                         ["schedule: on",
                          "next: %s 9,50000 MHz 1000 W" % iso.strftime("%Y-%m-%dT%H:%M:%SZ"),
                          "file: ok", "RPRT 0"])
        sim.ask("mark")

        on_air = []

        def tuned_in():
            r = sim.registers()
            if r[8] == P1000 and r[1:8] == [0, 9, 5, 0, 0, 0, 0]:
                on_air.append(time.time())
                return True
            return False

        self.assertTrue(wait_until(tuned_in, begin - time.time() + 5),
                        "not on air on 9,5 MHz at the begin")
        self.assertLessEqual(on_air[0], begin + 1, "on air after the begin")
        self.assertGreaterEqual(on_air[0], begin - LEAD_S - 1, "on air before the change")
        print("on air %.1f s before the begin" % (begin - on_air[0]))

        # Standby first, the digits, then tune and the power stage, in that order.
        writes = [w for w in sim.logged() if w[0] != 15]
        states = [v for r, v in writes if r == 8]
        digits = [(r, v) for r, v in writes if 1 <= r <= 7]
        self.assertEqual(writes[0], (8, STANDBY), writes)
        self.assertEqual(digits, [(1, 0), (2, 9), (3, 5), (4, 0), (5, 0), (6, 0), (7, 0)])
        self.assertEqual([s for i, s in enumerate(states) if i == 0 or states[i - 1] != s],
                         [STANDBY, TUNE, P1000], writes)
        self.assertLess(writes.index((7, 0)), writes.index((8, TUNE)), writes)
        self.assertTrue(watcher.until_event("EVENT schedule done", 30))

        # The second entry's frequency is refused: tried twice, then standby and the alarm.
        self.assertTrue(watcher.until_event("EVENT schedule failed frequency rejected",
                                            end - time.time() + 60))
        self.assertTrue(wait_until(lambda: sim.registers()[8] == STANDBY, 10))
        _, body = scrape(self.port)
        changes = {line.rsplit(" ", 1)[0].split("result=")[1]: line.rsplit(" ", 1)[1]
                   for line in body.splitlines()
                   if line.startswith("trxdesk_schedule_changes_total{")}
        self.assertEqual(changes, {'"ok"}': "1", '"failed"}': "1"}, body)
        self.assertIn("trxdesk_schedule_enabled{", body)

        day = time.strftime("%Y-%m-%d", time.gmtime(begin))
        journal_file = os.path.join(local_app_data(), "TRXDESK", "Journal", "Com%d" % COM,
                                    day + ".csv")
        failed_line = (";Sendeplan;Sendeplan;;;;Wechsel fehlgeschlagen, Sender auf Bereit: "
                       "Schritt Frequenz, vom Sender nicht übernommen;")

        def journal_text():
            with open(journal_file, encoding="utf-8-sig") as f:
                return f.read()

        # The journal's writer thread puts the lines into the file a moment later.
        wait_until(lambda: failed_line in journal_text(), 10)
        journal = journal_text()
        self.assertIn(";Sendeplan;Befehl;", journal)
        self.assertIn(";Sendeplan;Sendeplan;;;;Wechsel fertig nach", journal)
        self.assertIn(failed_line, journal)
        self.assertNotIn(";Quittung;", journal, "a write of the plan was not echoed")
        watcher.close()


if __name__ == "__main__":
    unittest.main(verbosity=2)
