#pragma once

// The three geodesic operations of the system. Positions are latitude and longitude in
// decimal degrees, north and east positive, always in that order. Distances are nautical
// miles, courses degrees clockwise from true north. Each operation keeps its own earth model
// (ellipsoid for the distance, unit sphere for the course, a sphere of radius 3440.34 nmi for
// the destination), so results of one are not exactly consistent with another. None keeps
// state or allocates; all may be called from any thread.

// Length of the geodesic on the WGS-84 ellipsoid (Andoyer's approximation), in nautical
// miles, >= 0 and finite for any finite input. Identical positions give exactly 0.0, as do
// positions too close for the formula to resolve. Antipodal positions give the formula's
// limit, about 10800 nmi.
double GetDistance(double lat1, double lon1, double lat2, double lon2);

// Initial great-circle course from the first position to the second, in degrees [0, 360);
// exactly -1.0 when the positions are identical (callers read a negative course as "no
// course"). Positions within 0.01 arc-second of each other on both axes give 0.0. Never NaN:
// from a pole, or between antipodal positions, where every course is as good as another, the
// result is still a course in [0, 360). A target across the +-180 meridian is reached the
// shorter way round: just east of it lies at about 90, not 270.
double GetAzimuth(double lat1, double lon1, double lat2, double lon2);

// Position reached from (lat, lon) after `distance` nautical miles on the initial course
// `course` (degrees), on a sphere. A distance of 0, or a course outside [0, 359.999999],
// leaves the start position unchanged. The longitude is not reduced to +-180.
void GetDestinationPoint(double lat, double lon, double distance, double course, double& lat2,
                         double& lon2);
