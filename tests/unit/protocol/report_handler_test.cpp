#include "recording_panel.h"

#include <gtest/gtest.h>

namespace trx::test {

TEST(ReportHandler, FirstReportAfterResetUpdatesEveryDisplayEvenForZero) {
    Rig rig;
    for (int a = 0; a < REGISTER_COUNT; ++a) {
        rig.protocol.applyReport(a, 0);
    }
    EXPECT_EQ(rig.panel.texts[IDC_ANTENNA], "0");
    EXPECT_EQ(rig.panel.texts[IDC_PROGRAM], "0");
    EXPECT_EQ(rig.panel.positions[IDC_PROGRAM_UPDOWN], 0);
    EXPECT_EQ(rig.panel.texts[IDC_FREQUENCY], "00,00000");
    EXPECT_EQ(rig.panel.positions[IDC_POWER], 0);
    EXPECT_EQ(rig.panel.icons[IDC_INDICATOR_LOW], IDI_IND_LOW_0);
    EXPECT_EQ(rig.panel.icons[IDC_INDICATOR_HIGH], IDI_IND_HIGH_0);
    EXPECT_EQ(rig.panel.statusTexts[STATUS_PART_DATA], "R3, KA: unbenutzt, KB: unbenutzt");
    EXPECT_EQ(rig.protocol.mirror()[Register13], NOT_REPORTED);
}

TEST(ReportHandler, ReportsEqualToTheMirrorChangeNothingExceptRegister8) {
    Rig rig;
    for (int a = 0; a < REGISTER_COUNT; ++a) {
        rig.protocol.applyReport(a, 1);
    }
    rig.panel.log.clear();
    for (int a : {0, 1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 14, 15}) {
        rig.protocol.applyReport(a, 1);
    }
    EXPECT_TRUE(rig.panel.log.empty());
    rig.protocol.applyReport(OperatingState, 1);
    EXPECT_EQ(rig.panel.log, std::vector<std::string>{"enable 1024 1"}); // buttons re-read only
}

TEST(ReportHandler, OperatingStateLightsOneButtonAndWritesOnlyChanges) {
    Rig rig;
    rig.protocol.applyReport(OperatingState, 5);
    EXPECT_EQ(rig.panel.icons[IDC_STATE_P250], IDI_P250_LIT);
    EXPECT_FALSE(rig.panel.enabled[IDC_PROGRAM_UPDOWN]);
    rig.panel.log.clear();
    rig.protocol.applyReport(OperatingState, 1);
    EXPECT_EQ(rig.panel.log,
              (std::vector<std::string>{"icon 1007 114", "icon 1011 122", "enable 1024 1"}));
    // The marker passed by a minimised panel lights nothing and is stored cut to 4 bits.
    rig.panel.minimized = true;
    rig.protocol.applyReport(OperatingState, NOT_REPORTED);
    EXPECT_EQ(rig.protocol.mirror()[OperatingState], 15);
    EXPECT_EQ(rig.panel.icons[IDC_STATE_STANDBY], IDI_STANDBY);
    EXPECT_EQ(rig.panel.windowIcon, IDI_UNKNOWN_STATE);
    rig.protocol.applyReport(OperatingState, 6);
    EXPECT_EQ(rig.panel.windowIcon, IDI_P1000_LIT);
}

TEST(ReportHandler, StandbyPostsTheCloseOnlyWhenAskedFor) {
    Rig rig;
    rig.protocol.applyReport(OperatingState, 1);
    EXPECT_EQ(rig.panel.closeRequests, 0);
    rig.protocol.requestStandbyThenClose();
    rig.protocol.applyReport(OperatingState, 4);
    EXPECT_EQ(rig.panel.closeRequests, 0);
    rig.protocol.applyReport(OperatingState, 1);
    EXPECT_EQ(rig.panel.closeRequests, 1);
}

TEST(ReportHandler, FrequencyDigitsFillTheirPlaces) {
    Rig rig;
    const int digits[] = {0, 7, 1, 2, 3, 4, 5};
    for (int i = 0; i < 7; ++i) {
        rig.protocol.applyReport(FrequencyDigit1 + i, digits[i]);
    }
    EXPECT_EQ(rig.panel.texts[IDC_FREQUENCY], "07,12345");
    rig.protocol.applyReport(FrequencyDigit4, 12);
    EXPECT_EQ(rig.panel.texts[IDC_FREQUENCY], "07,1_345");
}

TEST(ReportHandler, AlarmFieldResultAndRedDisplay) {
    Rig rig;
    rig.receive(StatusRegister, 0x1);
    rig.panel.log.clear();
    EXPECT_EQ(rig.protocol.applyReport(StatusRegister, 0x9), REPORT_ALARM);
    EXPECT_EQ(rig.panel.log, std::vector<std::string>{"icon 1055 189"});
    EXPECT_EQ(rig.protocol.applyReport(StatusRegister, 0x9), REPORT_OK);
    EXPECT_EQ(rig.protocol.applyReport(StatusRegister, 0x5), REPORT_OK);
    EXPECT_EQ(rig.panel.icons[IDC_INDICATOR_HIGH], IDI_IND_HIGH_4);

    // Through the receive path: the first alarm repaints the display once.
    Rig live;
    live.receive(FrequencyDigit1, 1);
    live.panel.log.clear();
    live.receive(StatusRegister, 0xC);
    EXPECT_TRUE(live.protocol.alarmShown());
    EXPECT_EQ(live.panel.log.back(), "text 1002 1_,_____");
    live.receive(StatusRegister, 0x0);
    live.panel.log.clear();
    live.receive(StatusRegister, 0x8);
    EXPECT_TRUE(live.panel.log.size() == 1u); // second alarm: indicator only, no repaint
}

TEST(ReportHandler, FirstStatusReportBringsTheLinkUpAndCanBeAnAlarm) {
    Rig rig;
    EXPECT_EQ(rig.protocol.applyReport(StatusRegister, 0xA), REPORT_ALARM);
    EXPECT_TRUE(rig.protocol.linkAlive());
    EXPECT_EQ(rig.panel.statusIcons[STATUS_PART_LINK], IDI_LINK_UP);
    EXPECT_EQ(rig.panel.posted, std::vector<int>{IDM_REFRESH});
    EXPECT_EQ(rig.panel.icons[IDC_INDICATOR_LOW], IDI_IND_LOW_2);
    EXPECT_EQ(rig.panel.icons[IDC_INDICATOR_HIGH], IDI_IND_HIGH_8);
    rig.protocol.applyReport(StatusRegister, 0xA);
    EXPECT_EQ(rig.panel.posted.size(), 1u);
}

TEST(ReportHandler, ModeLineAndHexDebugLine) {
    Rig rig;
    rig.protocol.applyReport(EmissionMode, 2);
    rig.protocol.applyReport(ChannelA, 1);
    rig.protocol.applyReport(ChannelB, 0);
    EXPECT_EQ(rig.panel.statusTexts[STATUS_PART_DATA], "J3, KA: mit Dyn., KB: unbenutzt");
    rig.protocol.applyReport(ChannelB, 6);
    EXPECT_EQ(rig.panel.statusTexts[STATUS_PART_DATA], "J3, KA: mit Dyn., KB: undefiniert");

    Rig hex;
    hex.settings.hexDisplay = true;
    hex.protocol.applyReport(EmissionMode, 2);
    EXPECT_EQ(hex.panel.statusTexts[STATUS_PART_DATA],
              "aFF freqFFFFFFFFFFFFFF bzFF prFF sabFFFFFF bgFF hfFF stFF");
    hex.protocol.applyReport(Antenna, 3);
    EXPECT_EQ(hex.panel.statusTexts[STATUS_PART_DATA],
              "aFF freqFFFFFFFFFFFFFF bzFF prFF sab2FFFF bgFF hfFF stFF");
    EXPECT_EQ(hex.protocol.applyReport(16, 0), REPORT_BAD_ADDRESS);
    EXPECT_EQ(hex.panel.statusTexts[STATUS_PART_DATA],
              "a3 freqFFFFFFFFFFFFFF bzFF prFF sab2FFFF bgFF hfFF stFF");
}

TEST(ReportHandler, OutOfRangeAddressesChangeNothingAndKeepTheWatchdog) {
    Rig rig;
    rig.linkUp();
    rig.ticks(10);
    rig.panel.log.clear();
    EXPECT_EQ(rig.protocol.applyReport(16, 0), REPORT_BAD_ADDRESS);
    EXPECT_EQ(rig.protocol.applyReport(-2, 0), REPORT_BAD_ADDRESS);
    EXPECT_TRUE(rig.panel.log.empty());
    rig.ticks(31); // no sign of life: the watchdog resets 42 ticks after the last report
    EXPECT_EQ(rig.panel.resets(), 0);
    rig.ticks(1);
    EXPECT_EQ(rig.panel.resets(), 1);
}

TEST(ReportHandler, AntennaProgramAndPowerAreCutToTheirWidth) {
    Rig rig;
    rig.protocol.applyReport(Antenna, 6);
    EXPECT_EQ(rig.panel.texts[IDC_ANTENNA], "2");
    rig.protocol.applyReport(ProgramNumber, 15);
    EXPECT_EQ(rig.panel.texts[IDC_PROGRAM], "15");
    EXPECT_EQ(rig.panel.positions[IDC_PROGRAM_UPDOWN], 15);
    rig.protocol.applyReport(PowerLevel, 9);
    EXPECT_EQ(rig.panel.positions[IDC_POWER], 1);
    for (int level = 7; level >= 0; --level) { // the bar's whole range, 0..7
        rig.protocol.applyReport(PowerLevel, level);
        EXPECT_EQ(rig.panel.positions[IDC_POWER], level);
    }
}

} // namespace trx::test
