#include "app/view/ViewFont.h"

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
