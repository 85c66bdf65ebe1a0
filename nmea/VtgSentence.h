#pragma once

#include "nmea/DeferredSentence.h"
#include "nmea/SentenceType.h"

// What a VTG sentence carries.
struct VtgFields {
    double courseTrue = 0.0;     // degrees
    double courseMagnetic = 0.0; // degrees
    double speedKnots = 0.0;
    double speedKmh = 0.0;
};

// VTG, course and speed over ground: 8 data fields, or 9 with the mode indicator. Updates
// nothing in the fix record.
// $GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48
class CVtgSentence final : public CSentenceType {
public:
    // Kilometres per nautical mile.
    static constexpr double kKmPerNauticalMile = 1.852;

    CVtgSentence() : CSentenceType("VTG") {}
    using CSentenceType::Parse;
    using CSentenceType::Write;

    bool AcceptsFieldCount(int dataFieldCount) const override;
    void Empty(RecordSide which) override;

    bool Parse(const CSentence& sentence, CFixRecord& fix) override;
    // Course true "T", magnetic (empty) "M", knots "N", km/h "K".
    bool Write(CSentence& sentence, const CFixRecord& fix) override;

    // The fields of the last accepted sentence (read when first asked for).
    const VtgFields& Input() const;
    const VtgFields& Output() const { return m_output; }

private:
    mutable VtgFields m_input;
    mutable DeferredSentence m_unread;
    VtgFields m_output;
};
