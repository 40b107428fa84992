#include "dialogs/settings_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace trx {

TEST(SettingsRules, PortListOffersEveryPresentPortButZero) {
    std::array<int32_t, 256> present{};
    EXPECT_EQ(offeredPorts(present), std::vector<int>{0});
    present[0] = 1; // never offered
    present[12] = 1;
    present[3] = 1;
    present[255] = 1;
    EXPECT_EQ(offeredPorts(present), (std::vector<int>{0, 3, 12, 255}));
    char text[16];
    formatPortEntry(0, text, sizeof text);
    EXPECT_STREQ(text, "getrennt");
    formatPortEntry(255, text, sizeof text);
    EXPECT_STREQ(text, "COM255");
}

TEST(SettingsRules, NumbersBehindTheEntries) {
    const struct {
        const char* text;
        int port;
        int32_t number;
    } cases[] = {
        {"COM12", 12, 0}, {"getrennt", 0, 0}, {"COM255", 255, 0}, {"", 0, 0},
        {"CO", 0, 0},     {"1200", 0, 1200},  {"50", 0, 50},      {"COM99999999999", 999999999, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(portFromEntry(c.text), c.port) << c.text;
        EXPECT_EQ(numberFromText(c.text), c.number) << c.text;
    }
    EXPECT_EQ(numberFromText("2147483647999"), 214748364); // stops before it overflows
}

TEST(SettingsRules, OnlyLeftButtonShiftAndCtrlOpenTheSpecialSettings) {
    EXPECT_TRUE(opensSpecialSettings(13));
    for (unsigned keys : {0u, 1u, 5u, 9u, 12u, 13u | 2u, 13u | 16u}) {
        EXPECT_FALSE(opensSpecialSettings(keys)) << keys;
    }
}

} // namespace trx
