#pragma once

#include "nmea/SentenceType.h"

#include <string>

// What a WPL sentence carries.
struct WplFields {
    CLatLong position;
    std::string name;
};

// WPL, waypoint location (store type): exactly 5 data fields.
// $GPWPL,4916.4500,N,12311.1200,W,HOME*5E
class CWplSentence final : public CSentenceType {
public:
    CWplSentence() : CSentenceType("WPL") {}
    using CSentenceType::Parse;
    using CSentenceType::Write;

    bool AcceptsFieldCount(int dataFieldCount) const override;
    void Empty(RecordSide which) override;

    // Hands the waypoint to the target. A waypoint without a valid position or without a name
    // is rejected.
    bool Parse(const CSentence& sentence, IStoreTarget& target) override;
    // The coordinate pair, then the name.
    bool Write(CSentence& sentence, const StoreItemView& source) override;

    const WplFields& Input() const { return m_input; }
    const WplFields& Output() const { return m_output; }

private:
    WplFields m_input;
    WplFields m_output;
};
