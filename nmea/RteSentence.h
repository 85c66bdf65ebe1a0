#pragma once

#include "nmea/SentenceType.h"

#include <cstddef>
#include <string>
#include <vector>

// A route being collected from its RTE sentences.
struct RteFields {
    int totalSentences = 0; // remembered from sentence 1
    int lastNumber = 0;     // the last sentence number taken
    RouteKind kind = RouteKind::None;
    std::string name;
    std::vector<std::string> waypointNames;
};

// RTE, route (store type): total number of sentences, sentence number, kind ("C" complete, "W"
// working), route name, then waypoint names; at least 4 data fields. A route may span several
// sentences.
// $GPRTE,2,1,c,0,W3IWI,DRIVWY,32CEDR,32-29,32BKLD,32-I95,32-US1,BW-32,BW-198*69
class CRteSentence final : public CSentenceType {
public:
    // Characters for the route name (with its comma) and the waypoint names (each with its
    // comma) of one composed sentence.
    static constexpr int kNameBudget = 42;

    CRteSentence() : CSentenceType("RTE") {}
    using CSentenceType::Parse;
    using CSentenceType::Write;

    bool AcceptsFieldCount(int dataFieldCount) const override;
    // Input: forgets a route being collected. Output: the next Write starts the route anew.
    void Empty(RecordSide which) override;

    // Sentence 1 starts a new route; later sentences must follow in order (number = last + 1)
    // with the same total and route name, or they are rejected. The last sentence hands kind,
    // name and waypoint names to the target.
    bool Parse(const CSentence& sentence, IStoreTarget& target) override;

    // One sentence per call (true). The waypoint names of one sentence take at most
    // 42 - (route name length + 1) characters, each counted with its comma; a name that does
    // not fit even an empty sentence is written alone. After the last sentence of the route
    // the next call composes nothing and returns false, and the call after that starts the
    // route again. A route without waypoint names gives one sentence "1,1".
    bool Write(CSentence& sentence, const StoreItemView& source) override;

    // The number of sentences Write composes for a route.
    static int CountSentences(std::string_view routeName,
                              std::span<const std::string> waypointNames);

    const RteFields& Input() const { return m_input; }

private:
    // Where Write stands in the route it composes.
    struct WriterPosition {
        bool started = false;
        bool finished = false;
        int sentenceCount = 0;
        int nextNumber = 1;
        std::size_t nextName = 0;
    };

    RteFields m_input;
    WriterPosition m_writer;
};
