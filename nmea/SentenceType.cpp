#include "nmea/SentenceType.h"

#include "nmea/Sentence.h"

bool CSentenceType::Accepts(const CSentence& sentence) const {
    return AcceptsFieldCount(sentence.DataFieldCount()) &&
           sentence.IsChecksumBad() == NmeaBoolean::False;
}

bool CSentenceType::Parse(const CSentence& /*sentence*/, IStoreTarget& /*target*/) {
    return false;
}

bool CSentenceType::Parse(const CSentence& /*sentence*/, CFixRecord& /*fix*/) {
    return false;
}

bool CSentenceType::Write(CSentence& /*sentence*/, const StoreItemView& /*source*/) {
    return false;
}

bool CSentenceType::Write(CSentence& /*sentence*/, const CFixRecord& /*fix*/) {
    return false;
}

std::string CSentenceType::Describe() const {
    return {};
}

void CSentenceType::Begin(CSentence& sentence) const {
    std::string start = "$";
    start += m_talker;
    start += m_mnemonic;
    sentence.Assign(start);
}
