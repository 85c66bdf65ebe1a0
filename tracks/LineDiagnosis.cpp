#include "tracks/LineDiagnosis.h"

#include "nmea/Sentence.h"

namespace {

constexpr std::size_t kMnemonicLength = 3;

} // namespace

LineVerdict DiagnoseRejectedLine(const CNmeaDecoder& decoder, std::string_view line) {
    if (!IsSingleSentence(line)) {
        // Past 82 characters only a good checksum frames a line: the length is named as the
        // cause.
        return line.size() > kMaxSentenceLength ? LineVerdict::TooLong : LineVerdict::BadFraming;
    }
    const CSentence sentence{std::string(line)};
    const std::string_view address = sentence.Field(0);
    const CSentenceType* type =
        address.size() < kMnemonicLength
            ? nullptr
            : decoder.FindType(address.substr(address.size() - kMnemonicLength));
    if (type == nullptr) {
        return LineVerdict::UnknownType;
    }
    switch (sentence.IsChecksumBad()) {
    case NmeaBoolean::Unknown:
        return LineVerdict::AbsentChecksum;
    case NmeaBoolean::True:
        return LineVerdict::BadChecksum;
    case NmeaBoolean::False:
        break;
    }
    if (!type->AcceptsFieldCount(sentence.DataFieldCount())) {
        return LineVerdict::WrongFieldCount;
    }
    return LineVerdict::RejectedContent;
}

const char* LineVerdictText(LineVerdict verdict) {
    switch (verdict) {
    case LineVerdict::Accepted:
        return "accepted";
    case LineVerdict::BadFraming:
        return "bad framing";
    case LineVerdict::TooLong:
        return "longer than 82 characters";
    case LineVerdict::UnknownType:
        return "unknown type";
    case LineVerdict::AbsentChecksum:
        return "absent checksum";
    case LineVerdict::BadChecksum:
        return "bad checksum";
    case LineVerdict::WrongFieldCount:
        return "wrong field count";
    case LineVerdict::RejectedContent:
        break;
    }
    return "rejected content";
}
