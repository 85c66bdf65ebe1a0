#include "navigation/StoreFileFormat.h"

#include "nmea/NmeaDecoder.h"
#include "nmea/ProprietarySentences.h"
#include "nmea/RteSentence.h"
#include "nmea/Sentence.h"
#include "nmea/WplSentence.h"

#include <algorithm>
#include <initializer_list>

namespace {

constexpr std::size_t kLongestStoreLine = 81;

std::string HeaderWith(std::initializer_list<std::string_view> warnings) {
    std::string text = ProductVersionLine() + NoticeLine();
    for (const std::string_view warning : warnings) {
        if (const auto line = FinishLine(warning)) {
            text += *line;
        }
    }
    return text;
}

// Decodes lines as the store does, into nothing, to learn which of them would not load.
class LineChecker final : public CNmeaDecoder, private IStoreTarget {
public:
    LineChecker() {
        AddType(m_wpl);
        AddType(m_rte);
    }

    void Check(std::string_view line, int number) {
        if (line.find_first_not_of(" \t\r\n") == std::string_view::npos) {
            return;
        }
        SetInput(line);
        if (!Input().IsSingleSentence() || Input().IsChecksumBad() != NmeaBoolean::False) {
            m_unread.push_back(number);
            return;
        }
        CSentenceType* type = InputType();
        if (type == nullptr) {
            return; // the header lines and sentences the store does not take
        }
        m_delivered = false;
        m_named = false;
        if (!type->Parse(Input(), static_cast<IStoreTarget&>(*this))) {
            m_unread.push_back(number);
            return;
        }
        if (type == &m_rte) {
            CheckRouteLine(number);
        }
    }

    // The line numbers that would not load, in order.
    std::vector<int> TakeUnread() {
        AbandonRoute();
        std::sort(m_unread.begin(), m_unread.end());
        m_unread.erase(std::unique(m_unread.begin(), m_unread.end()), m_unread.end());
        return std::move(m_unread);
    }

private:
    // A route's sentences load only with its last one; the store keeps no route without a name.
    void CheckRouteLine(int number) {
        if (Input().Integer(2) == 1) {
            AbandonRoute(); // a new route began before the last one was finished
        }
        m_routeLines.push_back(number);
        if (m_delivered) {
            if (!m_named) {
                AbandonRoute();
            }
            m_routeLines.clear();
        }
    }
    void AbandonRoute() {
        m_unread.insert(m_unread.end(), m_routeLines.begin(), m_routeLines.end());
        m_routeLines.clear();
    }

    void ReceiveWaypoint(std::string /*name*/, const CLatLong& /*position*/) override {
        m_delivered = true;
    }
    void ReceiveRoute(RouteKind /*kind*/, std::string name,
                      std::vector<std::string> /*waypointNames*/) override {
        m_delivered = true;
        m_named = !name.empty();
    }

    CWplSentence m_wpl;
    CRteSentence m_rte;
    bool m_delivered = false;
    bool m_named = false;
    std::vector<int> m_routeLines;
    std::vector<int> m_unread;
};

} // namespace

std::string StoreFileHeader() {
    return HeaderWith({
        "$PZRVWRG,WARNING!,Please!,Do NOT change or delete this file!*",
        "$PZRVWRG,WARNING!,The file contains the DATA BASE of -*",
        "$PZRVWRG,WARNING!,- Navigation System.*",
        "$PZRVWRG,WARNING!,If you definitely removed the software from system,-*",
        "$PZRVWRG,WARNING!,-, you could remove the file too.*",
    });
}

std::string StoreFileEndLine() {
    return *ProprietaryLine("END", {"End of the navigation store"});
}

std::string RouteExportHeader() {
    return HeaderWith({
        "$PZRVWRG,WARNING!,Please!,Do NOT change or delete this file!*",
        "$PZRVWRG,WARNING!,The file contains the waypoints-*",
        "$PZRVWRG,WARNING!,-of a route*",
    });
}

bool AppendSentenceLine(std::string& text, std::string_view sentence) {
    if (sentence.empty() || sentence.size() > kLongestStoreLine) {
        return false;
    }
    text += sentence;
    return true;
}

void ForEachFileLine(std::string_view content, const std::function<void(std::string_view)>& take) {
    char line[kLongestStoreLine + 2];
    std::size_t position = 0;
    while (position < content.size()) {
        std::size_t length = 0;
        while (position < content.size() && length < kLongestStoreLine) {
            const char c = content[position++];
            line[length++] = c;
            if (c == '\n') {
                break;
            }
        }
        if (line[length - 1] == '\n' && (length < 2 || line[length - 2] != '\r')) {
            line[length - 1] = '\r';
            line[length++] = '\n';
        }
        take(std::string_view(line, length));
    }
}

StoreTextCheck CheckStoreText(std::string_view content) {
    const std::size_t lastEnd = content.rfind('\n');
    const std::size_t whole = lastEnd == std::string_view::npos ? 0 : lastEnd + 1;
    LineChecker checker;
    const std::string endLine = StoreFileEndLine();
    bool lastIsEnd = false;
    int number = 1;
    ForEachFileLine(content.substr(0, whole), [&](std::string_view line) {
        checker.Check(line, number);
        if (line.find_first_not_of(" \t\r\n") != std::string_view::npos) {
            lastIsEnd = line == endLine;
        }
        if (line.back() == '\n') {
            ++number;
        }
    });
    StoreTextCheck check;
    check.cutLine = whole < content.size() ? number : 0;
    check.lineCount = check.cutLine > 0 ? number : number - 1;
    check.endLine = lastIsEnd && check.cutLine == 0;
    check.unreadLines = checker.TakeUnread();
    return check;
}
