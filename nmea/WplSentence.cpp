#include "nmea/WplSentence.h"

#include "nmea/Sentence.h"

namespace {

constexpr int kNameField = 5;

} // namespace

bool CWplSentence::AcceptsFieldCount(int dataFieldCount) const {
    return dataFieldCount == 5;
}

void CWplSentence::Empty(RecordSide which) {
    (which == RecordSide::Input ? m_input : m_output) = WplFields();
}

bool CWplSentence::Parse(const CSentence& sentence, IStoreTarget& target) {
    if (!Accepts(sentence)) {
        return false;
    }
    WplFields fields;
    const bool positionValid = fields.position.Parse(1, 2, 3, 4, sentence);
    fields.name.assign(sentence.Field(kNameField));
    // A waypoint is a named position; without either it cannot be stored or navigated to.
    if (!positionValid || fields.name.empty()) {
        return false;
    }
    m_input = std::move(fields);
    target.ReceiveWaypoint(m_input.name, m_input.position);
    return true;
}

bool CWplSentence::Write(CSentence& sentence, const StoreItemView& source) {
    m_output.position = source.position;
    m_output.name.assign(source.name);

    Begin(sentence);
    sentence.AppendLatLong(m_output.position);
    sentence.AppendText(m_output.name);
    sentence.Finish();
    return true;
}
