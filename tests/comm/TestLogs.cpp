#include "tests/comm/TestLogs.h"

#include "nmea/Sentence.h"
#include "tests/support/TestPaths.h"

#include <cstdio>
#include <sstream>

namespace testlogs {

namespace {

std::string Finished(const std::string& text) {
    return FinishLine(text).value_or(std::string());
}

// ddmm.mmmm from decimal degrees.
std::string NmeaAngle(double degrees, int width) {
    const int whole = static_cast<int>(degrees);
    char text[32];
    std::snprintf(text, sizeof text, "%0*d%07.4f", width, whole, (degrees - whole) * 60.0);
    return text;
}

} // namespace

std::string SyntheticDrive(int seconds) {
    std::string out;
    for (int i = 0; i < seconds; ++i) {
        const int total = 7 * 3600 + 30 * 60 + i;
        char time[16];
        std::snprintf(time, sizeof time, "%02d%02d%02d.00", (total / 3600) % 24, (total / 60) % 60,
                      total % 60);
        const double latitude = 48.1 + i * 0.0001;
        const double longitude = 11.5 + i * 0.0001;
        const std::string lat = NmeaAngle(latitude, 2);
        const std::string lon = NmeaAngle(longitude, 3);
        char altitude[16];
        std::snprintf(altitude, sizeof altitude, "%.1f", 500.0 + (i % 50));
        out += Finished(std::string("$GPGGA,") + time + "," + lat + ",N," + lon + ",E,1,08,0.9," +
                        altitude + ",M,46.9,M,,*");
        out += Finished("$GPGSA,A,3,04,05,09,12,24,,,,,,,,2.5,1.3,2.1*");
        out += Finished(std::string("$GPRMC,") + time + ",A," + lat + ",N," + lon +
                        ",E,20.5,045.0,010526,,*");
    }
    return out;
}

std::string ReceiverBytes(const std::filesystem::path& log) {
    const std::string all = testpaths::ReadFileBytes(log);
    std::string out;
    std::size_t start = 0;
    while (start < all.size()) {
        std::size_t end = all.find('\n', start);
        end = end == std::string::npos ? all.size() : end + 1;
        if (all[start] != '#') {
            out.append(all, start, end - start);
        }
        start = end;
    }
    return out;
}

std::vector<std::string> KeptSentences(const std::string& stream) {
    constexpr std::size_t kLongest = 512;
    std::vector<std::string> kept;
    std::size_t start = stream.find('$');
    while (start != std::string::npos) {
        const std::size_t end = stream.find_first_of("$\n", start + 1);
        if (end == std::string::npos) {
            break;
        }
        const std::size_t next = stream[end] == '\n' ? end + 1 : end;
        if (next - start <= kLongest) {
            kept.push_back(stream.substr(start, next - start));
        }
        start = stream.find('$', next);
    }
    return kept;
}

} // namespace testlogs
