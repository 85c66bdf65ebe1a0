#pragma once

#include <filesystem>
#include <string>
#include <vector>

// NMEA streams for the tests that play a receiver.
namespace testlogs {

// A drive of `seconds` fixes, one GGA, GSA and RMC per second (CR LF line ends, correct
// checksums), heading north-east at about 20 knots from 2026-05-01 07:30:00.
std::string SyntheticDrive(int seconds);

// A receiver log of the shared corpus as the receiver sent it: its "#" comment lines, which
// the capturing project added, are left out.
std::string ReceiverBytes(const std::filesystem::path& log);

// What the sentence assembly hands on of a stream while it runs, worked out independently of
// it: the texts from each "$" through the next LF, or up to the next "$" when that comes
// first, that have at most 512 bytes; a text after the last of them is not complete.
std::vector<std::string> KeptSentences(const std::string& stream);

} // namespace testlogs
