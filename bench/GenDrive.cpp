// zrv-gendrive: writes a recorded drive at 1 Hz as a record file, the way a receiver sends it:
// each second GGA, GSA, GSV (every fifth second, or every N seconds with --gsv-every N; all of
// its messages), RMC, VTG and GLL, with correct checksums and CR LF, the date following the
// clock over midnight.
//
//   zrv-gendrive --hours H --start "YYYY-MM-DD HH:MM:SS" [--gsv-every N] -o FILE
//   zrv-gendrive --seconds N --start "YYYY-MM-DD HH:MM:SS" [--gsv-every N] -o FILE
#include "bench/DriveSentences.h"
#include "bench/DriveSimulator.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace {

constexpr double kStartLatitude = 46.94809;
constexpr double kStartLongitude = 7.44744;
constexpr std::uint32_t kSeed = 20260501;

int Usage() {
    std::fprintf(stderr,
                 "usage: zrv-gendrive --hours H --start \"YYYY-MM-DD HH:MM:SS\" [--gsv-every N] "
                 "-o FILE\n"
                 "       zrv-gendrive --seconds N --start \"YYYY-MM-DD HH:MM:SS\" [--gsv-every N] "
                 "-o FILE\n");
    return 2;
}

bool ParseStart(const char* text, std::time_t& start) {
    std::tm tm{};
    char rest = 0;
    if (std::sscanf(text, "%4d-%2d-%2d %2d:%2d:%2d%c", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                    &tm.tm_hour, &tm.tm_min, &tm.tm_sec, &rest) != 6) {
        return false;
    }
    if (tm.tm_mon < 1 || tm.tm_mon > 12 || tm.tm_mday < 1 || tm.tm_mday > 31 || tm.tm_hour > 23 ||
        tm.tm_min > 59 || tm.tm_sec > 59 || tm.tm_year < 1970) {
        return false;
    }
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    start = timegm(&tm);
    return true;
}

bool ParsePositive(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && value > 0.0 && value <= 1e7;
}

} // namespace

int main(int argc, char** argv) {
    double seconds = 0.0;
    std::time_t start = 0;
    bool haveStart = false;
    int gsvEvery = kDefaultGsvEverySeconds;
    const char* output = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc) {
            return Usage();
        }
        const char* value = argv[++i];
        double number = 0.0;
        if (option == "--hours" && ParsePositive(value, number)) {
            seconds = number * 3600.0;
        } else if (option == "--seconds" && ParsePositive(value, number)) {
            seconds = number;
        } else if (option == "--start" && ParseStart(value, start)) {
            haveStart = true;
        } else if (option == "--gsv-every" && ParsePositive(value, number) && number >= 1 &&
                   number <= 3600) {
            gsvEvery = static_cast<int>(number);
        } else if (option == "-o") {
            output = value;
        } else {
            return Usage();
        }
    }
    if (seconds < 1.0 || !haveStart || output == nullptr) {
        return Usage();
    }

    std::FILE* file = std::fopen(output, "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "zrv-gendrive: %s: %s\n", output, std::strerror(errno));
        return 1;
    }
    DriveSimulator drive(kStartLatitude, kStartLongitude, kSeed);
    std::string chunk;
    const long total = static_cast<long>(seconds);
    bool ok = true;
    for (long t = 0; t < total && ok; ++t) {
        AppendDriveSecond(chunk, drive.Step(), start + t, t, gsvEvery);
        if (chunk.size() > (1u << 20) || t + 1 == total) {
            ok = std::fwrite(chunk.data(), 1, chunk.size(), file) == chunk.size();
            chunk.clear();
        }
    }
    if (std::fclose(file) != 0 || !ok) {
        std::fprintf(stderr, "zrv-gendrive: %s: %s\n", output, std::strerror(errno));
        return 1;
    }
    return 0;
}
