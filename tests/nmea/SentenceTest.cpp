#include "nmea/Sentence.h"
#include "nmea/Coordinates.h"
#include "tests/nmea/NmeaTestText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

const std::string kGll = "$GPGLL,4916.45,N,12311.12,W,225444,A*31\r\n";

CSentence Of(std::string text) {
    return CSentence(std::move(text));
}

TEST(SentenceFraming, SingleSentenceCheck) {
    const std::string good = WithChecksum("$GPGSA,A,3,,,,,,,,,,,,,1.0,1.0,1.0");
    std::string exactly82 = "$GPTXT,";
    exactly82 += std::string(82 - exactly82.size() - 2, 'x') + "\r\n";
    struct Case {
        std::string text;
        bool single;
    } cases[] = {
        {good, true},
        {exactly82, true},
        {"x" + exactly82, false},                        // 83 characters
        {good.substr(0, good.size() - 2) + "\n", false}, // LF alone
        {good.substr(0, good.size() - 2), false},        // no line end
        {good.substr(1), false},                         // no "$"
        {"", false},
        {"\r\n", false},
        {"$\r\n", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Of(c.text).IsSingleSentence(), c.single) << c.text;
    }
}

// Longer than the standard's 82 characters, a line is framed only when its checksum is good,
// up to 512 characters.
TEST(SentenceFraming, LongLinesNeedAGoodChecksum) {
    const std::string gga98 =
        WithChecksum("$GNGGA,120000.00,4916.4512345678,N,12311.1234567890,W,4,"
                     "12,0.55,545.4321,M,46.9012,M,1.0,0000");
    ASSERT_EQ(gga98.size(), 98u);
    const auto padded = [](std::size_t size) {
        std::string body = "$GPTXT,";
        body += std::string(size - body.size() - 5, 'x');
        return WithChecksum(body);
    };
    std::string noLineEnd = padded(200);
    noLineEnd.resize(noLineEnd.size() - 2);
    const struct {
        const char* label;
        std::string text;
        bool single;
    } cases[] = {
        {"98 characters with a good checksum", gga98, true},
        {"98 characters with a wrong one", WithWrongChecksum(gga98.substr(0, gga98.size() - 5)),
         false},
        {"98 characters without one", gga98.substr(0, gga98.size() - 5) + "\r\n", false},
        {"a '*' without digits", gga98.substr(0, gga98.size() - 4) + "\r\n", false},
        {"512 characters", padded(512), true},
        {"513 characters", padded(513), false},
        {"no line end", noLineEnd, false},
        {"a CR before the '*' ends the summed text",
         WithChecksum("$GPTXT,\r" + std::string(90, 'y')), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Of(c.text).IsSingleSentence(), c.single) << c.label;
        EXPECT_EQ(IsSingleSentence(c.text), c.single) << c.label;
        EXPECT_EQ(c.single,
                  IsSingleSentence(c.text) && Of(c.text).IsChecksumBad() == NmeaBoolean::False)
            << c.label << ": framed exactly when the checksum is good";
    }
}

TEST(SentenceFraming, MultiLineCheckOnComposedOutput) {
    const std::string line = WithChecksum("$GPGSV,3,1,12,1,1,1,40,2,1,31,40,3,1,61,40,4,1,91,40");
    const std::string longLine = WithChecksum("$GPGGA," + std::string(80, '9'));
    struct Case {
        std::string text;
        bool good;
    } cases[] = {
        {line, true},
        {line + line + line, true},
        {line + longLine, false},
        {line + line.substr(0, line.size() - 2), false}, // last line unfinished
        {line.substr(1) + line, false},                  // no "$" first
        {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsWellFormedOutput(c.text), c.good) << c.text;
    }
}

TEST(SentenceFields, FieldsAreCutAtCommasAndStar) {
    const CSentence gll = Of(kGll);
    EXPECT_EQ(gll.DataFieldCount(), 6);
    EXPECT_EQ(gll.ChecksumFieldIndex(), 7);
    EXPECT_EQ(gll.Field(0), "GPGLL");
    EXPECT_EQ(gll.Field(2), "N");
    EXPECT_EQ(gll.Field(6), "A");
    EXPECT_EQ(gll.Field(7), "31\r\n"); // CR LF stay in the checksum field
    EXPECT_EQ(gll.Field(8), "");
    EXPECT_EQ(gll.Field(9), "");

    const CSentence withNul = Of(std::string("$GPXXX,ab\0cd,e", 14));
    EXPECT_EQ(withNul.Field(1), "ab");
    EXPECT_EQ(withNul.Field(2), "e");

    const CSentence noStar = Of("$GPGLL,1,2");
    EXPECT_EQ(noStar.DataFieldCount(), 2);
    EXPECT_EQ(noStar.ChecksumFieldIndex(), -1);
    EXPECT_EQ(Of("$").DataFieldCount(), 0);
    EXPECT_EQ(Of("$").ChecksumFieldIndex(), -1);
    EXPECT_EQ(Of("").Field(0), "");
}

// The field rules read the plain way, one character after another.
std::string PlainField(const std::string& text, int n) {
    std::size_t at = 1;
    for (int count = 0; count < n; ++at) {
        if (at >= text.size()) {
            return {};
        }
        count += text[at] == ',' || text[at] == '*' ? 1 : 0;
    }
    std::string field;
    for (; at < text.size() && text[at] != ',' && text[at] != '*' && text[at] != '\0'; ++at) {
        field += text[at];
    }
    return field;
}

int PlainDataFieldCount(const std::string& text) {
    const std::size_t star = text.find('*');
    const std::string body = text.substr(0, star);
    return text.size() < 2 ? 0 : static_cast<int>(std::count(body.begin() + 1, body.end(), ','));
}

std::uint8_t PlainChecksum(const std::string& text) {
    std::uint8_t sum = 0;
    for (std::size_t at = 1;
         at < text.size() && text[at] != '*' && text[at] != '\r' && text[at] != '\n'; ++at) {
        sum ^= static_cast<std::uint8_t>(text[at]);
    }
    return sum;
}

// Texts of every length with the separators and line ends at every place, assigned at once and
// built field by field: every field, the counts and the checksum as the plain reading gives.
TEST(SentenceFields, EveryPlaceOfEverySeparatorIsFound) {
    std::mt19937 random(7);
    const std::string alphabet = std::string("0123456789.-+ ,,,,**\r\n$GPQZ\xff") + '\0';
    for (int round = 0; round < 5000; ++round) {
        std::string text = "$";
        const std::size_t length = random() % 100;
        for (std::size_t i = 0; i < length; ++i) {
            text += alphabet[random() % alphabet.size()];
        }
        CSentence built;
        built.Assign(text.substr(0, text.find(',')));
        for (std::size_t at = text.find(','); at != std::string::npos;) {
            const std::size_t next = text.find(',', at + 1);
            built.AppendText(text.substr(at + 1, next == std::string::npos ? next : next - at - 1));
            at = next;
        }
        const CSentence assigned(text);
        const CSentence* const sentences[] = {&assigned, &built};
        for (const CSentence* sentence : sentences) {
            ASSERT_EQ(sentence->Text(), text);
            const auto label = ::testing::PrintToString(text);
            EXPECT_EQ(sentence->DataFieldCount(), PlainDataFieldCount(text)) << label;
            EXPECT_EQ(sentence->ChecksumFieldIndex(),
                      text.find('*') == std::string::npos ? -1 : PlainDataFieldCount(text) + 1)
                << label;
            EXPECT_EQ(sentence->ComputeChecksum(), PlainChecksum(text)) << label;
            for (int n = 0; n < 40; ++n) {
                EXPECT_EQ(sentence->Field(n), PlainField(text, n)) << label << " field " << n;
            }
        }
    }
}

TEST(SentenceChecksum, VerificationReadsHexInEitherCase) {
    const std::string body = "$GPGLL,4916.45,N,12311.12,W,225444,A";
    struct Case {
        std::string text;
        NmeaBoolean bad;
    } cases[] = {
        {kGll, NmeaBoolean::False},
        {body + "*32\r\n", NmeaBoolean::True},
        {"$GPZ*4d\r\n", NmeaBoolean::False}, // lower-case hexadecimal
        {"$GPZ*4D\r\n", NmeaBoolean::False},
        {body + "\r\n", NmeaBoolean::Unknown},   // no "*"
        {body + "*", NmeaBoolean::Unknown},      // empty checksum field
        {body + "*\r\n", NmeaBoolean::True},     // CR LF are the field's text, no digits
        {body + "*031\r\n", NmeaBoolean::False}, // leading zero still reads as 0x31
        {body + "*131\r\n", NmeaBoolean::True},  // beyond a byte
        {body + "*ZZ\r\n", NmeaBoolean::True},   // reads as 0
        {"$", NmeaBoolean::Unknown},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Of(c.text).IsChecksumBad(), c.bad) << c.text;
    }
    EXPECT_EQ(Of(kGll).ComputeChecksum(), 0x31);
    EXPECT_EQ(Of("$").ComputeChecksum(), 0);
}

TEST(SentenceReaders, NumbersReadAsTheDecimalRoutinesDo) {
    struct Case {
        const char* field;
        int integer;
        double real;
    } cases[] = {
        {"12", 12, 12.0},
        {" 12", 12, 12.0},
        {"-5", -5, -5.0},
        {"+7", 7, 7.0},
        {"12abc", 12, 12.0},
        {"", 0, 0.0},
        {"abc", 0, 0.0},
        {"4916.45", 4916, 4916.45},
        {"1.5e2", 1, 150.0},
        {".5", 0, 0.5},
        {"-0.25", 0, -0.25},
        {"inf", 0, 0.0},
        {"nan", 0, 0.0},
        {"0x1A", 0, 0.0},
        {"1e400", 1, 0.0},
        {"99999999999", INT_MAX, 99999999999.0},
        {"-99999999999", INT_MIN, -99999999999.0},
    };
    for (const auto& c : cases) {
        const CSentence sentence = Of(std::string("$GPXXX,") + c.field + ",end*00\r\n");
        EXPECT_EQ(sentence.Integer(1), c.integer) << c.field;
        EXPECT_DOUBLE_EQ(sentence.Double(1), c.real) << c.field;
    }
}

// Numbers of every length and shape, read through a sentence, against the C library: reals bit
// for bit as strtod, integers of up to ten digits as strtol.
TEST(SentenceReaders, NumbersOfEveryShapeReadBitForBitAsTheCLibrary) {
    std::mt19937 random(16);
    const auto digits = [&](int count) {
        std::string text;
        for (int i = 0; i < count; ++i) {
            text += static_cast<char>('0' + random() % 10);
        }
        return text;
    };
    for (int round = 0; round < 20000; ++round) {
        const int length = 1 + static_cast<int>(random() % 26);
        std::string number = digits(length);
        if (random() % 4 == 0) {
            number.insert(0, std::string(random() % 6, '0'));
        }
        if (random() % 3 != 0) {
            number.insert(random() % (number.size() + 1), ".");
        }
        if (random() % 5 == 0) {
            number.insert(0, random() % 2 == 0 ? "-" : "+");
        }
        if (random() % 8 == 0) {
            number += "e" + std::to_string(static_cast<int>(random() % 40) - 20);
        }
        const CSentence sentence = Of("$GPXXX," + number + ",end*00\r\n");
        const double expected = std::strtod(number.c_str(), nullptr);
        const double read = sentence.Double(1);
        EXPECT_EQ(std::memcmp(&read, &expected, sizeof read), 0)
            << number << " read " << read << " not " << expected;
        if (length <= 10) {
            const long whole = std::strtol(number.c_str(), nullptr, 10);
            EXPECT_EQ(sentence.Integer(1), std::clamp<long>(whole, INT_MIN, INT_MAX)) << number;
        }
    }
}

TEST(SentenceReaders, LetterFieldsMustMatchExactly) {
    const CSentence s = Of("$GPXXX,A,V,AV,,N,S,E,W,L,R,P,B,X,D,T,{,x*00\r\n");
    EXPECT_EQ(s.Boolean(1), NmeaBoolean::True);
    EXPECT_EQ(s.Boolean(2), NmeaBoolean::False);
    EXPECT_EQ(s.Boolean(3), NmeaBoolean::Unknown);
    EXPECT_EQ(s.Boolean(4), NmeaBoolean::Unknown);
    EXPECT_EQ(s.NorthOrSouth(5), NorthSouth::North);
    EXPECT_EQ(s.NorthOrSouth(6), NorthSouth::South);
    EXPECT_EQ(s.NorthOrSouth(7), NorthSouth::None);
    EXPECT_EQ(s.EastOrWest(7), EastWest::East);
    EXPECT_EQ(s.EastOrWest(8), EastWest::West);
    EXPECT_EQ(s.LeftOrRight(9), LeftRight::Left);
    EXPECT_EQ(s.LeftOrRight(10), LeftRight::Right);
    EXPECT_EQ(s.GetReference(11), Reference::PositioningSystem);
    EXPECT_EQ(s.GetReference(12), Reference::BottomTrackingLog);
    EXPECT_EQ(s.GetReference(13), Reference::None);
    EXPECT_EQ(s.GetModeIndicator(14), ModeIndicator::Differential);
    EXPECT_EQ(s.GetModeIndicator(13), ModeIndicator::None);
    EXPECT_EQ(s.GetTransducerType(15), TransducerType::Tachometer);
    EXPECT_EQ(s.GetCommunicationsMode(16), CommunicationsMode::MorseReceiveOnly);
    EXPECT_EQ(s.GetCommunicationsMode(17), CommunicationsMode::Morse);
    EXPECT_EQ(s.GetCommunicationsMode(1), CommunicationsMode::None);
}

TEST(SentenceAppenders, EachAppendsOneField) {
    CSentence s;
    s.Assign("$GPGSA");
    s.AppendInteger(0);
    s.AppendReal(0.0);
    EXPECT_EQ(s.Text(), "$GPGSA,,");
    s.AppendReal(1.0);
    s.AppendReal(-2.04);
    s.AppendReal(18.52);
    s.AppendInteger(-12);
    EXPECT_EQ(s.Text(), "$GPGSA,,,1.0,-2.0,18.5,-12");

    s.Assign("$GPXXX");
    s.AppendBoolean(NmeaBoolean::True);
    s.AppendBoolean(NmeaBoolean::False);
    s.AppendBoolean(NmeaBoolean::Unknown);
    s.AppendNorthSouth(NorthSouth::South);
    s.AppendEastWest(EastWest::East);
    s.AppendEastWest(static_cast<EastWest>(7));
    s.AppendModeIndicator(ModeIndicator::Autonomous);
    s.AppendModeIndicator(static_cast<ModeIndicator>('Q'));
    s.AppendTransducerType(TransducerType::Pressure);
    s.AppendCommunicationsMode(CommunicationsMode::Facsimile);
    s.AppendText("free text");
    EXPECT_EQ(s.Text(), "$GPXXX,A,V,,S,E,,A,,P,|,free text");

    s.Assign("$GPXXX");
    s.AppendTime(MakeCalendarTime({2011, 5, 6, 7, 8, 9}));
    s.AppendLatLong(CLatLong::FromDecimalDegrees(-33.5, 151.25));
    s.AppendLatLong(CLatLong());
    EXPECT_EQ(s.Text(), "$GPXXX,070809,3330.0000,S,15115.0000,E,,,,");
}

TEST(SentenceAppenders, FinishAppendsUpperCaseChecksumAndLineEnd) {
    CSentence s;
    s.Assign("$GPGSA,,");
    s.Finish();
    EXPECT_EQ(s.Text(), WithChecksum("$GPGSA,,"));
    EXPECT_EQ(s.IsChecksumBad(), NmeaBoolean::False);

    s.Assign("$GPZ"); // "GPZ" XORs to 0x4D: the letters must be upper case
    s.Finish();
    EXPECT_EQ(s.Text(), "$GPZ*4D\r\n");
    s.Assign("$GPGP"); // XOR 0: a leading zero
    s.Finish();
    EXPECT_EQ(s.Text(), "$GPGP*00\r\n");
}

TEST(SentenceTime, ReadsTimeAndDateWithTheNoDateMarker) {
    const CalendarTime unchanged = MakeCalendarTime({2005, 5, 5, 5, 5, 5});
    struct Case {
        const char* time;
        const char* date;
        CalendarFields expected;
    } cases[] = {
        {"225444.00", "311299", {2099, 12, 31, 22, 54, 44}},
        {"225444", "3112", {1999, 1, 1, 22, 54, 44}}, // date not 6 characters
        {"225444", "", {1999, 1, 1, 22, 54, 44}},
        {"256070", "010203", {2003, 2, 1, 0, 0, 0}},      // hour, minute, second out of range
        {"120000", "001399", {2099, 1, 1, 12, 0, 0}},     // day 0, month 13
        {"120000", "32-501", {2001, 1, 1, 12, 0, 0}},     // day 32, month -5
        {"2254", "311299", SplitCalendarTime(unchanged)}, // too short: unchanged
        {"", "311299", SplitCalendarTime(unchanged)},
    };
    for (const auto& c : cases) {
        const CSentence s = Of(std::string("$GPRMC,") + c.time + "," + c.date + "*00\r\n");
        CalendarTime time = unchanged;
        std::string timeText, dateText;
        s.Time(1, 2, time, timeText, dateText);
        const CalendarFields got = SplitCalendarTime(time);
        const CalendarFields& want = c.expected;
        EXPECT_EQ(
            std::vector<int>({got.year, got.month, got.day, got.hour, got.minute, got.second}),
            std::vector<int>(
                {want.year, want.month, want.day, want.hour, want.minute, want.second}))
            << c.time << " " << c.date;
        EXPECT_EQ(timeText, c.time);
        EXPECT_EQ(dateText, c.date);
    }
}

TEST(SentenceTime, NoDateFieldGivesTheMarkerDate) {
    const CSentence s = Of("$GPGGA,123519,311299*00\r\n");
    CalendarTime time = 0;
    std::string timeText, dateText = "stale";
    s.Time(1, 0, time, timeText, dateText);
    EXPECT_EQ(time, kNoDateTime + 12 * 3600 + 35 * 60 + 19);
    EXPECT_FALSE(HasDate(time));
    EXPECT_EQ(dateText, "");
}

TEST(LineChecksum, OwnLinesStayWithinOneSentence) {
    EXPECT_EQ(FinishLine("$PZRV000,,*"), WithChecksum("$PZRV000,,"));
    const std::string text77 = "$PZRVWRG," + std::string(67, 'x') + "*";
    ASSERT_EQ(text77.size(), 77u);
    const auto line = FinishLine(text77);
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(line->size(), 81u);
    EXPECT_TRUE(IsSingleSentence(*line));
    EXPECT_FALSE(FinishLine("$PZRVWRG," + std::string(68, 'x') + "*").has_value()); // 78
    EXPECT_FALSE(FinishLine("PZRV000,,*").has_value());
    EXPECT_FALSE(FinishLine("$PZRV000,,").has_value());
    EXPECT_EQ(LineChecksum("$GPGSA,,*"), BodyChecksum("$GPGSA,,"));
}

} // namespace
