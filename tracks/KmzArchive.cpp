#include "tracks/KmzArchive.h"

#include <minizip/unzip.h>
#include <minizip/zip.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <memory>
#include <optional>
#include <system_error>

namespace {

struct UnzCloser {
    void operator()(void* archive) const { unzClose(archive); }
};
using UnzArchive = std::unique_ptr<void, UnzCloser>;

constexpr std::string_view kDocumentEntry = "doc.kml";

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool EndsWithKml(std::string_view name) {
    return name.size() > 4 && EqualsIgnoringCase(name.substr(name.size() - 4), ".kml");
}

// The name of the entry under the archive's cursor, whatever its length.
std::optional<std::string> CurrentEntryName(unzFile archive) {
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(archive, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
        return std::nullopt;
    }
    std::string name(info.size_filename, '\0');
    if (!name.empty() &&
        unzGetCurrentFileInfo64(archive, &info, name.data(), static_cast<uLong>(name.size()),
                                nullptr, 0, nullptr, 0) != UNZ_OK) {
        return std::nullopt;
    }
    return name;
}

// Moves the archive's cursor to the document entry; the status says why not.
KmzReadStatus SelectDocumentEntry(unzFile archive) {
    std::optional<unz64_file_pos> firstKml;
    int result = unzGoToFirstFile(archive);
    for (; result == UNZ_OK; result = unzGoToNextFile(archive)) {
        const std::optional<std::string> name = CurrentEntryName(archive);
        if (!name) {
            return KmzReadStatus::NotAnArchive;
        }
        if (EqualsIgnoringCase(*name, kDocumentEntry)) {
            return KmzReadStatus::Ok;
        }
        if (!firstKml && EndsWithKml(*name)) {
            unz64_file_pos position{};
            if (unzGetFilePos64(archive, &position) != UNZ_OK) {
                return KmzReadStatus::NotAnArchive;
            }
            firstKml = position;
        }
    }
    if (result != UNZ_END_OF_LIST_OF_FILE) {
        return KmzReadStatus::NotAnArchive;
    }
    if (!firstKml) {
        return KmzReadStatus::NoKmlEntry;
    }
    return unzGoToFilePos64(archive, &*firstKml) == UNZ_OK ? KmzReadStatus::Ok
                                                           : KmzReadStatus::NotAnArchive;
}

// Inflates the entry under the cursor, at most `maxBytes` of it; the size the archive claims
// only sizes the first allocation.
KmzReadStatus InflateCurrentEntry(unzFile archive, std::size_t maxBytes, std::string& bytes) {
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(archive, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
        return KmzReadStatus::Damaged;
    }
    if ((info.flag & 1U) != 0) {
        return KmzReadStatus::Damaged; // encrypted
    }
    if (unzOpenCurrentFile(archive) != UNZ_OK) {
        return KmzReadStatus::Damaged;
    }
    bytes.reserve(static_cast<std::size_t>(std::min<ZPOS64_T>(info.uncompressed_size, maxBytes)));
    char chunk[64 * 1024];
    KmzReadStatus status = KmzReadStatus::Ok;
    for (;;) {
        const int read = unzReadCurrentFile(archive, chunk, sizeof chunk);
        if (read < 0) {
            status = KmzReadStatus::Damaged;
            break;
        }
        if (read == 0) {
            break;
        }
        if (bytes.size() + static_cast<std::size_t>(read) > maxBytes) {
            status = KmzReadStatus::TooLarge;
            break;
        }
        bytes.append(chunk, static_cast<std::size_t>(read));
    }
    // Closing checks the CRC once the whole entry was read.
    const int closed = unzCloseCurrentFile(archive);
    if (status == KmzReadStatus::Ok && closed != UNZ_OK) {
        status = KmzReadStatus::Damaged;
    }
    if (status != KmzReadStatus::Ok) {
        bytes.clear();
    }
    return status;
}

bool IsReadableFile(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    std::fclose(file);
    return true;
}

zip_fileinfo EntryInfo(CalendarTime modified) {
    const CalendarFields fields = SplitCalendarTime(modified);
    zip_fileinfo info{};
    info.tmz_date.tm_year = static_cast<uInt>(std::clamp(fields.year, 1980, 2107));
    info.tmz_date.tm_mon = static_cast<uInt>(fields.month - 1);
    info.tmz_date.tm_mday = static_cast<uInt>(fields.day);
    info.tmz_date.tm_hour = static_cast<uInt>(fields.hour);
    info.tmz_date.tm_min = static_cast<uInt>(fields.minute);
    info.tmz_date.tm_sec = static_cast<uInt>(fields.second);
    return info;
}

bool FillArchive(zipFile archive, std::string_view kml, CalendarTime modified) {
    const zip_fileinfo info = EntryInfo(modified);
    const int zip64 = kml.size() >= 0xFFFFFFFFULL ? 1 : 0;
    if (zipOpenNewFileInZip64(archive, kDocumentEntry.data(), &info, nullptr, 0, nullptr, 0,
                              nullptr, Z_DEFLATED, Z_DEFAULT_COMPRESSION, zip64) != ZIP_OK) {
        return false;
    }
    bool written = true;
    for (std::size_t pos = 0; pos < kml.size() && written;) {
        const std::size_t length = std::min<std::size_t>(kml.size() - pos, 1U << 30);
        written =
            zipWriteInFileInZip(archive, kml.data() + pos, static_cast<unsigned>(length)) == ZIP_OK;
        pos += length;
    }
    return zipCloseFileInZip(archive) == ZIP_OK && written;
}

} // namespace

KmzDocument ReadKmzDocument(const std::filesystem::path& path, std::size_t maxBytes) {
    KmzDocument document;
    if (!IsReadableFile(path)) {
        document.status = KmzReadStatus::CannotOpen;
        return document;
    }
    const UnzArchive archive(unzOpen64(path.c_str()));
    if (!archive) {
        document.status = KmzReadStatus::NotAnArchive;
        return document;
    }
    document.status = SelectDocumentEntry(archive.get());
    if (document.status == KmzReadStatus::Ok) {
        document.status = InflateCurrentEntry(archive.get(), maxBytes, document.bytes);
    }
    return document;
}

bool WriteKmzArchive(const std::filesystem::path& path, std::string_view kml,
                     CalendarTime modified) {
    zipFile archive = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (archive == nullptr) {
        return false;
    }
    const bool filled = FillArchive(archive, kml, modified);
    const bool closed = zipClose(archive, nullptr) == ZIP_OK;
    if (filled && closed) {
        return true;
    }
    std::error_code error;
    std::filesystem::remove(path, error);
    return false;
}
