#include "nmea/ProprietarySentences.h"

#include "nmea/Sentence.h"

namespace {

// Characters that would end the line or move its checksum: control characters, "$", "*".
char Printable(char c) {
    const auto code = static_cast<unsigned char>(c);
    return code < 0x20 || code == 0x7F || c == '$' || c == '*' ? '_' : c;
}

std::string Finished(std::string_view text) {
    // The fixed lines are short; FinishLine refuses only texts of 78 characters or more.
    return FinishLine(text).value_or(std::string());
}

} // namespace

std::optional<std::string> ProprietaryLine(std::string_view mnemonic,
                                           std::initializer_list<std::string_view> fields) {
    std::string text = "$PZRV";
    text += mnemonic;
    for (const std::string_view field : fields) {
        text += ',';
        text += field;
    }
    text += '*';
    return FinishLine(text);
}

std::string ProductVersionLine() {
    std::string text = "$PZRVPVD,";
    text += kProductName;
    text += ',';
    text += kProductVersion;
    text += '*';
    return Finished(text);
}

std::string NoticeLine() {
    return Finished("$PZRVCRT,Copyright (c) 2009 Velmora Records,All rights reserved*");
}

std::optional<std::string> SourceLine(std::string_view sourceName) {
    std::string name(sourceName);
    for (char& c : name) {
        c = Printable(c);
    }
    return ProprietaryLine("SRC", {name});
}

std::string KeepAliveLine() {
    return Finished("$PZRV000,,*");
}
