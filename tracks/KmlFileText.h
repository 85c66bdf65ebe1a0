#pragma once

#include "platform/CalendarTime.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

class CXmlMarkup;

// Reading the document text of KML and KMZ files, and writing documents to them.

inline constexpr const char* kUnableToOpenFile = "Unable to open file";
inline constexpr const char* kBinaryDataInFile =
    "Error converting file to string (may contain binary data)";
inline constexpr const char* kXmlParseFailed = "Xml parse failed or empty document";
inline constexpr const char* kKmlTooLarge = "The KML document is larger than 256 MB";
inline constexpr const char* kKmlTooManyElements =
    "The KML document holds more than 2000000 elements";
inline constexpr const char* kKmzNotAnArchive = "The file is not a KMZ archive or is damaged";
inline constexpr const char* kKmzWithoutKml = "The KMZ archive holds no KML document";
inline constexpr const char* kKmzDocumentDamaged = "The KML document in the KMZ archive is damaged";

// A document is read whole into memory, twice over (its bytes and its UTF-16 text); larger
// ones are refused before anything is allocated for them.
inline constexpr std::size_t kMaxKmlDocumentBytes = std::size_t{256} << 20;

// The text of a KML document, or the message for the user when there is none.
struct KmlText {
    std::u16string text;
    std::string error; // empty when `text` holds the document
};

// Turns the bytes of a KML document into text: UTF-16 after a byte-order mark (FF FE little
// endian, FE FF big endian), otherwise UTF-8. The text ends at the first NUL character; when
// that leaves less than half the file (less 20), the file holds binary data and is refused.
KmlText DecodeKmlBytes(std::string_view bytes);

// Reads a KML file, or the KML document inside a KMZ archive (by the extension, any case).
KmlText ReadKmlFileText(const std::filesystem::path& path,
                        std::size_t maxBytes = kMaxKmlDocumentBytes);

// Reads and parses a KML or KMZ file into `markup`; empty on success, else the message.
std::string LoadKmlDocument(const std::filesystem::path& path, CXmlMarkup& markup);

// Writes the document as UTF-8 in one write: as a plain KML file, or as a KMZ archive whose
// single entry "doc.kml" is stamped with `modified`. Empty on success, else the message.
std::string WriteKmlFile(const std::filesystem::path& path, const CXmlMarkup& markup);
std::string WriteKmzFile(const std::filesystem::path& path, const CXmlMarkup& markup,
                         CalendarTime modified);
