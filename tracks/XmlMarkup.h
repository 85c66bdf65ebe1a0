#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The program's small XML document object: the whole document as one UTF-16 string plus a
// flat table of element positions. It reads KML (navigate by element name, take an element's
// text) and writes it (append elements, set values in start tags).
//
// Reading is one linear pass without recursion, so neither size nor nesting depth can exhaust
// the stack. Only the five predefined entities are understood; any other entity reference,
// and any entity declared in a document type declaration, is left as it stands and never
// expanded.
//
// Writing keeps a fixed text form: an element with text is "<name>text</name>" CR LF, an
// element with children "<name ...>" CR LF, its children, "</name>" CR LF, no indentation.
// A writer may start from a declaration line: SetDocument on it returns false (there is no
// element yet) but keeps the text, and the first element added follows it.
class CXmlMarkup {
public:
    // The element table is bounded like the text: a document of more elements is refused
    // with kTooManyElements rather than filling memory with their records.
    static constexpr std::size_t kMaxElements = 2'000'000;
    static constexpr std::u16string_view kTooManyElements =
        u"The document holds more than 2000000 elements";

    // A reader may bound the nesting of elements: a document that nests deeper is refused with
    // kTooDeep. Unbounded unless set.
    static constexpr std::u16string_view kTooDeep = u"Elements are nested too deeply";
    void LimitDepth(std::size_t levels) { m_maxDepth = levels; }

    // Receives the pieces of an element's text in order; returns false to stop.
    using TextVisitor = std::function<bool(std::u16string_view piece)>;

    CXmlMarkup();

    // Replaces the text and parses it. True when no error was found and at least one element
    // was parsed; otherwise the table holds only the document and GetLastParseError says why.
    // Either way the navigation starts again at the top of the document.
    bool SetDocument(std::u16string text);
    const std::u16string& GetDocument() const { return m_text; }
    const std::u16string& GetLastParseError() const { return m_lastError; }

    // Moves to the next element with that name (any element when the name is empty) among the
    // children of the current parent, after the current element or from the first child when
    // there is none, and makes it current. False, and nothing moves, when there is none.
    bool FindElement(std::u16string_view name = {});
    // The current element becomes the parent; the search among its children starts afresh.
    bool EnterElement();
    // The parent becomes the current element again; false at the top of the document.
    bool LeaveElement();
    // The character data of the current element itself (text with the five entities replaced,
    // the content of character data sections as it stands; comments, processing instructions
    // and child elements left out). Empty when there is no current element.
    std::u16string GetElementText() const;
    // The same text handed on in pieces, without building it: a large text costs no copy.
    // False when the visitor stopped.
    bool VisitElementText(const TextVisitor& visit) const;
    // The name of the current element; empty when there is none.
    std::u16string GetElementName() const;
    // The value of name="value" in the start tag of the current element, the five entities
    // replaced. Nothing when there is no such value or it is longer than `maxLength` as it
    // stands in the document, so that a hostile value costs no copy of itself.
    std::optional<std::u16string> GetTagValue(std::u16string_view name,
                                              std::size_t maxLength) const;

    // Writing escapes "<", "&" and ">" in text, and also the apostrophe and the quotation
    // mark in values of start tags.
    //
    // Adds an element after the current one, or as the first child of the parent when there
    // is no current element, and makes it current. An empty text writes "<name/>", which opens
    // into a start and an end tag when a child is added. False for a name that is not a plain
    // name token.
    bool AddElement(std::u16string_view name, std::u16string_view text = {});
    // Sets name="value" in the start tag of the current element, which must be named
    // `element`: an existing value of that name is replaced, otherwise the pair is appended.
    bool SetTagValue(std::u16string_view element, std::u16string_view name,
                     std::u16string_view value);

private:
    using Index = std::int32_t; // 0 = none, or the document itself as a parent

    struct Element {
        std::size_t start = 0;          // offset of the "<" of the start tag
        std::size_t end = 0;            // offset just after the last ">" of the element
        std::size_t startTagLength = 0; // "<name ...>" or the whole empty-element tag
        std::size_t endTagLength = 0;   // "</name>"; 0 for an empty-element tag
        Index parent = 0;
        Index firstChild = 0;
        Index nextSibling = 0;
    };

    bool Parse();
    bool Fail(std::u16string_view message, Index element = 0);

    std::size_t NameEnd(std::size_t from) const;
    std::u16string_view NameOf(Index element) const;
    std::size_t ContentEnd(Index element) const;
    bool VisitCharacterData(std::size_t from, std::size_t to, const TextVisitor& visit) const;

    void OpenEmptyElement(Index element);
    bool FindTagValue(const Element& element, std::u16string_view name, std::size_t& valueStart,
                      std::size_t& valueEnd) const;
    void Splice(std::size_t pos, std::size_t removed, std::u16string_view inserted, Index container,
                Index following);
    void ShiftSubtrees(Index first, std::ptrdiff_t delta);

    std::u16string m_text;
    std::vector<Element> m_elements; // [0] is the document
    std::u16string m_lastError;
    Index m_parent = 0;
    Index m_current = 0;
    std::size_t m_maxDepth = SIZE_MAX;
};
