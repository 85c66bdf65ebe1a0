// Reads arbitrary bytes as a record file into a track, composes every sentence type from the
// last point, and checks the invariants that the rest of the program relies on.
#include "tracks/LineDiagnosis.h"
#include "tracks/RecordLineReader.h"
#include "tracks/Track.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

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
    const int fd = memfd_create("line-decode-fuzz", MFD_CLOEXEC);
    Require(fd >= 0);
    Require(size == 0 || write(fd, data, size) == static_cast<ssize_t>(size));
    RecordLineReader reader;
    Require(reader.Open("/proc/self/fd/" + std::to_string(fd)));
    close(fd);

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
