// The season schedule on a window standing in for the panel, under Wine: the plan file named
// by the port's key, watched in its folder, the registry's switch, the plan line, the
// message about a bad file told once, and hand operation, against a clock of the test's.
#include "app/settings_codec.h"
#include "panel_fakes.h"
#include "receiver_window.h"
#include "res/resource.h"
#include "schedule/win/schedule_station.h"
#include "schedule_fixture.h"
#include "schedule_transmitter.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace trx {

namespace {

constexpr int PORT = 49;
// Monday 4 January 2027, 02:00 UTC.
constexpr UtcSeconds MONDAY_0200 = UtcSeconds{20822} * SECONDS_PER_DAY + 2 * 3600;
UtcSeconds fakeNow = MONDAY_0200;
UtcSeconds fakeClock() {
    return fakeNow;
}
std::vector<std::string> planLines;
void recordPlan(HWND, const char* text, bool) {
    planLines.emplace_back(text);
}

struct HeardJournal final : StationEvents {
    std::vector<std::string> lines;
    void scheduleEvent(const char* text) override { lines.emplace_back(text); }
};

class ScheduleStationStory : public ::testing::Test {
  protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        folder = std::string(temp) + "trx-schedule-test";
        CreateDirectoryA(folder.c_str(), nullptr);
        path = folder + "\\plan.csv";
        DeleteFileA(path.c_str());
        settingsKeyPath(PORT, keyPath, sizeof keyPath);
        RegDeleteTreeA(HKEY_CURRENT_USER, keyPath);
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, "Sendeplan", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                       static_cast<DWORD>(path.size() + 1));
        const DWORD on = 1;
        RegSetValueExA(key, "SendeplanAktiv", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on),
                       sizeof on);
        RegCloseKey(key);
        settings.useRegistry = true;
        fakeNow = MONDAY_0200;
        planLines.clear();
    }
    void TearDown() override {
        station.reset();
        RegDeleteTreeA(HKEY_CURRENT_USER, keyPath);
        DeleteFileA(path.c_str());
        RemoveDirectoryA(folder.c_str());
    }
    void writePlan(const std::string& lines) { writePlanTo(path, lines); }
    void writePlanTo(const std::string& to, const std::string& lines) {
        HANDLE file = CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        const std::string text = planText({}) + lines;
        DWORD written = 0;
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        // A new stamp even within the file system's time resolution.
        FILETIME stamp{static_cast<DWORD>(++writes), 0x01D00000};
        SetFileTime(file, nullptr, nullptr, &stamp);
        CloseHandle(file);
    }
    void open() {
        station =
            std::make_unique<ScheduleStation>(engine, settings, PORT, host, recordPlan, fakeClock);
        station->tellJournal(journal);
        station->open(panel.handle(), panel.router);
        fileRead();
    }
    // The plan file's thread has answered.
    void fileRead() {
        ASSERT_TRUE(panel.pumpUntil([&] { return !station->planFileReading(); }, 10000));
    }
    // The line carries every queued write, echoed and reported, and the posted polls run.
    void line() {
        for (int round = 0; round < 20 && !engine.queued.empty(); ++round) {
            engine.carry(*station, [] {});
            panel.pumpFor(20);
        }
    }
    // The clock moved: Windows tells every top-level window.
    void at(UtcSeconds time) {
        fakeNow = time;
        SendMessageA(panel.handle(), WM_TIMECHANGE, 0, 0);
        line();
    }
    bool journaled(const std::string& part) const {
        for (const std::string& l : journal.lines) {
            if (l.find(part) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    std::string folder;
    std::string path;
    char keyPath[MAX_PATH] = {};
    int writes = 0;
    Settings settings;
    FakeTransmitter engine;
    FakeHost host;
    HeardJournal journal;
    trxtest::ReceiverWindow panel;
    std::unique_ptr<ScheduleStation> station;
};

} // namespace

TEST_F(ScheduleStationStory, ThePortsKeyNamesTheFileAndSwitchesThePlanOn) {
    writePlan("03:00;04:00;1234567;9,5;;;;1000;;;\r\n");
    open();
    ASSERT_FALSE(planLines.empty());
    EXPECT_EQ(planLines.back(), "Plan: 03:00 UTC 9,50000 MHz 1000 W");
    EXPECT_TRUE(journaled("geladen: 1 Einträge, 1 in Kraft"));
    EXPECT_TRUE(journaled("eingeschaltet"));
    // Off from the menu: the key remembers it.
    station->switchSchedule(false);
    EXPECT_EQ(planLines.back(), "Plan aus");
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD value = 1;
    DWORD size = sizeof value;
    RegQueryValueExA(key, "SendeplanAktiv", nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                     &size);
    RegCloseKey(key);
    EXPECT_EQ(value, 0u);
    const ScheduleReport report = station->scheduleReport();
    EXPECT_EQ(report.mode, ScheduleReport::Off);
    EXPECT_STREQ(report.nextTime, "2027-01-04T03:00:00Z");
}

TEST_F(ScheduleStationStory, ABadFileSavedLaterKeepsThePlanAndIsToldOnce) {
    writePlan("03:00;04:00;1234567;9,5;;;;1000;;;\r\n");
    open();
    ASSERT_TRUE(host.boxes.empty());
    writePlan("03:00;04:00;1234567;9,5;;16;;1000;;;\r\n05:00;05:00;;;;;;;;;\r\n");
    // The folder's watcher hears the save; no polling.
    ASSERT_TRUE(panel.pumpUntil([&] { return !host.boxes.empty(); }, 10000));
    EXPECT_NE(host.boxes[0].text.find("2 fehlerhafte Zeilen"), std::string::npos)
        << host.boxes[0].text;
    EXPECT_NE(host.boxes[0].text.find("Zeile 2:"), std::string::npos) << host.boxes[0].text;
    EXPECT_EQ(planLines.back(), "Plan: 03:00 UTC 9,50000 MHz 1000 W");
    station->reloadSchedule();
    fileRead();
    EXPECT_EQ(host.boxes.size(), 1u) << "the same faults are told once";
    EXPECT_EQ(station->scheduleReport().badLines, 2);
    EXPECT_EQ(station->runner().plan().entries.size(), 1u);
}

TEST_F(ScheduleStationStory, TheOperatorsWriteDuringAnEntryPutsThePlanInHand) {
    writePlan("03:00;04:00;1234567;9,5;;;;1000;;;\r\n05:00;06:00;1234567;11,75;;;;250;;;\r\n");
    open();
    at(MONDAY_0200 + 59 * 60);
    EXPECT_EQ(engine.m[FrequencyDigit2], 9);
    EXPECT_EQ(engine.m[OperatingState], STATE_P1000);
    EXPECT_TRUE(journaled("Wechsel fertig"));
    fakeNow = MONDAY_0200 + 3600 + 600;
    engine.queue({{ProgramNumber, 3}}, SourceKind::Panel);
    line();
    ASSERT_FALSE(planLines.empty());
    EXPECT_EQ(planLines.back(), "Plan: Hand bis 04:59");
    EXPECT_TRUE(journaled("Handbetrieb bis 04:59 UTC"));
    EXPECT_EQ(station->scheduleReport().mode, ScheduleReport::Hand);
    // "Plan jetzt ausführen" brings the transmitter back into the entry.
    station->runScheduleNow();
    line();
    EXPECT_EQ(engine.m[OperatingState], STATE_P1000);
    EXPECT_EQ(planLines.back(), "Plan: 05:00 UTC 11,75000 MHz 250 W");
}

// The settings moved the panel to another transmitter: that port's plan and switch, not the
// last one's.
TEST_F(ScheduleStationStory, APortChosenInTheSettingsBringsThatPortsPlan) {
    constexpr int OTHER_PORT = 48;
    char otherKey[MAX_PATH];
    settingsKeyPath(OTHER_PORT, otherKey, sizeof otherKey);
    RegDeleteTreeA(HKEY_CURRENT_USER, otherKey);
    const std::string otherPath = folder + "\\other.csv";
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, otherKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "Sendeplan", 0, REG_SZ, reinterpret_cast<const BYTE*>(otherPath.c_str()),
                   static_cast<DWORD>(otherPath.size() + 1));
    RegCloseKey(key);
    writePlan("03:00;04:00;1234567;9,5;;;;1000;;;\r\n");
    writePlanTo(otherPath, "05:00;06:00;1234567;6,07;;;;250;;;\r\n07:00;08:00;1;7,1;;;;100;;;\r\n");
    open();
    ASSERT_EQ(planLines.back(), "Plan: 03:00 UTC 9,50000 MHz 1000 W");

    station->usePort(OTHER_PORT);
    fileRead();
    EXPECT_TRUE(journaled("Schnittstelle gewechselt, Datei " + otherPath));
    EXPECT_EQ(station->path(), otherPath);
    EXPECT_EQ(station->runner().plan().entries.size(), 2u);
    EXPECT_EQ(planLines.back(), "Plan aus") << "the other key holds no switch";
    station->switchSchedule(true);
    EXPECT_EQ(planLines.back(), "Plan: 05:00 UTC 6,07000 MHz 250 W");
    DWORD value = 0;
    DWORD size = sizeof value;
    EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, otherKey, "SendeplanAktiv", RRF_RT_REG_DWORD, nullptr,
                           &value, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(value, 1u) << "the switch is the new port's";
    station.reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, otherKey);
    DeleteFileA(otherPath.c_str());
}

// The plan lies on a share that hangs (here a pipe that answers only when the test says so):
// the panel goes on, and so does a change of port; the plan comes in when the share answers.
TEST_F(ScheduleStationStory, APlanOnAShareThatHangsHoldsUpNothing) {
    char pipeName[MAX_PATH];
    snprintf(pipeName, sizeof pipeName, "\\\\.\\pipe\\trx-plan-hang-%lu", GetCurrentProcessId());
    const auto hangingShare = [&] {
        return CreateNamedPipeA(pipeName, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 2, 4096,
                                4096, 0, nullptr);
    };
    HANDLE share = hangingShare();
    ASSERT_NE(share, INVALID_HANDLE_VALUE);
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    RegSetValueExA(key, "Sendeplan", 0, REG_SZ, reinterpret_cast<const BYTE*>(pipeName),
                   static_cast<DWORD>(strlen(pipeName) + 1));
    RegCloseKey(key);

    station =
        std::make_unique<ScheduleStation>(engine, settings, PORT, host, recordPlan, fakeClock);
    station->tellJournal(journal);
    station->open(panel.handle(), panel.router);
    panel.pumpFor(300);
    EXPECT_TRUE(station->planFileReading());
    EXPECT_EQ(station->scheduleReport().mode, ScheduleReport::On) << "the panel answers meanwhile";

    // The share answers.
    const std::string plan = planText({}) + "03:00;04:00;1234567;9,5;;;;1000;;;\r\n";
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(share, plan.data(), static_cast<DWORD>(plan.size()), &written, nullptr));
    fileRead();
    EXPECT_EQ(station->runner().plan().entries.size(), 1u);
    EXPECT_EQ(planLines.back(), "Plan: 03:00 UTC 9,50000 MHz 1000 W");

    // Hung again on the next read; the operator moves the panel to another port meanwhile.
    HANDLE again = hangingShare();
    ASSERT_NE(again, INVALID_HANDLE_VALUE);
    station->reloadSchedule();
    panel.pumpFor(300);
    ASSERT_TRUE(station->planFileReading());
    const DWORD before = GetTickCount();
    station->usePort(48);
    EXPECT_LT(GetTickCount() - before, 5000u) << "the hung read is left behind";
    EXPECT_TRUE(journaled("Schnittstelle gewechselt"));
    CloseHandle(again);
    CloseHandle(share);
}

} // namespace trx
