#pragma once

#include <cstddef>

// gpsd, asked to watch with "nmea":true, interleaves its own JSON reports (the VERSION,
// DEVICES and WATCH lines, each beginning with "{") with the receiver's raw sentences. The
// filter removes every line that begins with "{", so that only receiver output reaches the
// sentence assembly and the record file. State carries over between calls, so a report split
// over two reads is still removed whole.
class GpsdStreamFilter {
public:
    // Removes report bytes from data[0, size) in place; returns the number of bytes kept.
    std::size_t Filter(char* data, std::size_t size);

private:
    bool m_atLineStart = true;
    bool m_inReport = false;
};
