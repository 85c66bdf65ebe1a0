// Reads arbitrary bytes as a record file into a track, composes every sentence type from the
// last point, and checks the invariants that the rest of the program relies on.
#include "tests/fuzz/FuzzSupport.h"
#include "tracks/LineDiagnosis.h"
#include "tracks/RecordLineReader.h"
#include "tracks/Track.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace {

void CheckInvariants(const CTrack& track) {
    const int count = track.PointCount();
    Require(count == 0 ? track.CurrentIndex() == -1
                       : track.CurrentIndex() >= 0 && track.CurrentIndex() < count);
    for (const int index :
         {track.MaxSpeedIndex(), track.MaxAltitudeIndex(), track.MinAltitudeIndex()}) {
        Require(index >= -1 && index < count);
    }
    Require(std::isfinite(track.TripDistance()) && track.TripDistance() >= 0.0);
    Require(std::isfinite(track.AverageSpeed()));
    Require(track.SatellitesInUse() >= 0);
    Require(track.TripTimeSeconds() >= 0 && track.ElapsedSeconds() >= 0);
    Require(count == 0 || !track.PointAt(count - 1).Position().IsUnset());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The bytes go through the record-file reader from an in-memory file.
    RecordLineReader reader;
    {
        const MemoryFile file(data, size);
        Require(reader.Open(file.Path()));
    }

    const auto track = std::make_unique<CTrack>();
    std::string_view line;
    while (reader.NextLine(line)) {
        Require(line.size() <= RecordLineReader::kMaxLineBytes + 1);
        bool outOfMemory = false;
        if (!track->DecodeLine(line, outOfMemory)) {
            Require(DiagnoseRejectedLine(*track, line) != LineVerdict::Accepted);
        }
        Require(!outOfMemory);
        CheckInvariants(*track);
    }
    Require(!reader.Failed());
    if (track->PointCount() > 0) {
        track->SetCurrentIndex(track->LastIndex());
        for (const char* mnemonic : {"GGA", "GLL", "GSA", "GSV", "RMC", "VTG"}) {
            if (track->Compose(mnemonic)) {
                Require(IsWellFormedOutput(track->Output().Text()));
            }
        }
    }
    return 0;
}
