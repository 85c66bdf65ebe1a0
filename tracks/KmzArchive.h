#pragma once

#include "platform/CalendarTime.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

// The zip layer of KMZ files.
//
// Reading takes the KML document straight into memory: nothing is extracted to disk, so an
// entry name ("../x.kml", "/etc/x.kml") is only ever compared, never used as a path. The
// document is the entry "doc.kml" at the top of the archive when there is one (in any letter
// case), else the first entry whose name ends in ".kml"; other programs put images and other
// files beside it, in any order. The amount inflated is capped, whatever the archive claims.

enum class KmzReadStatus {
    Ok,
    CannotOpen,   // the file cannot be opened for reading
    NotAnArchive, // not a zip archive, or its directory is damaged
    NoKmlEntry,   // no entry whose name ends in ".kml"
    TooLarge,     // the document inflates to more than the limit
    Damaged,      // the document's data is corrupt, encrypted or in an unknown method
};

struct KmzDocument {
    KmzReadStatus status = KmzReadStatus::Ok;
    std::string bytes; // the document as stored, when status is Ok
};

KmzDocument ReadKmzDocument(const std::filesystem::path& path, std::size_t maxBytes);

// Writes a new archive at `path` holding `kml` as the single entry "doc.kml", deflated and
// stamped with `modified`. False when the archive cannot be created or filled; a half-written
// archive is removed.
bool WriteKmzArchive(const std::filesystem::path& path, std::string_view kml,
                     CalendarTime modified);
