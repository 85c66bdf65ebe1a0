#include "tracks/XmlMarkup.h"
#include "tracks/TextConversion.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Utf8(const std::u16string& text) {
    return Utf16ToUtf8(text);
}

CXmlMarkup Parsed(const std::string& text) {
    CXmlMarkup markup;
    EXPECT_TRUE(markup.SetDocument(Utf8ToUtf16(text))) << text;
    return markup;
}

// From the current element, enters and finds each name of `path` in turn; the text of the
// last one. The copy leaves the caller's navigation where it was.
std::string TextBelow(CXmlMarkup markup, std::initializer_list<const char16_t*> path) {
    for (const char16_t* name : path) {
        if (!markup.EnterElement() || !markup.FindElement(name)) {
            return "<missing>";
        }
    }
    return Utf8(markup.GetElementText());
}

TEST(XmlMarkupNavigation, FindsEntersAndLeavesElementsByName) {
    CXmlMarkup markup = Parsed("<?xml version=\"1.0\"?>\r\n<kml><Document>"
                               "<name>n</name><Placemark><name>p1</name></Placemark>"
                               "<Folder/><Placemark><name>p2</name></Placemark>"
                               "</Document></kml>");
    EXPECT_FALSE(markup.LeaveElement()) << "already at the top";
    EXPECT_FALSE(markup.EnterElement()) << "no current element yet";
    ASSERT_TRUE(markup.FindElement(u"kml"));
    ASSERT_TRUE(markup.EnterElement());
    EXPECT_FALSE(markup.FindElement(u"Placemark")) << "Placemarks are one level deeper";
    ASSERT_TRUE(markup.FindElement(u"Document"));
    ASSERT_TRUE(markup.EnterElement());

    std::string names;
    while (markup.FindElement(u"Placemark")) {
        markup.EnterElement();
        markup.FindElement(u"name");
        names += Utf8(markup.GetElementText()) + ";";
        markup.LeaveElement();
        EXPECT_EQ(Utf8(markup.GetElementName()), "Placemark");
    }
    EXPECT_EQ(names, "p1;p2;");
    EXPECT_EQ(Utf8(markup.GetElementName()), "Placemark") << "a failed search moves nothing";

    ASSERT_TRUE(markup.LeaveElement()); // Document is current again
    ASSERT_TRUE(markup.EnterElement()); // and the search among its children starts afresh
    EXPECT_TRUE(markup.FindElement(u"Folder"));
    EXPECT_TRUE(markup.FindElement()) << "an empty name takes the next element";
    EXPECT_EQ(TextBelow(markup, {u"name"}), "p2");
    ASSERT_TRUE(markup.LeaveElement());
    ASSERT_TRUE(markup.LeaveElement());
    EXPECT_EQ(Utf8(markup.GetElementName()), "kml");
    EXPECT_FALSE(markup.LeaveElement());
}

TEST(XmlMarkupNavigation, ElementTextDecodesEntitiesAndSkipsMarkup) {
    struct Case {
        const char* content;
        const char* text;
    };
    const Case cases[] = {
        {"a &lt;b&gt; &amp; &apos;c&quot;", "a <b> & 'c\""},
        {"&amp;lt; &unknown; & alone &#65;", "&lt; &unknown; & alone &#65;"},
        {"1,2,3 <!-- bat: 89% --> 4,5,6 ", "1,2,3  4,5,6 "},
        {"<![CDATA[<b>&amp;</b>]]> after", "<b>&amp;</b> after"},
        {"before<child>inner</child>after<?pi x?>", "beforeafter"},
        {"\r\n  spaced  \r\n", "\r\n  spaced  \r\n"},
    };
    for (const Case& c : cases) {
        CXmlMarkup markup = Parsed(std::string("<e>") + c.content + "</e>");
        ASSERT_TRUE(markup.FindElement(u"e"));
        EXPECT_EQ(Utf8(markup.GetElementText()), c.text) << c.content;
    }
    CXmlMarkup empty = Parsed("<e attr='x'/>");
    EXPECT_EQ(Utf8(empty.GetElementText()), "") << "no current element";
    empty.FindElement();
    EXPECT_EQ(Utf8(empty.GetElementText()), "");
}

TEST(XmlMarkupParsing, AcceptsWellFormedTextAndReportsEachError) {
    struct Case {
        const char* document;
        const char* error; // empty: parses
    };
    const Case cases[] = {
        {"<?xml version=\"1.0\"?>\n<!DOCTYPE kml [ <!ENTITY x \"]>\"> ]><!-- c -->"
         "<kml a=\"x>y\" b='/>'><Point/></kml>",
         ""},
        {"<a/><b>two roots</b>", ""},
        {"<a></a ></x> ignored after a stray end tag", ""},
        {"<a\r\n\tx = \"1\"\r\n>text</a>", ""},
        {"", "Element tag not found"},
        {"no markup at all", "Element tag not found"},
        {"<?xml version=\"1.0\"?><!-- only nodes -->", "Element tag not found"},
        {"</a>", "Element tag not found"},
        {"< a/>", "Element tag not found"},
        {"<kml", "Abrupt end within tag"},
        {"<a><", "Abrupt end within tag"},
        {"<a></a", "Abrupt end within tag"},
        {"<\"a\"/>", "Tag starts with quote"},
        {"<a><!-- never closed </a>", "Invalid node"},
        {"<?xml version=\"1.0\"", "Invalid node"},
        {"<!DOCTYPE a [ <!ENTITY x 'y'> <a/>", "Invalid node"},
        {"<a><![CDATA[ open </a>", "Invalid node"},
        {"<a x='1>", "End of tag not found"},
        {"<a>< b/></a>", "Expecting end tag of element a"},
        {"<a><b></a>", "End tag does not correspond to b"},
        {"<a></a x>", "End tag not completed for element a"},
        {"<a><b/>text", "End tag of a element not found"},
    };
    for (const Case& c : cases) {
        CXmlMarkup markup;
        const bool parsed = markup.SetDocument(Utf8ToUtf16(c.document));
        EXPECT_EQ(parsed, *c.error == '\0') << c.document;
        EXPECT_EQ(Utf8(markup.GetLastParseError()), c.error) << c.document;
        EXPECT_EQ(markup.FindElement(), parsed) << "only the document is left after a failure";
        EXPECT_EQ(Utf8(markup.GetDocument()), c.document) << "the text is kept";
    }
}

TEST(XmlMarkupParsing, DeepNestingNeedsNoStack) {
    constexpr int kDepth = 300000;
    std::u16string open;
    std::u16string close;
    for (int i = 0; i < kDepth; ++i) {
        open += u"<a>";
        close += u"</a>";
    }
    CXmlMarkup markup;
    ASSERT_TRUE(markup.SetDocument(open + u"bottom" + close));
    int depth = 0;
    while (markup.FindElement(u"a")) {
        ++depth;
        markup.EnterElement();
    }
    markup.LeaveElement();
    EXPECT_EQ(depth, kDepth);
    EXPECT_EQ(Utf8(markup.GetElementText()), "bottom");

    EXPECT_FALSE(markup.SetDocument(open));
    EXPECT_EQ(Utf8(markup.GetLastParseError()), "End tag of a element not found");
}

TEST(XmlMarkupParsing, DeclaredEntitiesAreNeverExpanded) {
    std::string document = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n<!ENTITY lol \"lol\">\n";
    for (int i = 1; i <= 9; ++i) {
        document += "<!ENTITY lol" + std::to_string(i) + " \"";
        for (int j = 0; j < 10; ++j) {
            document += "&lol" + (i == 1 ? std::string() : std::to_string(i - 1)) + ";";
        }
        document += "\">\n";
    }
    document += "]>\n<kml>&lol9;</kml>";
    CXmlMarkup markup = Parsed(document);
    ASSERT_TRUE(markup.FindElement(u"kml"));
    EXPECT_EQ(Utf8(markup.GetElementText()), "&lol9;");
}

TEST(XmlMarkupWriter, WritesTheFixedTextForm) {
    CXmlMarkup markup;
    EXPECT_FALSE(markup.SetDocument(u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"));
    ASSERT_TRUE(markup.AddElement(u"kml"));
    ASSERT_TRUE(markup.SetTagValue(u"kml", u"xmlns", u"http://www.opengis.net/kml/2.2"));
    ASSERT_TRUE(markup.EnterElement());
    ASSERT_TRUE(markup.AddElement(u"Document"));
    ASSERT_TRUE(markup.EnterElement());
    ASSERT_TRUE(markup.AddElement(u"name", u"track.kml"));
    ASSERT_TRUE(markup.AddElement(u"Style"));
    ASSERT_TRUE(markup.SetTagValue(u"Style", u"id", u"AllPathStyle"));
    ASSERT_TRUE(markup.EnterElement());
    ASSERT_TRUE(markup.AddElement(u"LineStyle"));
    ASSERT_TRUE(markup.EnterElement());
    ASSERT_TRUE(markup.AddElement(u"color", u"00ffffff"));
    ASSERT_TRUE(markup.AddElement(u"width", u"1"));
    ASSERT_TRUE(markup.LeaveElement());
    ASSERT_TRUE(markup.LeaveElement());
    ASSERT_TRUE(markup.AddElement(u"Placemark"));
    ASSERT_TRUE(markup.EnterElement());
    ASSERT_TRUE(markup.AddElement(u"coordinates", u"\r\n1.000000,2.000000,75 "));
    EXPECT_EQ(Utf8(markup.GetDocument()), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                                          "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\r\n"
                                          "<Document>\r\n"
                                          "<name>track.kml</name>\r\n"
                                          "<Style id=\"AllPathStyle\">\r\n"
                                          "<LineStyle>\r\n"
                                          "<color>00ffffff</color>\r\n"
                                          "<width>1</width>\r\n"
                                          "</LineStyle>\r\n"
                                          "</Style>\r\n"
                                          "<Placemark>\r\n"
                                          "<coordinates>\r\n1.000000,2.000000,75 </coordinates>\r\n"
                                          "</Placemark>\r\n"
                                          "</Document>\r\n"
                                          "</kml>\r\n");
}

TEST(XmlMarkupWriter, EscapesTextAndValuesAndReadsThemBack) {
    const std::u16string awkward = u"<a & 'b' \"c\">";
    CXmlMarkup markup;
    ASSERT_TRUE(markup.AddElement(u"e", awkward));
    ASSERT_TRUE(markup.SetTagValue(u"e", u"v", awkward));
    EXPECT_EQ(
        Utf8(markup.GetDocument()),
        "<e v=\"&lt;a &amp; &apos;b&apos; &quot;c&quot;&gt;\">&lt;a &amp; 'b' \"c\"&gt;</e>\r\n");

    CXmlMarkup reread;
    ASSERT_TRUE(reread.SetDocument(markup.GetDocument()));
    ASSERT_TRUE(reread.FindElement(u"e"));
    EXPECT_EQ(reread.GetElementText(), awkward);

    EXPECT_FALSE(markup.SetTagValue(u"other", u"v", u"x")) << "not the current element";
    EXPECT_FALSE(markup.SetTagValue(u"e", u"bad name", u"x"));
    for (const char16_t* name : {u"", u"a b", u"a<b", u"a\"", u"a/b", u"a&b"}) {
        EXPECT_FALSE(markup.AddElement(name, u"x")) << Utf8(name);
    }
}

TEST(XmlMarkupWriter, EditsInsideAParsedDocumentKeepEveryPositionRight) {
    CXmlMarkup markup = Parsed("<r>\n<a k='old' z=\"1\"><x>1</x></a>\n<b><y>2</y></b>\n<c/>\n</r>");
    ASSERT_TRUE(markup.FindElement(u"r"));
    ASSERT_TRUE(markup.EnterElement());
    ASSERT_TRUE(markup.AddElement(u"first", u"0")); // before a: no element was current
    ASSERT_TRUE(markup.FindElement(u"a"));
    ASSERT_TRUE(markup.SetTagValue(u"a", u"k", u"a much longer value"));
    ASSERT_TRUE(markup.SetTagValue(u"a", u"n", u"new"));
    ASSERT_TRUE(markup.AddElement(u"mid", u"m")); // between a and b
    ASSERT_TRUE(markup.FindElement(u"c"));
    ASSERT_TRUE(markup.EnterElement());
    ASSERT_TRUE(markup.AddElement(u"inner", u"i")); // opens <c/>
    markup.LeaveElement();
    markup.LeaveElement();

    const std::string expected = "<r>\n<first>0</first>\r\n"
                                 "<a k=\"a much longer value\" z=\"1\" n=\"new\"><x>1</x></a>\n"
                                 "<mid>m</mid>\r\n<b><y>2</y></b>\n"
                                 "<c>\r\n<inner>i</inner>\r\n</c>\n</r>";
    EXPECT_EQ(Utf8(markup.GetDocument()), expected);

    // The edited table answers like a fresh parse of the edited text.
    CXmlMarkup fresh = Parsed(expected);
    ASSERT_TRUE(fresh.FindElement(u"r"));
    for (const CXmlMarkup* m : {&markup, &fresh}) {
        EXPECT_EQ(Utf8(m->GetElementName()), "r");
        EXPECT_EQ(TextBelow(*m, {u"a", u"x"}), "1");
        EXPECT_EQ(TextBelow(*m, {u"b", u"y"}), "2");
        EXPECT_EQ(TextBelow(*m, {u"c", u"inner"}), "i");
        EXPECT_EQ(TextBelow(*m, {u"c"}), "\r\n\r\n");
        EXPECT_EQ(TextBelow(*m, {u"mid"}), "m");
    }
}

} // namespace
