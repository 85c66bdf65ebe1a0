#include "app/view/ViewFont.h"

#include <QFontMetrics>

#include <algorithm>

int ScaledFontHeight(int height, int dpi) {
    return std::max((height * dpi + 48) / 96, 1);
}

QFont ViewFont(int height, int dpi) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Bold);
    font.setPixelSize(ScaledFontHeight(height, dpi));
    return font;
}

QFont FittingViewFont(const QString& text, const QRect& box, int percent, int dpi) {
    int height = std::max(box.height() * percent / 100 * 96 / std::max(dpi, 1), 6);
    QFont font = ViewFont(height, dpi);
    while (height > 6 && QFontMetrics(font).horizontalAdvance(text) > box.width()) {
        --height;
        font = ViewFont(height, dpi);
    }
    return font;
}
