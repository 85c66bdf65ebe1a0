#pragma once

#include "nmea/FixRecord.h"

#include <QImage>
#include <QPoint>
#include <QRgb>

#include <optional>
#include <span>
#include <vector>

// A red position marker drawn into the view's image. It keeps the pixels it covered so that
// it can put them back before it moves or goes.
class PositionMarker {
public:
    enum class Shape {
        Flag, // playback: an 8-pixel staff upward from the point and a 4-pixel pennant
        Cross // live: 11 pixels across, 11 down, and the 4 diagonal neighbours of the point
    };

    explicit PositionMarker(Shape shape) : m_shape(shape) {}

    // Erases the marker where it was and draws it at `at`.
    void Place(QImage& image, ScreenPoint at);
    // Restores the pixels the marker covered.
    void Erase(QImage& image);
    // The image was drawn anew: there is nothing to restore.
    void Forget() {
        m_saved.clear();
        m_at.reset();
    }
    bool IsPlaced() const { return m_at.has_value(); }
    // Where the marker was last placed; nothing once erased or forgotten.
    std::optional<ScreenPoint> At() const { return m_at; }

    // The marker's pixels relative to its point.
    static std::span<const QPoint> Offsets(Shape shape);

private:
    struct SavedPixel {
        QPoint at;
        QRgb colour;
    };

    Shape m_shape;
    std::vector<SavedPixel> m_saved;
    std::optional<ScreenPoint> m_at;
};
