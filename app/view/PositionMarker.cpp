#include "app/view/PositionMarker.h"

#include <array>

namespace {

constexpr QRgb kMarkerRed = qRgb(255, 0, 0);

constexpr std::array<QPoint, 12> kFlag = {
    QPoint(0, 0),  QPoint(0, -1), QPoint(0, -2), QPoint(0, -3), QPoint(0, -4), QPoint(0, -5),
    QPoint(0, -6), QPoint(0, -7), QPoint(1, -7), QPoint(2, -7), QPoint(1, -6), QPoint(2, -6),
};

constexpr std::array<QPoint, 25> MakeCross() {
    std::array<QPoint, 25> pixels{};
    std::size_t next = 0;
    for (int d = -5; d <= 5; ++d) {
        pixels[next++] = QPoint(d, 0);
    }
    for (int d = -5; d <= 5; ++d) {
        if (d != 0) {
            pixels[next++] = QPoint(0, d);
        }
    }
    pixels[next++] = QPoint(-1, -1);
    pixels[next++] = QPoint(1, -1);
    pixels[next++] = QPoint(-1, 1);
    pixels[next++] = QPoint(1, 1);
    return pixels;
}

constexpr std::array<QPoint, 25> kCross = MakeCross();

} // namespace

std::span<const QPoint> PositionMarker::Offsets(Shape shape) {
    if (shape == Shape::Flag) {
        return kFlag;
    }
    return kCross;
}

void PositionMarker::Place(QImage& image, ScreenPoint at) {
    Erase(image);
    m_at = at;
    const QPoint origin(at.x, at.y);
    for (const QPoint& offset : Offsets(m_shape)) {
        const QPoint pixel = origin + offset;
        if (image.valid(pixel)) {
            m_saved.push_back({pixel, image.pixel(pixel)});
            image.setPixel(pixel, kMarkerRed);
        }
    }
}

void PositionMarker::Erase(QImage& image) {
    // Backwards, so that a pixel saved twice gets its oldest colour back.
    for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
        if (image.valid(it->at)) {
            image.setPixel(it->at, it->colour);
        }
    }
    m_saved.clear();
    m_at.reset();
}
