#include "app/view/StatisticsPanel.h"

#include "app/view/ViewFont.h"

#include <QPainter>

namespace {

constexpr int kSlots = StatisticsPanelText::kSlotCount;
// The text fills about three quarters of its slot.
constexpr int kTextPercent = 72;

} // namespace

void StatisticsPanel::SetRect(const QRect& rect) {
    m_rect = rect;
    Invalidate();
}

void StatisticsPanel::Invalidate() {
    m_valid = false;
}

QRect StatisticsPanel::SlotRect(int slot) const {
    const int top = m_rect.top() + m_rect.height() * slot / kSlots;
    const int bottom = m_rect.top() + m_rect.height() * (slot + 1) / kSlots;
    return {m_rect.left(), top, m_rect.width(), bottom - top};
}

QRect StatisticsPanel::TextRect(int slot) const {
    // A left margin of one tenth and a half of the width, a right margin of one tenth.
    const QRect box = SlotRect(slot);
    const int left = box.left() + box.width() * 15 / 100;
    const int right = box.right() - box.width() / 10;
    return {left, box.top(), right - left + 1, box.height()};
}

void StatisticsPanel::SetPalette(const ViewPalette& palette) {
    m_palette = &palette;
    Invalidate();
}

QRect StatisticsPanel::Draw(QImage& image, const StatisticsPanelText& text, int dpi) {
    QRect changed;
    if (!m_valid) {
        QPainter(&image).fillRect(m_rect, m_palette->background);
        m_drawn = {};
        m_drawnSelected = -1;
        changed = m_rect;
    }
    const auto& texts = text.Texts();
    for (int slot = 0; slot < kSlots; ++slot) {
        const QString line = QString::fromStdString(texts[static_cast<std::size_t>(slot)]);
        const bool selected = slot == text.SelectedSlot();
        const bool wasSelected = slot == m_drawnSelected;
        if (m_valid && line == m_drawn[static_cast<std::size_t>(slot)] && selected == wasSelected) {
            continue;
        }
        DrawSlot(image, slot, line, selected, dpi);
        m_drawn[static_cast<std::size_t>(slot)] = line;
        changed |= SlotRect(slot);
    }
    m_drawnSelected = text.SelectedSlot();
    m_valid = true;
    return changed;
}

void StatisticsPanel::DrawSlot(QImage& image, int slot, const QString& text, bool selected,
                               int dpi) const {
    QPainter painter(&image);
    const QRect box = SlotRect(slot);
    // The selected trip-data field is shown inverted, so that it is found at once.
    painter.fillRect(box, selected ? m_palette->selectedBackground : m_palette->background);
    if (text.isEmpty()) {
        return;
    }
    const QRect textBox = TextRect(slot);
    painter.setFont(FittingViewFont(text, textBox, kTextPercent, dpi));
    painter.setPen(selected ? m_palette->selectedText : m_palette->text);
    painter.drawText(textBox, Qt::AlignCenter, text);
}
