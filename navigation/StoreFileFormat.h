#pragma once

#include <functional>
#include <string>
#include <string_view>

// The line rules of the store file "NaviStor.zrv" and of the route export files: 8-bit text,
// one NMEA-0183 sentence per line, each ending in CR LF with its checksum.

// The version and notice lines followed by the store file's five warning lines.
std::string StoreFileHeader();
// The version and notice lines followed by the route export file's three warning lines.
std::string RouteExportHeader();

// Appends a finished WPL or RTE sentence (CR LF included) when it is shorter than 82
// characters; a longer one is left out. True when appended.
bool AppendSentenceLine(std::string& text, std::string_view sentence);

// Cuts a file's bytes into the lines the store reads: a line ends after a LF or once it holds
// 81 characters (the rest continues as the next line). A line that ends in LF without CR, as
// files written on Unix do, is handed on ending in CR LF.
void ForEachFileLine(std::string_view content, const std::function<void(std::string_view)>& take);

// Whether a file's bytes look like a store file written to its end: the version line first and
// a line end last.
bool IsCompleteStoreText(std::string_view content);
