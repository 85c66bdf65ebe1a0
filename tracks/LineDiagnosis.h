#pragma once

#include "nmea/NmeaDecoder.h"

#include <string_view>

// Why a decoder did or did not take a line, in the order the decoder checks: framing ("$"
// first, CR LF last, and at most 82 characters unless a good checksum vouches for a longer
// line), the mnemonic, the checksum, the field count, and last what the type itself rejects
// (for example a GSV message number beyond its total).
enum class LineVerdict {
    Accepted,
    BadFraming,
    TooLong, // a framing failure of a line longer than 82 characters
    UnknownType,
    AbsentChecksum,
    BadChecksum,
    WrongFieldCount,
    RejectedContent,
};

// The verdict on a line that `decoder` did not take (its Decode returned false).
LineVerdict DiagnoseRejectedLine(const CNmeaDecoder& decoder, std::string_view line);

// "accepted", "bad framing", "longer than 82 characters", "unknown type", "absent checksum", "bad
// checksum", "wrong field count", "rejected content".
const char* LineVerdictText(LineVerdict verdict);
