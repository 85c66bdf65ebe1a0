#include "tracks/GpxWriter.h"

#include "platform/ClassicLocaleScope.h"
#include "platform/Prompts.h"
#include "tracks/TextConversion.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kFlushBytes = 64 * 1024;

// Whether the coordinate can stand in a GPX document.
bool InRange(const CLatLong& position, double& latitude, double& longitude) {
    latitude = position.Latitude().DecimalDegrees();
    longitude = position.Longitude().DecimalDegrees();
    return position.IsValid() && std::fabs(latitude) <= 90.0 && std::fabs(longitude) <= 180.0;
}

// printf-style formatting of one number into `out`, with a decimal point in any locale. Room
// for any finite double in fixed notation.
void AppendNumber(std::string& out, const char* format, double value) {
    char text[400];
    const int length = std::snprintf(text, sizeof text, format, value);
    if (length > 0) {
        out.append(text, std::min(static_cast<std::size_t>(length), sizeof text - 1));
    }
}

bool IsAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

// Text for an element: the markup characters escaped, control characters as spaces, broken
// UTF-8 mended.
void AppendText(std::string& out, std::string_view text) {
    std::string mended;
    if (!IsAscii(text)) {
        mended = Utf16ToUtf8(Utf8ToUtf16(text));
        text = mended;
    }
    for (const char c : text) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            out += static_cast<unsigned char>(c) < 0x20 || c == '\x7F' ? ' ' : c;
            break;
        }
    }
}

void AppendNamed(std::string& out, const char* indent, std::string_view name) {
    if (name.empty()) {
        return;
    }
    out += indent;
    out += "<name>";
    AppendText(out, name);
    out += "</name>\n";
}

void AppendTime(std::string& out, CalendarTime time) {
    const CalendarFields f = SplitCalendarTime(time);
    char text[80];
    const int length =
        std::snprintf(text, sizeof text, "<time>%04d-%02d-%02dT%02d:%02d:%02dZ</time>", f.year,
                      f.month, f.day, f.hour, f.minute, f.second);
    if (length > 0) {
        out.append(text, std::min(static_cast<std::size_t>(length), sizeof text - 1));
    }
}

} // namespace

CGpxWriter::CGpxWriter(const std::filesystem::path& path) : m_path(path) {
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (m_fd < 0) {
        Fail("Unable to create file");
        return;
    }
    // Only a regular file is ever removed after a failure: never a device such as /dev/full.
    struct stat status {};
    m_created = ::fstat(m_fd, &status) == 0 && S_ISREG(status.st_mode);
    m_buffer.reserve(kFlushBytes + 4096);
    m_buffer += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx version=\"1.1\" creator=\"";
    m_buffer += kApplicationName;
    m_buffer += " for Linux\" xmlns=\"";
    m_buffer += kGpxNamespace;
    m_buffer += "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:";
    m_buffer += kGpxVelmoraPrefix;
    m_buffer += "=\"";
    m_buffer += kGpxVelmoraNamespace;
    m_buffer += "\" xsi:schemaLocation=\"";
    m_buffer += kGpxSchemaLocation;
    m_buffer += "\">\n";
}

CGpxWriter::~CGpxWriter() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    if (m_created && !m_finished) {
        ::unlink(m_path.c_str());
    }
}

void CGpxWriter::Fail(const char* what) {
    if (m_error.empty()) {
        m_error = std::string(what) + " '" + m_path.string() + "': " + std::strerror(errno);
    }
    m_buffer.clear();
}

void CGpxWriter::Flush() {
    std::size_t done = 0;
    while (m_error.empty() && done < m_buffer.size()) {
        const ssize_t written = ::write(m_fd, m_buffer.data() + done, m_buffer.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            if (written == 0) {
                errno = ENOSPC;
            }
            Fail("Unable to write file");
            return;
        }
        done += static_cast<std::size_t>(written);
    }
    m_buffer.clear();
}

void CGpxWriter::AppendPointStart(const char* element, double latitude, double longitude) {
    m_buffer += element;
    AppendNumber(m_buffer, " lat=\"%.7f\"", latitude);
    AppendNumber(m_buffer, " lon=\"%.7f\">\n", longitude);
}

void CGpxWriter::AddWaypoint(const CWaypoint& waypoint) {
    double latitude = 0.0;
    double longitude = 0.0;
    if (!m_error.empty() || !InRange(waypoint.Position(), latitude, longitude)) {
        m_skipped += m_error.empty() ? 1 : 0;
        return;
    }
    const ClassicLocaleScope classic;
    AppendPointStart("  <wpt", latitude, longitude);
    AppendNamed(m_buffer, "    ", waypoint.Name());
    m_buffer += "  </wpt>\n";
    if (m_buffer.size() >= kFlushBytes) {
        Flush();
    }
}

void CGpxWriter::BeginRoute(std::string_view name) {
    if (m_error.empty()) {
        m_buffer += "  <rte>\n";
        AppendNamed(m_buffer, "    ", name);
    }
}

void CGpxWriter::AddRoutePoint(const CWaypoint& waypoint) {
    double latitude = 0.0;
    double longitude = 0.0;
    if (!m_error.empty() || !InRange(waypoint.Position(), latitude, longitude)) {
        m_skipped += m_error.empty() ? 1 : 0;
        return;
    }
    const ClassicLocaleScope classic;
    AppendPointStart("    <rtept", latitude, longitude);
    AppendNamed(m_buffer, "      ", waypoint.Name());
    m_buffer += "    </rtept>\n";
    if (m_buffer.size() >= kFlushBytes) {
        Flush();
    }
}

void CGpxWriter::EndRoute() {
    if (m_error.empty()) {
        m_buffer += "  </rte>\n";
    }
}

void CGpxWriter::BeginTrack(std::string_view name) {
    if (m_error.empty()) {
        m_buffer += "  <trk>\n";
        AppendNamed(m_buffer, "    ", name);
        m_buffer += "    <trkseg>\n";
    }
}

void CGpxWriter::AddTrackPoint(const TrackPoint& point) {
    double latitude = 0.0;
    double longitude = 0.0;
    if (!m_error.empty() || !InRange(point.Position(), latitude, longitude)) {
        m_skipped += m_error.empty() ? 1 : 0;
        return;
    }
    const ClassicLocaleScope classic;
    AppendPointStart("      <trkpt", latitude, longitude);
    // The elements in the order of the GPX schema.
    if (point.HasAltitude() && std::isfinite(point.Altitude())) {
        AppendNumber(m_buffer, "        <ele>%.2f</ele>\n", point.Altitude());
    }
    if (HasDate(point.Time())) {
        m_buffer += "        ";
        AppendTime(m_buffer, point.Time());
        m_buffer += '\n';
    }
    const double separation = point.GeoidalSeparation();
    if (separation != kAbsentReal && std::isfinite(separation)) {
        AppendNumber(m_buffer, "        <geoidheight>%.2f</geoidheight>\n", separation);
    }
    if (point.SatellitesInUse() >= 0) {
        m_buffer += "        <sat>" + std::to_string(point.SatellitesInUse()) + "</sat>\n";
    }
    const bool speed = std::isfinite(point.SpeedOverGround());
    const bool course = std::isfinite(point.CourseOverGround());
    if (speed || course) {
        m_buffer += "        <extensions>\n";
        if (speed) {
            AppendNumber(m_buffer, "          <vr:speed>%.3f</vr:speed>\n",
                         point.SpeedOverGround());
        }
        if (course) {
            AppendNumber(m_buffer, "          <vr:course>%.2f</vr:course>\n",
                         point.CourseOverGround());
        }
        m_buffer += "        </extensions>\n";
    }
    m_buffer += "      </trkpt>\n";
    ++m_trackPoints;
    if (m_buffer.size() >= kFlushBytes) {
        Flush();
    }
}

void CGpxWriter::EndTrack() {
    if (m_error.empty()) {
        m_buffer += "    </trkseg>\n  </trk>\n";
    }
}

std::string CGpxWriter::Finish() {
    if (m_error.empty()) {
        m_buffer += "</gpx>\n";
        Flush();
    }
    if (m_fd >= 0) {
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0) {
            Fail("Unable to write file");
        }
    }
    if (m_created && !m_error.empty()) {
        ::unlink(m_path.c_str());
    }
    m_finished = true;
    return m_error;
}
