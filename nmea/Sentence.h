#pragma once

#include "platform/CalendarTime.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CLatLong;

// Single-letter fields. The value 0 always means: the field is empty or is none of the letters.
enum class NmeaBoolean : int { Unknown = 0, True = 1, False = 2 }; // "A", "V"
enum class NorthSouth : int { None = 0, North = 1, South = 2 };    // "N", "S"
enum class EastWest : int { None = 0, East = 1, West = 2 };        // "E", "W"
enum class LeftRight : int { None = 0, Left = 1, Right = 2 };      // "L", "R"

// "B", "M", "W", "R", "P".
enum class Reference : int {
    None = 0,
    BottomTrackingLog = 1,
    ManuallyEntered = 2,
    WaterReferenced = 3,
    RadarTracking = 4,
    PositioningSystem = 5,
};

// The value of each letter is its own character code.
enum class ModeIndicator : int {
    None = 0,
    Autonomous = 'A',
    Differential = 'D',
    Estimated = 'E',
    Manual = 'M',
    Simulated = 'S',
    NotValid = 'N',
    Invalid = 'V',
};

// The value of each letter is its own character code.
enum class TransducerType : int {
    None = 0,
    AngularDisplacement = 'A',
    Temperature = 'C',
    LinearDisplacement = 'D',
    Frequency = 'F',
    Humidity = 'H',
    Force = 'N',
    Pressure = 'P',
    FlowRate = 'R',
    Tachometer = 'T',
    Volume = 'V',
};

// The value of each letter is its own character code.
enum class CommunicationsMode : int {
    None = 0,
    SimplexTelephone = 'd',
    DuplexTelephone = 'e',
    SingleSidebandTelephone = 'm',
    AmTelephone = 'o',
    TelexFec = 'q',
    TelexArq = 's',
    TelexReceiveOnly = 'w',
    Morse = 'x',
    MorseReceiveOnly = '{',
    Facsimile = '|',
};

// The longest line of NMEA-0183 text, CR LF included; the program's own lines keep to it.
inline constexpr std::size_t kMaxSentenceLength = 82;
// The longest received line that is kept and decoded, CR LF included. High-precision receivers
// send longer lines than the standard's 82 characters (a GGA with more decimals has 90 and
// more); beyond 82 characters only a good checksum vouches for a line.
inline constexpr std::size_t kMaxReceivedSentenceLength = 512;

// One NMEA-0183 sentence as 8-bit text: "$", the address field (talker and mnemonic), each data
// field after a ",", then "*", two hexadecimal checksum digits, CR and LF. A composed output may
// hold several such lines one after another (GSV).
//
// Field numbering: field 0 is the address field (position 0, the "$", is never part of a
// field); every "," and every "*" ends a field, so the checksum digits form the field after the
// last data field (CR LF stay in its text). Every change of the text records where its
// separators stand, so that a reader finds a field without scanning the text again; readers
// change nothing.
class CSentence {
public:
    CSentence() = default;
    explicit CSentence(std::string text);

    // Replaces the text.
    void Assign(std::string_view text);
    void Empty() { Assign({}); }
    bool IsEmpty() const { return m_text.empty(); }
    const std::string& Text() const { return m_text; }

    // --- Readers -------------------------------------------------------------------------

    // The text of field n, up to the next ",", "*", NUL or the end; empty when the text has
    // fewer fields. The view is valid until the text changes.
    std::string_view Field(int n) const {
        if (n < 0 || m_text.size() < 2 || static_cast<std::size_t>(n) > m_separatorCount) {
            return {};
        }
        const auto index = static_cast<std::size_t>(n);
        const std::size_t begin = index == 0 ? 1 : m_separators[index - 1] + 1;
        const std::size_t end = index < m_separatorCount ? m_separators[index] : m_text.size();
        const std::string_view field(m_text.data() + begin, end - begin);
        return m_hasNul ? field.substr(0, field.find('\0')) : field;
    }

    // Number of "," between position 1 and the first "*" (or the end); 0 for a text shorter
    // than 2 characters.
    int DataFieldCount() const;

    // DataFieldCount() + 1 when a "*" is present; -1 when there is none or the text is shorter
    // than 2 characters.
    int ChecksumFieldIndex() const;

    // XOR of the character codes from position 1 up to, not including, the first "*", CR or LF
    // (or the end); 0 for a text shorter than 2 characters.
    std::uint8_t ComputeChecksum() const;

    // Unknown when there is no "*" or the checksum field is empty; False when the checksum
    // field read as hexadecimal (either case, reading stops at the first other character)
    // equals ComputeChecksum(); True otherwise.
    NmeaBoolean IsChecksumBad() const;

    // Field n as a signed decimal integer: leading white space and a sign, digits up to the
    // first non-digit. 0 for an empty or non-numeric field; clamped to the int range.
    int Integer(int n) const;

    // Field n as a real number: leading white space and a sign, digits, a decimal point and an
    // exponent, up to the first character that does not fit. 0.0 for an empty or non-numeric
    // field and for a value beyond the double range.
    double Double(int n) const;

    // The enumeration of field n; the whole field must equal the letter exactly.
    NmeaBoolean Boolean(int n) const;
    NorthSouth NorthOrSouth(int n) const;
    EastWest EastOrWest(int n) const;
    LeftRight LeftOrRight(int n) const;
    Reference GetReference(int n) const;
    ModeIndicator GetModeIndicator(int n) const;
    TransducerType GetTransducerType(int n) const;
    CommunicationsMode GetCommunicationsMode(int n) const;

    // Reads hhmmss from field n and, when dateField is not 0, ddmmyy from that field.
    // - Field n shorter than 6 characters: `time` is left unchanged.
    // - Fractions of a second (characters after the sixth) are ignored.
    // - No date field, or one that does not have exactly 6 characters: the date is 1999-01-01
    //   (the no-date marker). Year = 2000 + yy, a year before 1970 becomes 1999; a month
    //   outside 1-12 and a day outside 1-31 become 1.
    // - An hour outside 0-23 and a minute or second outside 0-59 become 0.
    // timeText and dateText receive the texts of the two fields (dateText empty when
    // dateField is 0).
    void Time(int n, int dateField, CalendarTime& time, std::string& timeText,
              std::string& dateText) const;

    // --- Appenders: each appends "," and one field ---------------------------------------

    void AppendText(std::string_view text);
    // "%d"; an empty field for 0.
    void AppendInteger(int value);
    // "%.1f" (independent of the locale); an empty field for exactly 0.0.
    void AppendReal(double value);
    // "A" / "V"; empty for Unknown.
    void AppendBoolean(NmeaBoolean value);
    // "N" / "S"; empty otherwise.
    void AppendNorthSouth(NorthSouth value);
    // "E" / "W"; empty otherwise.
    void AppendEastWest(EastWest value);
    // The letter whose code the value is, when it is one of the enumeration's letters; empty
    // otherwise.
    void AppendModeIndicator(ModeIndicator value);
    void AppendTransducerType(TransducerType value);
    void AppendCommunicationsMode(CommunicationsMode value);
    // hhmmss of the calendar time.
    void AppendTime(CalendarTime time);
    // Four fields: latitude, N/S, longitude, E/W (see CLatLong::Write).
    void AppendLatLong(const CLatLong& position);

    // --- Composition and checks ----------------------------------------------------------

    // Appends "*", ComputeChecksum() as two upper-case hexadecimal digits, CR and LF.
    void Finish();

    // The decoders' framing check: "$" first, CR LF last, and at most 82 characters, or at most
    // kMaxReceivedSentenceLength with a good checksum.
    bool IsSingleSentence() const;

    // The check on composed output: the text begins with "$", ends with CR LF, and every line
    // (up to and including its LF) has at most 82 characters.
    bool IsWellFormedOutput() const;

private:
    // Records the separators of the text from position `from` on.
    void IndexFrom(std::size_t from);

    std::string m_text;
    // Positions of every "," and "*" after position 0, in order: the first m_separatorCount
    // entries. The vector only grows, to the longest text held, so that indexing a line needs
    // no allocation and no capacity check per separator.
    std::vector<std::uint32_t> m_separators;
    std::size_t m_separatorCount = 0;
    int m_commasBeforeStar = 0;
    bool m_hasStar = false;
    bool m_hasNul = false;
    // XOR of the characters from position 1 up to the first "*", CR or LF.
    std::uint8_t m_checksum = 0;
    bool m_checksumOpen = true;
};

// The framing checks on plain text (the same rules as the members of CSentence).
bool IsSingleSentence(std::string_view text);
bool IsWellFormedOutput(std::string_view text);

// Line checksum for lines built outside a sentence object (the program's own lines, store and
// record files). `text` runs from "$" to "*" inclusive; the checksum is the XOR of the
// characters strictly between them.
std::uint8_t LineChecksum(std::string_view text);

// The finished line: text, the two upper-case checksum digits, CR LF. Nothing when the text is
// 78 characters or longer (the line would exceed 82), or does not begin with "$" and end with
// "*".
std::optional<std::string> FinishLine(std::string_view text);
