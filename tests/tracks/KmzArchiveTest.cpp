#include "tracks/KmzArchive.h"
#include "tests/support/TestPaths.h"

#include <minizip/unzip.h>
#include <minizip/zip.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

constexpr std::size_t kLimit = 1 << 20;

// An archive with these entries, in this order, names exactly as given.
void WriteZip(const std::filesystem::path& path, const Entries& entries) {
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(zip, nullptr);
    for (const auto& [name, data] : entries) {
        ASSERT_EQ(zipOpenNewFileInZip64(zip, name.c_str(), nullptr, nullptr, 0, nullptr, 0, nullptr,
                                        Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0),
                  ZIP_OK);
        ASSERT_EQ(zipWriteInFileInZip(zip, data.data(), static_cast<unsigned>(data.size())),
                  ZIP_OK);
        ASSERT_EQ(zipCloseFileInZip(zip), ZIP_OK);
    }
    ASSERT_EQ(zipClose(zip, nullptr), ZIP_OK);
}

// The names of the entries of an archive, in order.
std::vector<std::string> EntryNames(const std::filesystem::path& path) {
    std::vector<std::string> names;
    unzFile unz = unzOpen64(path.c_str());
    for (int r = unzGoToFirstFile(unz); r == UNZ_OK; r = unzGoToNextFile(unz)) {
        char name[256] = {};
        unzGetCurrentFileInfo64(unz, nullptr, name, sizeof name - 1, nullptr, 0, nullptr, 0);
        names.emplace_back(name);
    }
    unzClose(unz);
    return names;
}

TEST(KmzArchive, WritesTheSingleEntryDocKmlAndReadsItBack) {
    testpaths::TempDir dir;
    const std::string kml = "<?xml version=\"1.0\"?>\r\n<kml>\xC3\xA9</kml>\r\n";
    ASSERT_TRUE(WriteKmzArchive(dir / "t.kmz", kml, MakeCalendarTime({2024, 5, 6, 7, 8, 10})));
    EXPECT_EQ(EntryNames(dir / "t.kmz"), std::vector<std::string>{"doc.kml"});
    const KmzDocument read = ReadKmzDocument(dir / "t.kmz", kLimit);
    EXPECT_EQ(read.status, KmzReadStatus::Ok);
    EXPECT_EQ(read.bytes, kml);

    EXPECT_FALSE(WriteKmzArchive(dir / "missing-folder" / "t.kmz", kml, kNoDateTime));
}

TEST(KmzArchive, ReadsDocKmlWhereverItIsElseTheFirstKmlEntry) {
    struct Case {
        const char* label;
        Entries entries;
        KmzReadStatus status;
        std::string bytes;
    };
    const std::string png = "\x89PNG\r\n\x1a\n";
    const Case cases[] = {
        {"doc.kml first, images after",
         {{"doc.kml", "D"}, {"i/a.png", png}, {"i/b.png", png}},
         KmzReadStatus::Ok,
         "D"},
        {"doc.kml last", {{"a.kml", "A"}, {"doc.kml", "D"}}, KmzReadStatus::Ok, "D"},
        {"letter case", {{"x.png", png}, {"DOC.KML", "D"}}, KmzReadStatus::Ok, "D"},
        {"no doc.kml at the top",
         {{"readme.txt", "t"}, {"z/c.kml", "C"}, {"b.kml", "B"}, {"doc/doc.kml", "D"}},
         KmzReadStatus::Ok,
         "C"},
        {"no KML entry",
         {{"hi.txt", "t"}, {"foo/", ""}, {"foo/doc.kml.txt", "x"}},
         KmzReadStatus::NoKmlEntry,
         ""},
        {"empty archive", {}, KmzReadStatus::NotAnArchive, ""}, // the zip library refuses it
    };
    testpaths::TempDir dir;
    for (const Case& c : cases) {
        WriteZip(dir / "t.kmz", c.entries);
        const KmzDocument read = ReadKmzDocument(dir / "t.kmz", kLimit);
        EXPECT_EQ(read.status, c.status) << c.label;
        EXPECT_EQ(read.bytes, c.bytes) << c.label;
    }
}

TEST(KmzArchive, EntryNamesNeverBecomePaths) {
    testpaths::TempDir outer;
    const std::filesystem::path inner = outer / "inner";
    std::filesystem::create_directory(inner);
    const std::filesystem::path absolute = outer / "absolute.kml";
    WriteZip(inner / "t.kmz", {{"../escaped.png", "x"},
                               {absolute.string(), "x"},
                               {"..\\..\\win.kml", "W"},
                               {"doc.kml", "D"}});
    const KmzDocument read = ReadKmzDocument(inner / "t.kmz", kLimit);
    EXPECT_EQ(read.bytes, "D");

    WriteZip(inner / "u.kmz", {{"../escaped.kml", "E"}});
    EXPECT_EQ(ReadKmzDocument(inner / "u.kmz", kLimit).bytes, "E");

    std::vector<std::string> created;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(outer.Path())) {
        created.push_back(std::filesystem::relative(entry.path(), outer.Path()).string());
    }
    std::sort(created.begin(), created.end());
    EXPECT_EQ(created, (std::vector<std::string>{"inner", "inner/t.kmz", "inner/u.kmz"}));
}

TEST(KmzArchive, StopsInflatingAtTheLimit) {
    testpaths::TempDir dir;
    WriteZip(dir / "exact.kmz", {{"doc.kml", std::string(kLimit, 'a')}});
    EXPECT_EQ(ReadKmzDocument(dir / "exact.kmz", kLimit).bytes.size(), kLimit);

    WriteZip(dir / "bomb.kmz", {{"doc.kml", std::string(8 * kLimit, '\0')}});
    const KmzDocument bomb = ReadKmzDocument(dir / "bomb.kmz", kLimit);
    EXPECT_EQ(bomb.status, KmzReadStatus::TooLarge);
    EXPECT_TRUE(bomb.bytes.empty());
}

TEST(KmzArchive, DamagedArchivesGiveAStatusNotACrash) {
    testpaths::TempDir dir;
    std::string text(4000, ' ');
    std::uint32_t seed = 12345;
    for (char& c : text) {
        seed = seed * 1664525U + 1013904223U;
        c = static_cast<char>('a' + (seed >> 24) % 26);
    }
    WriteZip(dir / "good.kmz", {{"doc.kml", text}});
    const std::string good = testpaths::ReadFileBytes(dir / "good.kmz");

    std::string flipped = good;
    for (std::size_t i = 60; i < 200; ++i) {
        flipped[i] = static_cast<char>(flipped[i] ^ 0x5A);
    }
    struct Case {
        const char* name;
        std::string bytes;
        KmzReadStatus status;
    };
    const Case cases[] = {
        {"text.kmz", "this is not a zip archive", KmzReadStatus::NotAnArchive},
        {"empty.kmz", "", KmzReadStatus::NotAnArchive},
        {"cut.kmz", good.substr(0, good.size() / 2), KmzReadStatus::NotAnArchive},
        {"flipped.kmz", flipped, KmzReadStatus::Damaged},
    };
    for (const Case& c : cases) {
        testpaths::WriteFileBytes(dir / c.name, c.bytes);
        EXPECT_EQ(ReadKmzDocument(dir / c.name, kLimit).status, c.status) << c.name;
    }
    EXPECT_EQ(ReadKmzDocument(dir / "absent.kmz", kLimit).status, KmzReadStatus::CannotOpen);
    EXPECT_EQ(ReadKmzDocument(dir.Path(), kLimit).status, KmzReadStatus::CannotOpen);
}

} // namespace
