#pragma once

#include <QString>

#include "text_codec.h"

namespace dmm {

// A text the window shows that quotes a name or a file's bytes, with control characters and
// bytes that are no valid UTF-8 escaped as \xNN (printable()).
inline QString printableText(const QString& text) {
    return QString::fromStdString(printable(text.toStdString()));
}

}  // namespace dmm
