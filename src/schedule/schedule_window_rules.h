// What the window "Sendeplan…" shows, apart from the window: one line per entry of today and
// the next days with its state, the countdown to the next change, and the file's problems.
#ifndef TRXDESK_SCHEDULE_WINDOW_RULES_H
#define TRXDESK_SCHEDULE_WINDOW_RULES_H

#include "schedule/schedule_runner.h"

#include <string>
#include <vector>

namespace trx {

// Today (UTC) and this many days after it.
constexpr int SCHEDULE_WINDOW_DAYS = 2;

// "erledigt", "läuft", "fehlgeschlagen: Frequenz: keine Quittung", "übersprungen", "Hand", "".
std::string entryStateText(const EntryRow& row);
// "08.12.  03:00-04:00  erledigt  Zeile 4: 9,50000 MHz 1000 W"
std::vector<std::string> scheduleWindowLines(const ScheduleRunner& runner, UtcSeconds now);
// "Nächster Wechsel 03:00 UTC in 4 min 10 s", "Plan aus", "kein Eintrag geplant"
std::string scheduleCountdownText(const ScheduleRunner& runner, UtcSeconds now);
// "Datei in Ordnung" or one line per problem.
std::vector<std::string> scheduleProblemLines(const ScheduleRunner& runner);

} // namespace trx

#endif
