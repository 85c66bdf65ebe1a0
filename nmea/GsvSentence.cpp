#include "nmea/GsvSentence.h"

#include "nmea/FixRecord.h"
#include "nmea/Sentence.h"

namespace {

constexpr int kSatellitesPerMessage = 4;
constexpr int kFirstSatelliteField = 4;
// Classic GSV: 3 + 4 x satellites fields, at most 19. NMEA 4.10 appends the signal id.
constexpr int kMaxClassicFields = 19;
constexpr int kMaxFieldsWithSignalId = 20;

// The last field that belongs to a satellite: the signal id, when present, is not one. With
// the id the count is 3 + 4k + 1; without it any other count.
int LastSatelliteField(int dataFieldCount) {
    const bool hasSignalId =
        dataFieldCount >= kFirstSatelliteField && dataFieldCount % kSatellitesPerMessage == 0;
    return hasSignalId ? dataFieldCount - 1 : dataFieldCount;
}

} // namespace

void CGsvSentence::BouncingCounter::Step() {
    if (!rising) {
        if (value < 2) {
            rising = true;
        } else {
            --value;
        }
    } else if (value < limit) {
        ++value;
    } else {
        rising = false;
    }
}

bool CGsvSentence::AcceptsFieldCount(int dataFieldCount) const {
    return dataFieldCount <= kMaxFieldsWithSignalId;
}

void CGsvSentence::Empty(RecordSide which) {
    if (which == RecordSide::Input) {
        for (DeferredSentence& message : m_unreadMessages) {
            message.Drop();
        }
    }
    (which == RecordSide::Input ? m_input : m_output) = GsvFields();
}

bool CGsvSentence::Parse(const CSentence& sentence, CFixRecord& fix) {
    static_assert(kMaxClassicFields + 1 == kMaxFieldsWithSignalId);
    if (!Accepts(sentence)) {
        return false;
    }
    int total = sentence.Integer(1);
    if (total < 1 || total > kMaxMessages) {
        total = kMaxMessages;
    }
    const int number = sentence.Integer(2);
    if (number < 1 || number > total) {
        return false;
    }
    int inView = sentence.Integer(3);
    if (inView < 1 || inView > GsvFields::kSatelliteSlots) {
        inView = GsvFields::kSatelliteSlots;
    }
    m_input.totalMessages = total;
    m_input.messageNumber = number;
    m_input.satellitesInView = inView;
    m_unreadMessages[static_cast<std::size_t>(number - 1)].Keep(sentence);
    fix.SetSatellitesInView(inView);
    return true;
}

const GsvFields& CGsvSentence::Input() const {
    for (int number = 1; number <= kMaxMessages; ++number) {
        m_unreadMessages[static_cast<std::size_t>(number - 1)].ReadPending(
            [this, number](const CSentence& sentence) {
                const int lastField = LastSatelliteField(sentence.DataFieldCount());
                for (int i = 0; i < kSatellitesPerMessage; ++i) {
                    const auto slot =
                        static_cast<std::size_t>((number - 1) * kSatellitesPerMessage + i);
                    m_input.satellites[slot].Parse(kFirstSatelliteField + kSatellitesPerMessage * i,
                                                   lastField, sentence);
                }
            });
    }
    return m_input;
}

bool CGsvSentence::Write(CSentence& sentence, const CFixRecord& /*fix*/) {
    m_elevation.Step();
    m_azimuthOffset.Step();
    m_output.totalMessages = kMaxMessages;
    m_output.satellitesInView = GsvFields::kSatelliteSlots;
    for (int n = 1; n <= GsvFields::kSatelliteSlots; ++n) {
        CSatelliteData& satellite = m_output.satellites[static_cast<std::size_t>(n - 1)];
        satellite.prn = n;
        satellite.elevation = m_elevation.value;
        satellite.azimuth = (n - 1) * 30 + m_azimuthOffset.value;
        satellite.signalToNoise = 40;
    }

    std::string lines;
    CSentence line;
    for (int m = 1; m <= kMaxMessages; ++m) {
        m_output.messageNumber = m;
        Begin(line);
        line.AppendInteger(m_output.totalMessages);
        line.AppendInteger(m);
        line.AppendInteger(m_output.satellitesInView);
        for (int i = 0; i < kSatellitesPerMessage; ++i) {
            m_output.satellites[static_cast<std::size_t>((m - 1) * kSatellitesPerMessage + i)]
                .Write(line);
        }
        line.Finish();
        lines += line.Text();
    }
    sentence.Assign(lines);
    return true;
}
