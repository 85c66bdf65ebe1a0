#include "nmea/GllSentence.h"

#include "nmea/FixRecord.h"
#include "nmea/TimeText.h"

bool CGllSentence::AcceptsFieldCount(int dataFieldCount) const {
    return dataFieldCount == 6 || dataFieldCount == 7;
}

void CGllSentence::Empty(RecordSide which) {
    if (which == RecordSide::Input) {
        m_unread.Drop();
    }
    (which == RecordSide::Input ? m_input : m_output) = GllFields();
}

bool CGllSentence::Parse(const CSentence& sentence, CFixRecord& /*fix*/) {
    if (!Accepts(sentence)) {
        return false;
    }
    m_unread.Keep(sentence);
    return true;
}

const GllFields& CGllSentence::Input() const {
    m_unread.ReadPending([this](const CSentence& sentence) {
        GllFields fields;
        fields.position.Parse(1, 2, 3, 4, sentence);
        std::string noDate;
        sentence.Time(5, 0, fields.time, fields.timeText, noDate);
        fields.status = sentence.Boolean(6);
        m_input = std::move(fields);
    });
    return m_input;
}

bool CGllSentence::Write(CSentence& sentence, const CFixRecord& fix) {
    m_output.position = fix.Position();
    m_output.time = fix.Time();
    m_output.status = NmeaBoolean::True;

    Begin(sentence);
    sentence.AppendLatLong(m_output.position);
    sentence.AppendTime(m_output.time);
    sentence.AppendBoolean(m_output.status);
    sentence.Finish();
    return true;
}

std::string CGllSentence::Describe() const {
    const GllFields& input = Input();
    return "At " + DescriptionTime(input.time) + " UTC, you were at " + input.position.Describe() +
           ".";
}
