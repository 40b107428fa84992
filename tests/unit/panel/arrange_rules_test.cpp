#include "panel/arrange_rules.h"

#include <gtest/gtest.h>

#include <utility>

namespace trx {

using Cells = std::vector<std::pair<int, int>>;

Cells cellsOf(int sw, int sh, int w, int h, int found) {
    Cells out;
    for (const Cell& c : arrangeCells(sw, sh, w, h, found)) {
        out.emplace_back(c.left, c.top);
    }
    return out;
}

TEST(ArrangeRules, WorkedExamples) {
    EXPECT_EQ(cellsOf(1024, 768, 420, 250, 5),
              (Cells{{92, 9}, {512, 9}, {92, 259}, {512, 259}, {92, 509}}));
    EXPECT_EQ(cellsOf(800, 600, 420, 250, 3), (Cells{{190, 50}, {190, 300}}));
    EXPECT_EQ(cellsOf(1280, 1024, 420, 250, 2), (Cells{{220, 387}, {640, 387}}));
}

TEST(ArrangeRules, EdgesOfTheGrid) {
    EXPECT_EQ(cellsOf(1024, 768, 420, 250, 1), (Cells{{302, 259}})); // one panel: centred
    EXPECT_EQ(cellsOf(1024, 768, 420, 250, 8).size(), 6u);           // 2 x 3 cells hold 6
    EXPECT_EQ(cellsOf(840, 500, 420, 250, 4),
              (Cells{{0, 0}, {420, 0}, {0, 250}, {420, 250}})); // exactly full
    // The screen cannot hold one cell: nothing moves.
    EXPECT_TRUE(cellsOf(400, 768, 420, 250, 3).empty());
    EXPECT_TRUE(cellsOf(1024, 200, 420, 250, 3).empty());
    EXPECT_TRUE(cellsOf(1024, 768, 0, 250, 3).empty());
    EXPECT_TRUE(cellsOf(1024, 768, 420, 250, 0).empty());
}

} // namespace trx
