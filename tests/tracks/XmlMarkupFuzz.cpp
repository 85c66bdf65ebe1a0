// Parses arbitrary bytes as a KML document, walks every element, and checks that writing into
// a parsed document keeps it well-formed.
#include "tests/fuzz/FuzzSupport.h"
#include "tracks/KmlFileText.h"
#include "tracks/XmlMarkup.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

// Visits every element depth first without recursion; the number of elements visited.
std::size_t WalkAll(CXmlMarkup& markup) {
    std::size_t count = 0;
    int depth = 0;
    for (;;) {
        if (markup.FindElement()) {
            ++count;
            markup.GetElementText();
            markup.EnterElement();
            ++depth;
        } else if (depth > 0) {
            markup.LeaveElement();
            --depth;
        } else {
            return count;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const KmlText decoded =
        DecodeKmlBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    CXmlMarkup markup;
    if (!markup.SetDocument(decoded.text)) {
        Require(!markup.GetLastParseError().empty());
        return 0;
    }
    const std::size_t elements = WalkAll(markup);
    Require(elements > 0);

    // Write into the first element, then after it; the result parses to one more level of
    // content and two more elements.
    CXmlMarkup edited;
    edited.SetDocument(markup.GetDocument());
    edited.FindElement();
    const std::u16string name = edited.GetElementName();
    Require(edited.SetTagValue(name, u"fuzz", u"<&'\">"));
    Require(edited.EnterElement());
    Require(edited.AddElement(u"added", u"a<b>&c"));
    Require(edited.LeaveElement());
    Require(edited.AddElement(u"after"));

    CXmlMarkup reparsed;
    Require(reparsed.SetDocument(edited.GetDocument()));
    Require(WalkAll(reparsed) == elements + 2);
    return 0;
}
