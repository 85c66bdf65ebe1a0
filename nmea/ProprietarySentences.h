#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

// The program's own lines, address "PZRV" + a three-character mnemonic. No decoder has a type
// for them, so they can stand in record and store files without disturbing playback or loading.
// Every line is finished with the line checksum and CR LF, and is produced only when its text up
// to and including "*" is shorter than 78 characters (so that the line stays within 82).

inline constexpr std::string_view kProductName = "Velmora Recorder 3";
inline constexpr std::string_view kProductVersion = "v3.9.91";

// "$PZRV" + mnemonic + "," + the fields joined by "," + "*", finished; nothing when too long.
std::optional<std::string> ProprietaryLine(std::string_view mnemonic,
                                           std::initializer_list<std::string_view> fields);

// "$PZRVPVD,Velmora Recorder 3,v3.9.91*..." - product name and version, head of every file the
// program writes.
std::string ProductVersionLine();

// "$PZRVCRT,..." - the maker's notice, after the version line.
std::string NoticeLine();

// "$PZRVSRC," + the port or Bluetooth device name of the recording source + "*...". Characters
// that would break the line (control characters, "$", "*") are written as "_". Nothing when the
// line would be too long.
std::optional<std::string> SourceLine(std::string_view sourceName);

// "$PZRV000,,*..." - the keep-alive sent to a receiver.
std::string KeepAliveLine();
