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
                   int dpi) {
    if (!indicator.marker) {
        painter.setPen(Qt::black);
        DrawFitted(painter, box, QString::fromStdString(IndicatorText(indicator)), dpi);
        return;
    }
    const QRect bar = box.adjusted(0, box.height() / 4, 0, -box.height() / 4);
    painter.setPen(QPen(Qt::black, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(bar);
    const int centre = bar.left() + bar.width() / 2;
    painter.drawLine(centre, bar.top(), centre, bar.bottom());
    const int x = bar.left() + static_cast<int>(*indicator.marker / kIndicatorScale * bar.width());
    painter.fillRect(
        QRect(x - bar.height() / 3, bar.top() - 4, 2 * (bar.height() / 3), bar.height() + 8),
        QColor(0, 90, 200));
}

} // namespace

void DrawGuidancePanel(QImage& image, const QRect& rect, const GuidanceDisplay& display,
                       DistanceUnit units, int dpi) {
    QPainter painter(&image);
    painter.fillRect(rect, Qt::white);
    painter.setPen(Qt::black);
    if (!display.hasDestination) {
        DrawFitted(painter, Rows(rect, 3, 2), QString::fromStdString(display.destinationLabel),
                   dpi);
        return;
    }
    DrawFitted(painter, Rows(rect, 0, 1), QString::fromStdString(display.destinationLabel), dpi);
    const QString suffix = QString::fromLatin1(DistanceSuffix(units));
    painter.setPen(display.distanceRed ? QColor(220, 0, 0) : QColor(Qt::black));
    DrawFitted(painter, Rows(rect, 1, 2),
               QStringLiteral("DST %1%2").arg(QString::fromStdString(display.distance), suffix),
               dpi);
    painter.setPen(Qt::black);
    DrawFitted(painter, Rows(rect, 3, 1),
               QStringLiteral("BRG %1").arg(QString::fromStdString(display.bearing)), dpi);
    DrawFitted(painter, Rows(rect, 4, 1),
               QStringLiteral("TRK %1").arg(QString::fromStdString(display.track)), dpi);
    DrawFitted(
        painter, Rows(rect, 5, 1),
        QStringLiteral("SPD %1%2")
            .arg(QString::fromStdString(display.speed), QString::fromLatin1(SpeedSuffix(units))),
        dpi);
    DrawFitted(painter, Rows(rect, 6, 1),
               QString::fromStdString(display.fieldLabel + ": " + display.fieldText), dpi);
    DrawIndicator(painter, Rows(rect, 7, 1), display.indicator, dpi);
    if (display.nextIndicator) {
        DrawIndicator(painter, Rows(rect, 8, 1), *display.nextIndicator, dpi);
    }
}
