#pragma once

#include <QPixmap>

namespace dmm {

// The link indicator's pictures, 25 x 24: a computer and a meter side by side, their screens
// dark (no frames arriving) or lit (frames arriving).
QPixmap connectionPicture(bool lit);

}  // namespace dmm
