#include "tracks/GpxExport.h"

#include "navigation/NavigationDataBase.h"
#include "tracks/GpxWriter.h"
#include "tracks/RecordLineReader.h"

#include <memory>

namespace {

constexpr const char* kOutOfMemory = "Out of memory";

void WriteStore(const CNavigationDataBase& store, CGpxWriter& writer, GpxExportResult& result) {
    store.ForEachWaypoint([&](const CWaypoint& waypoint) {
        writer.AddWaypoint(waypoint);
        ++result.waypoints;
    });
    store.ForEachRoute([&](const CRoute& route) {
        const std::vector<std::string>& names = route.WaypointNames();
        const auto positions = store.ResolveNames(names);
        writer.BeginRoute(route.Name());
        for (std::size_t row = 0; row < names.size() && row < positions.size(); ++row) {
            if (positions[row]) {
                writer.AddRoutePoint(CWaypoint(names[row], *positions[row]));
            }
        }
        writer.EndRoute();
        ++result.routes;
    });
}

GpxExportResult Finished(CGpxWriter& writer, GpxExportResult result) {
    result.error = writer.Finish();
    result.skipped = writer.SkippedPoints();
    result.trackPoints = writer.TrackPointsWritten();
    return result;
}

} // namespace

GpxExportResult ExportRecordFileToGpx(const std::filesystem::path& recordFile,
                                      const std::filesystem::path& path,
                                      const CNavigationDataBase* store) {
    GpxExportResult result;
    RecordLineReader reader;
    if (!reader.Open(recordFile.string())) {
        result.error = recordFile.string() + ": " + reader.Error();
        return result;
    }
    CGpxWriter writer(path);
    if (store != nullptr) {
        WriteStore(*store, writer, result);
    }
    writer.BeginTrack(recordFile.filename().string());
    const auto write = [&writer](const TrackPoint& point) { writer.AddTrackPoint(point); };
    const auto track = std::make_unique<CTrack>();
    std::string_view line;
    // A file that cannot be written ends the reading at once.
    while (!writer.Failed() && reader.NextLine(line)) {
        bool outOfMemory = false;
        track->DecodeLine(line, outOfMemory);
        if (outOfMemory) {
            result.error = kOutOfMemory;
            return result;
        }
        track->HandOnSettledPoints(write);
    }
    if (reader.Failed()) {
        result.error = recordFile.string() + ": " + reader.Error();
        return result;
    }
    if (track->PointCount() > 0) {
        write(track->PointAt(track->LastIndex()));
    }
    writer.EndTrack();
    return Finished(writer, std::move(result));
}

GpxExportResult ExportPointsToGpx(std::span<const TrackPoint> points, std::string_view trackName,
                                  const std::filesystem::path& path) {
    CGpxWriter writer(path);
    writer.BeginTrack(trackName);
    for (const TrackPoint& point : points) {
        writer.AddTrackPoint(point);
    }
    writer.EndTrack();
    return Finished(writer, {});
}
