#pragma once

#include "nmea/Sentence.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Reads a record file (NMEA text) line by line, the way playback loads it: the file is read in
// blocks of 8192 bytes, and a line ends at LF, at CR LF or at a CR that no LF follows, so the
// lines are those an editor shows and every line of the file is one line here.
//
// Three things differ from the raw bytes, all so that a line reaches the decoder as the
// receiver's sentence would:
// - a line is handed on ending in CR LF, whichever line end it had in the file;
// - a line is cut at its first NUL byte (what follows a NUL in a line never reaches a
//   sentence), and then has no line end;
// - a line longer than kMaxLineBytes with its line end is handed on without its line end, so
//   it fails every check, and cut to kMaxLineBytes + 1 bytes; the rest of it is skipped.
class RecordLineReader {
public:
    static constexpr std::size_t kBufferBytes = 8192;
    static constexpr std::size_t kMaxLineBytes = kMaxReceivedSentenceLength;

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

    // The next NextLine needs no read of the file: the buffer holds the end of the next line,
    // or the file is at its end. A read may wait for a slow medium (a pipe, a stalled network
    // share or USB stick), which a caller that holds a lock others wait for must not do.
    bool LineIsBuffered() const;

    // Percent of the file read so far (0 to 100), updated at each refill of the buffer.
    int Progress() const { return m_progress; }
    std::uint64_t BytesRead() const { return m_bytesRead; }
    bool Failed() const { return !m_error.empty(); }
    const std::string& Error() const { return m_error; }

private:
    bool Refill();
    void Close();
    // The next byte of the file, read or only looked at; false at the end or on a failure.
    bool TakeByte(char& byte);
    bool PeekByte(char& byte);

    int m_fd = -1;
    std::uint64_t m_fileSize = 0;
    std::uint64_t m_bytesRead = 0;
    int m_progress = 0;
    std::string m_error;
    std::size_t m_fill = 0;
    std::size_t m_position = 0;
    char m_buffer[kBufferBytes];
    char m_line[kMaxLineBytes + 1]; // one more than a line may hold: the mark of a longer one
};
