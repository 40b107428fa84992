#include "protocol/register_mirror.h"
#include "protocol/wire_codec.h"

#include <gtest/gtest.h>

#include <set>

namespace trx {

TEST(WireCodec, WorkedValuesOfTheLineCoding) {
    struct Case {
        int address, value;
        uint8_t line;
    };
    const Case cases[] = {{8, 5, 0xA1},  {8, 1, 0x81}, {15, 0, 0x0F}, {0, 2, 0x40}, {10, 2, 0x45},
                          {11, 1, 0x8D}, {1, 0, 0x08}, {2, 7, 0xE4},  {9, 3, 0xC9}};
    for (const Case& c : cases) {
        EXPECT_EQ(lineByteFor(c.address, c.value), c.line) << c.address << "," << c.value;
        const RegisterWrite back = decodeByte(c.line);
        EXPECT_EQ(back.address, c.address);
        EXPECT_EQ(back.value, c.value);
    }
    EXPECT_EQ(lineByteFor(StatusRegister, 0), REFRESH_REQUEST);
}

TEST(WireCodec, AllQueuedBytesRoundTripAndEveryLineByteDecodes) {
    std::set<int> lineBytes;
    for (int q = 0; q < 256; ++q) {
        const uint8_t line = encodeByte(static_cast<uint8_t>(q));
        lineBytes.insert(line);
        const RegisterWrite w = decodeByte(line);
        EXPECT_EQ(w.address, q & 0x0F);
        EXPECT_EQ(w.value, q >> 4);
        // Same as the 8-bit reversal of (address << 4 | value).
        uint8_t plain = static_cast<uint8_t>(((q & 0x0F) << 4) | (q >> 4));
        uint8_t reversed = 0;
        for (int bit = 0; bit < 8; ++bit) {
            reversed = static_cast<uint8_t>(reversed | (((plain >> bit) & 1) << (7 - bit)));
        }
        EXPECT_EQ(line, reversed);
    }
    EXPECT_EQ(lineBytes.size(), 256u); // a bijection: no line byte is invalid
}

TEST(WireCodec, ErrorCharDecodesOutsideTheAntennaRangeAndWideValuesAreCut) {
    const RegisterWrite w = decodeByte(ERROR_CHAR);
    EXPECT_EQ(w.address, 0);
    EXPECT_EQ(w.value, 12);
    EXPECT_EQ(queuedForm(8, 17), queuedForm(8, 1));
    EXPECT_EQ(queuedForm(24, 5), queuedForm(8, 5));
}

TEST(RegisterMirror, StartsUnreportedAndNamesTheMarkerAsUnknown) {
    RegisterMirror m;
    for (int a = 0; a < REGISTER_COUNT; ++a) {
        EXPECT_EQ(m[a], NOT_REPORTED);
    }
    EXPECT_STREQ(modeName(m[EmissionMode]), "??");
    EXPECT_STREQ(channelAName(m[ChannelA]), "undefiniert");
    EXPECT_STREQ(modeName(14), "F1:22Hz");
    EXPECT_STREQ(channelAName(6), "TT");
    EXPECT_STREQ(channelBName(5), "undefiniert"); // GT and TT exist only on channel A
    EXPECT_STREQ(channelBName(4), "WT");
}

} // namespace trx
