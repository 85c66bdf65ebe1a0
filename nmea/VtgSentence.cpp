#include "nmea/VtgSentence.h"

#include "nmea/FixRecord.h"
#include "nmea/Sentence.h"

bool CVtgSentence::AcceptsFieldCount(int dataFieldCount) const {
    return dataFieldCount == 8 || dataFieldCount == 9;
}

void CVtgSentence::Empty(RecordSide which) {
    if (which == RecordSide::Input) {
        m_unread.Drop();
    }
    (which == RecordSide::Input ? m_input : m_output) = VtgFields();
}

bool CVtgSentence::Parse(const CSentence& sentence, CFixRecord& /*fix*/) {
    if (!Accepts(sentence)) {
        return false;
    }
    m_unread.Keep(sentence);
    return true;
}

const VtgFields& CVtgSentence::Input() const {
    m_unread.ReadPending([this](const CSentence& sentence) {
        m_input.courseTrue = sentence.Double(1);
        m_input.courseMagnetic = sentence.Double(3);
        m_input.speedKnots = sentence.Double(5);
        m_input.speedKmh = sentence.Double(7);
    });
    return m_input;
}

bool CVtgSentence::Write(CSentence& sentence, const CFixRecord& fix) {
    m_output.courseTrue = fix.CourseOverGround();
    m_output.courseMagnetic = 0.0;
    m_output.speedKnots = fix.SpeedOverGround();
    m_output.speedKmh = fix.SpeedOverGround() * kKmPerNauticalMile;

    Begin(sentence);
    sentence.AppendReal(m_output.courseTrue);
    sentence.AppendText("T");
    sentence.AppendReal(m_output.courseMagnetic);
    sentence.AppendText("M");
    sentence.AppendReal(m_output.speedKnots);
    sentence.AppendText("N");
    sentence.AppendReal(m_output.speedKmh);
    sentence.AppendText("K");
    sentence.Finish();
    return true;
}
