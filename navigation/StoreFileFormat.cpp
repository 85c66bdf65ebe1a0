#include "navigation/StoreFileFormat.h"

#include "nmea/ProprietarySentences.h"
#include "nmea/Sentence.h"

#include <initializer_list>

namespace {

constexpr std::size_t kLongestStoreLine = 81;

std::string HeaderWith(std::initializer_list<std::string_view> warnings) {
    std::string text = ProductVersionLine() + NoticeLine();
    for (const std::string_view warning : warnings) {
        if (const auto line = FinishLine(warning)) {
            text += *line;
        }
    }
    return text;
}

} // namespace

std::string StoreFileHeader() {
    return HeaderWith({
        "$PZRVWRG,WARNING!,Please!,Do NOT change or delete this file!*",
        "$PZRVWRG,WARNING!,The file contains the DATA BASE of -*",
        "$PZRVWRG,WARNING!,- Navigation System.*",
        "$PZRVWRG,WARNING!,If you definitely removed the software from system,-*",
        "$PZRVWRG,WARNING!,-, you could remove the file too.*",
    });
}

std::string RouteExportHeader() {
    return HeaderWith({
        "$PZRVWRG,WARNING!,Please!,Do NOT change or delete this file!*",
        "$PZRVWRG,WARNING!,The file contains the waypoints-*",
        "$PZRVWRG,WARNING!,-of a route*",
    });
}

bool AppendSentenceLine(std::string& text, std::string_view sentence) {
    if (sentence.empty() || sentence.size() > kLongestStoreLine) {
        return false;
    }
    text += sentence;
    return true;
}

void ForEachFileLine(std::string_view content, const std::function<void(std::string_view)>& take) {
    char line[kLongestStoreLine + 2];
    std::size_t position = 0;
    while (position < content.size()) {
        std::size_t length = 0;
        while (position < content.size() && length < kLongestStoreLine) {
            const char c = content[position++];
            line[length++] = c;
            if (c == '\n') {
                break;
            }
        }
        if (line[length - 1] == '\n' && (length < 2 || line[length - 2] != '\r')) {
            line[length - 1] = '\r';
            line[length++] = '\n';
        }
        take(std::string_view(line, length));
    }
}

bool IsCompleteStoreText(std::string_view content) {
    return content.starts_with("$PZRVPVD,") && content.ends_with('\n');
}
