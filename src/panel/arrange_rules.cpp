#include "panel/arrange_rules.h"

namespace trx {

std::vector<Cell> arrangeCells(int screenWidth, int screenHeight, int cellWidth, int cellHeight,
                               int panelsFound) {
    if (cellWidth <= 0 || cellHeight <= 0) {
        return {};
    }
    const int columns = screenWidth / cellWidth;
    const int rows = screenHeight / cellHeight;
    if (columns <= 0 || rows <= 0 || panelsFound <= 0) {
        return {}; // the screen cannot hold one panel: nothing moves
    }
    const int placed = panelsFound < columns * rows ? panelsFound : columns * rows;
    const int perLine = placed <= columns ? placed : columns;
    const int lines = placed / perLine + (placed % perLine > 0 ? 1 : 0);
    const int left = (screenWidth - perLine * cellWidth) / 2;
    const int top = (screenHeight - lines * cellHeight) / 2;
    std::vector<Cell> cells;
    for (int k = 0; k < placed; ++k) {
        cells.push_back({left + (k % perLine) * cellWidth, top + (k / perLine) * cellHeight});
    }
    return cells;
}

} // namespace trx
