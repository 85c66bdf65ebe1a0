#include "nmea/RmcSentence.h"

#include "nmea/FixRecord.h"
#include "nmea/NumberText.h"
#include "nmea/TimeText.h"

namespace {

constexpr int kDateField = 9;
constexpr int kModeField = 12;

} // namespace

bool CRmcSentence::AcceptsFieldCount(int dataFieldCount) const {
    return dataFieldCount >= 11 && dataFieldCount <= 13;
}

void CRmcSentence::Empty(RecordSide which) {
    (which == RecordSide::Input ? m_input : m_output) = RmcFields();
}

bool CRmcSentence::Parse(const CSentence& sentence, CFixRecord& fix) {
    if (!Accepts(sentence)) {
        return false;
    }
    RmcFields fields;
    sentence.Time(1, kDateField, fields.time, fields.timeText, fields.dateText);
    fields.status = sentence.Boolean(2);
    fields.position.Parse(3, 4, 5, 6, sentence);
    fields.speedOverGround = sentence.Double(7);
    fields.courseOverGround = sentence.Double(8);
    fields.magneticVariation = sentence.Double(10);
    fields.variationDirection = sentence.EastOrWest(11);
    if (sentence.DataFieldCount() >= kModeField) {
        fields.mode = sentence.GetModeIndicator(kModeField);
    }
    m_input = std::move(fields);

    if (m_input.status == NmeaBoolean::True) {
        fix.ApplyEpochRule(m_input.time);
        // A fix without both coordinates carries no position; one from another sentence of
        // this epoch may still come.
        if (m_input.position.IsValid()) {
            fix.SetPosition(m_input.position);
        }
        fix.SetSpeedOverGround(m_input.speedOverGround);
        fix.SetCourseOverGround(m_input.courseOverGround);
        fix.SetMagneticVariation(m_input.magneticVariation);
        fix.SetVariationDirection(m_input.variationDirection);
        fix.SetRmcDataPresent(true);
        fix.UpdateCompleteness();
    }
    return true;
}

bool CRmcSentence::Write(CSentence& sentence, const CFixRecord& fix) {
    m_output.time = fix.Time();
    m_output.status = NmeaBoolean::True;
    m_output.position = fix.Position();
    m_output.speedOverGround = fix.SpeedOverGround();
    m_output.courseOverGround = fix.CourseOverGround();
    m_output.magneticVariation = fix.MagneticVariation();
    m_output.variationDirection = fix.VariationDirection();

    Begin(sentence);
    sentence.AppendTime(m_output.time);
    sentence.AppendBoolean(m_output.status);
    sentence.AppendLatLong(m_output.position);
    sentence.AppendReal(m_output.speedOverGround);
    sentence.AppendReal(m_output.courseOverGround);
    sentence.AppendText(FormatCalendarTime(m_output.time, "%d%m%y"));
    sentence.AppendReal(m_output.magneticVariation);
    sentence.AppendEastWest(m_output.variationDirection);
    sentence.Finish();
    return true;
}

std::string CRmcSentence::Describe() const {
    return "At " + DescriptionTime(m_input.time) + " UTC, you were at " +
           m_input.position.Describe() + ", making " + FormatFixed(m_input.speedOverGround, 2) +
           " knots, track made good " + FormatFixed(m_input.courseOverGround, 2) + " degrees true.";
}
