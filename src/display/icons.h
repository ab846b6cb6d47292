#pragma once

#include <QPixmap>

namespace dmm {

// The small pictures of the scale and the chart tool bar, drawn at run time.
enum class Icon { ZoomIn, ZoomOut, NewChart, Save, First, Previous, Next, Last };

QPixmap drawIcon(Icon icon, int size);

}  // namespace dmm
