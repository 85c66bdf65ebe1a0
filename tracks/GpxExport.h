#pragma once

#include "tracks/Track.h"

#include <cstddef>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

class CNavigationDataBase;

// Export of tracks, waypoints and routes as GPX 1.1, for other GPS programs and devices.

struct GpxExportResult {
    std::string error; // empty on success, else the message for the user
    std::size_t trackPoints = 0;
    std::size_t waypoints = 0;
    std::size_t routes = 0;
    std::size_t skipped = 0; // points left out for a position outside the ranges
};

// Writes the store's waypoints and routes (when a store is given; a route point whose name
// does not resolve is left out) and, as one track named after the record file, the points of
// the record file as playback loads them into track 1. The file is read and written as it
// goes: each point is written once no later fix can change it, so memory does not grow with
// the record file.
GpxExportResult ExportRecordFileToGpx(const std::filesystem::path& recordFile,
                                      const std::filesystem::path& path,
                                      const CNavigationDataBase* store);

// Writes points copied from a track as one track of that name.
GpxExportResult ExportPointsToGpx(std::span<const TrackPoint> points, std::string_view trackName,
                                  const std::filesystem::path& path);
