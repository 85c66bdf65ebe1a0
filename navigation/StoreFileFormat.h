#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The line rules of the store file "NaviStor.zrv" and of the route export files: 8-bit text,
// one NMEA-0183 sentence per line, each ending in CR LF with its checksum.

// The version and notice lines followed by the store file's five warning lines.
std::string StoreFileHeader();
// The last line of a store file that this program writes: a proprietary sentence that every
// reader passes over. A store without it that an older copy shows to be longer was cut short
// at a line end.
std::string StoreFileEndLine();
// The version and notice lines followed by the route export file's three warning lines.
std::string RouteExportHeader();

// Appends a finished WPL or RTE sentence (CR LF included) when it is shorter than 82
// characters; a longer one is left out. True when appended.
bool AppendSentenceLine(std::string& text, std::string_view sentence);

// Cuts a file's bytes into the lines the store reads: a line ends after a LF or once it holds
// 81 characters (the rest continues as the next line). A line that ends in LF without CR, as
// files written on Unix do, is handed on ending in CR LF.
void ForEachFileLine(std::string_view content, const std::function<void(std::string_view)>& take);

// What of a store file's bytes would not load: line numbers count from 1, a line longer than
// a store line counts once.
struct StoreTextCheck {
    // The last line when the text does not end with a line end (the file was cut off in it);
    // 0 when it does.
    int cutLine = 0;
    // Lines that are not sound sentences, WPL or RTE sentences that are rejected, and the RTE
    // sentences of a route that never comes to its last sentence; the cut-off last line is not
    // among them.
    std::vector<int> unreadLines;
    // The lines of the text, a cut-off last line included.
    int lineCount = 0;
    // The last line that is not blank is the end line.
    bool endLine = false;
    // The text ends at a line end, but its last lines are missing (set by whoever compares it
    // with an older copy).
    bool endMissing = false;

    bool IsSound() const { return cutLine == 0 && !endMissing && unreadLines.empty(); }
};

// Checks every line as loading would read it (blank lines and sentences of other types are
// passed over, as loading does).
StoreTextCheck CheckStoreText(std::string_view content);
