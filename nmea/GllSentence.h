#pragma once

#include "nmea/DeferredSentence.h"
#include "nmea/Sentence.h"
#include "nmea/SentenceType.h"
#include "platform/CalendarTime.h"

#include <string>

// What a GLL sentence carries.
struct GllFields {
    CLatLong position;
    CalendarTime time = kNoDateTime; // hhmmss, no date
    std::string timeText;
    NmeaBoolean status = NmeaBoolean::Unknown;
};

// GLL, geographic position: 6 data fields, or 7 with the mode indicator of newer receivers
// (not used). Updates nothing in the fix record.
// $GPGLL,4916.45,N,12311.12,W,225444,A*31
class CGllSentence final : public CSentenceType {
public:
    CGllSentence() : CSentenceType("GLL") {}
    using CSentenceType::Parse;
    using CSentenceType::Write;

    bool AcceptsFieldCount(int dataFieldCount) const override;
    void Empty(RecordSide which) override;

    bool Parse(const CSentence& sentence, CFixRecord& fix) override;
    // Position, time, "A".
    bool Write(CSentence& sentence, const CFixRecord& fix) override;
    // "At 10:54.44 PM UTC, you were at Latitude ... ."
    std::string Describe() const override;

    // The fields of the last accepted sentence (read when first asked for).
    const GllFields& Input() const;
    const GllFields& Output() const { return m_output; }

private:
    mutable GllFields m_input;
    mutable DeferredSentence m_unread;
    GllFields m_output;
};
