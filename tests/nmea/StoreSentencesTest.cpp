#include "nmea/RteSentence.h"
#include "nmea/Sentence.h"
#include "nmea/WplSentence.h"
#include "tests/nmea/NmeaTestText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records what the store sentences hand over.
class RecordingTarget : public IStoreTarget {
public:
    struct Route {
        RouteKind kind;
        std::string name;
        std::vector<std::string> waypointNames;
    };

    void ReceiveWaypoint(std::string name, const CLatLong& position) override {
        waypointNames.push_back(std::move(name));
        positions.push_back(position);
    }
    void ReceiveRoute(RouteKind kind, std::string name, std::vector<std::string> names) override {
        routes.push_back({kind, std::move(name), std::move(names)});
    }

    std::vector<std::string> waypointNames;
    std::vector<CLatLong> positions;
    std::vector<Route> routes;
};

CSentence Sentence(std::string text) {
    return CSentence(std::move(text));
}

std::vector<std::string> Names(int count, int length) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        names.push_back(std::string(static_cast<std::size_t>(length - 1), 'W') +
                        static_cast<char>('0' + i));
    }
    return names;
}

// All sentences of one route, until Write says there are no more.
std::vector<std::string> WriteRoute(CRteSentence& rte, const StoreItemView& route) {
    std::vector<std::string> sentences;
    CSentence out;
    while (rte.Write(out, route)) {
        sentences.push_back(out.Text());
        if (sentences.size() > 100) {
            break;
        }
    }
    return sentences;
}

TEST(WplSentence, RoundTripThroughTheTarget) {
    CWplSentence wpl;
    StoreItemView home;
    home.name = "HOME";
    home.position = CLatLong::FromDecimalDegrees(49.2741666667, -123.1853333333);
    CSentence out;
    ASSERT_TRUE(wpl.Write(out, home));
    EXPECT_EQ(out.Text(), WithChecksum("$GPWPL,4916.4500,N,12311.1200,W,HOME"));

    RecordingTarget target;
    ASSERT_TRUE(wpl.Parse(out, target));
    ASSERT_EQ(target.waypointNames, std::vector<std::string>{"HOME"});
    EXPECT_EQ(target.positions[0], home.position);
}

TEST(WplSentence, RejectsWrongCountsChecksumsAndWaypointsWithoutPosition) {
    const char* rejected[] = {
        "$GPWPL,4916.45,N,12311.12,W",
        "$GPWPL,4916.45,N,12311.12,W,HOME,EXTRA",
        "$GPWPL,,,,,HOME",                  // no position
        "$GPWPL,4916.45,X,12311.12,W,HOME", // no hemisphere: an invalid position
        "$GPWPL,4916.45,N,12311.12,W,",     // no name
    };
    CWplSentence wpl;
    RecordingTarget target;
    for (const char* body : rejected) {
        EXPECT_FALSE(wpl.Parse(Sentence(WithChecksum(body)), target)) << body;
    }
    EXPECT_FALSE(wpl.Parse(Sentence(WithoutChecksum("$GPWPL,4916.45,N,12311.12,W,HOME")), target));
    EXPECT_FALSE(
        wpl.Parse(Sentence(WithWrongChecksum("$GPWPL,4916.45,N,12311.12,W,HOME")), target));
    EXPECT_TRUE(target.waypointNames.empty());
}

TEST(RteSentence, SplitsWaypointNamesByTheBudget) {
    struct Case {
        std::string routeName;
        std::vector<std::string> waypointNames;
        std::vector<std::string> expectedBodies;
    } cases[] = {
        {"R1",
         Names(10, 7),
         {"$GPRTE,3,1,C,R1,WWWWWW0,WWWWWW1,WWWWWW2,WWWWWW3",
          "$GPRTE,3,2,C,R1,WWWWWW4,WWWWWW5,WWWWWW6,WWWWWW7", "$GPRTE,3,3,C,R1,WWWWWW8,WWWWWW9"}},
        // 39 characters exactly fill a sentence.
        {"R1",
         {std::string(19, 'A'), std::string(18, 'B'), "C"},
         {"$GPRTE,2,1,C,R1," + std::string(19, 'A') + "," + std::string(18, 'B'),
          "$GPRTE,2,2,C,R1,C"}},
        // A name longer than the budget goes alone.
        {"R1",
         {"A", std::string(45, 'L'), "B"},
         {"$GPRTE,3,1,C,R1,A", "$GPRTE,3,2,C,R1," + std::string(45, 'L'), "$GPRTE,3,3,C,R1,B"}},
        {"EMPTY", {}, {"$GPRTE,1,1,C,EMPTY"}},
        // A route name that leaves no budget: every waypoint in its own sentence, none lost.
        {std::string(41, 'N'),
         {"P1", "P2"},
         {"$GPRTE,2,1,C," + std::string(41, 'N') + ",P1",
          "$GPRTE,2,2,C," + std::string(41, 'N') + ",P2"}},
    };
    for (const auto& c : cases) {
        StoreItemView route;
        route.name = c.routeName;
        route.routeKind = RouteKind::Complete;
        route.waypointNames = c.waypointNames;
        CRteSentence rte;
        std::vector<std::string> expected;
        for (const auto& body : c.expectedBodies) {
            expected.push_back(WithChecksum(body));
        }
        EXPECT_EQ(WriteRoute(rte, route), expected) << c.routeName;
        EXPECT_EQ(CRteSentence::CountSentences(route.name, route.waypointNames),
                  c.waypointNames.empty() ? 0 : static_cast<int>(expected.size()));
        // The call after the "no more" answer starts the route again.
        EXPECT_EQ(WriteRoute(rte, route), expected) << c.routeName;
    }
}

TEST(RteSentence, EmptyingTheOutputRestartsAHalfWrittenRoute) {
    const std::vector<std::string> names = Names(10, 7);
    StoreItemView route;
    route.name = "R1";
    route.routeKind = RouteKind::Working;
    route.waypointNames = names;
    CRteSentence rte;
    CSentence first;
    ASSERT_TRUE(rte.Write(first, route));
    CSentence second;
    ASSERT_TRUE(rte.Write(second, route));
    rte.Empty(RecordSide::Output);
    CSentence again;
    ASSERT_TRUE(rte.Write(again, route));
    EXPECT_EQ(again.Text(), first.Text());
    EXPECT_EQ(first.Field(3), "W");
}

TEST(RteSentence, WrittenRoutesParseBackWhole) {
    const std::vector<std::string> names = Names(10, 7);
    StoreItemView route;
    route.name = "R1";
    route.routeKind = RouteKind::Working;
    route.waypointNames = names;
    CRteSentence writer;
    CRteSentence reader;
    RecordingTarget target;
    for (const std::string& text : WriteRoute(writer, route)) {
        EXPECT_TRUE(reader.Parse(Sentence(text), target)) << text;
    }
    ASSERT_EQ(target.routes.size(), 1u);
    EXPECT_EQ(target.routes[0].kind, RouteKind::Working);
    EXPECT_EQ(target.routes[0].name, "R1");
    EXPECT_EQ(target.routes[0].waypointNames, names);
    EXPECT_TRUE(reader.Input().waypointNames.empty());
}

TEST(RteSentence, PartsOutOfOrderOrOfAnotherRouteAreRejected) {
    struct Step {
        const char* body;
        bool accepted;
    };
    struct Case {
        const char* label;
        std::vector<Step> steps;
        std::vector<std::string> route; // waypoint names handed over, if any
    } cases[] = {
        {"second before first", {{"$GPRTE,2,2,c,R,B", false}}, {}},
        {"in order", {{"$GPRTE,2,1,c,R,A", true}, {"$GPRTE,2,2,c,R,B", true}}, {"A", "B"}},
        {"other route interleaved",
         {{"$GPRTE,2,1,c,R,A", true},
          {"$GPRTE,2,2,c,OTHER,X", false},
          {"$GPRTE,3,2,c,R,X", false},
          {"$GPRTE,2,2,c,R,B", true}},
         {"A", "B"}},
        {"a part missing", {{"$GPRTE,3,1,c,R,A", true}, {"$GPRTE,3,3,c,R,C", false}}, {}},
        {"a part repeated",
         {{"$GPRTE,3,1,c,R,A", true}, {"$GPRTE,3,2,c,R,B", true}, {"$GPRTE,3,2,c,R,B", false}},
         {}},
        {"sentence 1 restarts", {{"$GPRTE,2,1,c,R,A", true}, {"$GPRTE,1,1,w,S,Z", true}}, {"Z"}},
        {"number zero or above total",
         {{"$GPRTE,2,0,c,R,A", false}, {"$GPRTE,2,3,c,R,A", false}, {"$GPRTE,0,1,c,R", false}},
         {}},
        {"after completion", {{"$GPRTE,1,1,c,R,A", true}, {"$GPRTE,1,2,c,R,B", false}}, {"A"}},
        {"too few fields", {{"$GPRTE,1,1,c", false}}, {}},
        {"no waypoints", {{"$GPRTE,1,1,c,R", true}}, {}},
    };
    for (const auto& c : cases) {
        CRteSentence rte;
        RecordingTarget target;
        for (const Step& step : c.steps) {
            EXPECT_EQ(rte.Parse(Sentence(WithChecksum(step.body)), target), step.accepted)
                << c.label << ": " << step.body;
        }
        if (c.route.empty() && std::string(c.label) != "no waypoints") {
            EXPECT_TRUE(target.routes.empty()) << c.label;
        } else {
            ASSERT_EQ(target.routes.size(), 1u) << c.label;
            EXPECT_EQ(target.routes[0].waypointNames, c.route) << c.label;
        }
    }
    CRteSentence rte;
    RecordingTarget target;
    EXPECT_FALSE(rte.Parse(Sentence(WithWrongChecksum("$GPRTE,1,1,c,R,A")), target));
    EXPECT_FALSE(rte.Parse(Sentence(WithoutChecksum("$GPRTE,1,1,c,R,A")), target));
}

} // namespace
