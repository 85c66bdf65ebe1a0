#include "tracks/KmlFileText.h"
#include "tests/support/TestPaths.h"
#include "tracks/KmzArchive.h"
#include "tracks/TextConversion.h"
#include "tracks/XmlMarkup.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

const std::string kSample = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<kml><Placemark>"
                            "<name>Sm\xC3\xB8rrebr\xC3\xB8"
                            "d \xF0\x9F\x8C\x8D</name>"
                            "<Point><coordinates>9.1,56.2,7 </coordinates></Point>"
                            "</Placemark></kml>\r\n";

std::string Utf16Bytes(const std::string& utf8, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t unit : Utf8ToUtf16(utf8)) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

TEST(KmlFileText, DecodesUtf16AndUtf8AlikeAndRefusesBinaryData) {
    struct Case {
        const char* label;
        std::string bytes;
        std::string text; // UTF-8 of the expected text
        const char* error;
    };
    const std::string padding(100, ' ');
    std::string wide = "<a>"; // three bytes per character: still far more than half the file
    for (int i = 0; i < 300; ++i) {
        wide += "\xE6\x97\xA5";
    }
    wide += "</a>";
    const Case cases[] = {
        {"UTF-8", kSample, kSample, ""},
        {"UTF-8 with its mark", "\xEF\xBB\xBF" + kSample, kSample, ""},
        {"UTF-16 little endian", Utf16Bytes(kSample, false), kSample, ""},
        {"UTF-16 big endian", Utf16Bytes(kSample, true), kSample, ""},
        {"NUL early", "<kml/>" + std::string(1, '\0') + padding, "", kBinaryDataInFile},
        {"UTF-16 NUL early", Utf16Bytes("<kml/>", false) + std::string(2, '\0') + padding, "",
         kBinaryDataInFile},
        {"NUL late: the text ends there", padding + "<kml/>" + std::string(1, '\0') + "<x>",
         padding + "<kml/>", ""},
        {"NUL in a small file", std::string("<a/>\0\0\0\0\0\0\0\0", 12), "<a/>", ""},
        {"mostly multi-byte UTF-8", wide, wide, ""},
        {"broken UTF-8 is replaced", "<a>\xC3(</a>", "<a>\xEF\xBF\xBD(</a>", ""},
    };
    for (const Case& c : cases) {
        const KmlText decoded = DecodeKmlBytes(c.bytes);
        EXPECT_EQ(Utf16ToUtf8(decoded.text), c.text) << c.label;
        EXPECT_EQ(decoded.error, c.error) << c.label;
    }
}

TEST(KmlFileText, ReadsKmlAndKmzFilesOrSaysWhyNot) {
    testpaths::TempDir dir;
    testpaths::WriteFileBytes(dir / "plain.kml", kSample);
    testpaths::WriteFileBytes(dir / "wide.kml", Utf16Bytes(kSample, false));
    testpaths::WriteFileBytes(dir / "broken.kml", "<kml><Placemark></kml>");
    testpaths::WriteFileBytes(dir / "zip.kml", "PK\x03\x04" + std::string(200, '\0'));
    ASSERT_TRUE(WriteKmzArchive(dir / "packed.KMZ", kSample, kNoDateTime));
    testpaths::WriteFileBytes(dir / "plain.kmz", kSample);
    testpaths::WriteFileBytes(dir / "big.kml", std::string(2000, ' ') + "<kml/>");

    struct Case {
        const char* name;
        const char* error;
    };
    const Case cases[] = {
        {"plain.kml", ""},
        {"wide.kml", ""},
        {"packed.KMZ", ""},
        {"broken.kml", kXmlParseFailed},
        {"zip.kml", kBinaryDataInFile},
        {"plain.kmz", kKmzNotAnArchive},
        {"absent.kml", kUnableToOpenFile},
        {"absent.kmz", kUnableToOpenFile},
        {"", kUnableToOpenFile}, // the folder itself
    };
    for (const Case& c : cases) {
        CXmlMarkup markup;
        EXPECT_EQ(LoadKmlDocument(dir / c.name, markup), c.error) << c.name;
        if (*c.error == '\0') {
            EXPECT_EQ(Utf16ToUtf8(markup.GetDocument()), kSample) << c.name;
        }
    }
    EXPECT_EQ(ReadKmlFileText(dir / "big.kml", 1000).error, kKmlTooLarge);
    EXPECT_EQ(ReadKmlFileText(dir / "packed.KMZ", 100).error, kKmlTooLarge);
}

TEST(KmlFileText, WritesUtf8DocumentsAsKmlOrKmz) {
    CXmlMarkup markup;
    markup.SetDocument(u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");
    ASSERT_TRUE(markup.AddElement(u"kml"));
    markup.EnterElement();
    ASSERT_TRUE(markup.AddElement(u"name", u"Sm\u00F8rrebr\u00F8d \U0001F30D"));
    const std::string expected = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<kml>\r\n"
                                 "<name>Sm\xC3\xB8rrebr\xC3\xB8"
                                 "d \xF0\x9F\x8C\x8D</name>\r\n"
                                 "</kml>\r\n";
    testpaths::TempDir dir;
    EXPECT_EQ(WriteKmlFile(dir / "out.kml", markup), "");
    EXPECT_EQ(testpaths::ReadFileBytes(dir / "out.kml"), expected);
    EXPECT_EQ(WriteKmzFile(dir / "out.kmz", markup, kNoDateTime), "");
    EXPECT_EQ(Utf16ToUtf8(ReadKmlFileText(dir / "out.kmz").text), expected);

    EXPECT_NE(WriteKmlFile(dir / "no" / "out.kml", markup), "");
    EXPECT_NE(WriteKmzFile(dir / "no" / "out.kmz", markup, kNoDateTime), "");
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_NE(WriteKmlFile("/dev/full", markup), "");
        EXPECT_TRUE(std::filesystem::exists("/dev/full")) << "a device is never removed";
    }
}

TEST(KmlFileText, EveryCorpusFileLoadsOrFailsWithAMessage) {
    CORPUS_DIR_OR_SKIP(corpus);
    const std::set<std::string> messages = {kUnableToOpenFile,  kBinaryDataInFile, kXmlParseFailed,
                                            kKmlTooLarge,       kKmzNotAnArchive,  kKmzWithoutKml,
                                            kKmzDocumentDamaged};
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus / "kml")) {
        const std::string name = entry.path().filename().string();
        CXmlMarkup markup;
        const std::string error = LoadKmlDocument(entry.path(), markup);
        if (error.empty()) {
            EXPECT_TRUE(markup.FindElement()) << name;
        } else {
            EXPECT_EQ(messages.count(error), 1U) << name << ": " << error;
        }
        if (entry.path().extension() == ".kml") {
            EXPECT_EQ(error, "") << name << " is well-formed";
        }
        ++files;
    }
    EXPECT_GT(files, 0);

    // Images stored after doc.kml do not hide the document.
    CXmlMarkup overlay;
    ASSERT_EQ(LoadKmlDocument(corpus / "kml" / "screenoverlay-continents.kmz", overlay), "");
    ASSERT_TRUE(overlay.FindElement(u"kml"));
    CXmlMarkup none;
    EXPECT_EQ(LoadKmlDocument(corpus / "kml" / "nokml.kmz", none), kKmzWithoutKml);
}

} // namespace
