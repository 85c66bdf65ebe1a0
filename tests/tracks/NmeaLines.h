#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// Test sentences with the checksum computed here, independently of the codec.
namespace nmealines {

// "$" + body + "*" + checksum + CR LF.
inline std::string Line(std::string_view body) {
    unsigned sum = 0;
    for (const char c : body) {
        sum ^= static_cast<unsigned char>(c);
    }
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
    return "$" + std::string(body) + tail;
}

// ddmm.mmmm,N / dddmm.mmmm,E fields for signed decimal degrees.
inline std::string Coordinates(double latitude, double longitude) {
    const auto field = [](double value, int degreeDigits) {
        const double magnitude = value < 0 ? -value : value;
        const int degrees = static_cast<int>(magnitude);
        char text[32];
        std::snprintf(text, sizeof text, "%0*d%09.6f", degreeDigits, degrees,
                      (magnitude - degrees) * 60.0);
        return std::string(text);
    };
    return field(latitude, 2) + (latitude < 0 ? ",S," : ",N,") + field(longitude, 3) +
           (longitude < 0 ? ",W" : ",E");
}

// hhmmss of a second of the day.
inline std::string Hms(int secondOfDay) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d%02d%02d", secondOfDay / 3600 % 24, secondOfDay / 60 % 60,
                  secondOfDay % 60);
    return text;
}

// GGA with quality 1, 8 satellites, HDOP 0.9 and the altitude (empty when altitude is empty).
inline std::string Gga(int secondOfDay, double latitude, double longitude,
                       std::string_view altitude = "100.0", std::string_view hdop = "0.9",
                       int quality = 1, int inUse = 8) {
    return Line("GPGGA," + Hms(secondOfDay) + "," + Coordinates(latitude, longitude) + "," +
                std::to_string(quality) + "," + std::to_string(inUse) + "," + std::string(hdop) +
                "," + std::string(altitude) + ",M,47.0,M,,");
}

// RMC with status A on the date ddmmyy.
inline std::string Rmc(int secondOfDay, double latitude, double longitude, double knots,
                       double course = 0.0, std::string_view date = "010526") {
    char motion[48];
    std::snprintf(motion, sizeof motion, "%.2f,%.2f", knots, course);
    return Line("GPRMC," + Hms(secondOfDay) + ",A," + Coordinates(latitude, longitude) + "," +
                motion + "," + std::string(date) + ",,,A");
}

} // namespace nmealines
