#include "app/view/ViewPalette.h"

#include <algorithm>

namespace {

QRgb DayBandColour(int band) {
    const std::uint32_t bgr = SpeedBandAt(band).colour;
    return qRgb(static_cast<int>(bgr & 0xFFu), static_cast<int>((bgr >> 8) & 0xFFu),
                static_cast<int>((bgr >> 16) & 0xFFu));
}

// The hue and saturation of the day colour, its brightness mapped linearly into 100..200:
// dark enough not to glare, bright enough against the night background, and still in the
// order of the day colours, so that bands that differ only in brightness stay apart.
QRgb NightBandColour(int band) {
    const QColor day = QColor::fromRgb(DayBandColour(band));
    const int value = 100 + day.value() * 100 / 255;
    return QColor::fromHsv(day.hsvHue(), day.hsvSaturation(), value).rgb();
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
