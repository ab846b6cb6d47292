// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QPixmap>

namespace dmm {

// Every picture the program shows is drawn here, at run time; none is shipped as a file.

// The small square pictures of the buttons and zoom magnifiers.
enum class Icon {
    ZoomIn,      // a magnifier with a plus: enlarge
    ZoomOut,     // a magnifier with a minus: restore
    NewChart,    // a blank sheet
    Save,        // a disk (the chart's picture)
    First,       // arrow to a bar, pointing left
    Previous,    // arrow pointing left
    Next,        // arrow pointing right
    Last,        // arrow to a bar, pointing right
    CloseData,   // a sheet with a red cross: empty the record table
    OpenFile,    // a folder
    SaveFile,    // a disk (the record table's)
    Printer,
};

QPixmap drawIcon(Icon icon, int size);

// The link indicator, 25 x 24: a computer and a meter side by side, their screens dark (no
// frames arriving) or lit (frames arriving). The lit one is also the window's icon.
QPixmap drawLinkPicture(bool lit);

}  // namespace dmm
