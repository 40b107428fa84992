#include "res/resource.h"
#include "shell/help_rules.h"

#include <gtest/gtest.h>

#include <cstring>

namespace trx {

TEST(HelpRules, WinHelpWhereverItWorksHtmlHelpOnlyWhereItIsGone) {
    struct Case {
        HelpPlatform platform;
        HelpViewer viewer;
    } cases[] = {
        {{true, 10, true}, HelpViewer::Hlp},   // Wine ships its own WinHelp
        {{false, 5, true}, HelpViewer::Hlp},   // XP
        {{false, 6, true}, HelpViewer::Chm},   // Vista and later
        {{false, 10, true}, HelpViewer::Chm},  // 10 and 11
        {{false, 10, false}, HelpViewer::Hlp}, // no .CHM: the notice at least says why
        {{false, 0, true}, HelpViewer::Hlp},   // version unknown
    };
    for (const Case& c : cases) {
        EXPECT_EQ(chooseHelpViewer(c.platform), c.viewer)
            << c.platform.wine << " " << c.platform.windowsMajor << " "
            << c.platform.htmlHelpFilePresent;
    }
}

TEST(HelpRules, EachContextNumberOpensItsPageAndAnyOtherTheContents) {
    const char* file = "C:\\TRX\\TRXDESK.CHM";
    struct Case {
        unsigned long context;
        const char* topic;
    } cases[] = {
        {IDH_PANEL, "C:\\TRX\\TRXDESK.CHM::/panel.html"},
        {IDH_SETTINGS, "C:\\TRX\\TRXDESK.CHM::/settings.html"},
        {IDH_FREQUENCY, "C:\\TRX\\TRXDESK.CHM::/frequency.html"},
        {IDH_SPECIAL_SETTINGS, "C:\\TRX\\TRXDESK.CHM::/set-special.html"},
        {IDH_CONTROL_SETTINGS, "C:\\TRX\\TRXDESK.CHM::/control-settings.html"},
        {1001, "C:\\TRX\\TRXDESK.CHM::/Contents.html"},
    };
    char topic[64];
    for (const Case& c : cases) {
        ASSERT_TRUE(htmlHelpTopic(file, c.context, topic, sizeof topic));
        EXPECT_STREQ(topic, c.topic);
    }
    // Cut, it would name another file: nothing then.
    char small[20];
    std::memset(small, 'x', sizeof small);
    EXPECT_FALSE(htmlHelpTopic(file, IDH_PANEL, small, sizeof small));
    EXPECT_STREQ(small, "");
}

} // namespace trx
