#pragma once

#include "nmea/Coordinates.h"

#include <QWidget>

#include <array>
#include <vector>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
struct PastedCoordinate;

// The position edit field of one coordinate: the hemisphere part and one to three number parts
// in the chosen coordinate style, each with its format, step and bounds.
class CCoordinateEdit final : public QWidget {
public:
    CCoordinateEdit(CoordinateAxis axis, QWidget* parent = nullptr);

    CoordinateAxis Axis() const { return m_axis; }
    const CoordinateEditOptions& Options() const { return m_options; }
    // Shows the same value in another style.
    void SetOptions(const CoordinateEditOptions& options);
    void SetStyle(CoordinateStyle style);

    // Signed decimal degrees, north and east positive.
    void SetDecimalDegrees(double degrees);
    double DecimalDegrees() const;
    // The values of the number parts shown (degrees, then minutes and seconds as the style has
    // them), as typed: not bounded to the axis.
    std::vector<double> PartValues() const;
    // Hemisphere, degrees, minutes and seconds as pasted, shown in the current style.
    void SetPasted(const PastedCoordinate& coordinate);

    // The texts the parts show (for the copy command and the tests).
    QString HemisphereText() const;
    QString PartText(int part) const;
    int PartCount() const { return m_layout.count; }
    QDoubleSpinBox* Part(int part) const { return m_parts[static_cast<std::size_t>(part)]; }

private:
    void ApplyLayout();
    int Sign() const;

    CoordinateAxis m_axis;
    CoordinateEditOptions m_options;
    CoordinatePartLayout m_layout{};
    QComboBox* m_hemisphere;
    std::array<QDoubleSpinBox*, 3> m_parts{};
    std::array<QLabel*, 3> m_units{};
};
