#pragma once

#include "app/view/ViewPalette.h"
#include "tracks/StatisticsPanelText.h"

#include <QImage>
#include <QRect>
#include <QString>

#include <array>

// Draws the statistics panel's line slots into the view's image. It remembers what each slot
// shows, so that a refresh redraws only the lines that changed.
class StatisticsPanel {
public:
    // The panel's place in the image; everything is drawn again on the next Draw.
    void SetRect(const QRect& rect);
    const QRect& Rect() const { return m_rect; }
    // The colours of the next Draw, which draws every slot.
    void SetPalette(const ViewPalette& palette);
    // The panel was painted over: the next Draw draws every slot.
    void Invalidate();
    // Draws the slots whose text or selection changed; returns the rectangle they cover.
    QRect Draw(QImage& image, const StatisticsPanelText& text, int dpi);
    // The rectangle of slot `slot`, and the part of it the text goes into.
    QRect SlotRect(int slot) const;
    QRect TextRect(int slot) const;

private:
    void DrawSlot(QImage& image, int slot, const QString& text, bool selected, int dpi) const;

    QRect m_rect;
    const ViewPalette* m_palette = &DayPalette();
    std::array<QString, StatisticsPanelText::kSlotCount> m_drawn;
    int m_drawnSelected = -1;
    bool m_valid = false;
};
