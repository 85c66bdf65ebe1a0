#include "bench/DriveSentences.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

constexpr int kPrns[12] = {2, 5, 7, 9, 13, 15, 18, 20, 24, 27, 30, 33};

// One NMEA line: the body between '$' and '*' is formatted, then the checksum and CR LF.
class LineWriter {
public:
    explicit LineWriter(std::string& out) : m_out(out) {}

    void Sentence(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        char body[96];
        va_list args;
        va_start(args, format);
        int n = std::vsnprintf(body, sizeof body, format, args);
        va_end(args);
        n = std::min(std::max(n, 0), static_cast<int>(sizeof body) - 1);
        unsigned checksum = 0;
        for (int i = 0; i < n; ++i) {
            checksum ^= static_cast<unsigned char>(body[i]);
        }
        char tail[8];
        std::snprintf(tail, sizeof tail, "*%02X\r\n", checksum);
        m_out += '$';
        m_out.append(body, static_cast<std::size_t>(n));
        m_out += tail;
    }

private:
    std::string& m_out;
};

// "ddmm.mmmmm,N" or "dddmm.mmmmm,E" for a signed decimal coordinate.
std::string Coordinate(double value, bool isLatitude) {
    const double magnitude = std::fabs(value);
    int degrees = static_cast<int>(magnitude);
    double minutes = std::round((magnitude - degrees) * 60.0 * 1e5) / 1e5;
    if (minutes >= 60.0) {
        ++degrees;
        minutes -= 60.0;
    }
    char text[32];
    const char hemisphere = isLatitude ? (value < 0 ? 'S' : 'N') : (value < 0 ? 'W' : 'E');
    std::snprintf(text, sizeof text, isLatitude ? "%02d%08.5f,%c" : "%03d%08.5f,%c", degrees,
                  minutes, hemisphere);
    return text;
}

} // namespace

void AppendDriveSecond(std::string& text, const DriveSimulator::State& s, std::time_t when,
                       long elapsed, int gsvEverySeconds) {
    LineWriter out(text);
    std::tm tm{};
    gmtime_r(&when, &tm);
    char time[16];
    char date[16];
    std::strftime(time, sizeof time, "%H%M%S.00", &tm);
    std::strftime(date, sizeof date, "%d%m%y", &tm);
    const std::string lat = Coordinate(s.latitude, true);
    const std::string lon = Coordinate(s.longitude, false);

    out.Sentence("GPGGA,%s,%s,%s,1,%02d,%.1f,%.1f,M,47.3,M,,", time, lat.c_str(), lon.c_str(),
                 s.satellitesInUse, s.hdop, s.altitudeMetres);

    std::string used;
    for (int i = 0; i < 12; ++i) {
        char prn[8] = "";
        if (i < s.satellitesInUse) {
            std::snprintf(prn, sizeof prn, "%02d", kPrns[i]);
        }
        used += prn;
        used += ',';
    }
    out.Sentence("GPGSA,A,3,%s%.1f,%.1f,%.1f", used.c_str(), s.hdop * 1.6, s.hdop, s.hdop * 1.3);

    if (gsvEverySeconds > 0 && elapsed % gsvEverySeconds == 0) {
        const int messages = (s.satellitesInView + 3) / 4;
        for (int m = 0; m < messages; ++m) {
            std::string satellites;
            for (int i = 4 * m; i < std::min(4 * m + 4, s.satellitesInView); ++i) {
                char one[32];
                const int elevation = 5 + (i * 37 + static_cast<int>(elapsed / 60)) % 80;
                const int azimuth = (i * 29 + static_cast<int>(elapsed / 30)) % 360;
                const int snr = i < s.satellitesInUse ? 30 + (i * 7) % 20 : 0;
                if (snr > 0) {
                    std::snprintf(one, sizeof one, ",%02d,%02d,%03d,%02d", kPrns[i], elevation,
                                  azimuth, snr);
                } else {
                    std::snprintf(one, sizeof one, ",%02d,%02d,%03d,", kPrns[i], elevation,
                                  azimuth);
                }
                satellites += one;
            }
            out.Sentence("GPGSV,%d,%d,%02d%s", messages, m + 1, s.satellitesInView,
                         satellites.c_str());
        }
    }

    out.Sentence("GPRMC,%s,A,%s,%s,%.2f,%.2f,%s,2.1,E,A", time, lat.c_str(), lon.c_str(),
                 s.speedKnots, s.courseDegrees, date);
    out.Sentence("GPVTG,%.2f,T,,M,%.2f,N,%.2f,K,A", s.courseDegrees, s.speedKnots,
                 s.speedKnots * 1.852);
    out.Sentence("GPGLL,%s,%s,%s,A,A", lat.c_str(), lon.c_str(), time);
}
