// The grid in which one panel arranges all running panels: equal cells of the calling
// panel's size, as many as the screen holds, centred, filled line by line.
#ifndef TRXDESK_ARRANGE_RULES_H
#define TRXDESK_ARRANGE_RULES_H

#include <vector>

namespace trx {

// At most this many panels are found and arranged.
constexpr int MAX_INSTANCES = 8;

struct Cell {
    int left, top;
};

// The cells of the first panels found, in the order they were found; panels beyond the
// cells the screen holds keep their places. Empty when not one cell fits on the screen.
std::vector<Cell> arrangeCells(int screenWidth, int screenHeight, int cellWidth, int cellHeight,
                               int panelsFound);

} // namespace trx

#endif
