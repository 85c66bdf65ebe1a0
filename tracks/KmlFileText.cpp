#include "tracks/KmlFileText.h"

#include "tracks/KmzArchive.h"
#include "tracks/TextConversion.h"
#include "tracks/XmlMarkup.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A file descriptor closed with the object.
class FileHandle {
public:
    explicit FileHandle(int fd) : m_fd(fd) {}
    ~FileHandle() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    int Get() const { return m_fd; }
    // Closes now; false when the close reports an error (data not written).
    bool Close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool IsKmz(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    for (char& c : extension) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return extension == ".KMZ";
}

// The bytes of a plain file, or the message.
KmlText ReadPlainFile(const std::filesystem::path& path, std::size_t maxBytes, std::string& bytes) {
    FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status {};
    if (file.Get() < 0 || ::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return {{}, kUnableToOpenFile};
    }
    if (static_cast<std::uintmax_t>(status.st_size) > maxBytes) {
        return {{}, kKmlTooLarge};
    }
    bytes.resize(static_cast<std::size_t>(status.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(file.Get(), bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return {{}, kUnableToOpenFile}; // cut short or unreadable
        }
        done += static_cast<std::size_t>(got);
    }
    return {};
}

std::string KmzMessage(KmzReadStatus status) {
    switch (status) {
    case KmzReadStatus::Ok:
        return {};
    case KmzReadStatus::CannotOpen:
        return kUnableToOpenFile;
    case KmzReadStatus::NotAnArchive:
        return kKmzNotAnArchive;
    case KmzReadStatus::NoKmlEntry:
        return kKmzWithoutKml;
    case KmzReadStatus::TooLarge:
        return kKmlTooLarge;
    case KmzReadStatus::Damaged:
        return kKmzDocumentDamaged;
    }
    return kKmzDocumentDamaged;
}

// UTF-16 units after a byte-order mark, up to the first NUL unit.
std::u16string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t pos = 0; pos + 1 < bytes.size(); pos += 2) {
        const auto first = static_cast<unsigned char>(bytes[pos]);
        const auto second = static_cast<unsigned char>(bytes[pos + 1]);
        const auto unit =
            static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
        if (unit == 0) {
            break;
        }
        text.push_back(unit);
    }
    return text;
}

std::string SystemErrorMessage(const char* what, const std::filesystem::path& path) {
    return std::string(what) + " '" + path.string() + "': " + std::strerror(errno);
}

} // namespace

KmlText DecodeKmlBytes(std::string_view bytes) {
    KmlText result;
    // How much of the file the text stands for, in bytes for UTF-8 and in units for UTF-16,
    // as each character of an 8-bit code page was one byte.
    std::size_t converted = 0;
    if (bytes.size() >= 2 &&
        (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF")) {
        result.text = DecodeUtf16(bytes.substr(2), bytes[0] == '\xFE');
        converted = result.text.size() + 1;
    } else {
        const std::size_t bomLength = bytes.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
        const std::string_view utf8 = bytes.substr(0, bytes.find('\0'));
        result.text = Utf8ToUtf16(utf8.substr(std::min(bomLength, utf8.size())));
        converted = utf8.size();
    }
    const auto fileLength = static_cast<long long>(bytes.size());
    if (static_cast<long long>(converted) < fileLength / 2 - 20) {
        result.text.clear();
        result.error = kBinaryDataInFile;
    }
    return result;
}

KmlText ReadKmlFileText(const std::filesystem::path& path, std::size_t maxBytes) {
    std::string bytes;
    if (IsKmz(path)) {
        KmzDocument document = ReadKmzDocument(path, maxBytes);
        if (document.status != KmzReadStatus::Ok) {
            return {{}, KmzMessage(document.status)};
        }
        bytes = std::move(document.bytes);
    } else {
        KmlText failure = ReadPlainFile(path, maxBytes, bytes);
        if (!failure.error.empty()) {
            return failure;
        }
    }
    return DecodeKmlBytes(bytes);
}

std::string LoadKmlDocument(const std::filesystem::path& path, CXmlMarkup& markup) {
    KmlText text = ReadKmlFileText(path);
    if (!text.error.empty()) {
        return text.error;
    }
    if (markup.SetDocument(std::move(text.text))) {
        return {};
    }
    return markup.GetLastParseError() == CXmlMarkup::kTooManyElements ? kKmlTooManyElements
                                                                      : kXmlParseFailed;
}

std::string WriteKmlFile(const std::filesystem::path& path, const CXmlMarkup& markup) {
    const std::string utf8 = Utf16ToUtf8(markup.GetDocument());
    FileHandle file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (file.Get() < 0) {
        return SystemErrorMessage("Unable to create file", path);
    }
    // A file cut short (a full disk, a file-size limit) is removed, as a failed KMZ archive
    // is: a truncated document would read as a damaged track. Only a regular file: never a
    // device such as /dev/full.
    struct stat status {};
    const bool regular = ::fstat(file.Get(), &status) == 0 && S_ISREG(status.st_mode);
    const auto removed = [&path, regular](std::string message) {
        if (regular) {
            ::unlink(path.c_str());
        }
        return message;
    };
    std::size_t done = 0;
    while (done < utf8.size()) {
        const ssize_t written = ::write(file.Get(), utf8.data() + done, utf8.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            std::string message = SystemErrorMessage("Unable to write file", path);
            file.Close();
            return removed(std::move(message));
        }
        done += static_cast<std::size_t>(written);
    }
    if (!file.Close()) {
        return removed(SystemErrorMessage("Unable to write file", path));
    }
    return {};
}

std::string WriteKmzFile(const std::filesystem::path& path, const CXmlMarkup& markup,
                         CalendarTime modified) {
    if (!WriteKmzArchive(path, Utf16ToUtf8(markup.GetDocument()), modified)) {
        return "Unable to write the KMZ archive '" + path.string() + "'";
    }
    return {};
}
