#include "app/dialogs/CCoordinateEdit.h"

#include "app/dialogs/EditContextMenu.h"
#include "navigation/PositionClipboard.h"
#include "navigation/TextFormat.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>

#include <cmath>

namespace {

// A number part that shows its value with the printf width of its style, zero-padded or not.
// It reads what it shows: with a decimal point, as every number text of the program has one,
// whatever the user's locale.
class CoordinatePartSpin final : public QDoubleSpinBox {
public:
    explicit CoordinatePartSpin(QWidget* parent) : QDoubleSpinBox(parent) {
        setLocale(QLocale::c());
    }

    void SetFormat(const CoordinatePartFormat& format, bool zeroPadding) {
        m_width = zeroPadding ? format.paddedWidth : format.plainWidth;
        m_zeroPadding = zeroPadding;
        setDecimals(format.decimals);
        setSingleStep(format.step);
        setRange(0.0, format.maximum);
    }

protected:
    QString textFromValue(double value) const override {
        const std::string text = m_zeroPadding ? Format("%0*.*f", m_width, decimals(), value)
                                               : Format("%*.*f", m_width, decimals(), value);
        return QString::fromStdString(text);
    }

private:
    int m_width = 2;
    bool m_zeroPadding = true;
};

// The unit signs after the parts: degrees, minutes, seconds.
constexpr const char* kUnitSigns[] = {"\u00B0", "'", "\""};

} // namespace

CCoordinateEdit::CCoordinateEdit(CoordinateAxis axis, QWidget* parent)
    : QWidget(parent), m_axis(axis), m_hemisphere(new QComboBox(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_hemisphere);
    for (std::size_t i = 0; i < m_parts.size(); ++i) {
        m_parts[i] = new CoordinatePartSpin(this);
        m_parts[i]->setButtonSymbols(QAbstractSpinBox::NoButtons);
        m_parts[i]->setAlignment(Qt::AlignRight);
        UseEditContextMenu(*m_parts[i]);
        m_units[i] = new QLabel(QString::fromUtf8(kUnitSigns[i]), this);
        layout->addWidget(m_parts[i], 1);
        layout->addWidget(m_units[i]);
    }
    ApplyLayout();
    SetDecimalDegrees(0.0);
}

void CCoordinateEdit::SetOptions(const CoordinateEditOptions& options) {
    const double value = DecimalDegrees();
    m_options = options;
    ApplyLayout();
    SetDecimalDegrees(value);
}

void CCoordinateEdit::SetStyle(CoordinateStyle style) {
    CoordinateEditOptions options = m_options;
    options.style = style;
    SetOptions(options);
}

void CCoordinateEdit::ApplyLayout() {
    const int sign = m_hemisphere->count() == 0 ? 1 : Sign();
    m_hemisphere->clear();
    m_hemisphere->addItem(
        QString::fromStdString(::HemisphereText(m_axis, 1, m_options.hemisphereLetters)));
    m_hemisphere->addItem(
        QString::fromStdString(::HemisphereText(m_axis, -1, m_options.hemisphereLetters)));
    m_hemisphere->setCurrentIndex(sign < 0 ? 1 : 0);
    m_layout = CoordinateParts(m_axis, m_options);
    for (int i = 0; i < 3; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        const bool shown = i < m_layout.count;
        m_parts[slot]->setVisible(shown);
        m_units[slot]->setVisible(shown);
        if (shown) {
            static_cast<CoordinatePartSpin*>(m_parts[slot])
                ->SetFormat(m_layout.parts[slot], m_options.zeroPadding);
        }
    }
}

int CCoordinateEdit::Sign() const {
    return m_hemisphere->currentIndex() == 1 ? -1 : 1;
}

void CCoordinateEdit::SetDecimalDegrees(double degrees) {
    const CoordinateText text = FormatCoordinate(degrees, m_axis, m_options);
    // South or west of zero ("S 00°") keeps its hemisphere.
    m_hemisphere->setCurrentIndex(std::signbit(degrees) ? 1 : 0);
    for (int i = 0; i < text.count; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        m_parts[slot]->setValue(QString::fromStdString(text.parts[slot]).trimmed().toDouble());
    }
}

double CCoordinateEdit::DecimalDegrees() const {
    return CoordinateFromParts(m_axis, m_options.style, Sign(), PartValues());
}

std::vector<double> CCoordinateEdit::PartValues() const {
    std::vector<double> values;
    for (int i = 0; i < m_layout.count; ++i) {
        values.push_back(m_parts[static_cast<std::size_t>(i)]->value());
    }
    return values;
}

void CCoordinateEdit::SetPasted(const PastedCoordinate& coordinate) {
    SetDecimalDegrees(coordinate.DecimalDegrees());
}

QString CCoordinateEdit::HemisphereText() const {
    return m_hemisphere->currentText();
}

QString CCoordinateEdit::PartText(int part) const {
    return m_parts[static_cast<std::size_t>(part)]->text();
}
