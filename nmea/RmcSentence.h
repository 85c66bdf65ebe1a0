#pragma once

#include "nmea/Sentence.h"
#include "nmea/SentenceType.h"
#include "platform/CalendarTime.h"

#include <string>

// What an RMC sentence carries.
struct RmcFields {
    CalendarTime time = kNoDateTime; // hhmmss with the date of field 9
    std::string timeText;
    std::string dateText;
    NmeaBoolean status = NmeaBoolean::Unknown;
    CLatLong position;
    double speedOverGround = 0.0;  // knots
    double courseOverGround = 0.0; // degrees true
    double magneticVariation = 0.0;
    EastWest variationDirection = EastWest::None;
    ModeIndicator mode = ModeIndicator::None; // field 12, when present
};

// RMC, recommended minimum data: 11 data fields, 12 with the mode indicator, or 13 with the
// navigational status of NMEA 4.10 and later (not used).
// $GPRMC,225446,A,4916.45,N,12311.12,W,000.5,054.7,191194,020.3,E*68
class CRmcSentence final : public CSentenceType {
public:
    CRmcSentence() : CSentenceType("RMC") {}
    using CSentenceType::Parse;
    using CSentenceType::Write;

    bool AcceptsFieldCount(int dataFieldCount) const override;
    void Empty(RecordSide which) override;

    // Status "A": the dated time goes through the epoch rule; position, speed, course and
    // variation are stored and RMC data marked present. Status "V" is accepted and changes
    // nothing.
    bool Parse(const CSentence& sentence, CFixRecord& fix) override;
    // Time, "A", position, speed, course, date, variation, its direction (11 fields).
    bool Write(CSentence& sentence, const CFixRecord& fix) override;
    // "At ... UTC, you were at ..., making 0.50 knots, track made good 54.70 degrees true."
    std::string Describe() const override;

    const RmcFields& Input() const { return m_input; }
    const RmcFields& Output() const { return m_output; }

private:
    RmcFields m_input;
    RmcFields m_output;
};
