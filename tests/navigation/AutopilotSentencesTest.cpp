#include "navigation/AutopilotSentences.h"
#include "nmea/Sentence.h"
#include "tests/navigation/StoreTestSupport.h"

#include <gmock/gmock.h>

#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;

// The leg from START (48.0 N, 11.0 E) due north to the harbour entrance (48.1 N, 11.0 E).
GuidanceTarget NorthboundLeg() {
    GuidanceTarget target;
    target.mode = NavigationMode::GoAlong;
    target.from = NamedPoint{"START", At(48.0, 11.0)};
    target.destination = NamedPoint{"HARBOUR,*ENTRANCE", At(48.1, 11.0)};
    return target;
}

// Each line of the output split into its fields (the checksum left with the last one).
std::vector<std::vector<std::string>> Fields(const std::string& out) {
    std::vector<std::vector<std::string>> lines;
    for (std::size_t at = 0; at < out.size();) {
        const std::size_t end = out.find('\n', at) + 1;
        const std::string line = out.substr(at, end - at);
        EXPECT_TRUE(IsSingleSentence(line)) << line;
        std::vector<std::string> fields;
        std::size_t from = 0;
        for (std::size_t comma; (comma = line.find(',', from)) != std::string::npos;
             from = comma + 1) {
            fields.push_back(line.substr(from, comma - from));
        }
        fields.push_back(line.substr(from, line.find('*', from) - from));
        lines.push_back(fields);
        at = end;
    }
    return lines;
}

std::vector<std::vector<std::string>> Sentences(const GuidanceTarget& target,
                                                const GuidanceFix& fix) {
    const GuidanceValues values = ComputeGuidanceValues(target, fix, true);
    return Fields(ComposeAutopilotSentences(target, values, fix, RadiiForKind(2)));
}

TEST(AutopilotSentences, RmbApbAndXteSteerBackToTheLeg) {
    // 0.01 degrees east of the leg, half-way, heading north at 10 knots: 0.40 nm off the leg,
    // about 3 nm to go, steer left.
    const auto lines = Sentences(NorthboundLeg(), GuidanceFix{48.05, 11.01, 10.0, 0.0});
    ASSERT_EQ(lines.size(), 3u);
    const auto& rmb = lines[0];
    ASSERT_EQ(rmb.size(), 15u);
    EXPECT_THAT(std::vector<std::string>(rmb.begin(), rmb.begin() + 10),
                ElementsAre("$GPRMB", "A", "0.40", "L", "START", "HARBOU", "4806.0000", "N",
                            "01100.0000", "E"));
    EXPECT_EQ(rmb[10], "3.0");
    EXPECT_NEAR(std::stod(rmb[11]), 352.4, 0.2); // the bearing, a little west of north
    EXPECT_NEAR(std::stod(rmb[12]), 9.9, 0.05);  // closing at 10 knots times cos(7.6)
    EXPECT_EQ(rmb[13], "V");
    EXPECT_EQ(rmb[14], "A");

    EXPECT_THAT(lines[1], ElementsAre("$GPAPB", "A", "A", "0.40", "L", "N", "V", "V", "0.0", "T",
                                      "HARBOU", rmb[11], "T", rmb[11], "T", "A"));
    EXPECT_THAT(lines[2], ElementsAre("$GPXTE", "A", "A", "0.40", "L", "N", "A"));

    // West of the leg the autopilot is told to steer right.
    EXPECT_EQ(Sentences(NorthboundLeg(), GuidanceFix{48.05, 10.99, 10.0, 0.0})[2][4], "R");
}

TEST(AutopilotSentences, ArrivalAndAPassedLegAreFlagged) {
    // Within the arrival radius (50 m when driving).
    const auto arriving = Sentences(NorthboundLeg(), GuidanceFix{48.0998, 11.0, 10.0, 0.0});
    EXPECT_EQ(arriving[0][13], "A");
    EXPECT_EQ(arriving[1][6], "A");

    // Beyond the destination the cross-track error is unknown, as the view says.
    const auto passed = Sentences(NorthboundLeg(), GuidanceFix{48.2, 11.01, 10.0, 0.0});
    EXPECT_THAT(passed[2], ElementsAre("$GPXTE", "V", "A", "", "", "N", "A"));
    EXPECT_EQ(passed[0][1], "V");
    EXPECT_EQ(passed[1][7], "A"); // perpendicular passed

    // Go To: no leg, the bearing stands for it and nothing is off track.
    GuidanceTarget goTo = NorthboundLeg();
    goTo.mode = NavigationMode::GoTo;
    goTo.from = NamedPoint{};
    const auto direct = Sentences(goTo, GuidanceFix{48.05, 11.01, 10.0, 0.0});
    EXPECT_EQ(direct[0][2], "0.00");
    EXPECT_EQ(direct[0][4], "");
    EXPECT_EQ(direct[1][8], direct[1][11]);
}

TEST(AutopilotSentences, NothingWithoutADestinationPosition) {
    GuidanceTarget target = NorthboundLeg();
    target.destination.position.reset();
    const GuidanceFix fix{48.05, 11.01, 10.0, 0.0};
    EXPECT_EQ(ComposeAutopilotSentences(target, ComputeGuidanceValues(target, fix, true), fix,
                                        RadiiForKind(2)),
              "");
}

} // namespace
