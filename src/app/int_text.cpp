#include "int_text.h"

#include <limits>

namespace dmm {

int strToInt(const QString& text) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    long long v = 0;
    bool digit = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            digit = false;
            break;
        }
        digit = true;
        v = v * 10 + (c.unicode() - '0');
        if (v > static_cast<long long>(std::numeric_limits<int>::max()) + 1) break;
    }
    if (negative) v = -v;
    if (!digit || i != text.size() || v > std::numeric_limits<int>::max() ||
        v < std::numeric_limits<int>::min()) {
        throw HandlerError(
            QStringLiteral("'%1' is not a valid integer value").arg(text).toStdString());
    }
    return static_cast<int>(v);
}

}  // namespace dmm
