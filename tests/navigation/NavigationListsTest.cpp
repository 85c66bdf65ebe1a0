#include "navigation/Geodesy.h"
#include "navigation/LegTable.h"
#include "navigation/ListCommands.h"
#include "navigation/MarkPositionSession.h"
#include "navigation/NearestWaypoints.h"
#include "navigation/PositionAveraging.h"
#include "navigation/PositionClipboard.h"
#include "navigation/TextFormat.h"
#include "tests/navigation/StoreTestSupport.h"

#include <gmock/gmock.h>

#include <random>

using ::testing::ElementsAre;

namespace {

double Latitude(const CLatLong& p) {
    return p.Latitude().DecimalDegrees();
}
double Longitude(const CLatLong& p) {
    return p.Longitude().DecimalDegrees();
}

// ---- Averaging ----------------------------------------------------------------------------

TEST(PositionAveragingTest, PairwiseMidpointsPassAfterPass) {
    const CLatLong a = At(50.0, 8.0);
    const CLatLong b = At(50.002, 8.004);
    const CLatLong c = At(50.010, 8.001);
    const CLatLong d = At(49.998, 7.990);
    const CLatLong e = At(60.0, 20.0);

    EXPECT_FALSE(AveragePosition({}));
    EXPECT_EQ(AveragePosition(std::vector{a}), a);
    EXPECT_EQ(AveragePosition(std::vector{a, a}), a);

    // Two samples: the point halfway, as far from one as from the other (within the 0.5 %
    // by which the spherical destination and the ellipsoidal distance disagree).
    const CLatLong ab = *AveragePosition(std::vector{a, b});
    const double toA = GetDistance(Latitude(a), Longitude(a), Latitude(ab), Longitude(ab));
    EXPECT_NEAR(toA, GetDistance(Latitude(b), Longitude(b), Latitude(ab), Longitude(ab)),
                toA * 0.005);
    EXPECT_NE(ab, a);

    // Four: the midpoint of the midpoints of (a, b) and (c, d); a fifth is dropped.
    const CLatLong cd = *AveragePosition(std::vector{c, d});
    const CLatLong four = *AveragePosition(std::vector{a, b, c, d});
    EXPECT_EQ(four, *AveragePosition(std::vector{ab, cd}));
    EXPECT_EQ(*AveragePosition(std::vector{a, b, c, d, e}), four);
    EXPECT_EQ(*AveragePosition(std::vector{a, b, e}), ab);
    // Across the 180 meridian the midpoint lies on it, not half the globe away.
    const CLatLong across = *AveragePosition(std::vector{At(0.0, 179.9), At(0.0, -179.9)});
    // (Within the 0.5 % by which the two earth models disagree over the 0.2 degrees.)
    EXPECT_NEAR(std::fabs(Longitude(across)), 180.0, 1e-3);
    EXPECT_NEAR(Latitude(across), 0.0, 1e-6);
    const CLatLong beyond = *AveragePosition(std::vector{At(0.0, 179.99), At(0.0, -179.95)});
    EXPECT_NEAR(Longitude(beyond), -179.98, 1e-3) << "within +-180";
    // Midpoints are kept as a sentence carries them: whole degrees x 100 + minutes.
    EXPECT_NEAR(four.Latitude().NmeaValue(),
                std::floor(Latitude(four)) * 100 +
                    (Latitude(four) - std::floor(Latitude(four))) * 60,
                1e-9);
}

// ---- Nearest waypoints -------------------------------------------------------------------

// The selection as the list's loop is written: again and again the strictly smallest of the
// remaining distances.
std::vector<std::size_t> SelectByRepeatedMinimum(std::vector<double> distances, std::size_t count) {
    std::vector<std::size_t> remaining(distances.size());
    for (std::size_t i = 0; i < remaining.size(); ++i) {
        remaining[i] = i;
    }
    std::vector<std::size_t> rows;
    while (rows.size() < count && !remaining.empty()) {
        std::size_t best = 0;
        for (std::size_t i = 1; i < remaining.size(); ++i) {
            if (distances[remaining[i]] < distances[remaining[best]]) {
                best = i;
            }
        }
        rows.push_back(remaining[best]);
        remaining.erase(remaining.begin() + static_cast<std::ptrdiff_t>(best));
    }
    return rows;
}

TEST(NearestWaypointsTest, SelectionEqualsTheRepeatedMinimumIncludingTies) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> coarse(0, 40); // many equal distances
    for (int round = 0; round < 50; ++round) {
        std::vector<double> distances(1 + random() % 300);
        for (double& d : distances) {
            d = coarse(random) * 0.25;
        }
        for (const std::size_t count :
             {std::size_t{1}, std::size_t{10}, distances.size(), kAllWaypoints}) {
            ASSERT_EQ(SelectNearest(distances, count), SelectByRepeatedMinimum(distances, count))
                << "round " << round << " count " << count;
        }
    }
}

TEST_F(StoreTest, NearestRowsAreOrderedCountedAndShownInTheUnit) {
    AddWaypoint("EAST", 0.0, 0.01);
    AddWaypoint("NORTH", 0.02, 0.0);
    AddWaypoint("FAR", 1.0, 1.0);
    AddWaypoint("HERE", 0.0, 0.0);
    AddWaypoint("WEST", 0.0, -0.01); // as far as EAST, later in the store
    const CLatLong here = At(0.0, 0.0);

    auto rows = NearestWaypoints(store, here, 10);
    std::vector<std::string> names;
    for (const NearestRow& row : rows) {
        names.push_back(row.name);
    }
    EXPECT_THAT(names, ElementsAre("HERE", "EAST", "WEST", "NORTH", "FAR"));
    EXPECT_EQ(NearestWaypoints(store, here, 2).size(), 2u);

    const NearestRowTexts at = NearestRowText(rows[0], DistanceUnit::Kilometers);
    EXPECT_EQ(at.distance, "0.000");
    EXPECT_EQ(at.bearing, "Unknown");
    const NearestRowTexts east = NearestRowText(rows[1], DistanceUnit::Kilometers);
    EXPECT_EQ(east.bearing, "90.0\xC2\xB0");
    EXPECT_EQ(east.distance, Format("%.3f", rows[1].distance * 1.852));
    EXPECT_EQ(NearestRowText(rows[1], DistanceUnit::StatuteMiles).distance,
              Format("%.3f", rows[1].distance * 1.15077945));

    AddRoute("R", {"FAR", "GONE", "WEST", "FAR"});
    rows = NearestWaypoints(store, here, kAllWaypoints, 0);
    names.clear();
    for (const NearestRow& row : rows) {
        names.push_back(row.name);
    }
    EXPECT_THAT(names, ElementsAre("WEST", "FAR", "FAR"));
    EXPECT_EQ(NearestTitle("R"), "Nearest Waypoints of 'R' route");

    prompts.Answer(PromptAnswer::Yes);
    EXPECT_TRUE(ConfirmNearestAll(prompts));
    EXPECT_FALSE(ConfirmNearestAll(prompts)); // the default button is No
    EXPECT_EQ(prompts.Shown()[0].text,
              "If the Data Base of Navigation is too big, it could take a big amount of "
              "time!\n\nContinue?");
}

// ---- Leg table -------------------------------------------------------------------------------

TEST(LegTableTest, UnresolvedNamesLeaveTheirLegsEmptyAndOutOfTheSums) {
    const std::vector<std::string> names = {"A", "B", "X", "C"};
    const std::vector<std::optional<CLatLong>> positions = {At(0, 0), At(0, 0.1), std::nullopt,
                                                            At(0, 0.3)};
    const LegTable table = ComputeLegTable(names, positions);
    const double ab = GetDistance(0, 0, 0, 0.1);
    ASSERT_EQ(table.rows.size(), 4u);
    EXPECT_DOUBLE_EQ(table.totalDistance, ab);

    const auto km = DistanceUnit::Kilometers;
    const LegRowTexts first = LegRowText(table.rows[0], km);
    EXPECT_EQ(first.number, "1");
    EXPECT_EQ(first.desiredTrack, "");
    EXPECT_EQ(first.legDistance, "");
    EXPECT_EQ(first.fromBegin, "0.000km");
    EXPECT_EQ(first.toEnd, Format("%.3fkm", ab * 1.852));

    const LegRowTexts second = LegRowText(table.rows[1], DistanceUnit::NauticalMiles);
    EXPECT_EQ(second.desiredTrack, "90.00\xC2\xB0");
    EXPECT_EQ(second.legDistance, Format("%.3fnmi", ab));
    EXPECT_EQ(second.toEnd, "0.000nmi");

    const LegRowTexts missing = LegRowText(table.rows[2], km);
    EXPECT_EQ(missing.desiredTrack, "Unknown");
    EXPECT_EQ(missing.legDistance + missing.fromBegin + missing.toEnd, "");
    const LegRowTexts after = LegRowText(table.rows[3], km);
    EXPECT_EQ(after.desiredTrack, "Unknown");
    EXPECT_EQ(after.legDistance, "");
    EXPECT_EQ(after.fromBegin, Format("%.3fkm", ab * 1.852));

    const LegTable single = ComputeLegTable(std::vector<std::string>{"A"},
                                            std::vector<std::optional<CLatLong>>{At(0, 0)});
    ASSERT_EQ(single.rows.size(), 1u);
    EXPECT_FALSE(single.rows[0].legDistance || single.rows[0].desiredTrack);
    EXPECT_EQ(EmptyRouteText("R"), "The route 'R' does not have wps");
}

// ---- List commands ---------------------------------------------------------------------------

TEST_F(StoreTest, DeletingARouteWithItsWaypointsTakesThemOutOfOtherRoutesToo) {
    for (const char* name : {"A", "B", "C"}) {
        AddWaypoint(name, 0.0, (name[0] - 'A') * 0.1);
    }
    AddRoute("R1", {"A", "B"});
    AddRoute("R2", {"B", "C", "A"});
    AddRoute("R3", {"C"});
    store.GoAlongRoute(0);
    prompts.Answer(PromptAnswer::Yes);
    prompts.Answer(PromptAnswer::Yes);
    EXPECT_EQ(DeleteRouteAsked(store, prompts, 0), 0); // the neighbour below moves up
    EXPECT_THAT(prompts.Texts(),
                ElementsAre("Are you sure you want to delete the 'R1' route from system?",
                            "Are the waypoints of the 'R1' route final to be deleted from "
                            "system?"));
    EXPECT_EQ(WaypointNames(), (std::vector<std::string>{"C"}));
    EXPECT_EQ(store.Route(0).WaypointNames(), (std::vector<std::string>{"C"}));
    EXPECT_EQ(store.Mode(), NavigationMode::None);
    EXPECT_EQ(store.LastUsedIndex(NavItemKind::Route), -1);

    prompts.Clear();
    EXPECT_FALSE(DeleteRouteAsked(store, prompts, 1)); // default No
    EXPECT_EQ(store.Count(NavItemKind::Route), 2);
    prompts.Answer(PromptAnswer::Yes);
    prompts.Answer(PromptAnswer::No);
    EXPECT_EQ(DeleteRouteAsked(store, prompts, 1), 0); // the last row: the one above
    EXPECT_EQ(WaypointNames(), (std::vector<std::string>{"C"}));
}

TEST_F(StoreTest, RowsMoveWithinTheRouteAndStopAtItsEnds) {
    AddRoute("R", {"A", "B", "C"});
    store.GoAlongRoute(0);
    store.GoToRouteRow(0, 1);
    struct Step {
        int row;
        RowMove move;
        int selected;
        std::vector<std::string> names;
    };
    const Step steps[] = {
        {0, RowMove::Up, 0, {"A", "B", "C"}},
        {2, RowMove::Down, 2, {"A", "B", "C"}},
        {0, RowMove::Down, 1, {"B", "A", "C"}},
        {2, RowMove::Up, 1, {"B", "C", "A"}},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(MoveRouteRow(store, 0, step.row, step.move), step.selected);
        EXPECT_EQ(store.Route(0).WaypointNames(), step.names);
        EXPECT_EQ(store.Route(0).ActiveIndex(), 1); // moving rows keeps the active row number
    }
}

TEST_F(StoreTest, AddingAndRemovingRowsAsksAndRemembersTheRoute) {
    AddWaypoint("A", 0.0, 0.0);
    AddWaypoint("B", 0.0, 0.1);
    AddRoute("R", {});
    const int added[] = {1, 0, 1};
    EXPECT_EQ(AddWaypointsToRoute(store, 0, added), 2);
    EXPECT_EQ(store.Route(0).WaypointNames(), (std::vector<std::string>{"B", "A", "B"}));
    EXPECT_EQ(settings.lastUsed[NavItemKind::Route], 0);

    prompts.Answer(PromptAnswer::Yes);
    prompts.Answer(PromptAnswer::Yes);
    EXPECT_TRUE(DeleteRouteRowAsked(store, prompts, 0, 0));
    EXPECT_THAT(prompts.Texts(),
                ElementsAre("Are you sure you want to delete the 'B' waypoint from the 'R' route?",
                            "Are you sure you want final to delete the 'B' waypoint from "
                            "system?"));
    EXPECT_EQ(store.Route(0).WaypointNames(), (std::vector<std::string>{"A"}));
    EXPECT_EQ(WaypointNames(), (std::vector<std::string>{"A"}));
}

TEST_F(StoreTest, EditingAWaypointKeepsTheRoutesThatNameIt) {
    AddWaypoint("A", 0.0, 0.0);
    AddWaypoint("B", 0.0, 0.1);
    AddRoute("R", {"A", "B", "A"});
    store.MarkSaved();
    EXPECT_TRUE(EditWaypointAsked(store, prompts, 0, "HOME", At(1.0, 1.0)));
    EXPECT_EQ(store.Route(0).WaypointNames(), (std::vector<std::string>{"HOME", "B", "HOME"}));
    EXPECT_FALSE(store.IsSaved());
    EXPECT_FALSE(store.Waypoint(0).IsStored());

    // Taking another waypoint's name asks first; No changes nothing.
    EXPECT_FALSE(EditWaypointAsked(store, prompts, 0, "B", At(1.0, 1.0)));
    EXPECT_EQ(WaypointNames(), (std::vector<std::string>{"HOME", "B"}));
    prompts.Answer(PromptAnswer::Yes);
    EXPECT_TRUE(EditWaypointAsked(store, prompts, 0, "B", At(2.0, 2.0)));
    EXPECT_EQ(WaypointNames(), (std::vector<std::string>{"B"}));
    EXPECT_EQ(store.Waypoint(0).Position(), At(2.0, 2.0));

    EXPECT_TRUE(RenameRouteAsked(store, prompts, 0, "TRIP"));
    EXPECT_EQ(store.Route(0).Name(), "TRIP");
}

TEST_F(StoreTest, TypedNamesMustTravelInTheSentences) {
    for (const char* bad : {"", "A,B", "STAR*", "$X", "TAB\tNAME", "A_NAME_MUCH_TOO_LONG_X"}) {
        prompts.Clear();
        EXPECT_EQ(CreateWaypoint(store, settings, prompts, bad, At(1, 1)), -1) << bad;
        EXPECT_EQ(prompts.Shown().size(), 1u);
    }
    settings.startNumbers[NavItemKind::Waypoint] = 9999;
    EXPECT_EQ(NewItemName(settings, NavItemKind::Waypoint), "WPL_9999");
    EXPECT_EQ(CreateWaypoint(store, settings, prompts, "WPL_9999", At(1, 1)), 0);
    EXPECT_EQ(settings.startNumbers[NavItemKind::Waypoint], 0u);
    EXPECT_EQ(store.Waypoint(0).PlaceToStore(), "self-created");
    EXPECT_EQ(CreateRoute(store, settings, prompts, "RTE_0000"), 0);
    EXPECT_EQ(settings.startNumbers[NavItemKind::Route], 1u);
    EXPECT_EQ(settings.lastUsed[NavItemKind::Route], 0);
}

TEST_F(StoreTest, TypedNamesCountCharactersAndFitTheStoreFileInBytes) {
    // 20 characters in 23 bytes.
    EXPECT_EQ(
        CreateWaypoint(store, settings, prompts, "Br\u00FCcke \u00FCber den Flu\u00DF", At(1, 1)),
        0);
    EXPECT_TRUE(prompts.Shown().empty());

    // The most bytes a name takes (13 letters of 2 bytes): such a route with such waypoints
    // still has every sentence in the file.
    const std::string longest = "\u00C4\u00D6\u00DC\u00E4\u00F6\u00FC\u00C4\u00D6\u00DC"
                                "\u00E4\u00F6\u00FC\u00C4";
    ASSERT_EQ(longest.size(), kLongestTypedNameBytes);
    ASSERT_EQ(CreateWaypoint(store, settings, prompts, longest, At(2, 2)), 1);
    ASSERT_EQ(CreateRoute(store, settings, prompts, longest), 0);
    for (int i = 0; i < 3; ++i) {
        store.AddWaypointToRoute(longest, longest);
    }
    const std::string exported = *store.RouteExportText(0);
    std::size_t sentences = 0;
    for (std::size_t at = exported.find("$GPRTE,"); at != std::string::npos;
         at = exported.find("$GPRTE,", at + 1)) {
        ++sentences;
        EXPECT_LT(exported.find("\r\n", at) - at, 80u);
    }
    EXPECT_EQ(sentences, 3u);
    EXPECT_TRUE(prompts.Shown().empty());

    // 14 such letters, or 20 letters of 2 bytes: few enough characters, too many bytes.
    std::string cyrillic20;
    for (int i = 0; i < 20; ++i) {
        cyrillic20 += "\u0416";
    }
    for (const std::string& tooLong : {longest + "\u00E4", cyrillic20}) {
        prompts.Clear();
        EXPECT_EQ(CreateRoute(store, settings, prompts, tooLong), -1);
        ASSERT_EQ(prompts.Texts().size(), 1u);
        EXPECT_THAT(prompts.Texts()[0], ::testing::HasSubstr("Use a shorter name"));
    }
}

// ---- Position clipboard --------------------------------------------------------------------

TEST(PositionClipboardTest, CopiedTextPastesBackAndBadTextPastesNothing) {
    const CLatLong position = At(49.274166666, -123.185333333);
    const std::string text = PositionClipboardText(position);
    EXPECT_EQ(text, "N 49\xC2\xB0"
                    "16.4500',W 123\xC2\xB0"
                    "11.1200';");
    const auto pasted = ParsePositionClipboard(text);
    ASSERT_TRUE(pasted);
    EXPECT_EQ(pasted->latitude.hemisphere, 1);
    EXPECT_EQ(pasted->latitude.degrees, 49);
    EXPECT_EQ(pasted->latitude.minutes, 16);
    EXPECT_NEAR(pasted->latitude.seconds, 27.0f, 1e-3f);
    EXPECT_EQ(pasted->longitude.hemisphere, 2);
    EXPECT_EQ(pasted->longitude.degrees, 123);
    EXPECT_NEAR(Latitude(pasted->Position()), 49.2741667, 1e-6);
    EXPECT_NEAR(Longitude(pasted->Position()), -123.1853333, 1e-6);

    // Whatever copy writes, paste reads back, also a hair below a whole degree.
    for (const auto& [lat, lon] : {std::pair{48.9999999, 7.4}, std::pair{-0.99999999, -179.9999999},
                                   std::pair{89.99999999, 179.99999999}}) {
        const std::string copied = PositionClipboardText(At(lat, lon));
        const auto back = ParsePositionClipboard(copied);
        ASSERT_TRUE(back) << copied;
        EXPECT_NEAR(Latitude(back->Position()), lat, 1e-5) << copied;
        EXPECT_NEAR(Longitude(back->Position()), lon, 1e-5) << copied;
    }

    const auto spaced = ParsePositionClipboard(" S 0\xC2\xB0 30.0000' , E 0\xC2\xB0 15.0000' ;");
    ASSERT_TRUE(spaced);
    EXPECT_NEAR(Latitude(spaced->Position()), -0.5, 1e-9);

    for (const char* bad : {"",
                            "N 49\xC2\xB0"
                            "16.45',W 123\xC2\xB0"
                            "11.12'",
                            "E 49\xC2\xB0"
                            "16.45',N 123\xC2\xB0"
                            "11.12';",
                            "N 49 16.45',W 123\xC2\xB0"
                            "11.12';",
                            "N 91\xC2\xB0"
                            "00.00',W 123\xC2\xB0"
                            "11.12';",
                            "N 49\xC2\xB0"
                            "61.00',W 123\xC2\xB0"
                            "11.12';",
                            "N x\xC2\xB0"
                            "16.45',W 123\xC2\xB0"
                            "11.12';"}) {
        EXPECT_FALSE(ParsePositionClipboard(bad)) << bad;
    }
}

// ---- Marking a position ---------------------------------------------------------------------

TEST_F(StoreTest, MarkingCollectsWaypointsInARouteOfTheTrack) {
    settings.startNumbers[NavItemKind::Waypoint] = 12;
    AddRoute("OTHER", {});
    CMarkPositionSession mark(store, settings, prompts, true, "/rec/track.txt");
    EXPECT_FALSE(mark.Tick(CLatLong()));
    EXPECT_EQ(mark.DefaultName(), "");
    EXPECT_TRUE(mark.Tick(At(1.0, 1.0)));
    EXPECT_TRUE(mark.Tick(At(1.0, 1.0)));
    EXPECT_EQ(mark.DefaultName(), "WPL_0012");
    EXPECT_EQ(mark.TrackRouteName(), "RTE_0000");
    EXPECT_EQ(settings.startNumbers[NavItemKind::Route], 1u);
    EXPECT_EQ(mark.Samples().size(), 2u);

    const int index = mark.Confirm("WPL_0012", std::string("OTHER"));
    ASSERT_EQ(index, 0);
    EXPECT_EQ(store.Waypoint(0).PlaceToStore(), "/rec/track.txt");
    EXPECT_EQ(store.Route(0).WaypointNames(), (std::vector<std::string>{"WPL_0012"}));
    // The track route got nothing: it is deleted and its number given back.
    EXPECT_EQ(store.Count(NavItemKind::Route), 1);
    EXPECT_EQ(settings.startNumbers[NavItemKind::Route], 0u);
    EXPECT_EQ(settings.startNumbers[NavItemKind::Waypoint], 13u);
}

TEST_F(StoreTest, CancellingGivesBackTheTrackRouteAndItsNumberAcrossTheWrap) {
    AddRoute("KEEP", {});
    store.SetLastUsed(NavItemKind::Route, 0, false);
    settings.startNumbers[NavItemKind::Route] = 9999;
    CMarkPositionSession mark(store, settings, prompts, false, "/rec/track.txt");
    mark.Tick(At(1.0, 1.0));
    EXPECT_EQ(mark.TrackRouteName(), "RTE_9999");
    EXPECT_EQ(settings.startNumbers[NavItemKind::Route], 0u);
    EXPECT_EQ(store.LastUsedIndex(NavItemKind::Route), 1);
    mark.Cancel();
    EXPECT_EQ(store.Count(NavItemKind::Route), 1);
    EXPECT_EQ(settings.startNumbers[NavItemKind::Route], 9999u);
    EXPECT_EQ(store.LastUsedIndex(NavItemKind::Route), 0);
}

TEST_F(StoreTest, AveragingCanBeSwitchedOffWithAQuestionAndOnAtOnce) {
    CMarkPositionSession mark(store, settings, prompts, true, std::nullopt);
    mark.Tick(At(1.0, 1.0));
    mark.Tick(At(1.0, 1.002));
    EXPECT_EQ(mark.PositionToStore(), AveragePosition(mark.Samples()));
    mark.ToggleAveraging(); // default No: stays on
    EXPECT_TRUE(mark.Averaging());
    prompts.Answer(PromptAnswer::Yes);
    mark.ToggleAveraging();
    EXPECT_FALSE(mark.Averaging());
    EXPECT_TRUE(mark.Samples().empty());
    mark.ToggleAveraging(); // on again, no question, no samples yet: the latest fix
    EXPECT_TRUE(mark.Averaging());
    EXPECT_EQ(prompts.Shown().size(), 2u);
    EXPECT_EQ(mark.PositionToStore(), At(1.0, 1.002));
    EXPECT_EQ(mark.Confirm("X", std::nullopt), -1); // no track: nothing is stored
    EXPECT_EQ(store.Count(NavItemKind::Waypoint), 0);
}

} // namespace
