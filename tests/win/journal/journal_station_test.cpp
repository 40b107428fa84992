// The journal as the program keeps it beside the panel: what it hears before the panel is
// shown, the one stream after, and the end of the run told once.
#include "announcer.h"
#include "journal/win/journal_station.h"
#include "journal_win_fixture.h"
#include "panel_fakes.h"
#include "serial/win/serial_system.h"

#include <gtest/gtest.h>

namespace trx::test {

namespace {

void noTrouble(HWND, const char*) {}

class JournalStationStory : public JournalFolder {
  protected:
    void SetUp() override {
        JournalFolder::SetUp();
        serial.setPortNumber(PORT);
        serial.setBaudRate(1200);
    }

    SerialSystem system;
    SerialPort serial{system};
    FakeHost host;
    trxtest::ReceiverWindow panel;
    JournalStation station{settings, serial, host, "9.8.7", noTrouble};
    Announcer engine{station};
};

} // namespace

// Nothing of the line is recorded before the panel is shown, but a port that failed to open
// while the panel was made is: after the Start line, in the key of that port.
TEST_F(JournalStationStory, APortThatFailedBeforeTheJournalOpenedIsItsFirstLine) {
    station.portFailed(PORT, "COM47 ist belegt");
    engine.linkUp();
    station.controlPortEvent("offen auf 4703");
    station.open(panel.handle(), panel.router);
    ASSERT_TRUE(written(2));
    const std::vector<std::string> lines = texts();
    EXPECT_EQ(lines[0].rfind("TRXDESK 9.8.7, ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1], "COM47 ist belegt");
    EXPECT_EQ(lines.size(), 2u);
    station.close();
}

// After the panel is shown the engine, the panel and the control port reach the same file in
// the order they happened, and a session end is the last line, told once.
TEST_F(JournalStationStory, OneStreamInOrderAndTheEndToldOnce) {
    station.open(panel.handle(), panel.router);
    engine.linkUp();
    station.controlPortEvent("127.0.0.1:50000 verbunden");
    engine.reported(OperatingState, STATE_STANDBY);
    CommandSource client{SourceKind::Control, "127.0.0.1:50000"};
    station.commandRefused(client, "set program 99 abgelehnt (Wert)");
    station.sessionEnding();
    station.close(); // the loop ends after the session's end: no second Ende
    EXPECT_EQ(texts(),
              (std::vector<std::string>{texts()[0], "hergestellt", "127.0.0.1:50000 verbunden",
                                        "Betriebszustand: Bereit",
                                        "set program 99 abgelehnt (Wert)", "Abmeldung"}));
}

} // namespace trx::test
