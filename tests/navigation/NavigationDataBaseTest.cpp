#include "navigation/DefaultNames.h"
#include "tests/navigation/StoreTestSupport.h"

#include <gmock/gmock.h>

#include <future>
#include <set>
#include <thread>

using ::testing::ElementsAre;

namespace {

constexpr const char* kReplace = "A waypoint whit the same name 'A' exists already!\n\nReplace?";
constexpr const char* kRename =
    "A waypoint whit the same name 'A' exists already!\n\nSave with an another name?";

// ---- Storing and name conflicts ---------------------------------------------------------

struct ConflictCase {
    const char* label;
    double newLatitude; // the stored A is at 10.0
    bool silent;
    std::vector<PromptAnswer> answers;
    int expectedIndex;
    std::vector<std::string> expectedOrder;
    std::vector<std::string> expectedQuestions;
    double expectedLatitudeOfA;
};

TEST_F(StoreTest, StoringAWaypointOfAKnownNameFollowsTheRulesAndAnswers) {
    const ConflictCase cases[] = {
        {"identical moves to the end", 10.0, false, {}, 1, {"B", "A"}, {}, 10.0},
        {"different and silent keeps the old", 11.0, true, {}, -1, {"A", "B"}, {}, 10.0},
        {"replace", 11.0, false, {PromptAnswer::Yes}, 1, {"B", "A"}, {kReplace}, 11.0},
        {"another name",
         11.0,
         false,
         {PromptAnswer::No, PromptAnswer::Yes},
         2,
         {"A", "B", "WPL_0000"},
         {kReplace, kRename},
         10.0},
        {"neither",
         11.0,
         false,
         {PromptAnswer::No, PromptAnswer::No},
         -1,
         {"A", "B"},
         {kReplace, kRename},
         10.0},
    };
    for (const ConflictCase& c : cases) {
        SCOPED_TRACE(c.label);
        ScriptedPrompts answers;
        MemorySettings counters;
        CNavigationDataBase db(answers, counters);
        db.StoreWaypoint(CWaypoint("A", At(10.0, 20.0)), false, "/a.txt");
        db.StoreWaypoint(CWaypoint("B", At(12.0, 20.0)), false, "/a.txt");
        for (const PromptAnswer answer : c.answers) {
            answers.Answer(answer);
        }

        const int index =
            db.StoreWaypoint(CWaypoint("A", At(c.newLatitude, 20.0)), c.silent, "/b.txt");

        EXPECT_EQ(index, c.expectedIndex);
        std::vector<std::string> order;
        db.ForEachWaypoint([&](const CWaypoint& w) { order.push_back(w.Name()); });
        EXPECT_EQ(order, c.expectedOrder);
        EXPECT_EQ(answers.Texts(), c.expectedQuestions);
        for (const PromptRequest& shown : answers.Shown()) {
            EXPECT_EQ(shown.caption, "Question");
            EXPECT_EQ(shown.icon, PromptIcon::Exclamation);
            EXPECT_TRUE(shown.defaultNo);
        }
        EXPECT_DOUBLE_EQ(db.Waypoint(db.FindWaypoint("A")).Position().Latitude().DecimalDegrees(),
                         c.expectedLatitudeOfA);
        if (index >= 0) {
            EXPECT_EQ(db.LastUsedIndex(NavItemKind::Waypoint), index);
        }
    }
}

TEST_F(StoreTest, AnIdenticalWaypointIsMarkedStored) {
    AddWaypoint("A", 10.0, 20.0);
    EXPECT_FALSE(store.Waypoint(0).IsStored());
    AddWaypoint("B", 11.0, 20.0);
    EXPECT_EQ(AddWaypoint("A", 10.0, 20.0), 1);
    EXPECT_TRUE(store.Waypoint(1).IsStored());
}

TEST_F(StoreTest, NamesCompareExactlyAndRoutesCompareInOrder) {
    AddWaypoint("Home", 10.0, 20.0);
    EXPECT_EQ(AddWaypoint("home", 11.0, 20.0), 1);
    EXPECT_TRUE(prompts.Texts().empty());

    AddRoute("R", {"Home", "home"});
    EXPECT_EQ(AddRoute("R", {"Home", "home"}), 0); // identical: kept, no question
    EXPECT_TRUE(prompts.Texts().empty());
    EXPECT_EQ(AddRoute("R", {"home", "Home"}), -1); // other order: asked, default No twice
    EXPECT_THAT(prompts.Texts(),
                ElementsAre("A route whit the same name 'R' exists already!\n\nReplace?",
                            "A route whit the same name 'R' exists already!\n\nSave with an "
                            "another name?"));
    EXPECT_EQ(store.Route(0).WaypointNames(), (std::vector<std::string>{"Home", "home"}));
}

TEST_F(StoreTest, ItemsWithoutANameOrIncompleteRoutesAreNotStored) {
    EXPECT_EQ(AddWaypoint("", 1.0, 2.0), -1);
    EXPECT_EQ(AddRoute("", {"A"}), -1);
    CRoute partial("P", {"A"});
    partial.SetComplete(false);
    EXPECT_EQ(store.StoreRoute(partial, false, "/x"), -1);
    EXPECT_EQ(store.Count(NavItemKind::Waypoint) + store.Count(NavItemKind::Route), 0);
}

// ---- Default names ----------------------------------------------------------------------

TEST_F(StoreTest, DefaultNamesWrapAfter9999AndFallBackToRandomLetters) {
    struct Case {
        NavItemKind kind;
        std::uint32_t startNumber;
        bool defaultNameTaken;
        const char* expectedName; // nullptr: a random name
        std::uint32_t expectedCounter;
    };
    const Case cases[] = {
        {NavItemKind::Waypoint, 7, false, "WPL_0007", 8},
        {NavItemKind::Waypoint, 9999, false, "WPL_9999", 0},
        {NavItemKind::Route, 9999, false, "RTE_9999", 0},
        {NavItemKind::Waypoint, 12345, false, "WPL_12345", 0},
        {NavItemKind::Waypoint, 0, true, nullptr, 1},
    };
    for (const Case& c : cases) {
        MemorySettings counters;
        counters.startNumbers[c.kind] = c.startNumber;
        const std::string taken = DefaultItemName(c.kind, c.startNumber);
        const std::string name = TakeDefaultName(
            c.kind, counters, [&](std::string_view n) { return c.defaultNameTaken && n == taken; },
            77);
        if (c.expectedName != nullptr) {
            EXPECT_EQ(name, c.expectedName);
        } else {
            EXPECT_EQ(name.size(), 12u);
            EXPECT_NE(name, taken);
        }
        EXPECT_EQ(counters.startNumbers[c.kind], c.expectedCounter) << name;
    }
    EXPECT_EQ(PreviousStartNumber(0), 9999u);
    EXPECT_EQ(PreviousStartNumber(5), 4u);
}

TEST(RandomNameTest, UsesOnlyTheAlphabetAndDependsOnTheTick) {
    std::set<std::string> seen;
    for (std::uint32_t tick = 1; tick < 400; tick += 7) {
        const std::string letters = RandomName(12, tick);
        ASSERT_EQ(letters.size(), 12u);
        for (const char c : letters) {
            EXPECT_TRUE((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'y')) << letters;
        }
        EXPECT_EQ(letters, RandomName(12, tick));
        seen.insert(letters);
    }
    EXPECT_GT(seen.size(), 50u);
}

TEST_F(StoreTest, RenamedConflictsInOneMillisecondStillGetDistinctNames) {
    // WPL_0000 exists, so each "another name" is random, all drawn with the same tick.
    AddWaypoint("WPL_0000", 1.0, 1.0);
    AddWaypoint("A", 10.0, 20.0);
    for (int i = 0; i < 3; ++i) {
        settings.startNumbers[NavItemKind::Waypoint] = 0;
        prompts.Answer(PromptAnswer::No);
        prompts.Answer(PromptAnswer::Yes);
        ASSERT_GE(AddWaypoint("A", 11.0 + i, 20.0), 0);
    }
    const auto names = WaypointNames();
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
    EXPECT_EQ(names.size(), 5u);
}

// ---- Index integrity after moves and removals ----------------------------------------

TEST_F(StoreTest, IndicesKeepNamingTheSameItemsWhenOthersMoveOrGo) {
    for (const char* name : {"A", "B", "C", "D", "E", "F"}) {
        AddWaypoint(name, 10.0 + name[0] - 'A', 20.0);
    }
    store.SetNavigationTarget(1, store.FindWaypoint("F"));
    store.Select(NavItemKind::Waypoint, store.FindWaypoint("E"));
    store.SetLastUsed(NavItemKind::Waypoint, store.FindWaypoint("D"), false);

    AddWaypoint("B", 11.0, 20.0); // identical: B moves to the end
    EXPECT_EQ(WaypointNames(), (std::vector<std::string>{"A", "C", "D", "E", "F", "B"}));
    EXPECT_EQ(TargetName(), "F");
    EXPECT_EQ(store.Waypoint(store.CurrentIndex(NavItemKind::Waypoint)).Name(), "E");
    EXPECT_EQ(store.Waypoint(store.LastUsedIndex(NavItemKind::Waypoint)).Name(), "B");

    // Deleting the waypoint at index 2 while going to the one at index 4 keeps going to it.
    store.SetLastUsed(NavItemKind::Waypoint, store.FindWaypoint("D"), false);
    ASSERT_EQ(store.TargetIndex(), 4);
    EXPECT_TRUE(store.DeleteItem(NavItemKind::Waypoint, 2));
    EXPECT_EQ(store.Mode(), NavigationMode::GoTo);
    EXPECT_EQ(TargetName(), "F");
    EXPECT_EQ(store.LastUsedIndex(NavItemKind::Waypoint), -1); // D itself is gone
    EXPECT_EQ(store.Waypoint(store.CurrentIndex(NavItemKind::Waypoint)).Name(), "E");

    // The target itself gone: navigation ends.
    EXPECT_TRUE(store.DeleteWaypointByName("F"));
    EXPECT_EQ(store.Mode(), NavigationMode::None);
    EXPECT_EQ(store.TargetIndex(), -1);
}

TEST_F(StoreTest, FollowedRouteSurvivesRemovalOfOthersButNotItsReplacement) {
    AddRoute("R1", {"A"});
    AddRoute("R2", {"A", "B"});
    AddRoute("R3", {"B"});
    store.SetNavigationTarget(2, 1);
    EXPECT_TRUE(store.DeleteItem(NavItemKind::Route, 0));
    EXPECT_EQ(TargetName(), "R2");

    prompts.Answer(PromptAnswer::Yes); // replace R2 with other contents
    EXPECT_EQ(AddRoute("R2", {"B", "A"}), 0);
    EXPECT_EQ(store.Mode(), NavigationMode::None);
}

TEST_F(StoreTest, RemovingRowsKeepsTheFollowedRouteOnItsDestination) {
    for (const char* name : {"A", "B", "C", "D"}) {
        AddWaypoint(name, 10.0 + name[0] - 'A', 20.0);
    }
    AddRoute("R", {"A", "B", "C", "D"});
    AddRoute("S", {"C", "B"});
    store.SetNavigationTarget(2, 0);
    store.GoToRouteRow(0, 2); // steering to C
    ASSERT_EQ(store.CurrentGuidanceTarget().destination.name, "C");

    EXPECT_TRUE(store.RemoveRouteRow(0, 0)); // A, before the active row
    EXPECT_EQ(store.CurrentGuidanceTarget().destination.name, "C");
    EXPECT_TRUE(store.DeleteWaypointFromSystem("B")); // from R and S
    EXPECT_EQ(store.CurrentGuidanceTarget().destination.name, "C");
    EXPECT_EQ(store.Route(1).WaypointNames(), (std::vector<std::string>{"C"}));
    EXPECT_TRUE(store.RemoveRouteRow(0, 1)); // D, the last row
    EXPECT_TRUE(store.RemoveRouteRow(0, 0)); // C itself: the route is empty
    EXPECT_EQ(store.Route(0).ActiveIndex(), -1);
}

TEST_F(StoreTest, ImportingTheSameWaypointsAgainKeepsOrderAndIndexConsistent) {
    const int count = 2000;
    for (int i = 0; i < count; ++i) {
        AddWaypoint("W" + std::to_string(i), i * 0.001, 1.0);
    }
    store.SetNavigationTarget(1, 10);
    for (int i = 0; i < count; ++i) {
        AddWaypoint("W" + std::to_string(i), i * 0.001, 1.0);
    }
    ASSERT_EQ(store.Count(NavItemKind::Waypoint), count);
    for (int i = 0; i < count; i += 97) {
        EXPECT_EQ(store.FindWaypoint("W" + std::to_string(i)), i);
        EXPECT_EQ(store.Waypoint(i).Name(), "W" + std::to_string(i));
    }
    EXPECT_EQ(TargetName(), "W10");
    EXPECT_EQ(store.LastUsedIndex(NavItemKind::Waypoint), count - 1);
}

// ---- Import kind, saved flag, decoding lines -----------------------------------------

TEST_F(StoreTest, ImportKindAndSavedFlagFollowWhatWasStoredFromWhere) {
    store.SetStorePath("/home/u/Documents/NaviStor.zrv");
    AddWaypoint("A", 1.0, 1.0, "/home/u/Documents/NaviStor.zrv");
    EXPECT_EQ(store.LastImportKind(), ImportKind::OneWaypoint);
    EXPECT_TRUE(store.IsSaved());
    EXPECT_TRUE(store.Waypoint(0).IsStored());

    AddWaypoint("B", 2.0, 1.0, "/media/stick/NaviStor.zrv"); // another store's file
    EXPECT_EQ(store.LastImportKind(), ImportKind::SeveralWaypoints);
    EXPECT_FALSE(store.IsSaved());
    EXPECT_FALSE(store.Waypoint(1).IsStored());

    AddRoute("R", {"A"});
    EXPECT_EQ(store.LastImportKind(), ImportKind::OneRoute);
    AddWaypoint("C", 3.0, 1.0);
    EXPECT_EQ(store.LastImportKind(), ImportKind::OneRoute);
    AddRoute("S", {"B"});
    EXPECT_EQ(store.LastImportKind(), ImportKind::SeveralRoutes);
    store.ResetLastImportKind();
    EXPECT_EQ(store.LastImportKind(), ImportKind::Nothing);
}

TEST_F(StoreTest, LinesAreTakenWhenTheyCompleteAWaypointOrRoute) {
    struct Line {
        const char* text;
        bool taken;
    };
    const Line lines[] = {
        {"$PZRVPVD,Velmora Recorder 3,v3.9.91*7F\r\n", false},
        {"$GPWPL,4916.4500,N,12311.1200,W,HOME*5F\r\n", false}, // wrong checksum
        {"$GPWPL,4916.4500,N,12311.1200,W,HOME*5E\r\n", true},
        {"$GNWPL,4917.0000,N,12311.0000,W,WORK*4D\r\n", true}, // any talker
        {"$GPRTE,2,1,c,R1,HOME*74\r\n", false},                // first of two
        {"$GPRTE,2,2,c,R1,WORK*79\r\n", true},
        {"$GPGGA,120000,4916.45,N,12311.12,W,1,08,0.9,545.4,M,46.9,M,,*51\r\n", false},
    };
    for (const Line& line : lines) {
        EXPECT_EQ(store.FeedLine(line.text, "/data/gps.txt"), line.taken) << line.text;
    }
    EXPECT_EQ(WaypointNames(), (std::vector<std::string>{"HOME", "WORK"}));
    ASSERT_EQ(store.Count(NavItemKind::Route), 1);
    EXPECT_EQ(store.Route(0).WaypointNames(), (std::vector<std::string>{"HOME", "WORK"}));
    EXPECT_EQ(store.Route(0).PlaceToStore(), "/data/gps.txt");
}

TEST_F(StoreTest, TheBuilderGivesARouteSentenceBySentenceThenStartsAgain) {
    std::vector<std::string> names;
    for (int i = 0; i < 10; ++i) {
        names.push_back("WAYPT_" + std::to_string(i));
    }
    AddRoute("R1", names);
    ASSERT_TRUE(store.Select(NavItemKind::Route, 0));
    std::vector<std::string> sentences;
    while (const auto sentence = store.BuildNextSentence("RTE")) {
        sentences.push_back(*sentence);
    }
    ASSERT_EQ(sentences.size(), 3u);
    EXPECT_TRUE(sentences[0].starts_with("$GPRTE,3,1,C,R1,WAYPT_0,WAYPT_1,WAYPT_2,WAYPT_3*"));
    EXPECT_TRUE(sentences[2].starts_with("$GPRTE,3,3,C,R1,WAYPT_8,WAYPT_9*"));
    EXPECT_EQ(store.BuildNextSentence("RTE"), sentences[0]);
    EXPECT_FALSE(store.Select(NavItemKind::Route, 1));
    EXPECT_FALSE(store.BuildNextSentence("GGA"));
}

// ---- Navigation commands --------------------------------------------------------------

class CountingObserver final : public INavigationObserver {
public:
    void NavigationChanged() override { ++changes; }
    int changes = 0;
};

TEST_F(StoreTest, GoToAndGoAlongStartSwitchAndCancel) {
    CountingObserver observer;
    store.SetObserver(&observer);
    AddWaypoint("A", 1.0, 1.0);
    AddWaypoint("B", 2.0, 1.0);
    AddRoute("R", {"A", "B"});

    GuidanceCommandResult result = store.GoAlongRoute(0);
    EXPECT_TRUE(result.showGuidanceView);
    EXPECT_EQ(store.Route(0).ActiveIndex(), 0);
    EXPECT_EQ(settings.lastUsed[NavItemKind::Route], 0);

    result = store.GoToWaypoint(1); // leaves the route
    EXPECT_TRUE(result.showGuidanceView);
    EXPECT_TRUE(result.stopListPlayback);
    EXPECT_EQ(store.Route(0).ActiveIndex(), -1);
    EXPECT_EQ(TargetName(), "B");
    EXPECT_EQ(settings.lastUsed[NavItemKind::Waypoint], 1);

    result = store.GoToWaypoint(1); // the same target again: guidance ends
    EXPECT_FALSE(result.showGuidanceView);
    EXPECT_TRUE(result.stopListPlayback);
    EXPECT_EQ(store.Mode(), NavigationMode::None);

    store.GoToRouteRow(0, 1); // not followed: Go Along, then that row
    EXPECT_EQ(store.Mode(), NavigationMode::GoAlong);
    EXPECT_EQ(store.Route(0).ActiveIndex(), 1);
    store.GoToRouteRow(0, 0);
    EXPECT_EQ(store.Route(0).ActiveIndex(), 0);
    store.GoToRouteRow(0, 0); // the active row again: guidance ends
    EXPECT_EQ(store.Mode(), NavigationMode::None);

    store.SetNavigationTarget(7, 0);
    EXPECT_EQ(store.Mode(), NavigationMode::None);
    EXPECT_GE(observer.changes, 6);
}

TEST_F(StoreTest, RecalculateAndInvertMoveTheActiveRow) {
    for (const char* name : {"A", "B", "C", "D", "E"}) {
        AddWaypoint(name, 0.0, (name[0] - 'A') * 0.1);
    }
    AddRoute("R", {"A", "B", "C", "D", "E"});
    store.GoAlongRoute(0);

    EXPECT_TRUE(store.RecalculateRoute(At(0.01, 0.19))); // nearest C: steer to D
    EXPECT_EQ(store.Route(0).ActiveIndex(), 3);
    EXPECT_FALSE(store.RecalculateRoute(At(0.0, 0.45))); // nearest E, the last: refused
    EXPECT_EQ(store.Route(0).ActiveIndex(), 3);

    EXPECT_TRUE(store.InvertRoute(0)); // active 3 (D) becomes 5 - 3 = 2: C, which preceded D
    EXPECT_EQ(store.Route(0).WaypointNames(), (std::vector<std::string>{"E", "D", "C", "B", "A"}));
    EXPECT_EQ(store.CurrentGuidanceTarget().destination.name, "C");
    EXPECT_FALSE(store.IsSaved());
}

TEST_F(StoreTest, ManOverboardNeedsAConnectionAndThenGoesToTheNewWaypoint) {
    EXPECT_EQ(store.ManOverboard(At(1.0, 2.0), ""), -1);
    EXPECT_EQ(store.Count(NavItemKind::Waypoint), 0);

    AddWaypoint("X", 5.0, 5.0);
    const int index = store.ManOverboard(At(1.0, 2.0), "/data/rec.txt");
    EXPECT_EQ(index, 1);
    EXPECT_EQ(TargetName(), "ManOverboard");
    EXPECT_EQ(store.Waypoint(1).PlaceToStore(), "/data/rec.txt");
    EXPECT_EQ(settings.lastUsed[NavItemKind::Waypoint], 1);
    EXPECT_EQ(store.NavigationTargetPosition(), At(1.0, 2.0));
}

TEST_F(StoreTest, AFollowedEmptyRouteSteersToItsFirstAddedWaypoint) {
    AddWaypoint("A", 1.0, 1.0);
    AddRoute("R", {});
    store.GoAlongRoute(0);
    EXPECT_FALSE(store.NavigationTargetPosition());
    EXPECT_EQ(store.AddWaypointToRoute("R", "A"), 0);
    EXPECT_EQ(store.Route(0).ActiveIndex(), 0);
    EXPECT_EQ(store.NavigationTargetPosition(), At(1.0, 1.0));
    EXPECT_FALSE(store.AddWaypointToRoute("nope", "A"));
}

TEST_F(StoreTest, RememberedLastUsedIndicesApplyOnlyWhenValid) {
    AddWaypoint("A", 1.0, 1.0);
    AddWaypoint("B", 2.0, 1.0);
    AddRoute("R", {"A"});
    settings.lastUsed[NavItemKind::Waypoint] = 0;
    settings.lastUsed[NavItemKind::Route] = 5;
    store.ApplyRememberedLastUsed();
    EXPECT_EQ(store.LastUsedIndex(NavItemKind::Waypoint), 0);
    EXPECT_EQ(store.LastUsedIndex(NavItemKind::Route), 0); // unchanged by the invalid 5
}

// ---- The navigation lock ------------------------------------------------------------------

// Answers a question only after checking, from another thread, that the store's lock is free:
// the user-interface thread that shows the box must be able to take it meanwhile.
class LockProbingPrompts final : public IPrompts {
public:
    PromptAnswer Show(const PromptRequest&) override {
        lockFreeWhileAsked = std::async(std::launch::async, [this] {
                                 const bool free = store->Lock().try_lock();
                                 if (free) {
                                     store->Lock().unlock();
                                 }
                                 return free;
                             }).get();
        return PromptAnswer::Yes;
    }
    CNavigationDataBase* store = nullptr;
    bool lockFreeWhileAsked = false;
};

TEST(NavigationLockTest, AConflictQuestionIsAskedWithoutHoldingTheLock) {
    LockProbingPrompts prompts;
    MemorySettings settings;
    CNavigationDataBase store(prompts, settings);
    prompts.store = &store;
    store.StoreWaypoint(CWaypoint("A", At(1.0, 1.0)), false, "/a");
    EXPECT_EQ(store.StoreWaypoint(CWaypoint("A", At(2.0, 1.0)), false, "/b"), 0); // replaced
    EXPECT_TRUE(prompts.lockFreeWhileAsked);
}

TEST_F(StoreTest, WaypointsStoredByOneThreadWhileAnotherReadsAllArrive) {
    constexpr int kLines = 2000;
    std::thread reader([this] {
        for (int i = 0; i < 200; ++i) {
            const int count = store.Count(NavItemKind::Waypoint);
            if (count > 0) {
                EXPECT_FALSE(store.Waypoint(count - 1).Name().empty());
            }
            store.CurrentGuidanceTarget();
            store.StoreFileText();
        }
    });
    for (int i = 0; i < kLines; ++i) {
        AddWaypoint("W" + std::to_string(i), i * 0.001, 1.0);
        if (i == kLines / 2) {
            store.SetNavigationTarget(1, 0);
        }
    }
    reader.join();
    EXPECT_EQ(store.Count(NavItemKind::Waypoint), kLines);
    EXPECT_EQ(TargetName(), "W0");
}

} // namespace
