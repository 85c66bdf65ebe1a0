#include "app/view/TrackDrawing.h"

#include "app/view/ViewFont.h"
#include "tracks/KmlSpeedBands.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <vector>

namespace {

constexpr int kLetterHeight = 20;
constexpr int kLegendHeight = 13;
constexpr int kLabelHeight = 14;
constexpr int kBorder = 3;
constexpr int kAxisBorder = 15;
constexpr int kMinimumDivisionPixels = 24;

QRect AreaRect(const PixelArea& area) {
    return {area.left, area.top, area.width, area.height};
}

struct LegendLine {
    QPoint at; // baseline start, from the legend's top left corner
    QString text;
    QColor colour;
};

// The heading and the band names up to the fastest, in columns as high as the area.
std::vector<LegendLine> LayOutLegend(const QFontMetrics& metrics, int height, int fastestBand,
                                     const ViewPalette& palette) {
    const int line = metrics.height();
    const int columnWidth = metrics.horizontalAdvance(QStringLiteral("Legend:km/h "));
    std::vector<LegendLine> lines{{{2, line}, QStringLiteral("Legend:km/h"), palette.text}};
    int x = 2;
    int y = line;
    for (int band = 0; band <= fastestBand; ++band) {
        y += line;
        if (y > height - 1) {
            x += columnWidth;
            y = 2 * line;
        }
        lines.push_back({{x, y},
                         QString::fromStdString(SpeedBandLegendName(band)),
                         QColor(palette.Band(band))});
    }
    return lines;
}

// The corner of the area where the legend covers the fewest points, the top left one when
// several cover as few: a track that runs through the top left corner stays readable.
QPoint LegendCorner(const QRect& area, const QSize& legend, std::span<const PlottedPoint> points) {
    const QPoint corners[] = {
        area.topLeft(),
        {area.right() + 1 - legend.width(), area.top()},
        {area.left(), area.bottom() + 1 - legend.height()},
        {area.right() + 1 - legend.width(), area.bottom() + 1 - legend.height()},
    };
    QPoint best = corners[0];
    std::size_t fewest = points.size() + 1;
    for (const QPoint& corner : corners) {
        const QRect box(corner, legend);
        const auto covered = static_cast<std::size_t>(
            std::count_if(points.begin(), points.end(), [&](const PlottedPoint& point) {
                return box.contains(point.at.x, point.at.y);
            }));
        if (covered < fewest) {
            fewest = covered;
            best = corner;
        }
    }
    return best;
}

void DrawLegend(QPainter& painter, const QRect& area, int fastestBand,
                std::span<const PlottedPoint> points, const ViewPalette& palette, int dpi) {
    painter.setFont(ViewFont(kLegendHeight, dpi));
    const QFontMetrics metrics(painter.font());
    const std::vector<LegendLine> lines =
        LayOutLegend(metrics, area.height(), fastestBand, palette);
    QSize size;
    for (const LegendLine& line : lines) {
        size = size.expandedTo(QSize(line.at.x() + metrics.horizontalAdvance(line.text) + 2,
                                     line.at.y() + metrics.descent()));
    }
    const QPoint corner = LegendCorner(area, size, points);
    for (const LegendLine& line : lines) {
        painter.setPen(line.colour);
        painter.drawText(corner + line.at, line.text);
    }
}

} // namespace

void DrawTrackPoints(QImage& image, std::span<const PlottedPoint> points,
                     const ViewPalette& palette) {
    const int width = image.width();
    const int height = image.height();
    uchar* bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    // A point is a dot of 3 x 3 pixels centred on its pixel: one pixel alone cannot be seen
    // at a glance while driving.
    for (const PlottedPoint& point : points) {
        const QRgb colour = palette.Band(point.band);
        for (int y = std::max(point.at.y - 1, 0); y <= std::min(point.at.y + 1, height - 1); ++y) {
            auto* line = reinterpret_cast<QRgb*>(bits + stride * y);
            for (int x = std::max(point.at.x - 1, 0); x <= std::min(point.at.x + 1, width - 1);
                 ++x) {
                line[x] = colour;
            }
        }
    }
}

PixelArea TrackPlotArea(const QRect& region, int dpi) {
    const int margin = ScaledFontHeight(kLetterHeight, dpi) + 4;
    const QRect area = region.adjusted(margin, margin, -margin, -margin);
    return {area.left(), area.top(), std::max(area.width(), 1), std::max(area.height(), 1)};
}

void DrawTrackPlotFrame(QImage& image, const QRect& region, int fastestBand,
                        std::span<const PlottedPoint> points, const ViewPalette& palette, int dpi) {
    QPainter painter(&image);
    painter.fillRect(region, palette.background);
    const QRect area = AreaRect(TrackPlotArea(region, dpi));
    painter.setPen(palette.plotFrame);
    painter.drawRect(area.adjusted(-1, -1, 0, 0));
    painter.setPen(palette.text);
    painter.setFont(ViewFont(kLetterHeight, dpi));
    const QRect top(region.left(), region.top(), region.width(), area.top() - region.top());
    const QRect bottom(region.left(), area.bottom() + 1, region.width(),
                       region.bottom() - area.bottom());
    const QRect left(region.left(), region.top(), area.left() - region.left(), region.height());
    const QRect right(area.right() + 1, region.top(), region.right() - area.right(),
                      region.height());
    painter.drawText(top, Qt::AlignCenter, QStringLiteral("N"));
    painter.drawText(bottom, Qt::AlignCenter, QStringLiteral("S"));
    painter.drawText(left, Qt::AlignCenter, QStringLiteral("W"));
    painter.drawText(right, Qt::AlignCenter, QStringLiteral("E"));
    if (fastestBand >= 0) {
        DrawLegend(painter, area, fastestBand, points, palette, dpi);
    }
}

PixelArea AltitudeProfileArea(const QRect& region) {
    const QRect area = region.adjusted(kAxisBorder, kBorder, -kBorder, -kAxisBorder);
    return {area.left(), area.top(), std::max(area.width(), 1), std::max(area.height(), 1)};
}

void DrawAltitudeProfileFrame(QImage& image, const QRect& region, const ViewPalette& palette) {
    QPainter painter(&image);
    painter.fillRect(region, palette.background);
    const QRect area = AreaRect(AltitudeProfileArea(region));
    const int across = GridDivisions(area.width(), kMinimumDivisionPixels);
    const int down = GridDivisions(area.height(), kMinimumDivisionPixels);
    const QPen grid(palette.grid, 1, Qt::DotLine);
    // The middle lines stand out so that half the distance and half the height read at a
    // glance; with an odd number of divisions they run through the middle division.
    const QPen middle(palette.middle, 1, Qt::DashLine);
    const int middleX = area.left() + (area.width() - 1) / 2;
    const int middleY = area.bottom() - (area.height() - 1) / 2;
    painter.setPen(grid);
    for (int i = 1; i < across; ++i) {
        const int x = area.left() + (area.width() - 1) * i / across;
        if (x != middleX) {
            painter.drawLine(x, area.top(), x, area.bottom());
        }
    }
    for (int i = 1; i < down; ++i) {
        const int y = area.bottom() - (area.height() - 1) * i / down;
        if (y != middleY) {
            painter.drawLine(area.left(), y, area.right(), y);
        }
    }
    painter.setPen(middle);
    painter.drawLine(middleX, area.top(), middleX, area.bottom());
    painter.drawLine(area.left(), middleY, area.right(), middleY);
    painter.setPen(QPen(palette.axis, 2));
    painter.drawLine(area.left() - 1, area.top(), area.left() - 1, area.bottom() + 1);
    painter.drawLine(area.left() - 1, area.bottom() + 1, area.right(), area.bottom() + 1);
}

void DrawAltitudeProfileLabels(QImage& image, const QRect& region, const ProfileAxes& axes,
                               const ViewPalette& palette, int dpi) {
    if (!axes.hasAltitude) {
        return;
    }
    QPainter painter(&image);
    painter.setFont(ViewFont(kLabelHeight, dpi));
    const QFontMetrics metrics(painter.font());
    const QRect area = AreaRect(AltitudeProfileArea(region));
    const int line = metrics.ascent();
    const int labelHeight = metrics.height();
    // Each label on a plate of the background, so that it reads over the points beneath.
    const auto draw = [&](const QRect& box, Qt::Alignment alignment, const QString& text) {
        const QRect plate =
            metrics.boundingRect(box, static_cast<int>(alignment), text).adjusted(-1, 0, 1, 0);
        painter.fillRect(plate & area, palette.background);
        painter.setPen(palette.text);
        painter.drawText(box, static_cast<int>(alignment), text);
    };
    const QRect top(area.left() + 3, area.top(), area.width() - 6, labelHeight);
    draw(top, Qt::AlignLeft | Qt::AlignTop,
         QString::fromStdString(AltitudeAxisLabel(axes.topAltitude, axes.units)));
    const QRect base(area.left() + 3, area.bottom() - 3 - labelHeight, area.width() - 6,
                     labelHeight);
    draw(base, Qt::AlignLeft | Qt::AlignBottom,
         QString::fromStdString(AltitudeAxisLabel(axes.baseAltitude, axes.units)));
    const QRect distance(area.left(), area.bottom() - 3 - 2 * line, area.width() - 3, line + 2);
    draw(distance, Qt::AlignRight | Qt::AlignVCenter,
         QString::fromStdString(DistanceAxisLabel(axes.totalDistance, axes.units)));
}
