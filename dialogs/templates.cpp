// The ranking's row text, as every build's ranking dialog paints it.
#include "dialogs/templates.h"

#include <cstdio>

std::string RankingRowText(int row, int32_t points) {
    // Room for the longest possible score, "-2147483648".
    char line[40];
    std::snprintf(line, sizeof line, "No. %d  %09d", row + 1, static_cast<int>(points));
    return line;
}
