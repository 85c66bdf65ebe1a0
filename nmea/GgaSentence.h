#pragma once

#include "nmea/SentenceType.h"
#include "platform/CalendarTime.h"

#include <string>

// What a GGA sentence carries.
struct GgaFields {
    CalendarTime time = kNoDateTime; // hhmmss, no date
    std::string timeText;
    CLatLong position;
    int quality = 0; // 0 no fix, 1 GPS, 2 differential GPS
    int satellitesInUse = 0;
    double horizontalDilution = 0.0;
    double altitude = 0.0;          // metres; kAbsentReal when the field is empty
    double geoidalSeparation = 0.0; // metres; kAbsentReal when the field is empty
    double differentialAge = 0.0;   // seconds
    int differentialStation = 0;
};

// GGA, global positioning fix data: 14 data fields.
// $GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47
class CGgaSentence final : public CSentenceType {
public:
    // The largest horizontal dilution of precision whose fix is taken.
    static constexpr double kMaxHorizontalDilution = 10.0;

    CGgaSentence() : CSentenceType("GGA") {}
    using CSentenceType::Parse;
    using CSentenceType::Write;

    bool AcceptsFieldCount(int dataFieldCount) const override;
    void Empty(RecordSide which) override;

    // With a fix (quality not 0, horizontal dilution at most 10.0) the time goes through the
    // epoch rule, and position, altitude and geoidal separation are stored and GGA data marked
    // present. Every accepted sentence stores the satellites in use.
    bool Parse(const CSentence& sentence, CFixRecord& fix) override;
    // Time, position, quality 1, 12 satellites, HDOP 1.0, altitude "M", geoidal separation "M",
    // two empty fields. An absent altitude or geoidal separation is written as an empty field.
    bool Write(CSentence& sentence, const CFixRecord& fix) override;
    // "At 12:35.19 PM UTC, you were at Latitude ..., based upon a GPS fix, 8 satellites are in
    // use."
    std::string Describe() const override;

    const GgaFields& Input() const { return m_input; }
    const GgaFields& Output() const { return m_output; }

private:
    GgaFields m_input;
    GgaFields m_output;
};
