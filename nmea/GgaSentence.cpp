#include "nmea/GgaSentence.h"

#include "nmea/FixRecord.h"
#include "nmea/NumberText.h"
#include "nmea/Sentence.h"
#include "nmea/TimeText.h"

namespace {

constexpr int kDataFields = 14;

// An empty altitude or separation field means the receiver has none, not a height of 0 m.
double OptionalReal(const CSentence& sentence, int field) {
    return sentence.Field(field).empty() ? kAbsentReal : sentence.Double(field);
}

// The absent marker is written as an empty field, never as a 309-digit number.
void AppendOptionalReal(CSentence& sentence, double value) {
    sentence.AppendReal(value == kAbsentReal ? 0.0 : value);
}

} // namespace

bool CGgaSentence::AcceptsFieldCount(int dataFieldCount) const {
    return dataFieldCount == kDataFields;
}

void CGgaSentence::Empty(RecordSide which) {
    (which == RecordSide::Input ? m_input : m_output) = GgaFields();
}

bool CGgaSentence::Parse(const CSentence& sentence, CFixRecord& fix) {
    if (!Accepts(sentence)) {
        return false;
    }
    GgaFields fields;
    std::string noDate;
    sentence.Time(1, 0, fields.time, fields.timeText, noDate);
    fields.position.Parse(2, 3, 4, 5, sentence);
    fields.quality = sentence.Integer(6);
    fields.satellitesInUse = sentence.Integer(7);
    fields.horizontalDilution = sentence.Double(8);
    fields.altitude = OptionalReal(sentence, 9);
    fields.geoidalSeparation = OptionalReal(sentence, 11);
    fields.differentialAge = sentence.Double(13);
    fields.differentialStation = sentence.Integer(14);
    m_input = std::move(fields);

    if (m_input.quality != 0 && m_input.horizontalDilution <= kMaxHorizontalDilution) {
        fix.ApplyEpochRule(m_input.time);
        // A fix without both coordinates carries no position; one from another sentence of
        // this epoch may still come.
        if (m_input.position.IsValid()) {
            fix.SetPosition(m_input.position);
        }
        fix.SetAltitude(m_input.altitude);
        fix.SetGeoidalSeparation(m_input.geoidalSeparation);
        fix.SetGgaDataPresent(true);
        fix.UpdateCompleteness();
    }
    fix.SetSatellitesInUse(m_input.satellitesInUse);
    return true;
}

bool CGgaSentence::Write(CSentence& sentence, const CFixRecord& fix) {
    m_output.time = fix.Time();
    m_output.position = fix.Position();
    m_output.quality = 1;
    m_output.satellitesInUse = 12;
    m_output.horizontalDilution = 1.0;
    m_output.altitude = fix.Altitude();
    m_output.geoidalSeparation = fix.GeoidalSeparation();

    Begin(sentence);
    sentence.AppendTime(m_output.time);
    sentence.AppendLatLong(m_output.position);
    sentence.AppendInteger(m_output.quality);
    sentence.AppendInteger(m_output.satellitesInUse);
    sentence.AppendReal(m_output.horizontalDilution);
    AppendOptionalReal(sentence, m_output.altitude);
    sentence.AppendText("M");
    AppendOptionalReal(sentence, m_output.geoidalSeparation);
    sentence.AppendText("M");
    sentence.AppendReal(m_output.differentialAge);
    sentence.AppendInteger(m_output.differentialStation);
    sentence.Finish();
    return true;
}

std::string CGgaSentence::Describe() const {
    std::string text = "At " + DescriptionTime(m_input.time) + " UTC, you were at " +
                       m_input.position.Describe() + ", ";
    switch (m_input.quality) {
    case 1:
        text += "based upon a GPS fix";
        break;
    case 2:
        text += "based upon a differential GPS fix";
        break;
    default:
        text += "a GPS fix was not available";
        break;
    }
    text += ", " + FormatInteger(m_input.satellitesInUse) + " satellites are in use.";
    return text;
}
