#include "shell/connection_text.h"

#include <gtest/gtest.h>

namespace trx {

TEST(ConnectionText, NamesPortAndBaudRateOrSaysDisconnected) {
    char text[32];
    formatConnectionText(0, 9600, text, sizeof text);
    EXPECT_STREQ(text, "getrennt");
    formatConnectionText(2, 1200, text, sizeof text);
    EXPECT_STREQ(text, "COM2 mit 1200 Bit/s");
    char small[8];
    formatConnectionText(255, 256000, small, sizeof small);
    EXPECT_STREQ(small, "COM255 ");
}

} // namespace trx
