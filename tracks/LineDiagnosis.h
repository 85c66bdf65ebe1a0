#pragma once

#include "nmea/NmeaDecoder.h"

#include <string_view>

// Why a decoder did or did not take a line, in the order the decoder checks: framing (at most
// 82 characters, "$" first, CR LF last), the mnemonic, the checksum, the field count, and last
// what the type itself rejects (for example a GSV message number beyond its total).
enum class LineVerdict {
    Accepted,
    BadFraming,
    UnknownType,
    AbsentChecksum,
    BadChecksum,
    WrongFieldCount,
    RejectedContent,
};

// The verdict on a line that `decoder` did not take (its Decode returned false).
LineVerdict DiagnoseRejectedLine(const CNmeaDecoder& decoder, std::string_view line);

// "accepted", "bad framing", "unknown type", "absent checksum", "bad checksum",
// "wrong field count", "rejected content".
const char* LineVerdictText(LineVerdict verdict);
