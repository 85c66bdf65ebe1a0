#include "app/view/ViewPalette.h"

#include <algorithm>
#include <cmath>

namespace {

QRgb DayBandColour(int band) {
    const std::uint32_t bgr = SpeedBandAt(band).colour;
    return qRgb(static_cast<int>(bgr & 0xFFu), static_cast<int>((bgr >> 8) & 0xFFu),
                static_cast<int>((bgr >> 16) & 0xFFu));
}

// The day colour brought to a brightness (relative luminance) between 85 and 145 of 255, in
// the order of the day brightnesses: bright colours are darkened, dark ones (the deep blue of
// walking speed, the deep reds of flying) mixed with white until they read on the dark
// background. Bands of one hue that differ only in brightness stay apart.
QRgb NightBandColour(int band) {
    const QRgb day = DayBandColour(band);
    const double red = qRed(day);
    const double green = qGreen(day);
    const double blue = qBlue(day);
    const double luminance = 0.2126 * red + 0.7152 * green + 0.0722 * blue;
    const double target = 85.0 + luminance * 60.0 / 255.0;
    const auto channel = [&](double value) {
        const double night = target < luminance ? value * target / luminance
                                                : value + (255.0 - value) * (target - luminance) /
                                                              (255.0 - luminance);
        return static_cast<int>(std::lround(night));
    };
    return qRgb(channel(red), channel(green), channel(blue));
}

template <typename Colour>
std::array<QRgb, kSpeedBandCount> Bands(Colour colour) {
    std::array<QRgb, kSpeedBandCount> bands{};
    for (int band = 0; band < kSpeedBandCount; ++band) {
        bands[static_cast<std::size_t>(band)] = colour(band);
    }
    return bands;
}

} // namespace

QRgb ViewPalette::Band(int band) const {
    return bands[static_cast<std::size_t>(std::clamp(band, 0, kSpeedBandCount - 1))];
}

const ViewPalette& DayPalette() {
    static const ViewPalette palette{Qt::white,
                                     QColor(Qt::black),
                                     QColor(Qt::black),
                                     QColor(200, 200, 200),
                                     QColor(190, 190, 190),
                                     QColor(90, 90, 90),
                                     QColor(Qt::black),
                                     QColor(Qt::white),
                                     QColor(220, 0, 0),
                                     QColor(0, 90, 200),
                                     Bands(DayBandColour)};
    return palette;
}

const ViewPalette& NightPalette() {
    static const ViewPalette palette{
        QColor(12, 12, 12),  QColor(170, 170, 170), QColor(150, 150, 150), QColor(70, 70, 70),
        QColor(60, 60, 60),  QColor(120, 120, 120), QColor(150, 150, 150), QColor(12, 12, 12),
        QColor(190, 40, 40), QColor(40, 90, 170),   Bands(NightBandColour)};
    return palette;
}

const ViewPalette& PaletteFor(bool night) {
    return night ? NightPalette() : DayPalette();
}
