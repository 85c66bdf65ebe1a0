#pragma once

#include <QProxyStyle>

class QScreen;

// On a small screen (FramePlacement.h) the program is driven with a finger: menu items, menu
// bar items and list rows are at least about 7 mm high there.

// That height in pixels at the screen's dots per inch; 0 where the screen is not small.
int FingerHeight(const QScreen* screen);

// The desktop's style with menu items and list rows at least `least` pixels high.
class FingerStyle final : public QProxyStyle {
public:
    FingerStyle(const QString& baseStyle, int least);

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    // Menus taller than the screen scroll instead of spreading into columns off its side.
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override;

private:
    int m_least;
};

// Puts the finger style over the application's style when the primary screen is small.
void UseFingerSizes();
