#include "tracks/XmlMarkup.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::size_t kNpos = std::u16string::npos;

bool IsWhitespace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// A name token ends at whitespace or at one of these characters.
bool IsNameDelimiter(char16_t c) {
    switch (c) {
    case u'<':
    case u'>':
    case u'=':
    case u'\\':
    case u'/':
    case u'?':
    case u'!':
        return true;
    default:
        return IsWhitespace(c);
    }
}

bool IsQuote(char16_t c) {
    return c == u'"' || c == u'\'';
}

// Names the writer accepts: a name token that cannot change the markup around it.
bool IsPlainName(std::u16string_view name) {
    if (name.empty()) {
        return false;
    }
    for (const char16_t c : name) {
        if (IsNameDelimiter(c) || IsQuote(c) || c == u'&') {
            return false;
        }
    }
    return true;
}

std::u16string Format(std::u16string_view message, std::u16string_view name) {
    std::u16string text(message);
    const std::size_t at = text.find(u"%s");
    if (at != kNpos) {
        text.replace(at, 2, name);
    }
    return text;
}

bool StartsWith(const std::u16string& text, std::size_t pos, std::u16string_view prefix) {
    return text.compare(pos, prefix.size(), prefix) == 0;
}

// End of a document type declaration (or another "<!" declaration) starting at `lt`: the
// first ">" outside quotes, comments and bracketed parts; kNpos when it never closes.
std::size_t DeclarationEnd(const std::u16string& text, std::size_t lt) {
    int depth = 0;
    std::size_t pos = lt + 2;
    while (pos < text.size()) {
        const char16_t c = text[pos];
        if (IsQuote(c)) {
            pos = text.find(c, pos + 1);
            if (pos == kNpos) {
                return kNpos;
            }
        } else if (StartsWith(text, pos, u"<!--")) {
            pos = text.find(u"-->", pos + 4);
            if (pos == kNpos) {
                return kNpos;
            }
            pos += 2;
        } else if (c == u'[') {
            ++depth;
        } else if (c == u']') {
            --depth;
        } else if (c == u'>' && depth <= 0) {
            return pos + 1;
        }
        ++pos;
    }
    return kNpos;
}

// End of the processing instruction, comment, character data section or declaration that
// starts at `lt` ("<?" or "<!"); kNpos when it does not close.
std::size_t MarkupNodeEnd(const std::u16string& text, std::size_t lt) {
    std::u16string_view close;
    std::size_t from = 0;
    if (StartsWith(text, lt, u"<!--")) {
        close = u"-->";
        from = lt + 4;
    } else if (StartsWith(text, lt, u"<![CDATA[")) {
        close = u"]]>";
        from = lt + 9;
    } else if (StartsWith(text, lt, u"<?")) {
        close = u"?>";
        from = lt + 2;
    } else {
        return DeclarationEnd(text, lt);
    }
    const std::size_t at = text.find(close, from);
    return at == kNpos ? kNpos : at + close.size();
}

// Offset of the ">" that closes the start tag whose name ends at `from`; quoted values are
// single tokens, so a ">" inside quotes does not count.
std::size_t StartTagClose(const std::u16string& text, std::size_t from) {
    for (std::size_t pos = from; pos < text.size(); ++pos) {
        const char16_t c = text[pos];
        if (IsQuote(c)) {
            pos = text.find(c, pos + 1);
            if (pos == kNpos) {
                return kNpos;
            }
        } else if (c == u'>') {
            return pos;
        }
    }
    return kNpos;
}

// Hands `text` on with the five entities replaced: the runs between entities as they stand,
// each entity as its character.
bool VisitDecoded(std::u16string_view text, const CXmlMarkup::TextVisitor& visit) {
    struct Entity {
        std::u16string_view name;
        char16_t character;
    };
    static constexpr std::array<Entity, 5> kEntities{{{u"&lt;", u'<'},
                                                      {u"&amp;", u'&'},
                                                      {u"&gt;", u'>'},
                                                      {u"&apos;", u'\''},
                                                      {u"&quot;", u'"'}}};
    static constexpr std::u16string_view kAmpersand = u"&";
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t amp = text.find(u'&', pos);
        if (amp == kNpos) {
            return visit(text.substr(pos));
        }
        if (amp > pos && !visit(text.substr(pos, amp - pos))) {
            return false;
        }
        pos = amp + 1;
        std::u16string_view character = kAmpersand;
        for (const Entity& entity : kEntities) {
            if (text.substr(amp, entity.name.size()) == entity.name) {
                character = std::u16string_view(&entity.character, 1);
                pos = amp + entity.name.size();
                break;
            }
        }
        if (!visit(character)) {
            return false;
        }
    }
    return true;
}

// The entity that stands for `c` when writing, or an empty view when `c` stands for itself.
std::u16string_view EntityFor(char16_t c, bool quotes) {
    switch (c) {
    case u'<':
        return u"&lt;";
    case u'&':
        return u"&amp;";
    case u'>':
        return u"&gt;";
    case u'\'':
        return quotes ? u"&apos;" : u"";
    case u'"':
        return quotes ? u"&quot;" : u"";
    default:
        return {};
    }
}

// Appends `text` escaped, copying the runs between special characters whole.
void AppendEscaped(std::u16string_view text, bool quotes, std::u16string& out) {
    std::size_t run = 0;
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        const std::u16string_view entity = EntityFor(text[pos], quotes);
        if (!entity.empty()) {
            out.append(text.substr(run, pos - run)).append(entity);
            run = pos + 1;
        }
    }
    out.append(text.substr(run));
}

} // namespace

CXmlMarkup::CXmlMarkup() : m_elements(1) {}

bool CXmlMarkup::SetDocument(std::u16string text) {
    m_text = std::move(text);
    m_elements.clear();
    m_elements.reserve(std::min(m_text.size() / 64 + 8, kMaxElements + 1));
    m_elements.push_back(Element{0, m_text.size(), 0, 0, 0, 0, 0});
    m_lastError.clear();
    m_parent = 0;
    m_current = 0;
    if (Parse()) {
        return true;
    }
    m_elements.resize(1);
    m_elements[0].firstChild = 0;
    return false;
}

bool CXmlMarkup::Fail(std::u16string_view message, Index element) {
    m_lastError = Format(message, element == 0 ? std::u16string_view() : NameOf(element));
    return false;
}

std::size_t CXmlMarkup::NameEnd(std::size_t from) const {
    std::size_t pos = from;
    while (pos < m_text.size() && !IsNameDelimiter(m_text[pos])) {
        ++pos;
    }
    return pos;
}

std::u16string_view CXmlMarkup::NameOf(Index element) const {
    const std::size_t from = m_elements[element].start + 1;
    return std::u16string_view(m_text).substr(from, NameEnd(from) - from);
}

std::size_t CXmlMarkup::ContentEnd(Index element) const {
    const Element& e = m_elements[element];
    return element == 0 ? m_text.size() : e.end - e.endTagLength;
}

// One pass over the text with an explicit stack of open elements.
bool CXmlMarkup::Parse() {
    struct Open {
        Index element;
        Index lastChild;
    };
    std::vector<Open> open{{0, 0}};
    const std::size_t size = m_text.size();
    std::size_t pos = 0;
    for (;;) {
        const std::size_t lt = m_text.find(u'<', pos);
        if (lt == kNpos) {
            if (open.size() > 1) {
                return Fail(u"End tag of %s element not found", open.back().element);
            }
            break;
        }
        if (lt + 1 >= size) {
            return Fail(u"Abrupt end within tag");
        }
        const char16_t first = m_text[lt + 1];
        if (first == u'?' || first == u'!') {
            pos = MarkupNodeEnd(m_text, lt);
            if (pos == kNpos) {
                return Fail(u"Invalid node");
            }
            continue;
        }
        if (first == u'/') {
            if (open.size() == 1) {
                break; // an end tag at the top level ends the document
            }
            const Index element = open.back().element;
            const std::size_t nameEnd = NameEnd(lt + 2);
            if (nameEnd >= size) {
                return Fail(u"Abrupt end within tag");
            }
            if (std::u16string_view(m_text).substr(lt + 2, nameEnd - lt - 2) != NameOf(element)) {
                return Fail(u"End tag does not correspond to %s", element);
            }
            std::size_t gt = nameEnd;
            while (gt < size && IsWhitespace(m_text[gt])) {
                ++gt;
            }
            if (gt >= size || m_text[gt] != u'>') {
                return Fail(u"End tag not completed for element %s", element);
            }
            m_elements[element].end = gt + 1;
            m_elements[element].endTagLength = gt + 1 - lt;
            open.pop_back();
            pos = gt + 1;
            continue;
        }
        if (IsQuote(first)) {
            return Fail(u"Tag starts with quote");
        }
        const std::size_t nameEnd = NameEnd(lt + 1);
        if (nameEnd >= size) {
            return Fail(u"Abrupt end within tag");
        }
        if (nameEnd == lt + 1) {
            return open.size() > 1 ? Fail(u"Expecting end tag of element %s", open.back().element)
                                   : Fail(u"Element tag not found");
        }
        const std::size_t close = StartTagClose(m_text, nameEnd);
        if (close == kNpos) {
            return Fail(u"End of tag not found");
        }
        if (m_elements.size() > kMaxElements) {
            return Fail(kTooManyElements);
        }
        const auto index = static_cast<Index>(m_elements.size());
        Open& parent = open.back();
        Element element;
        element.start = lt;
        element.startTagLength = close + 1 - lt;
        element.end = close + 1;
        element.parent = parent.element;
        m_elements.push_back(element);
        if (parent.lastChild == 0) {
            m_elements[parent.element].firstChild = index;
        } else {
            m_elements[parent.lastChild].nextSibling = index;
        }
        parent.lastChild = index;
        // `open` holds the document too: its size is the depth of the new element.
        if (open.size() > m_maxDepth) {
            return Fail(kTooDeep);
        }
        if (m_text[close - 1] != u'/') {
            open.push_back({index, 0});
        }
        pos = close + 1;
    }
    if (m_elements.size() == 1) {
        return Fail(u"Element tag not found");
    }
    return true;
}

bool CXmlMarkup::FindElement(std::u16string_view name) {
    Index next =
        m_current != 0 ? m_elements[m_current].nextSibling : m_elements[m_parent].firstChild;
    for (; next != 0; next = m_elements[next].nextSibling) {
        if (name.empty() || NameOf(next) == name) {
            m_current = next;
            return true;
        }
    }
    return false;
}

bool CXmlMarkup::EnterElement() {
    if (m_current == 0) {
        return false;
    }
    m_parent = m_current;
    m_current = 0;
    return true;
}

bool CXmlMarkup::LeaveElement() {
    if (m_parent == 0) {
        return false;
    }
    m_current = m_parent;
    m_parent = m_elements[m_parent].parent;
    return true;
}

std::u16string CXmlMarkup::GetElementName() const {
    return m_current == 0 ? std::u16string() : std::u16string(NameOf(m_current));
}

std::u16string CXmlMarkup::GetElementText() const {
    std::u16string out;
    VisitElementText([&out](std::u16string_view piece) {
        out.append(piece);
        return true;
    });
    return out;
}

std::optional<std::u16string> CXmlMarkup::GetTagValue(std::u16string_view name,
                                                      std::size_t maxLength) const {
    std::size_t valueStart = 0;
    std::size_t valueEnd = 0;
    if (m_current == 0 || !FindTagValue(m_elements[m_current], name, valueStart, valueEnd)) {
        return std::nullopt;
    }
    if (valueEnd > valueStart && IsQuote(m_text[valueStart])) {
        ++valueStart;
        if (valueEnd > valueStart && m_text[valueEnd - 1] == m_text[valueStart - 1]) {
            --valueEnd;
        }
    }
    if (valueEnd - valueStart > maxLength) {
        return std::nullopt;
    }
    std::u16string value;
    VisitDecoded(std::u16string_view(m_text).substr(valueStart, valueEnd - valueStart),
                 [&value](std::u16string_view piece) {
                     value.append(piece);
                     return true;
                 });
    return value;
}

bool CXmlMarkup::VisitElementText(const TextVisitor& visit) const {
    if (m_current == 0) {
        return true;
    }
    const Element& element = m_elements[m_current];
    std::size_t pos = element.start + element.startTagLength;
    const std::size_t contentEnd = ContentEnd(m_current);
    for (Index child = element.firstChild; child != 0; child = m_elements[child].nextSibling) {
        if (!VisitCharacterData(pos, m_elements[child].start, visit)) {
            return false;
        }
        pos = m_elements[child].end;
    }
    return VisitCharacterData(pos, contentEnd, visit);
}

// Character data between two offsets that hold no element: text runs are decoded, character
// data sections kept as they stand, comments and processing instructions dropped.
bool CXmlMarkup::VisitCharacterData(std::size_t from, std::size_t to,
                                    const TextVisitor& visit) const {
    const std::u16string_view text(m_text);
    std::size_t pos = from;
    while (pos < to) {
        std::size_t lt = text.find(u'<', pos);
        if (lt == kNpos || lt >= to) {
            lt = to;
        }
        if (!VisitDecoded(text.substr(pos, lt - pos), visit)) {
            return false;
        }
        if (lt == to) {
            return true;
        }
        std::size_t end = MarkupNodeEnd(m_text, lt);
        if (end == kNpos || end > to) {
            end = to;
        }
        if (StartsWith(m_text, lt, u"<![CDATA[") && end >= lt + 12 &&
            !visit(text.substr(lt + 9, end - 3 - (lt + 9)))) {
            return false;
        }
        pos = end;
    }
    return true;
}

bool CXmlMarkup::AddElement(std::u16string_view name, std::u16string_view text) {
    if (!IsPlainName(name)) {
        return false;
    }
    std::u16string piece;
    piece.reserve(2 * name.size() + text.size() + 8);
    piece.append(u"<").append(name);
    std::size_t startTagLength = 0;
    std::size_t endTagLength = 0;
    if (text.empty()) {
        piece.append(u"/>");
        startTagLength = piece.size();
    } else {
        piece.append(u">");
        startTagLength = piece.size();
        AppendEscaped(text, false, piece);
        piece.append(u"</").append(name).append(u">");
        endTagLength = name.size() + 3;
    }
    piece.append(u"\r\n");

    std::size_t pos = 0;
    Index following = 0;
    if (m_current != 0) {
        // After the current element and the line end that follows it.
        pos = m_elements[m_current].end;
        if (StartsWith(m_text, pos, u"\r\n")) {
            pos += 2;
        } else if (StartsWith(m_text, pos, u"\n")) {
            pos += 1;
        }
        following = m_elements[m_current].nextSibling;
    } else {
        if (m_parent != 0 && m_elements[m_parent].endTagLength == 0) {
            OpenEmptyElement(m_parent);
        }
        following = m_elements[m_parent].firstChild;
        pos = following != 0 ? m_elements[following].start : ContentEnd(m_parent);
    }
    Splice(pos, 0, piece, m_parent, following);

    const auto index = static_cast<Index>(m_elements.size());
    m_elements.push_back(
        Element{pos, pos + piece.size() - 2, startTagLength, endTagLength, m_parent, 0, following});
    if (m_current != 0) {
        m_elements[m_current].nextSibling = index;
    } else {
        m_elements[m_parent].firstChild = index;
    }
    m_current = index;
    return true;
}

// "<name/>" becomes "<name>" CR LF "</name>", ready for children.
void CXmlMarkup::OpenEmptyElement(Index element) {
    const std::u16string name(NameOf(element));
    std::u16string replacement = u">\r\n</";
    replacement.append(name).append(u">");
    Splice(m_elements[element].end - 2, 2, replacement, element, 0);
    m_elements[element].startTagLength -= 1;
    m_elements[element].endTagLength = name.size() + 3;
}

bool CXmlMarkup::SetTagValue(std::u16string_view element, std::u16string_view name,
                             std::u16string_view value) {
    if (m_current == 0 || NameOf(m_current) != element || !IsPlainName(name)) {
        return false;
    }
    std::u16string quoted = u"\"";
    AppendEscaped(value, true, quoted);
    quoted.append(u"\"");
    const Element& e = m_elements[m_current];
    const std::size_t oldLength = m_text.size();
    std::size_t valueStart = 0;
    std::size_t valueEnd = 0;
    if (FindTagValue(e, name, valueStart, valueEnd)) {
        Splice(valueStart, valueEnd - valueStart, quoted, m_current, e.firstChild);
    } else {
        // Before the "/>" of an empty-element tag, or before the ">".
        const std::size_t close = e.start + e.startTagLength - 1;
        const std::size_t at = e.endTagLength == 0 && m_text[close - 1] == u'/' ? close - 1 : close;
        std::u16string pair = u" ";
        pair.append(name).append(u"=").append(quoted);
        Splice(at, 0, pair, m_current, e.firstChild);
    }
    m_elements[m_current].startTagLength += m_text.size() - oldLength;
    return true;
}

// Finds name=value in the start tag of an element: the value's range, quotes included.
bool CXmlMarkup::FindTagValue(const Element& element, std::u16string_view name,
                              std::size_t& valueStart, std::size_t& valueEnd) const {
    const std::size_t close = element.start + element.startTagLength - 1;
    std::size_t pos = NameEnd(element.start + 1);
    while (pos < close) {
        if (IsWhitespace(m_text[pos]) || m_text[pos] == u'/') {
            ++pos;
            continue;
        }
        const std::size_t nameStart = pos;
        pos = NameEnd(pos);
        if (pos == nameStart) {
            ++pos;
            continue;
        }
        const std::u16string_view found =
            std::u16string_view(m_text).substr(nameStart, pos - nameStart);
        while (pos < close && IsWhitespace(m_text[pos])) {
            ++pos;
        }
        if (pos >= close || m_text[pos] != u'=') {
            continue;
        }
        ++pos;
        while (pos < close && IsWhitespace(m_text[pos])) {
            ++pos;
        }
        const std::size_t start = pos;
        if (pos < close && IsQuote(m_text[pos])) {
            const std::size_t quote = m_text.find(m_text[pos], pos + 1);
            pos = quote < close ? quote + 1 : close;
        } else {
            while (pos < close && !IsWhitespace(m_text[pos]) && m_text[pos] != u'/') {
                ++pos;
            }
        }
        if (found == name) {
            valueStart = start;
            valueEnd = pos;
            return true;
        }
    }
    return false;
}

// Replaces `removed` characters at `pos`, which lie inside `container` (its start tag or its
// content, never across an element boundary), and moves the offsets of everything after
// them: `following` and its later siblings, then the later siblings of each ancestor. When
// elements are added in document order nothing follows, so writing stays linear.
void CXmlMarkup::Splice(std::size_t pos, std::size_t removed, std::u16string_view inserted,
                        Index container, Index following) {
    m_text.replace(pos, removed, inserted);
    const auto delta =
        static_cast<std::ptrdiff_t>(inserted.size()) - static_cast<std::ptrdiff_t>(removed);
    ShiftSubtrees(following, delta);
    for (Index ancestor = container;; ancestor = m_elements[ancestor].parent) {
        m_elements[ancestor].end += delta;
        if (ancestor == 0) {
            break;
        }
        ShiftSubtrees(m_elements[ancestor].nextSibling, delta);
    }
}

// Moves `first`, its later siblings and all their descendants by `delta` characters.
void CXmlMarkup::ShiftSubtrees(Index first, std::ptrdiff_t delta) {
    std::vector<Index> pending;
    for (Index sibling = first; sibling != 0; sibling = m_elements[sibling].nextSibling) {
        pending.push_back(sibling);
    }
    while (!pending.empty()) {
        Element& element = m_elements[pending.back()];
        pending.pop_back();
        element.start += delta;
        element.end += delta;
        for (Index child = element.firstChild; child != 0; child = m_elements[child].nextSibling) {
            pending.push_back(child);
        }
    }
}
