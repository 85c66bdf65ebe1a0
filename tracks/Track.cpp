#include "tracks/Track.h"

#include "navigation/Geodesy.h"
#include "platform/Prompts.h"

#include <algorithm>
#include <cmath>
#include <new>

CTrack::CTrack() : m_displayName(kApplicationName) {
    AddType(m_gga);
    AddType(m_gll);
    AddType(m_gsa);
    AddType(m_gsv);
    AddType(m_rmc);
    AddType(m_vtg);
}

bool CTrack::DecodeLine(std::string_view text, bool& outOfMemory) {
    SetInput(text);
    const bool decoded = Decode();
    outOfMemory = m_outOfMemory;
    m_outOfMemory = false;
    return decoded;
}

bool CTrack::Decode() {
    CSentenceType* type = InputType();
    if (type == nullptr || !type->Parse(Input(), m_fix)) {
        return false;
    }
    ApplyPointRule(m_outOfMemory);
    return true;
}

bool CTrack::Compose(std::string_view mnemonic) {
    if (m_currentIndex < 0 || m_currentIndex >= PointCount()) {
        MutableOutput().Empty();
        return false;
    }
    return ComposeFrom(mnemonic, m_points[static_cast<std::size_t>(m_currentIndex)]);
}

void CTrack::ApplyPointRule(bool& outOfMemory) {
    UpdateSatellites();
    if (m_fix.IsComplete()) {
        AddPoint(m_fix, outOfMemory);
        // A pending fix is always a copy of an epoch with a time; without one it is empty
        // already.
        if (m_pending.HasTime()) {
            m_pending.Reset();
        }
    } else if (m_fix.HasRmcData()) {
        // Without GGA an epoch never completes: its copy is stored when the next sentence
        // decodes while RMC data is at hand (a receiver of RMC alone: one cycle late).
        if (m_pending.HasRmcData()) {
            AddPoint(m_pending, outOfMemory);
        }
        m_pending = m_fix;
    }
}

void CTrack::UpdateSatellites() {
    if (m_fix.SatellitesInView() != kUnknownCount) {
        m_satellitesInView = m_fix.SatellitesInView();
    }
    const int inUse = m_fix.SatellitesInUse();
    if (inUse >= 0 && inUse <= m_satellitesInView) {
        m_satellitesInUse = inUse;
    } else {
        // An estimate from the count in view; never a negative count.
        m_satellitesInUse = std::max(0, m_satellitesInView - 3);
    }
    if (m_satellitesInUse == 0) {
        m_satellitesUsed.fill(0);
    } else if (m_fix.HasSatellitesUsed()) {
        m_satellitesUsed = m_fix.SatellitesUsed();
    }
}

int CTrack::AddPoint(const TrackPoint& fix, bool& outOfMemory) {
    // An RMC epoch with empty coordinate fields has no place to store; taken as a point it
    // would put the unset marker into the odometer and the bounds.
    if (!fix.HasPosition()) {
        return -1;
    }
    if (m_startTime == kNoDateTime) {
        m_startTime = fix.Time();
    }
    m_lastTime = fix.Time();
    if (m_lastTime >= m_startTime) {
        m_elapsed = m_lastTime - m_startTime;
        if (m_elapsed != m_previousElapsed) {
            if (fix.SpeedOverGround() > kMovingSpeedKnots) {
                ++m_tripTime;
            }
            m_previousElapsed = m_elapsed;
        }
    }

    const StepResult step = StatisticsStep(fix);
    if (!step.accepted) {
        if (step.samePosition && !m_points.empty()) {
            CompleteLastPoint(fix);
        }
        return -1;
    }
    try {
        m_points.push_back(fix);
    } catch (const std::bad_alloc&) {
        outOfMemory = true;
        return -1;
    }
    m_points.back().SetTripDistance(m_tripDistance);
    const int index = LastIndex();
    if (index == 0) {
        m_currentIndex = 0;
    }
    if (step.newMaxSpeed) {
        m_maxSpeedIndex = index;
    }
    if (step.newMaxAltitude) {
        m_maxAltitudeIndex = index;
    }
    if (step.newMinAltitude) {
        m_minAltitudeIndex = index;
    }
    return index;
}

void CTrack::HandOnSettledPoints(const std::function<void(const TrackPoint&)>& take) {
    while (m_points.size() > 1) {
        take(m_points.front());
        m_points.pop_front();
    }
}

void CTrack::CompleteLastPoint(const TrackPoint& fix) {
    TrackPoint& last = m_points.back();
    last.SetTime(fix.Time());
    if (!last.HasAltitude() && fix.HasAltitude()) {
        last.SetAltitude(fix.Altitude());
        // A receiver that sends VTG between RMC and GGA has its point stored before the GGA
        // arrives; the altitude it brings then counts as that point's own. The first point's
        // altitude never enters the extremes.
        if (LastIndex() > 0) {
            EnterAltitude(fix.Altitude(), LastIndex());
        }
    }
    // The rest of the GGA data, so that playback composes what the receiver sent.
    if (last.GeoidalSeparation() == kAbsentReal) {
        last.SetGeoidalSeparation(fix.GeoidalSeparation());
    }
    if (last.SatellitesInUse() == kUnknownCount) {
        last.SetSatellitesInUse(fix.SatellitesInUse());
    }
}

void CTrack::EnterAltitude(double metres, int index) {
    if (metres > m_maxAltitude) {
        m_maxAltitude = metres;
        m_maxAltitudeIndex = index;
    }
    if (metres < m_minAltitude) {
        m_minAltitude = metres;
        m_minAltitudeIndex = index;
    }
}

CTrack::StepResult CTrack::StatisticsStep(const TrackPoint& fix) {
    StepResult result;
    const double latitude = fix.Position().Latitude().DecimalDegrees();
    const double longitude = fix.Position().Longitude().DecimalDegrees();
    if (!m_hasPreviousPoint) {
        // The first point starts the odometer; its speed and altitude enter no statistic.
        m_south = m_north = latitude;
        m_west = m_east = longitude;
        m_hasPreviousPoint = true;
        m_previousLatitude = m_anchorLatitude = latitude;
        m_previousLongitude = m_anchorLongitude = longitude;
        result.accepted = true;
        return result;
    }
    if (latitude == m_previousLatitude && longitude == m_previousLongitude) {
        result.samePosition = true;
        return result;
    }
    const double fromPrevious =
        GetDistance(m_previousLatitude, m_previousLongitude, latitude, longitude);
    if (fromPrevious <= 0.0) {
        result.samePosition = true;
        return result;
    }
    // While moving, the anchor usually is the previous point: the same distance again.
    const double fromAnchor =
        m_anchorLatitude == m_previousLatitude && m_anchorLongitude == m_previousLongitude
            ? fromPrevious
            : GetDistance(m_anchorLatitude, m_anchorLongitude, latitude, longitude);
    if (fromAnchor > kOdometerStepNmi) {
        m_tripDistance += fromAnchor;
        m_anchorLatitude = latitude;
        m_anchorLongitude = longitude;
    }

    if (fix.HasAltitude()) {
        if (fix.Altitude() > m_maxAltitude) {
            m_maxAltitude = fix.Altitude();
            result.newMaxAltitude = true;
        }
        if (fix.Altitude() < m_minAltitude) {
            m_minAltitude = fix.Altitude();
            result.newMinAltitude = true;
        }
    }
    if (fix.SpeedOverGround() > m_maxSpeed) {
        m_maxSpeed = fix.SpeedOverGround();
        result.newMaxSpeed = true;
    }
    ++m_speedSamples;
    m_speedSum += fix.SpeedOverGround();
    m_averageSpeed = static_cast<double>(m_speedSum / m_speedSamples);

    ExtendBounds(latitude, longitude);
    m_previousLatitude = latitude;
    m_previousLongitude = longitude;
    result.accepted = true;
    return result;
}

void CTrack::ExtendBounds(double latitude, double longitude) {
    m_south = std::min(m_south, latitude);
    m_north = std::max(m_north, latitude);
    // The longitudes form an arc running eastward from West to East. A longitude outside it
    // widens the arc on the side that needs the smaller step, so a track across the 180
    // meridian keeps a narrow box instead of one spanning the globe.
    const auto eastward = [](double from, double to) {
        const double d = std::fmod(to - from, 360.0);
        return d < 0.0 ? d + 360.0 : d;
    };
    const double width = eastward(m_west, m_east);
    if (eastward(m_west, longitude) <= width) {
        return;
    }
    if (eastward(longitude, m_west) <= eastward(m_east, longitude)) {
        m_west = longitude;
    } else {
        m_east = longitude;
    }
}

TrackPoint CTrack::PointAt(int index) const {
    if (index < 0 || index >= PointCount()) {
        return TrackPoint();
    }
    return m_points[static_cast<std::size_t>(index)];
}

TrackPoint* CTrack::StoredPoint(int index) {
    if (index < 0 || index >= PointCount()) {
        return nullptr;
    }
    return &m_points[static_cast<std::size_t>(index)];
}

bool CTrack::SetCurrentIndex(int index) {
    if (index < 0 || index >= PointCount()) {
        return false;
    }
    m_currentIndex = index;
    return true;
}

void CTrack::Reset() {
    CNmeaDecoder::Reset();
    m_fix.Reset();
    m_pending.Reset();
    m_points.clear();
    m_points.shrink_to_fit();
    m_currentIndex = -1;
    m_hasPreviousPoint = false;
    m_previousLatitude = m_previousLongitude = 0.0;
    m_anchorLatitude = m_anchorLongitude = 0.0;
    m_tripDistance = 0.0;
    m_maxAltitude = -kAbsentReal;
    m_maxAltitudeIndex = -1;
    m_minAltitude = kAbsentReal;
    m_minAltitudeIndex = -1;
    m_maxSpeed = 0.0;
    m_maxSpeedIndex = -1;
    m_speedSamples = 0;
    m_speedSum = 0.0L;
    m_averageSpeed = 0.0;
    m_startTime = m_lastTime = kNoDateTime;
    m_elapsed = m_previousElapsed = 0;
    m_tripTime = 0;
    m_satellitesInView = m_satellitesInUse = 0;
    m_satellitesUsed.fill(0);
    m_west = m_east = m_south = m_north = 0.0;
    m_displayName = kApplicationName;
    m_fileName.clear();
}
