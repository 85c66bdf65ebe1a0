#include "nmea/RteSentence.h"

#include "nmea/Sentence.h"

namespace {

constexpr int kKindField = 3;
constexpr int kNameField = 4;
constexpr int kFirstWaypointField = 5;

RouteKind KindOf(std::string_view field) {
    if (field == "c" || field == "C") {
        return RouteKind::Complete;
    }
    if (field == "w" || field == "W") {
        return RouteKind::Working;
    }
    return RouteKind::None;
}

std::string_view KindLetter(RouteKind kind) {
    switch (kind) {
    case RouteKind::Complete:
        return "C";
    case RouteKind::Working:
        return "W";
    case RouteKind::None:
        break;
    }
    return "";
}

int Budget(std::string_view routeName) {
    return CRteSentence::kNameBudget - (static_cast<int>(routeName.size()) + 1);
}

// The index after the last waypoint name of the sentence that begins at `first`: names are
// taken while their lengths, each with its comma, stay within the budget; a name that does not
// fit even an empty sentence goes alone. A route name that leaves no budget at all gives every
// waypoint name its own sentence rather than dropping them.
std::size_t SentenceEnd(std::span<const std::string> names, std::size_t first, int budget) {
    std::size_t end = first;
    int used = 0;
    while (end < names.size()) {
        const int length = static_cast<int>(names[end].size()) + 1;
        if (used + length > budget) {
            break;
        }
        used += length;
        ++end;
    }
    return end == first && first < names.size() ? first + 1 : end;
}

} // namespace

bool CRteSentence::AcceptsFieldCount(int dataFieldCount) const {
    return dataFieldCount >= 4;
}

void CRteSentence::Empty(RecordSide which) {
    if (which == RecordSide::Input) {
        m_input = RteFields();
    } else {
        m_writer = WriterPosition();
    }
}

bool CRteSentence::Parse(const CSentence& sentence, IStoreTarget& target) {
    if (!Accepts(sentence)) {
        return false;
    }
    const int total = sentence.Integer(1);
    const int number = sentence.Integer(2);
    if (number < 1 || number > total) {
        return false;
    }
    const std::string_view name = sentence.Field(kNameField);
    if (number == 1) {
        m_input = RteFields();
        m_input.totalSentences = total;
        m_input.name.assign(name);
    } else if (total != m_input.totalSentences || number != m_input.lastNumber + 1 ||
               name != m_input.name) {
        // Parts of another route, or a part missing: the route is not taken in pieces.
        return false;
    }
    m_input.lastNumber = number;
    m_input.kind = KindOf(sentence.Field(kKindField));
    const int last = sentence.DataFieldCount();
    for (int field = kFirstWaypointField; field <= last; ++field) {
        m_input.waypointNames.emplace_back(sentence.Field(field));
    }
    if (number == total) {
        RteFields route = std::move(m_input);
        m_input = RteFields();
        target.ReceiveRoute(route.kind, std::move(route.name), std::move(route.waypointNames));
    }
    return true;
}

int CRteSentence::CountSentences(std::string_view routeName,
                                 std::span<const std::string> waypointNames) {
    const int budget = Budget(routeName);
    int count = 0;
    for (std::size_t first = 0; first < waypointNames.size();
         first = SentenceEnd(waypointNames, first, budget)) {
        ++count;
    }
    return count;
}

bool CRteSentence::Write(CSentence& sentence, const StoreItemView& source) {
    if (m_writer.finished) {
        m_writer = WriterPosition();
        return false;
    }
    if (!m_writer.started) {
        m_writer.started = true;
        m_writer.sentenceCount = CountSentences(source.name, source.waypointNames);
    }
    const bool noNames = m_writer.sentenceCount == 0;
    Begin(sentence);
    sentence.AppendInteger(noNames ? 1 : m_writer.sentenceCount);
    sentence.AppendInteger(noNames ? 1 : m_writer.nextNumber);
    sentence.AppendText(KindLetter(source.routeKind));
    sentence.AppendText(source.name);
    if (!noNames) {
        const std::size_t end =
            SentenceEnd(source.waypointNames, m_writer.nextName, Budget(source.name));
        for (std::size_t i = m_writer.nextName; i < end; ++i) {
            sentence.AppendText(source.waypointNames[i]);
        }
        m_writer.nextName = end;
        ++m_writer.nextNumber;
    }
    sentence.Finish();
    m_writer.finished = noNames || m_writer.nextName >= source.waypointNames.size();
    return true;
}
