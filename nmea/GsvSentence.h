#pragma once

#include "nmea/DeferredSentence.h"
#include "nmea/SatelliteData.h"
#include "nmea/SentenceType.h"

#include <array>

// What GSV sentences carry: up to 12 satellites over at most 3 messages.
struct GsvFields {
    static constexpr int kSatelliteSlots = 12;
    int totalMessages = 0;    // 1-3
    int messageNumber = 0;    // 1-total
    int satellitesInView = 0; // 1-12
    std::array<CSatelliteData, kSatelliteSlots> satellites{};
};

// GSV, satellites in view: at most 19 data fields, or 20 with the signal id of NMEA 4.10 and
// later (not read; it ends the satellite fields). The number of satellites in view goes to the
// fix record.
// $GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45*75
class CGsvSentence final : public CSentenceType {
public:
    CGsvSentence() : CSentenceType("GSV") {}
    using CSentenceType::Parse;
    using CSentenceType::Write;

    bool AcceptsFieldCount(int dataFieldCount) const override;
    // Clears the counts and satellite slots of that record. The constellation counters of
    // Write are never reset.
    void Empty(RecordSide which) override;

    // Total outside 1-3 reads as 3; a message number below 1 or above the total rejects; the
    // count in view outside 1-12 reads as 12. Message m fills slots 4(m-1) to 4(m-1)+3.
    bool Parse(const CSentence& sentence, CFixRecord& fix) override;
    // A simulated constellation, not the receiver's: three complete lines at once, 12
    // satellites with PRN 1-12, a common elevation that bounces 1..89..1 and azimuths
    // (n-1) x 30 + an offset bouncing 1..29..1, one step per call, signal-to-noise 40.
    bool Write(CSentence& sentence, const CFixRecord& fix) override;

    // The counts of the last accepted sentence and the satellites of every message (read
    // when first asked for).
    const GsvFields& Input() const;
    const GsvFields& Output() const { return m_output; }

private:
    // A value that steps by 1 per call between its floor and limit, pausing one call at each
    // end.
    struct BouncingCounter {
        int value = 0;
        int limit = 0;
        bool rising = false;
        void Step();
    };

    static constexpr int kMaxMessages = 3;

    mutable GsvFields m_input;
    // The last accepted sentence of each message number, its satellites not read yet.
    mutable std::array<DeferredSentence, kMaxMessages> m_unreadMessages;
    GsvFields m_output;
    BouncingCounter m_elevation{0, 89, false};
    BouncingCounter m_azimuthOffset{0, 29, false};
};
