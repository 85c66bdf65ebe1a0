#pragma once

#include "nmea/FixRecord.h"
#include "nmea/SentenceType.h"

// What a GSA sentence carries.
struct GsaFields {
    int operatingMode = 0;            // 1 "M" manual, 2 "A" automatic, 0 otherwise
    int fixMode = 0;                  // 1 not available, 2 = 2D, 3 = 3D, 0 otherwise
    CFixRecord::SatelliteList prns{}; // an empty field reads as 0
    double positionDilution = 0.0;
    double horizontalDilution = 0.0;
    double verticalDilution = 0.0;
};

// GSA, active satellites and dilution of precision: 17 data fields, or 18 with the system id of
// NMEA 4.10 and later (not used). The 12 PRNs go to the fix record's satellites used, whatever
// the fix mode.
// $GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39
class CGsaSentence final : public CSentenceType {
public:
    CGsaSentence() : CSentenceType("GSA") {}
    using CSentenceType::Parse;
    using CSentenceType::Write;

    bool AcceptsFieldCount(int dataFieldCount) const override;
    void Empty(RecordSide which) override;

    bool Parse(const CSentence& sentence, CFixRecord& fix) override;
    // Fixed values: $GPGSA,A,3,1,2,...,12,1.0,1.0,1.0
    bool Write(CSentence& sentence, const CFixRecord& fix) override;

    const GsaFields& Input() const { return m_input; }
    const GsaFields& Output() const { return m_output; }

private:
    GsaFields m_input;
    GsaFields m_output;
};
