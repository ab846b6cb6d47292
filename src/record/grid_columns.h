#pragma once

#include <array>
#include <string_view>

namespace dmm {

// The columns of the grid that shows the data table, one per field in field order. Their titles
// also make the header line of a TAB text file.
enum class ColumnAlignment { Left, Right, Centre };

struct GridColumn {
    std::string_view title;
    int width;  // pixels
    ColumnAlignment alignment;
    bool glyphFont;  // drawn in the LCD annunciator font, so unit glyphs show as symbols
};

inline constexpr std::array<GridColumn, 6> kGridColumns = {{
    {"No", 53, ColumnAlignment::Right, false},
    {"Time", 60, ColumnAlignment::Centre, false},
    {"DC/AC", 44, ColumnAlignment::Centre, false},
    {"Value", 56, ColumnAlignment::Right, false},
    {"Unit", 35, ColumnAlignment::Right, true},
    {"Auto", 35, ColumnAlignment::Centre, false},
}};

}  // namespace dmm
