#include "nmea/GsaSentence.h"

#include "nmea/Sentence.h"

namespace {

constexpr int kFirstPrnField = 3;

int OperatingModeOf(std::string_view field) {
    if (field == "M") {
        return 1;
    }
    if (field == "A") {
        return 2;
    }
    return 0;
}

} // namespace

bool CGsaSentence::AcceptsFieldCount(int dataFieldCount) const {
    return dataFieldCount == 17 || dataFieldCount == 18;
}

void CGsaSentence::Empty(RecordSide which) {
    (which == RecordSide::Input ? m_input : m_output) = GsaFields();
}

bool CGsaSentence::Parse(const CSentence& sentence, CFixRecord& fix) {
    if (!Accepts(sentence)) {
        return false;
    }
    GsaFields fields;
    fields.operatingMode = OperatingModeOf(sentence.Field(1));
    const int fixMode = sentence.Integer(2);
    fields.fixMode = fixMode >= 1 && fixMode <= 3 ? fixMode : 0;
    for (int i = 0; i < CFixRecord::kSatelliteSlots; ++i) {
        fields.prns[static_cast<std::size_t>(i)] = sentence.Integer(kFirstPrnField + i);
    }
    fields.positionDilution = sentence.Double(15);
    fields.horizontalDilution = sentence.Double(16);
    fields.verticalDilution = sentence.Double(17);
    m_input = fields;

    fix.SetSatellitesUsed(m_input.prns);
    return true;
}

bool CGsaSentence::Write(CSentence& sentence, const CFixRecord& /*fix*/) {
    m_output.operatingMode = 2;
    m_output.fixMode = 3;
    for (int i = 0; i < CFixRecord::kSatelliteSlots; ++i) {
        m_output.prns[static_cast<std::size_t>(i)] = i + 1;
    }
    m_output.positionDilution = 1.0;
    m_output.horizontalDilution = 1.0;
    m_output.verticalDilution = 1.0;

    Begin(sentence);
    sentence.AppendText("A");
    sentence.AppendInteger(m_output.fixMode);
    for (const int prn : m_output.prns) {
        sentence.AppendInteger(prn);
    }
    sentence.AppendReal(m_output.positionDilution);
    sentence.AppendReal(m_output.horizontalDilution);
    sentence.AppendReal(m_output.verticalDilution);
    sentence.Finish();
    return true;
}
