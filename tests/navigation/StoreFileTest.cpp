#include "navigation/StoreFile.h"
#include "navigation/StoreFileFormat.h"
#include "nmea/Sentence.h"
#include "tests/navigation/StoreTestSupport.h"
#include "tests/support/TestPaths.h"

#include <gmock/gmock.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

namespace fs = std::filesystem;

const std::string kHeader = "$PZRVPVD,Velmora Recorder 3,v3.9.91*7F\r\n"
                            "$PZRVCRT,Copyright (c) 2009 Velmora Records,All rights reserved*21\r\n"
                            "$PZRVWRG,WARNING!,Please!,Do NOT change or delete this file!*59\r\n"
                            "$PZRVWRG,WARNING!,The file contains the DATA BASE of -*03\r\n"
                            "$PZRVWRG,WARNING!,- Navigation System.*2B\r\n"
                            "$PZRVWRG,WARNING!,If you definitely removed the software from "
                            "system,-*40\r\n"
                            "$PZRVWRG,WARNING!,-, you could remove the file too.*17\r\n";
const std::string kHome = "$GPWPL,4916.4500,N,12311.1200,W,HOME*5E\r\n";
const std::string kWork = "$GPWPL,0000.5000,S,00000.2500,E,WORK*55\r\n";
const std::string kRoute = "$GPRTE,1,1,C,R1,HOME,WORK*7A\r\n";
const std::string kBeach = "$GPWPL,0100.0000,N,00100.0000,E,BEACH*06\r\n";
const std::string kEnd = "$PZRVEND,End of the navigation store*27\r\n";

std::string Line(std::string_view text) {
    return *FinishLine(text);
}

// Runs `work` in a child process and gives its exit code; the child ends with _exit, as a
// crashed program would, without tidying anything up.
int InChildProcess(const std::function<int()>& work) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(work());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A store over a file in a folder of its own.
class StoreFileTest : public StoreTest {
protected:
    fs::path StorePath() const { return folder / CNavigationDataBase::kStoreFileName; }
    std::string Stored() const { return testpaths::ReadFileBytes(StorePath()); }

    // Another program's view of the same file.
    struct Other {
        ScriptedPrompts prompts;
        MemorySettings settings;
        CNavigationDataBase store{prompts, settings};
    };

    // The names of the store's waypoints as a new program loads them from the file.
    static std::vector<std::string> NamesInFile(const fs::path& path) {
        ScriptedPrompts prompts;
        MemorySettings settings;
        CNavigationDataBase store(prompts, settings);
        StoreFile file(path);
        EXPECT_FALSE(file.Open(StoreFile::Access::ReadOnly));
        EXPECT_TRUE(store.Load(file));
        EXPECT_THAT(prompts.Texts(), ::testing::IsEmpty());
        std::vector<std::string> names;
        store.ForEachWaypoint([&](const CWaypoint& w) { names.push_back(w.Name()); });
        return names;
    }

    testpaths::TempDir folder;
    StoreFile file{StorePath()};
};

using Names = std::vector<std::string>;

TEST(StoreTextCheck, NamesEveryLineThatWouldNotLoad) {
    const std::string routePart1 = Line("$GPRTE,2,1,c,R2,HOME*");
    const std::string routePart2 = Line("$GPRTE,2,2,c,R2,WORK*");
    std::string oneByteChanged = kHome;
    oneByteChanged[10] = '7';
    std::string headerChanged = kHeader;
    headerChanged[12] = 'X';
    struct Case {
        const char* label;
        std::string text;
        int cutLine;
        std::vector<int> unread;
    };
    const Case cases[] = {
        {"a new, empty store", "", 0, {}},
        {"blank lines and other sentences are passed over",
         kHeader + kHome + "\r\n" + Line("$GPGLL,4916.45,N,12311.12,W,225444,A*") + kRoute + "\n",
         0,
         {}},
        {"one byte changed in a waypoint", kHeader + kWork + oneByteChanged + kRoute, 0, {9}},
        {"one byte changed in a header line", headerChanged + kHome, 0, {1}},
        {"cut in its last line", kHeader + kHome + kWork.substr(0, 20), 9, {}},
        {"no line end at all", "$GPWPL,49", 1, {}},
        {"cut in a route's last sentence", kHeader + routePart1 + routePart2.substr(0, 9), 9, {8}},
        {"a route's last sentence missing", kHeader + routePart1 + kHome, 0, {8}},
        {"a route's first sentence missing", kHeader + routePart2 + kHome, 0, {8}},
        {"a route begun again before its end",
         kHeader + routePart1 + routePart1 + routePart2,
         0,
         {8}},
        {"a route without a name", kHeader + Line("$GPRTE,1,1,c,*"), 0, {8}},
        {"a line longer than a store line",
         kHeader + std::string(100, 'x') + "\r\n" + kHome,
         0,
         {8}},
    };
    for (const Case& c : cases) {
        const StoreTextCheck check = CheckStoreText(c.text);
        EXPECT_EQ(check.cutLine, c.cutLine) << c.label;
        EXPECT_EQ(check.unreadLines, c.unread) << c.label;
        EXPECT_EQ(check.IsSound(), c.cutLine == 0 && c.unread.empty()) << c.label;
    }
}

TEST_F(StoreFileTest, ASavedStoreIsExactlyItsLinesAndReadsBackTheSame) {
    for (const std::string& line : {kHome, kWork, kRoute}) {
        store.FeedLine(line, "/data/gps.txt");
    }
    ASSERT_TRUE(store.Load(file)); // a new, empty store file
    ASSERT_FALSE(store.IsSaved());

    ASSERT_FALSE(store.Save(file));
    EXPECT_EQ(Stored(), kHeader + kHome + kWork + kRoute + kEnd);
    EXPECT_TRUE(store.IsSaved());
    EXPECT_TRUE(store.Waypoint(0).IsStored());
    EXPECT_TRUE(store.Route(0).IsStored());
    // The settings name the last used items by their places in the file just written.
    EXPECT_EQ(settings.lastUsed[NavItemKind::Waypoint], 1);
    EXPECT_EQ(settings.lastUsed[NavItemKind::Route], 0);
    file.Close();

    Other again;
    StoreFile reopened(StorePath());
    ASSERT_TRUE(again.store.Load(reopened));
    EXPECT_TRUE(again.store.IsSaved());
    EXPECT_EQ(again.store.Count(NavItemKind::Waypoint), 2);
    EXPECT_EQ(again.store.Route(0).WaypointNames(), (std::vector<std::string>{"HOME", "WORK"}));
    EXPECT_EQ(again.store.Waypoint(1).PlaceToStore(), StorePath().string());
    EXPECT_EQ(again.store.StoreFileText(), kHeader + kHome + kWork + kRoute + kEnd);
    EXPECT_EQ(again.store.LastImportKind(), ImportKind::OneRoute);
}

TEST_F(StoreFileTest, AFileOfOnlyTheHeaderLoadsAsAnEmptyStore) {
    testpaths::WriteFileBytes(StorePath(), kHeader);
    ASSERT_TRUE(store.Load(file));
    EXPECT_EQ(store.Count(NavItemKind::Waypoint), 0);
    EXPECT_EQ(store.Count(NavItemKind::Route), 0);
    EXPECT_TRUE(store.IsSaved());
    EXPECT_EQ(Stored(), kHeader); // opened, never truncated
}

TEST_F(StoreFileTest, LinesWrittenOnUnixLoadToo) {
    std::string unix = kHeader + kHome + kWork;
    std::erase(unix, '\r');
    testpaths::WriteFileBytes(StorePath(), unix);
    ASSERT_TRUE(store.Load(file));
    EXPECT_EQ(WaypointNames(), (std::vector<std::string>{"HOME", "WORK"}));
}

TEST_F(StoreFileTest, ASentenceTooLongForALineIsLeftOutAndNotMarkedStored) {
    ASSERT_TRUE(store.Load(file));
    AddWaypoint(std::string(50, 'X'), 1.0, 2.0);
    AddWaypoint("SHORT", 1.0, 2.0);
    ASSERT_FALSE(store.Save(file));
    EXPECT_THAT(Stored(), Not(HasSubstr("XXXXXXXXXX")));
    EXPECT_THAT(Stored(), HasSubstr(",SHORT*"));
    EXPECT_FALSE(store.Waypoint(0).IsStored());
    EXPECT_TRUE(store.Waypoint(1).IsStored());
}

TEST_F(StoreFileTest, SavingKeepsTheOldFileAsBackupAndLeavesNoNewFileBehind) {
    testpaths::WriteFileBytes(StorePath(), kHeader + kHome);
    ASSERT_TRUE(store.Load(file));
    AddWaypoint("B", 1.0, 1.0);
    ASSERT_FALSE(store.Save(file));
    EXPECT_EQ(testpaths::ReadFileBytes(file.BackupPath()), kHeader + kHome);
    EXPECT_EQ(file.BackupPath().filename(), "NaviStor.zr~");
    EXPECT_FALSE(fs::exists(file.NewFilePath()));
    EXPECT_THAT(Stored(), StartsWith(kHeader + kHome + "$GPWPL,0100.0000,N,00100.0000,E,B*"));
}

TEST_F(StoreFileTest, AFailedSaveIsReportedAndLeavesTheStoreFileAsItWas) {
    testpaths::WriteFileBytes(StorePath(), kHeader + kHome);
    ASSERT_TRUE(store.Load(file));
    AddWaypoint("B", 1.0, 1.0);
    fs::create_directory(file.NewFilePath()); // the new file cannot take its name

    const auto error = store.Save(file);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->error, EISDIR);
    EXPECT_FALSE(store.IsSaved());
    EXPECT_FALSE(store.Waypoint(1).IsStored());
    EXPECT_EQ(Stored(), kHeader + kHome);
    ASSERT_EQ(prompts.Shown().size(), 1u);
    EXPECT_EQ(prompts.Shown()[0].caption, "Irreparable Error");
    EXPECT_THAT(prompts.Shown()[0].text, StartsWith("MoveFile failed, error 21: "));
    EXPECT_THAT(prompts.Shown()[0].text, HasSubstr("Context: " + file.TemporaryPath().string()));
    EXPECT_FALSE(fs::exists(file.TemporaryPath()));
}

TEST_F(StoreFileTest, TheFileIsWrittenWithoutTheNavigationLockAndAChangeMeanwhileStaysUnsaved) {
    testpaths::WriteFileBytes(StorePath(), kHeader + kHome);
    ASSERT_TRUE(store.Load(file));
    AddWaypoint("B", 1.0, 1.0);
    bool lockFree = false;
    file.SetStepObserver([&](StoreFileStep step) {
        if (step != StoreFileStep::TemporaryFileWritten) {
            return;
        }
        // Another thread, as the receive thread or the guidance would, while the file is
        // written and synced.
        std::thread other([&] {
            if (store.Lock().try_lock()) {
                lockFree = true;
                store.Lock().unlock();
                AddWaypoint("DURING", 2.0, 2.0);
            }
        });
        other.join();
    });
    ASSERT_FALSE(store.Save(file));
    EXPECT_TRUE(lockFree);
    EXPECT_THAT(Stored(), HasSubstr(",B*"));
    EXPECT_THAT(Stored(), Not(HasSubstr(",DURING*")));
    EXPECT_FALSE(store.IsSaved());

    file.SetStepObserver(nullptr);
    ASSERT_FALSE(store.Save(file));
    EXPECT_TRUE(store.IsSaved());
    EXPECT_THAT(Stored(), HasSubstr(",DURING*"));
}

TEST_F(StoreFileTest, AFileSizeLimitFailsTheSaveWithAMessageAndLeavesNoTemporaryFile) {
    const std::string old = kHeader + kHome;
    for (const bool ignored : {true, false}) {
        SCOPED_TRACE(ignored ? "SIGXFSZ ignored" : "SIGXFSZ as the system sets it");
        testpaths::TempDir dir;
        const fs::path path = dir / CNavigationDataBase::kStoreFileName;
        testpaths::WriteFileBytes(path, old);
        const int exit = InChildProcess([&] {
            std::signal(SIGXFSZ, ignored ? SIG_IGN : SIG_DFL);
            Other limited;
            StoreFile limitedFile(path);
            if (!limited.store.Load(limitedFile)) {
                return 10;
            }
            for (int i = 0; i < 100; ++i) {
                limited.store.StoreWaypoint(CWaypoint("W" + std::to_string(i), At(i * 0.1, 1.0)),
                                            false, "/x.txt");
            }
            const struct rlimit limit { 2000, 2000 };
            ::setrlimit(RLIMIT_FSIZE, &limit);
            const auto error = limited.store.Save(limitedFile);
            if (!error || error->error != EFBIG || limited.store.IsSaved()) {
                return 11;
            }
            const std::vector<std::string> texts = limited.prompts.Texts();
            return texts.size() == 1 && texts[0].starts_with("WriteFile failed, error 27: ") ? 0
                                                                                             : 12;
        });
        EXPECT_EQ(exit, 0);
        std::vector<std::string> files;
        for (const fs::directory_entry& entry : fs::directory_iterator(dir.Path())) {
            files.push_back(entry.path().filename().string());
        }
        EXPECT_THAT(files, ElementsAre("NaviStor.zrv"));
        EXPECT_EQ(testpaths::ReadFileBytes(path), old);
    }
}

// ---- Recovery from an interrupted save ------------------------------------------------

struct RecoveryCase {
    const char* label;
    std::optional<std::string> store;  // nothing: no file
    std::optional<std::string> fresh;  // "NaviStor.zrv~"
    std::optional<std::string> backup; // "NaviStor.zr~"
    bool backupIsNewer;
    std::vector<std::string> expectedWaypoints;
    const char* expectedSource; // "new", "backup" or nullptr
};

TEST_F(StoreFileTest, OpeningRecoversFromTheNewestCompleteFileOfAnInterruptedSave) {
    const std::string oldStore = kHeader + kHome;
    const std::string newStore = kHeader + kHome + kWork;
    const std::string cutShort = newStore.substr(0, newStore.size() - 7);
    const RecoveryCase cases[] = {
        {"moved to backup, new file not yet renamed",
         std::nullopt,
         newStore,
         oldStore,
         false,
         {"HOME", "WORK"},
         "new"},
        {"store left empty by a start after the loss",
         "",
         std::nullopt,
         oldStore,
         false,
         {"HOME"},
         "backup"},
        {"new file cut short", std::nullopt, cutShort, oldStore, false, {"HOME"}, "backup"},
        {"backup newer than the new file",
         std::nullopt,
         newStore,
         oldStore,
         true,
         {"HOME"},
         "backup"},
        {"store present: left alone", oldStore, newStore, std::nullopt, false, {"HOME"}, nullptr},
        {"nothing to recover", std::nullopt, std::nullopt, std::nullopt, false, {}, nullptr},
    };
    for (const RecoveryCase& c : cases) {
        SCOPED_TRACE(c.label);
        testpaths::TempDir dir;
        const fs::path path = dir / CNavigationDataBase::kStoreFileName;
        StoreFile crashed(path);
        const auto write = [](const fs::path& p, const std::optional<std::string>& bytes) {
            if (bytes) {
                testpaths::WriteFileBytes(p, *bytes);
            }
        };
        write(path, c.store);
        write(crashed.NewFilePath(), c.fresh);
        write(crashed.BackupPath(), c.backup);
        const auto now = fs::file_time_type::clock::now();
        if (c.fresh && c.backup) {
            fs::last_write_time(crashed.NewFilePath(), now - std::chrono::hours(c.backupIsNewer));
            fs::last_write_time(crashed.BackupPath(), now - std::chrono::hours(!c.backupIsNewer));
        }

        Other other;
        ASSERT_TRUE(other.store.Load(crashed));
        std::vector<std::string> names;
        other.store.ForEachWaypoint([&](const CWaypoint& w) { names.push_back(w.Name()); });
        EXPECT_EQ(names, c.expectedWaypoints);
        if (c.expectedSource == nullptr) {
            EXPECT_FALSE(crashed.RecoveredFrom());
        } else {
            const fs::path source = std::string(c.expectedSource) == "new" ? crashed.NewFilePath()
                                                                           : crashed.BackupPath();
            EXPECT_EQ(crashed.RecoveredFrom(), source);
            EXPECT_TRUE(CheckStoreText(testpaths::ReadFileBytes(path)).IsSound());
        }
        if (c.backup) {
            EXPECT_EQ(testpaths::ReadFileBytes(crashed.BackupPath()), *c.backup);
        }
        EXPECT_TRUE(fs::exists(path));
        EXPECT_TRUE(crashed.CanWrite());
    }
}

// ---- The lock -------------------------------------------------------------------------

TEST_F(StoreFileTest, AStoreHeldByAnotherProgramCanBeReadButNotWritten) {
    testpaths::WriteFileBytes(StorePath(), kHeader + kHome);
    ASSERT_TRUE(store.Load(file));
    ASSERT_TRUE(file.CanWrite());

    Other second;
    StoreFile secondFile(StorePath());
    secondFile.SetLockWait(std::chrono::milliseconds(0));
    ASSERT_TRUE(second.store.Load(secondFile));
    EXPECT_TRUE(secondFile.IsHeldByOther());
    EXPECT_EQ(second.store.Count(NavItemKind::Waypoint), 1);
    EXPECT_THAT(second.prompts.Texts(),
                ElementsAre("The navigation store '" + StorePath().string() +
                            "' is used by another program. Its waypoints and routes are shown; "
                            "changes are saved only if that program has let it go by then."));

    second.store.StoreWaypoint(CWaypoint("LOST", At(1.0, 1.0)), false, "/x.txt");
    EXPECT_TRUE(second.store.Save(secondFile));
    EXPECT_EQ(second.prompts.Texts().back(), "The navigation store '" + StorePath().string() +
                                                 "' is used by another program. The changes "
                                                 "were not saved.");
    EXPECT_EQ(Stored(), kHeader + kHome);

    // The first program's save replaces the file and keeps holding it.
    AddWaypoint("B", 1.0, 1.0);
    ASSERT_FALSE(store.Save(file));
    StoreFile third(StorePath());
    ASSERT_FALSE(third.Open(StoreFile::Access::ReadWrite));
    EXPECT_TRUE(third.IsHeldByOther());
    third.Close();

    file.Close();
    ASSERT_FALSE(third.Open(StoreFile::Access::ReadWrite));
    EXPECT_TRUE(third.CanWrite());
}

TEST_F(StoreFileTest, AStoreHeldAtStartIsSavedOnceFreeAndKeepsWhatTheOtherProgramSaved) {
    testpaths::WriteFileBytes(StorePath(), kHeader + kHome + kWork);
    auto holder = std::make_unique<Other>();
    StoreFile holderFile(StorePath());
    ASSERT_TRUE(holder->store.Load(holderFile));
    ASSERT_TRUE(store.Load(file));
    ASSERT_TRUE(file.IsHeldByOther());
    EXPECT_THAT(prompts.Texts(), ElementsAre(HasSubstr("changes are saved only if that program "
                                                       "has let it go by then")));

    // Both programs change the store; the other one saves and lets go.
    ASSERT_TRUE(holder->store.DeleteWaypointByName("WORK"));
    holder->store.StoreWaypoint(CWaypoint("OTHER", At(2.0, 2.0)), false, "/x.txt");
    holder->store.StoreWaypoint(CWaypoint("BOTH", At(3.0, 3.0)), false, "/x.txt");
    ASSERT_FALSE(holder->store.Save(holderFile));
    holderFile.Close();
    AddWaypoint("MINE", 4.0, 4.0);
    AddWaypoint("BOTH", 5.0, 5.0);

    ASSERT_FALSE(store.Save(file));
    EXPECT_TRUE(file.CanWrite());
    EXPECT_TRUE(store.IsSaved());
    EXPECT_EQ(WaypointNames(), (Names{"HOME", "MINE", "BOTH", "OTHER"}));
    EXPECT_EQ(store.Waypoint(2).Position(), At(5.0, 5.0)); // changed by both: this one's stays
    file.Close();
    EXPECT_EQ(NamesInFile(StorePath()), (Names{"HOME", "MINE", "BOTH", "OTHER"}));
}

TEST_F(StoreFileTest, ASaveWaitsForAProgramThatIsSavingAndSaysSoWhenTheStoreStaysHeld) {
    testpaths::WriteFileBytes(StorePath(), kHeader + kHome);
    ASSERT_TRUE(store.Load(file));
    AddWaypoint("MINE", 4.0, 4.0);
    // Another program takes the store for a save of its own just before this one saves.
    file.Close();
    auto holder = std::make_unique<Other>();
    auto holderFile = std::make_unique<StoreFile>(StorePath());
    ASSERT_TRUE(holder->store.Load(*holderFile));
    ASSERT_FALSE(file.Open(StoreFile::Access::ReadWrite));
    ASSERT_TRUE(file.IsHeldByOther());
    int waits = 0;
    file.SetStepObserver([&](StoreFileStep step) {
        if (step == StoreFileStep::WaitingForLock && ++waits == 2) {
            holder->store.StoreWaypoint(CWaypoint("OTHER", At(2.0, 2.0)), false, "/x.txt");
            EXPECT_FALSE(holder->store.Save(*holderFile));
            holderFile.reset();
        }
    });
    ASSERT_FALSE(store.Save(file));
    EXPECT_EQ(waits, 2);
    file.Close();
    EXPECT_EQ(NamesInFile(StorePath()), (Names{"HOME", "MINE", "OTHER"}));

    // Held for good: after the wait the changes are reported as not saved.
    holderFile = std::make_unique<StoreFile>(StorePath());
    ASSERT_FALSE(holderFile->Open(StoreFile::Access::ReadWrite));
    ASSERT_FALSE(file.Open(StoreFile::Access::ReadWrite));
    ASSERT_TRUE(file.IsHeldByOther());
    file.SetLockWait(std::chrono::milliseconds(100));
    waits = 0;
    file.SetStepObserver(
        [&](StoreFileStep step) { waits += step == StoreFileStep::WaitingForLock; });
    AddWaypoint("LATER", 6.0, 6.0);
    prompts.Clear();
    const auto error = store.Save(file);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->error, EWOULDBLOCK);
    EXPECT_GE(waits, 1);
    EXPECT_FALSE(store.IsSaved());
    EXPECT_THAT(prompts.Texts(), ElementsAre(HasSubstr("The changes were not saved.")));
    EXPECT_THAT(Stored(), Not(HasSubstr(",LATER*")));
}

TEST_F(StoreFileTest, AProgramThatOpenedTheStoreBeforeAnotherSavedItLocksTheNewFile) {
    testpaths::WriteFileBytes(StorePath(), kHeader + kHome);
    bool otherSaved = false;
    file.SetStepObserver([&](StoreFileStep step) {
        if (step != StoreFileStep::Opened || otherSaved) {
            return;
        }
        otherSaved = true;
        // Between this program's open and its lock, another program saves a waypoint.
        EXPECT_EQ(InChildProcess([&] {
                      Other second;
                      StoreFile secondFile(StorePath());
                      const bool saved =
                          second.store.Load(secondFile) &&
                          second.store.StoreWaypoint(CWaypoint("OTHER", At(2.0, 2.0)), false,
                                                     "/x.txt") >= 0 &&
                          !second.store.Save(secondFile);
                      return saved ? 0 : 1;
                  }),
                  0);
    });

    ASSERT_TRUE(store.Load(file));
    ASSERT_TRUE(file.CanWrite());
    EXPECT_EQ(WaypointNames(), (Names{"HOME", "OTHER"}));
    AddWaypoint("MINE", 3.0, 3.0);
    ASSERT_FALSE(store.Save(file));
    file.Close();
    EXPECT_EQ(NamesInFile(StorePath()), (Names{"HOME", "OTHER", "MINE"}));
}

TEST_F(StoreFileTest, AStoreReplacedAtEveryAttemptToLockItIsLeftToTheProgramSavingIt) {
    testpaths::WriteFileBytes(StorePath(), kHeader + kHome);
    file.SetLockWait(std::chrono::milliseconds(0));
    file.SetStepObserver([&](StoreFileStep step) {
        if (step == StoreFileStep::Opened) {
            testpaths::WriteFileBytes(file.NewFilePath(), kHeader + kHome);
            fs::rename(file.NewFilePath(), StorePath());
        }
    });
    ASSERT_TRUE(store.Load(file));
    EXPECT_TRUE(file.IsHeldByOther());
    EXPECT_EQ(WaypointNames(), (Names{"HOME"}));
    AddWaypoint("MINE", 3.0, 3.0);
    EXPECT_TRUE(store.Save(file));
    EXPECT_THAT(prompts.Texts().back(), HasSubstr("The changes were not saved."));
}

// ---- A damaged store -------------------------------------------------------------------

TEST_F(StoreFileTest, AStoreCutShortKeepsWhatItHoldsAndWhatOnlyItsBackupHoldsAndSparesTheBackup) {
    const std::string complete = kHeader + kHome + kWork + kBeach + kRoute;
    const std::string homeMoved = Line("$GPWPL,0200.0000,N,00200.0000,E,HOME*");
    const std::string newer = Line("$GPWPL,0300.0000,N,00300.0000,E,NEWER*");
    const std::string cut = kHeader + homeMoved + newer + kWork.substr(0, 12);
    testpaths::WriteFileBytes(file.BackupPath(), complete);
    testpaths::WriteFileBytes(StorePath(), cut);

    ASSERT_TRUE(store.Load(file));
    const fs::path kept = folder / "NaviStor-damaged-1.zrv";
    EXPECT_THAT(prompts.Texts(),
                ElementsAre("The navigation store '" + StorePath().string() +
                            "' is damaged: it ends in the middle of line 10. The damaged file was "
                            "kept as '" +
                            kept.string() +
                            "'. What could be read was loaded, together with 2 waypoints and 1 "
                            "route that only its complete copy '" +
                            file.BackupPath().string() + "' holds."));
    EXPECT_EQ(testpaths::ReadFileBytes(kept), cut);
    // The damaged file is the newer one: its items first and as it has them.
    EXPECT_EQ(WaypointNames(), (Names{"HOME", "NEWER", "WORK", "BEACH"}));
    EXPECT_EQ(store.Waypoint(0).Position(), At(2.0, 2.0));
    EXPECT_EQ(store.Route(0).Name(), "R1");
    EXPECT_FALSE(store.IsSaved()); // the file on disk is still the damaged one

    AddWaypoint("NEW", 6.0, 6.0);
    ASSERT_FALSE(store.Save(file));
    EXPECT_EQ(NamesInFile(StorePath()), (Names{"HOME", "NEWER", "WORK", "BEACH", "NEW"}));
    // A damaged store never replaces a complete backup.
    EXPECT_EQ(testpaths::ReadFileBytes(file.BackupPath()), complete);
    const std::string firstSave = Stored();

    AddWaypoint("LATER", 7.0, 7.0);
    ASSERT_FALSE(store.Save(file));
    EXPECT_EQ(testpaths::ReadFileBytes(file.BackupPath()), firstSave);
    EXPECT_EQ(testpaths::ReadFileBytes(kept), cut);
}

TEST_F(StoreFileTest, AStoreCutAtALineEndIsFoundByItsBackupAndNeverBecomesTheBackup) {
    struct Case {
        const char* label;
        std::string backup;
        std::string store;
        int stopsAfter;
    };
    const std::string older = kHeader + kHome + kWork + kBeach;
    const Case cases[] = {
        // An older version's files, without the end line: the store is a part of the backup.
        {"the beginning of an older backup", older, kHeader + kHome, 8},
        // This program's backup ends with the end line, and so did the store it wrote.
        {"a store without the end line this program writes", older + kEnd,
         kHeader + kHome + kWork + kRoute, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        testpaths::TempDir dir;
        const fs::path path = dir / CNavigationDataBase::kStoreFileName;
        StoreFile cutFile(path);
        testpaths::WriteFileBytes(cutFile.BackupPath(), c.backup);
        testpaths::WriteFileBytes(path, c.store);

        Other other;
        ASSERT_TRUE(other.store.Load(cutFile));
        ASSERT_EQ(other.prompts.Texts().size(), 1u);
        EXPECT_THAT(other.prompts.Texts()[0],
                    HasSubstr("is damaged: its end is missing, it stops after line " +
                              std::to_string(c.stopsAfter) + ". The damaged file was kept as"));
        std::vector<std::string> names;
        other.store.ForEachWaypoint([&](const CWaypoint& w) { names.push_back(w.Name()); });
        EXPECT_EQ(names, (Names{"HOME", "WORK", "BEACH"}));

        ASSERT_FALSE(other.store.Save(cutFile));
        EXPECT_EQ(testpaths::ReadFileBytes(cutFile.BackupPath()), c.backup);
        EXPECT_TRUE(CheckStoreText(testpaths::ReadFileBytes(path)).endLine);
    }

    // A complete store of an older version beside its older backup loads as it is.
    testpaths::WriteFileBytes(file.BackupPath(), kHeader + kHome);
    testpaths::WriteFileBytes(StorePath(), kHeader + kHome + kWork);
    ASSERT_TRUE(store.Load(file));
    EXPECT_THAT(prompts.Texts(), ::testing::IsEmpty());
    EXPECT_TRUE(store.IsSaved());
}

TEST_F(StoreFileTest, ADamagedLineIsNamedAndStaysInTheKeptFileWhateverIsSavedLater) {
    std::string damaged = kHeader + kHome + kWork + kRoute;
    damaged[kHeader.size() + kHome.size() + 10] = '7'; // line 9, WORK
    testpaths::WriteFileBytes(StorePath(), damaged);
    const std::string prefix =
        "The navigation store '" + StorePath().string() + "' is damaged: line 9 could not be read.";
    const fs::path kept = folder / "NaviStor-damaged-1.zrv";

    // A program that only reads the store says so and writes nothing.
    Other viewer;
    StoreFile readOnly(StorePath());
    ASSERT_FALSE(readOnly.Open(StoreFile::Access::ReadOnly));
    ASSERT_TRUE(viewer.store.Load(readOnly));
    EXPECT_THAT(viewer.prompts.Texts(), ElementsAre(prefix + " What could be read was loaded."));
    EXPECT_TRUE(viewer.store.IsSaved());
    EXPECT_FALSE(fs::exists(kept));

    ASSERT_TRUE(store.Load(file));
    EXPECT_THAT(prompts.Texts(), ElementsAre(prefix + " The damaged file was kept as '" +
                                             kept.string() + "'. What could be read was loaded."));
    EXPECT_EQ(WaypointNames(), (Names{"HOME"}));
    ASSERT_FALSE(store.Save(file));
    AddWaypoint("NEW", 6.0, 6.0);
    ASSERT_FALSE(store.Save(file));
    EXPECT_EQ(testpaths::ReadFileBytes(kept), damaged);
    EXPECT_EQ(NamesInFile(StorePath()), (Names{"HOME", "NEW"}));
}

TEST_F(StoreFileTest, ADamagedStoreThatCannotBeKeptAsideIsNeitherLoadedNorWrittenOver) {
    // The kept file's name is too long for the file system, the store's own names are not.
    const fs::path path = folder / (std::string(245, 'N') + ".zrv");
    const std::string damaged = kHeader + kHome.substr(0, 20);
    testpaths::WriteFileBytes(path, damaged);
    StoreFile longName(path);

    ASSERT_FALSE(store.Load(longName));
    EXPECT_FALSE(longName.IsOpen());
    ASSERT_EQ(prompts.Shown().size(), 2u);
    EXPECT_THAT(prompts.Shown()[0].text, StartsWith("CreateFile failed, error 36: "));
    EXPECT_THAT(prompts.Texts()[1], HasSubstr("It could not be kept aside, so it was not loaded"));

    AddWaypoint("NEW", 6.0, 6.0);
    EXPECT_TRUE(store.Save(longName));
    EXPECT_EQ(testpaths::ReadFileBytes(path), damaged);
}

// A program stopped after each step of its save, as by a crash or a power cut.
TEST_F(StoreFileTest, ACrashAtAnyStepOfASaveLeavesACompleteStoreAndBackupAndNothingIsLost) {
    const std::string older = kHeader + kHome;
    const std::string old = kHeader + kHome + kWork;
    for (const StoreFileStep crashAt :
         {StoreFileStep::TemporaryFileWritten, StoreFileStep::NewFileWritten,
          StoreFileStep::BackupLinked, StoreFileStep::BackupReplaced,
          StoreFileStep::StoreReplaced}) {
        SCOPED_TRACE(static_cast<int>(crashAt));
        testpaths::TempDir dir;
        const fs::path path = dir / CNavigationDataBase::kStoreFileName;
        StoreFile survivor(path);
        testpaths::WriteFileBytes(path, old);
        testpaths::WriteFileBytes(survivor.BackupPath(), older);

        const int exit = InChildProcess([&] {
            Other crashing;
            StoreFile crashingFile(path);
            crashingFile.SetStepObserver([crashAt](StoreFileStep step) {
                if (step == crashAt) {
                    ::_exit(0);
                }
            });
            crashing.store.Load(crashingFile);
            crashing.store.StoreWaypoint(CWaypoint("NEW", At(6.0, 6.0)), false, "/x.txt");
            crashing.store.Save(crashingFile);
            return 1; // the step was never reached
        });
        ASSERT_EQ(exit, 0);

        const bool saved = crashAt == StoreFileStep::StoreReplaced;
        EXPECT_EQ(NamesInFile(path),
                  saved ? (Names{"HOME", "WORK", "NEW"}) : (Names{"HOME", "WORK"}));
        EXPECT_EQ(testpaths::ReadFileBytes(survivor.BackupPath()),
                  crashAt < StoreFileStep::BackupReplaced ? older : old);

        // The next program's save goes through and tidies up.
        Other next;
        ASSERT_TRUE(next.store.Load(survivor));
        EXPECT_THAT(next.prompts.Texts(), ::testing::IsEmpty());
        const std::string loaded = testpaths::ReadFileBytes(path);
        next.store.StoreWaypoint(CWaypoint("LATER", At(7.0, 7.0)), false, "/x.txt");
        ASSERT_FALSE(next.store.Save(survivor));
        EXPECT_EQ(testpaths::ReadFileBytes(survivor.BackupPath()), loaded);
        EXPECT_THAT(testpaths::ReadFileBytes(path), HasSubstr(",LATER*"));
        EXPECT_FALSE(fs::exists(survivor.NewFilePath()));
        EXPECT_FALSE(fs::exists(survivor.TemporaryPath()));
        EXPECT_FALSE(fs::exists(survivor.BackupPath().string() + "~"));
    }
}

TEST_F(StoreFileTest, TheNewFileLoadedInPlaceOfADamagedStoreOutlivesASaveThatStops) {
    const std::string complete = kHeader + kHome + kWork;
    testpaths::WriteFileBytes(StorePath(), kHeader + kHome.substr(0, 9));
    testpaths::WriteFileBytes(file.NewFilePath(), complete); // left by a save that stopped

    const int exit = InChildProcess([&] {
        Other crashing;
        StoreFile crashingFile(StorePath());
        crashingFile.SetStepObserver([](StoreFileStep step) {
            if (step == StoreFileStep::TemporaryFileWritten) {
                ::_exit(0);
            }
        });
        crashing.store.Load(crashingFile);
        crashing.store.StoreWaypoint(CWaypoint("NEW", At(6.0, 6.0)), false, "/x.txt");
        crashing.store.Save(crashingFile);
        return 1;
    });
    ASSERT_EQ(exit, 0);
    EXPECT_EQ(testpaths::ReadFileBytes(file.NewFilePath()), complete);

    ASSERT_TRUE(store.Load(file));
    EXPECT_EQ(WaypointNames(), (Names{"HOME", "WORK"}));
    ASSERT_FALSE(store.Save(file));
    EXPECT_EQ(NamesInFile(StorePath()), (Names{"HOME", "WORK"}));
}

// ---- Route export and real files --------------------------------------------------------

TEST_F(StoreFileTest, TheRouteExportHoldsTheRouteWaypointsThatResolveAndTheRoute) {
    store.FeedLine(kWork, "/data/gps.txt");
    AddRoute("R1", {"HOME", "GONE", "WORK"});
    EXPECT_EQ(store.RouteExportText(0),
              "$PZRVPVD,Velmora Recorder 3,v3.9.91*7F\r\n"
              "$PZRVCRT,Copyright (c) 2009 Velmora Records,All rights reserved*21\r\n"
              "$PZRVWRG,WARNING!,Please!,Do NOT change or delete this file!*59\r\n"
              "$PZRVWRG,WARNING!,The file contains the waypoints-*5F\r\n"
              "$PZRVWRG,WARNING!,-of a route*1B\r\n" +
                  kWork + "$GPRTE,1,1,C,R1,HOME,GONE,WORK*55\r\n");
    EXPECT_FALSE(store.RouteExportText(1));
}

TEST_F(StoreFileTest, WaypointAndRouteFilesOfOtherProgramsLoadAsTheStoreReadsThem) {
    CORPUS_DIR_OR_SKIP(corpus);
    const auto feed = [&](const char* name) {
        const fs::path path = corpus / "nmea" / name;
        store.FeedContent(testpaths::ReadFileBytes(path), path.string());
    };
    feed("waypoints.nmea"); // nine geocaches, LF line ends
    ASSERT_EQ(store.Count(NavItemKind::Waypoint), 9);
    const CWaypoint first = store.Waypoint(0);
    EXPECT_EQ(first.Name(), "GCEBB");
    EXPECT_EQ(first.Position().Latitude().DisplayText(), "N 35\xC2\xB0"
                                                         "58.3220'");
    EXPECT_EQ(first.Position().Longitude().DisplayText(), "W 087\xC2\xB0"
                                                          "08.0820'");
    EXPECT_EQ(store.Waypoint(8).Name(), "GC317D");
    EXPECT_EQ(store.LastImportKind(), ImportKind::SeveralWaypoints);

    feed("GPSmap-76S.log"); // "$GPRTE,1,1,c,*37": a route without a name is no route
    EXPECT_EQ(store.Count(NavItemKind::Route), 0);
    feed("garmin38.log"); // "$GPRTE,1,1,c,0*07": route "0" without waypoints, five times
    ASSERT_EQ(store.Count(NavItemKind::Route), 1);
    EXPECT_EQ(store.Route(0).Name(), "0");
    EXPECT_EQ(store.Route(0).WaypointCount(), 0);
    EXPECT_TRUE(prompts.Texts().empty());
}

} // namespace
