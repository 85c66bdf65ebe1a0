#include "nmea/Sentence.h"

#include "nmea/Coordinates.h"
#include "nmea/NumberText.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <climits>
#include <cstddef>
#include <cstring>

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Leading white space and one sign taken off; `negative` tells the sign.
std::string_view SkipBlankAndSign(std::string_view text, bool& negative) {
    negative = false;
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    return text.substr(i);
}

int ReadInteger(std::string_view text) {
    // What receivers send: up to nine plain digits, which cannot leave the int range.
    constexpr std::size_t kSafeDigits = 9;
    const std::size_t plain = std::min(text.size(), kSafeDigits);
    int quick = 0;
    std::size_t i = 0;
    for (; i < plain && IsDigit(text[i]); ++i) {
        quick = quick * 10 + (text[i] - '0');
    }
    if (i > 0 && (i == text.size() || (i < kSafeDigits && !IsDigit(text[i])))) {
        return quick;
    }
    bool negative = false;
    std::string_view digits =
        !text.empty() && IsDigit(text[0]) ? text : SkipBlankAndSign(text, negative);
    // Leading zeros add nothing; eleven digits after them already lie beyond the int range,
    // and the rest only clamp.
    digits.remove_prefix(std::min(digits.find_first_not_of('0'), digits.size()));
    constexpr std::size_t kEnoughDigits = 11;
    long long value = 0;
    for (std::size_t j = 0; j < digits.size() && j < kEnoughDigits && IsDigit(digits[j]); ++j) {
        value = value * 10 + (digits[j] - '0');
    }
    value = negative ? -value : value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

// Plain decimals whose digits form a mantissa below 10^15 with at most 22 decimals - what
// receivers send - are exact as mantissa / 10^k with one correctly rounded division, the value
// from_chars gives too; anything else goes to from_chars.
bool ReadPlainDecimal(std::string_view text, double& value) {
    static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                              1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    constexpr std::uint64_t kMantissaLimit = 1000000000000000; // 10^15 < 2^53: exact
    // 19 digits cannot overflow the 64-bit mantissa.
    constexpr std::size_t kMaxDigits = 19;
    constexpr std::size_t kMaxDecimals = 22;
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* p = begin;
    std::uint64_t mantissa = 0;
    for (; p < end && IsDigit(*p); ++p) {
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
    }
    std::size_t digits = static_cast<std::size_t>(p - begin);
    std::size_t decimals = 0;
    if (p < end && *p == '.') {
        const char* const fraction = ++p;
        for (; p < end && IsDigit(*p); ++p) {
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
        }
        decimals = static_cast<std::size_t>(p - fraction);
        digits += decimals;
    }
    if (digits == 0 || digits > kMaxDigits || decimals > kMaxDecimals ||
        mantissa >= kMantissaLimit || (p < end && (*p == 'e' || *p == 'E'))) {
        return false;
    }
    value = static_cast<double>(mantissa) / kPowersOfTen[decimals];
    return true;
}

double ReadDouble(std::string_view text) {
    bool negative = false;
    const std::string_view rest =
        !text.empty() && IsDigit(text[0]) ? text : SkipBlankAndSign(text, negative);
    // Only decimal notation: no "inf", "nan" or hexadecimal forms.
    if (rest.empty() || !(IsDigit(rest[0]) || rest[0] == '.')) {
        return 0.0;
    }
    double value = 0.0;
    if (!ReadPlainDecimal(rest, value)) {
        const auto result = std::from_chars(rest.data(), rest.data() + rest.size(), value,
                                            std::chars_format::general);
        if (result.ec != std::errc()) {
            return 0.0;
        }
    }
    return negative ? -value : value;
}

constexpr std::uint64_t kEveryByte = 0x0101010101010101u;
constexpr std::uint64_t kLowSevenBits = 0x7F7F7F7F7F7F7F7Fu;

// 0x80 in every byte of `word` that is zero and 0 in the others, without borrows between bytes.
std::uint64_t ZeroBytes(std::uint64_t word) {
    return ~(((word & kLowSevenBits) + kLowSevenBits) | word | kLowSevenBits);
}

// Whether `word` holds a byte below "+" (0x2B): every "*", CR, LF and NUL is one, and the
// characters of a sentence's fields ("+", "-", ".", digits, letters) are not.
bool HasByteBelowComma(std::uint64_t word) {
    return ((word - kEveryByte * 0x2Bu) & ~word & ~kLowSevenBits) != 0;
}

// 0x80 in every byte of `word` that equals c.
std::uint64_t BytesEqual(std::uint64_t word, unsigned char c) {
    return ZeroBytes(word ^ (kEveryByte * c));
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// The field read as an unsigned hexadecimal number, up to the first other character; values
// beyond a byte stay beyond it.
unsigned ReadHex(std::string_view text) {
    unsigned value = 0;
    for (const char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0) {
            break;
        }
        value = value > 0xFFFFu ? value : value * 16 + static_cast<unsigned>(digit);
    }
    return value;
}

// What CSentence::IsChecksumBad() == NmeaBoolean::False tells, on plain text: the field after
// the first "*" read as hexadecimal equals the XOR of the characters from position 1 up to the
// first "*", CR or LF.
bool HasGoodChecksum(std::string_view text) {
    const std::size_t star = text.find('*', 1);
    if (star == std::string_view::npos) {
        return false;
    }
    const std::size_t summed = std::min(star, text.find_first_of("\r\n", 1));
    std::uint8_t sum = 0;
    for (const char c : text.substr(1, summed - 1)) {
        sum ^= static_cast<std::uint8_t>(c);
    }
    std::string_view field = text.substr(star + 1);
    field = field.substr(0, field.find_first_of(std::string_view(",*\0", 3)));
    return !field.empty() && ReadHex(field) == sum;
}

// The start of a day of the naive calendar. Undated times all fall on the marker day, and
// consecutive dated sentences nearly always carry the same date, so the last conversion is
// remembered (per thread: decoders of different tracks run on different threads).
CalendarTime MidnightOf(int year, int month, int day) {
    if (year == 1999 && month == 1 && day == 1) {
        return kNoDateTime;
    }
    struct Day {
        int year = 0;
        int month = 0;
        int day = 0;
        CalendarTime midnight = 0;
    };
    thread_local Day last;
    if (last.year != year || last.month != month || last.day != day) {
        last = Day{year, month, day, MakeCalendarTime({year, month, day, 0, 0, 0})};
    }
    return last.midnight;
}

// Reads a two-character pair of a time or date field as a decimal integer.
int ReadPair(std::string_view text, std::size_t at) {
    if (at + 2 <= text.size() && IsDigit(text[at]) && IsDigit(text[at + 1])) {
        return (text[at] - '0') * 10 + (text[at + 1] - '0');
    }
    return ReadInteger(text.substr(at, 2));
}

// The letter whose code the value is, when it is one of the letters; empty otherwise.
std::string_view Letter(int code, std::string_view letters) {
    if (code <= 0 || code >= 256) {
        return {};
    }
    const std::size_t at = letters.find(static_cast<char>(code));
    return at == std::string_view::npos ? std::string_view() : letters.substr(at, 1);
}

char UpperHex(unsigned nibble) {
    return "0123456789ABCDEF"[nibble & 0xFu];
}

void AppendChecksumAndLineEnd(std::string& text, std::uint8_t checksum) {
    text.push_back('*');
    text.push_back(UpperHex(checksum >> 4));
    text.push_back(UpperHex(checksum));
    text.push_back(kCr);
    text.push_back(kLf);
}

template <typename Enum>
Enum LetterValue(std::string_view field, std::string_view letters) {
    if (field.size() == 1 && letters.find(field[0]) != std::string_view::npos) {
        return static_cast<Enum>(static_cast<unsigned char>(field[0]));
    }
    return Enum::None;
}

// Two-letter enumerations: the first letter is value 1, the second value 2.
template <typename Enum>
Enum PairValue(std::string_view field, char first, char second) {
    if (field.size() == 1 && field[0] == first) {
        return static_cast<Enum>(1);
    }
    if (field.size() == 1 && field[0] == second) {
        return static_cast<Enum>(2);
    }
    return static_cast<Enum>(0);
}

constexpr std::string_view kModeLetters = "ADEMSNV";
constexpr std::string_view kTransducerLetters = "ACDFHNPRTV";
constexpr std::string_view kCommunicationsLetters = "demoqswx{|";

} // namespace

CSentence::CSentence(std::string text) : m_text(std::move(text)) {
    IndexFrom(1);
}

void CSentence::Assign(std::string_view text) {
    m_text.assign(text);
    m_separatorCount = 0;
    m_commasBeforeStar = 0;
    m_hasStar = false;
    m_hasNul = false;
    m_checksum = 0;
    m_checksumOpen = true;
    IndexFrom(1);
}

void CSentence::IndexFrom(std::size_t from) {
    // Most characters are none of ",", "*", CR, LF, NUL: one table look-up lets them pass.
    static constexpr auto kSpecial = [] {
        std::array<bool, 256> table{};
        for (const unsigned char c : {',', '*', '\r', '\n', '\0'}) {
            table[c] = true;
        }
        return table;
    }();
    // The text's characters may alias any member, so the loops keep their state in locals.
    const char* text = m_text.data();
    const std::size_t size = m_text.size();
    if (m_separators.size() < size) {
        m_separators.resize(size);
    }
    std::uint32_t* separators = m_separators.data();
    std::size_t separatorCount = m_separatorCount;
    std::size_t i = std::max<std::size_t>(from, 1);
    std::uint8_t checksum = m_checksum;
    bool checksumOpen = m_checksumOpen;
    int commasBeforeStar = m_commasBeforeStar;
    bool hasStar = m_hasStar;
    bool hasNul = m_hasNul;
    // Up to the first "*", CR or LF every character enters the checksum, and no "*" is seen.
    // Eight characters at a time while none of them is below "+", and so none a "*", CR, LF or
    // NUL (the bytes of a word lie in memory order only on a little-endian machine).
    if constexpr (std::endian::native == std::endian::little) {
        std::uint64_t wordChecksum = 0;
        for (; checksumOpen && i + sizeof wordChecksum <= size; i += sizeof wordChecksum) {
            std::uint64_t word = 0;
            std::memcpy(&word, text + i, sizeof word);
            if (HasByteBelowComma(word)) {
                break;
            }
            for (std::uint64_t commas = BytesEqual(word, ','); commas != 0; commas &= commas - 1) {
                separators[separatorCount++] = static_cast<std::uint32_t>(
                    i + static_cast<std::size_t>(std::countr_zero(commas)) / 8);
                ++commasBeforeStar;
            }
            wordChecksum ^= word;
        }
        wordChecksum ^= wordChecksum >> 32;
        wordChecksum ^= wordChecksum >> 16;
        wordChecksum ^= wordChecksum >> 8;
        checksum ^= static_cast<std::uint8_t>(wordChecksum);
    }
    for (; checksumOpen && i < size; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (kSpecial[c]) {
            if (c == ',') {
                separators[separatorCount++] = static_cast<std::uint32_t>(i);
                ++commasBeforeStar;
            } else if (c == '\0') {
                hasNul = true;
            } else {
                checksumOpen = false;
                break;
            }
        }
        checksum ^= c;
    }
    for (; i < size; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (!kSpecial[c]) {
            continue;
        }
        if (c == ',' || c == '*') {
            separators[separatorCount++] = static_cast<std::uint32_t>(i);
            commasBeforeStar += c == ',' && !hasStar ? 1 : 0;
            hasStar = hasStar || c == '*';
        } else if (c == '\0') {
            hasNul = true;
        }
    }
    m_separatorCount = separatorCount;
    m_checksum = checksum;
    m_checksumOpen = checksumOpen;
    m_commasBeforeStar = commasBeforeStar;
    m_hasStar = hasStar;
    m_hasNul = hasNul;
}

int CSentence::DataFieldCount() const {
    return m_text.size() < 2 ? 0 : m_commasBeforeStar;
}

int CSentence::ChecksumFieldIndex() const {
    return m_text.size() < 2 || !m_hasStar ? -1 : m_commasBeforeStar + 1;
}

std::uint8_t CSentence::ComputeChecksum() const {
    return m_checksum;
}

NmeaBoolean CSentence::IsChecksumBad() const {
    const int index = ChecksumFieldIndex();
    if (index < 0) {
        return NmeaBoolean::Unknown;
    }
    const std::string_view field = Field(index);
    if (field.empty()) {
        return NmeaBoolean::Unknown;
    }
    return ReadHex(field) == ComputeChecksum() ? NmeaBoolean::False : NmeaBoolean::True;
}

int CSentence::Integer(int n) const {
    return ReadInteger(Field(n));
}

double CSentence::Double(int n) const {
    return ReadDouble(Field(n));
}

NmeaBoolean CSentence::Boolean(int n) const {
    return PairValue<NmeaBoolean>(Field(n), 'A', 'V');
}

NorthSouth CSentence::NorthOrSouth(int n) const {
    return PairValue<NorthSouth>(Field(n), 'N', 'S');
}

EastWest CSentence::EastOrWest(int n) const {
    return PairValue<EastWest>(Field(n), 'E', 'W');
}

LeftRight CSentence::LeftOrRight(int n) const {
    return PairValue<LeftRight>(Field(n), 'L', 'R');
}

Reference CSentence::GetReference(int n) const {
    const std::string_view field = Field(n);
    constexpr std::string_view letters = "BMWRP";
    if (field.size() != 1) {
        return Reference::None;
    }
    const std::size_t at = letters.find(field[0]);
    return at == std::string_view::npos ? Reference::None : static_cast<Reference>(at + 1);
}

ModeIndicator CSentence::GetModeIndicator(int n) const {
    return LetterValue<ModeIndicator>(Field(n), kModeLetters);
}

TransducerType CSentence::GetTransducerType(int n) const {
    return LetterValue<TransducerType>(Field(n), kTransducerLetters);
}

CommunicationsMode CSentence::GetCommunicationsMode(int n) const {
    return LetterValue<CommunicationsMode>(Field(n), kCommunicationsLetters);
}

void CSentence::Time(int n, int dateField, CalendarTime& time, std::string& timeText,
                     std::string& dateText) const {
    const std::string_view timeField = Field(n);
    const std::string_view dateValue = dateField != 0 ? Field(dateField) : std::string_view();
    timeText.assign(timeField);
    dateText.assign(dateValue);
    if (timeField.size() < 6) {
        return;
    }
    CalendarFields fields; // 1999-01-01, the no-date marker
    fields.hour = ReadPair(timeField, 0);
    fields.minute = ReadPair(timeField, 2);
    fields.second = ReadPair(timeField, 4);
    if (dateField != 0 && dateValue.size() == 6) {
        fields.day = ReadPair(dateValue, 0);
        fields.month = ReadPair(dateValue, 2);
        fields.year = 2000 + ReadPair(dateValue, 4);
        if (fields.year < 1970) {
            fields.year = 1999;
        }
        if (fields.month < 1 || fields.month > 12) {
            fields.month = 1;
        }
        if (fields.day < 1 || fields.day > 31) {
            fields.day = 1;
        }
    }
    if (fields.hour < 0 || fields.hour > 23) {
        fields.hour = 0;
    }
    if (fields.minute < 0 || fields.minute > 59) {
        fields.minute = 0;
    }
    if (fields.second < 0 || fields.second > 59) {
        fields.second = 0;
    }
    time = MidnightOf(fields.year, fields.month, fields.day) + fields.hour * 3600 +
           fields.minute * 60 + fields.second;
}

void CSentence::AppendText(std::string_view text) {
    const std::size_t from = m_text.size();
    m_text.push_back(',');
    m_text.append(text);
    IndexFrom(from);
}

void CSentence::AppendInteger(int value) {
    const std::size_t from = m_text.size();
    m_text.push_back(',');
    if (value != 0) {
        ::AppendInteger(m_text, value);
    }
    IndexFrom(from);
}

void CSentence::AppendReal(double value) {
    const std::size_t from = m_text.size();
    m_text.push_back(',');
    if (value != 0.0) {
        AppendFixed(m_text, value, 1);
    }
    IndexFrom(from);
}

void CSentence::AppendBoolean(NmeaBoolean value) {
    AppendText(value == NmeaBoolean::True ? "A" : value == NmeaBoolean::False ? "V" : "");
}

void CSentence::AppendNorthSouth(NorthSouth value) {
    AppendText(value == NorthSouth::North ? "N" : value == NorthSouth::South ? "S" : "");
}

void CSentence::AppendEastWest(EastWest value) {
    AppendText(value == EastWest::East ? "E" : value == EastWest::West ? "W" : "");
}

void CSentence::AppendModeIndicator(ModeIndicator value) {
    AppendText(Letter(static_cast<int>(value), kModeLetters));
}

void CSentence::AppendTransducerType(TransducerType value) {
    AppendText(Letter(static_cast<int>(value), kTransducerLetters));
}

void CSentence::AppendCommunicationsMode(CommunicationsMode value) {
    AppendText(Letter(static_cast<int>(value), kCommunicationsLetters));
}

void CSentence::AppendTime(CalendarTime time) {
    const CalendarFields fields = SplitCalendarTime(time);
    char digits[6];
    std::size_t at = 0;
    for (const int value : {fields.hour, fields.minute, fields.second}) {
        digits[at++] = static_cast<char>('0' + value / 10);
        digits[at++] = static_cast<char>('0' + value % 10);
    }
    AppendText(std::string_view(digits, sizeof digits));
}

void CSentence::AppendLatLong(const CLatLong& position) {
    position.Write(*this);
}

void CSentence::Finish() {
    const std::size_t from = m_text.size();
    AppendChecksumAndLineEnd(m_text, ComputeChecksum());
    IndexFrom(from);
}

bool CSentence::IsSingleSentence() const {
    return ::IsSingleSentence(m_text);
}

bool CSentence::IsWellFormedOutput() const {
    return ::IsWellFormedOutput(m_text);
}

bool IsSingleSentence(std::string_view text) {
    const std::size_t size = text.size();
    if (size < 3 || size > kMaxReceivedSentenceLength || text[0] != '$' || text[size - 2] != kCr ||
        text[size - 1] != kLf) {
        return false;
    }
    return size <= kMaxSentenceLength || HasGoodChecksum(text);
}

bool IsWellFormedOutput(std::string_view text) {
    const std::size_t size = text.size();
    if (size < 3 || text[0] != '$' || text[size - 2] != kCr || text[size - 1] != kLf) {
        return false;
    }
    std::size_t lineStart = 0;
    while (lineStart < size) {
        const std::size_t lf = text.find(kLf, lineStart);
        if (lf - lineStart + 1 > kMaxSentenceLength) {
            return false;
        }
        lineStart = lf + 1;
    }
    return true;
}

std::uint8_t LineChecksum(std::string_view text) {
    std::uint8_t sum = 0;
    if (text.size() < 2) {
        return sum;
    }
    for (const char c : text.substr(1, text.size() - 2)) {
        sum ^= static_cast<std::uint8_t>(c);
    }
    return sum;
}

std::optional<std::string> FinishLine(std::string_view text) {
    // 77 characters + 2 digits + CR LF stay within one 82-character line.
    constexpr std::size_t kLongestText = 77;
    if (text.size() < 2 || text.size() > kLongestText || text.front() != '$' ||
        text.back() != '*') {
        return std::nullopt;
    }
    std::string line(text.substr(0, text.size() - 1));
    AppendChecksumAndLineEnd(line, LineChecksum(text));
    return line;
}
