#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Reads a record file (NMEA text) line by line, the way playback loads it: the file is read in
// blocks of 8192 bytes; a line ends after a LF byte or when 82 bytes are stored, and in the
// second case the byte that follows is skipped. So an over-long line comes out as its first 82
// bytes and, after one lost byte, the rest; neither passes the sentence check.
//
// Two things differ from the raw bytes, both so that a line reaches the decoder as the
// receiver's sentence would:
// - a line is cut at its first NUL byte (what follows a NUL in a line never reaches a sentence);
// - a line that ends in LF without CR (files written on Unix) is handed on ending in CR LF.
class RecordLineReader {
public:
    static constexpr std::size_t kBufferBytes = 8192;
    static constexpr std::size_t kMaxLineBytes = 82;

    RecordLineReader() = default;
    ~RecordLineReader();
    RecordLineReader(const RecordLineReader&) = delete;
    RecordLineReader& operator=(const RecordLineReader&) = delete;

    // Opens the file for reading. False when it cannot be opened; Error() then holds the
    // system's reason.
    bool Open(const std::string& path);

    // The next line, valid until the next call. False at the end of the file and when reading
    // fails (Failed() and Error() tell which).
    bool NextLine(std::string_view& line);

    // Percent of the file read so far (0 to 100), updated at each refill of the buffer.
    int Progress() const { return m_progress; }
    std::uint64_t BytesRead() const { return m_bytesRead; }
    bool Failed() const { return !m_error.empty(); }
    const std::string& Error() const { return m_error; }

private:
    bool Refill();
    void Close();

    int m_fd = -1;
    std::uint64_t m_fileSize = 0;
    std::uint64_t m_bytesRead = 0;
    int m_progress = 0;
    std::string m_error;
    std::size_t m_fill = 0;
    std::size_t m_position = 0;
    char m_buffer[kBufferBytes];
    char m_line[kMaxLineBytes + 1]; // one more for the CR put before a bare LF
};
