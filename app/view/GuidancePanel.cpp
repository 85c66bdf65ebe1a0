#include "app/view/GuidancePanel.h"

#include "app/view/ViewFont.h"

#include <QPainter>

namespace {

constexpr int kRows = 9;
constexpr double kIndicatorScale = 270.0;

QRect Rows(const QRect& rect, int first, int count) {
    const int top = rect.top() + rect.height() * first / kRows;
    const int bottom = rect.top() + rect.height() * (first + count) / kRows;
    return {rect.left() + rect.width() / 20, top, rect.width() * 9 / 10, bottom - top};
}

void DrawFitted(QPainter& painter, const QRect& box, const QString& text, int dpi,
                Qt::Alignment alignment = Qt::AlignCenter) {
    painter.setFont(FittingViewFont(text, box, 70, dpi));
    painter.drawText(box, alignment, text);
}

// The steering bar: the course to steer is at its centre, the marker where the destination
// lies; "turn back" or "Unknown" instead when there is no marker.
void DrawIndicator(QPainter& painter, const QRect& box, const SteeringIndicator& indicator,
                   const ViewPalette& palette, int dpi) {
    if (!indicator.marker) {
        painter.setPen(palette.text);
        DrawFitted(painter, box, QString::fromStdString(IndicatorText(indicator)), dpi);
        return;
    }
    const QRect bar = box.adjusted(0, box.height() / 4, 0, -box.height() / 4);
    painter.setPen(QPen(palette.axis, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(bar);
    const int centre = bar.left() + bar.width() / 2;
    painter.drawLine(centre, bar.top(), centre, bar.bottom());
    const int x = bar.left() + static_cast<int>(*indicator.marker / kIndicatorScale * bar.width());
    painter.fillRect(
        QRect(x - bar.height() / 3, bar.top() - 4, 2 * (bar.height() / 3), bar.height() + 8),
        palette.indicator);
}

// A value with its unit; "Unknown" stands alone.
QString WithUnit(const std::string& value, const char* unit) {
    const QString text = QString::fromStdString(value);
    return text == QStringLiteral("Unknown") ? text : text + QString::fromLatin1(unit);
}

} // namespace

void DrawGuidancePanel(QImage& image, const QRect& whole, const GuidanceDisplay& display,
                       DistanceUnit units, const ViewPalette& palette, int dpi,
                       const std::string& autopilot) {
    QPainter painter(&image);
    painter.fillRect(whole, palette.background);
    QRect rect = whole;
    if (!autopilot.empty()) {
        // A driver must see at a glance that the boat steers itself.
        const QRect strip(whole.left(), whole.top(), whole.width(), whole.height() / 12);
        painter.fillRect(strip, palette.indicator);
        painter.setPen(palette.background);
        DrawFitted(painter, strip.adjusted(strip.height() / 4, 0, -strip.height() / 4, 0),
                   QString::fromStdString(autopilot), dpi);
        rect.setTop(strip.bottom() + 1);
    }
    painter.setPen(palette.text);
    if (!display.hasDestination) {
        DrawFitted(painter, Rows(rect, 3, 2), QString::fromStdString(display.destinationLabel),
                   dpi);
        return;
    }
    DrawFitted(painter, Rows(rect, 0, 1), QString::fromStdString(display.destinationLabel), dpi);
    painter.setPen(display.distanceRed ? palette.nearDistance : palette.text);
    DrawFitted(painter, Rows(rect, 1, 2),
               QStringLiteral("DST ") + WithUnit(display.distance, DistanceSuffix(units)), dpi);
    painter.setPen(palette.text);
    DrawFitted(painter, Rows(rect, 3, 1),
               QStringLiteral("BRG %1").arg(QString::fromStdString(display.bearing)), dpi);
    DrawFitted(painter, Rows(rect, 4, 1),
               QStringLiteral("TRK %1").arg(QString::fromStdString(display.track)), dpi);
    DrawFitted(painter, Rows(rect, 5, 1),
               QStringLiteral("SPD ") + WithUnit(display.speed, SpeedSuffix(units)), dpi);
    DrawFitted(painter, Rows(rect, 6, 1),
               QString::fromStdString(display.fieldLabel + ": " + display.fieldText), dpi);
    DrawIndicator(painter, Rows(rect, 7, 1), display.indicator, palette, dpi);
    if (display.nextIndicator) {
        DrawIndicator(painter, Rows(rect, 8, 1), *display.nextIndicator, palette, dpi);
    }
}
