#include "comm/RecordFile.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

struct NameCase {
    CalendarFields start;
    const char* name;
};

TEST(RecordFile, NameCarriesTheStartTimeAndTheWeekday) {
    const NameCase cases[] = {
        {{2009, 1, 27, 14, 9, 1}, "2009_01_27_14_09_01_Tue.txt"},
        {{2009, 1, 30, 0, 0, 0}, "2009_01_30_00_00_00_Fr.txt"}, // two letters for Friday
        {{2009, 2, 1, 23, 59, 59}, "2009_02_01_23_59_59_Sun.txt"},
        {{2026, 5, 4, 7, 30, 0}, "2026_05_04_07_30_00_Mon.txt"},
        {{2000, 3, 1, 12, 0, 0}, "2000_03_01_12_00_00_Wed.txt"},
        {{1969, 12, 31, 12, 0, 0}, "1969_12_31_12_00_00_Wed.txt"},
        {{2024, 2, 29, 8, 5, 9}, "2024_02_29_08_05_09_Thu.txt"},
        {{2026, 5, 2, 8, 5, 9}, "2026_05_02_08_05_09_Sat.txt"},
    };
    for (const NameCase& c : cases) {
        EXPECT_EQ(RecordFile::FileName(MakeCalendarTime(c.start)), c.name);
    }
}

TEST(RecordFile, NeverOpensAnExistingFile) {
    testpaths::TempDir dir;
    const auto path = dir / "2009_01_27_14_09_01_Tue.txt";
    testpaths::WriteFileBytes(path, "kept recording\r\n");
    RecordFile file;
    EXPECT_EQ(file.Create(path), EEXIST);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(testpaths::ReadFileBytes(path), "kept recording\r\n");
}

TEST(RecordFile, EachAppendIsInTheFileAtOnce) {
    testpaths::TempDir dir;
    const auto path = dir / "r.txt";
    RecordFile file;
    ASSERT_EQ(file.Create(path), 0);
    EXPECT_EQ(file.Append("$GPGLL,1*00\r\n"), RecordFile::Outcome::Written);
    // Read back while the file is still open: nothing waits in a buffer of ours.
    EXPECT_EQ(testpaths::ReadFileBytes(path), "$GPGLL,1*00\r\n");
    EXPECT_EQ(file.Append(""), RecordFile::Outcome::NotWritten);
    EXPECT_EQ(file.Append("$GPGLL,2*00\r\n"), RecordFile::Outcome::Written);
    file.Close();
    EXPECT_EQ(file.Append("$late"), RecordFile::Outcome::NotWritten);
    EXPECT_EQ(file.Delete(), 0);
    EXPECT_FALSE(std::filesystem::exists(path));
}

// A disk that fills up: after `room` bytes every write fails with ENOSPC; the write that
// reaches the limit stores what still fits, as a real file system does. Syncs are counted.
class FillingDisk : public PosixSystemCalls {
public:
    explicit FillingDisk(std::size_t room) : m_room(room) {}
    ssize_t Write(int fd, const void* data, std::size_t size) override {
        if (m_room == 0) {
            errno = ENOSPC;
            return -1;
        }
        const std::size_t part = std::min(size, m_room);
        m_room -= part;
        return PosixSystemCalls::Write(fd, data, part);
    }
    int DataSync(int fd) override {
        ++m_syncs;
        if (m_syncError != 0) {
            errno = m_syncError;
            return -1;
        }
        return PosixSystemCalls::DataSync(fd);
    }
    std::size_t m_room;
    int m_syncs = 0;
    int m_syncError = 0;
};

TEST(RecordFile, AfterAFailedWriteLaterSentencesAreTriedAndTheFailureIsKept) {
    testpaths::TempDir dir;
    const auto path = dir / "r.txt";
    FillingDisk disk(20);
    RecordFile file(disk);
    ASSERT_EQ(file.Create(path), 0);
    EXPECT_EQ(file.Append("$GPGLL,1*00\r\n"), RecordFile::Outcome::Written);
    // Half of it fitted: cut back, so the file holds whole sentences only.
    EXPECT_EQ(file.Append("$GPGLL,2*00\r\n"), RecordFile::Outcome::Failed);
    EXPECT_EQ(file.Append("$GPGLL,3*00\r\n"), RecordFile::Outcome::Failed);
    disk.m_room = 100;
    EXPECT_EQ(file.Append("$GPGLL,4*00\r\n"), RecordFile::Outcome::Written);
    EXPECT_EQ(std::string(file.FailedCall()), "WriteFile");
    EXPECT_EQ(file.FailureError(), ENOSPC);
    EXPECT_EQ(file.UnwrittenSentences(), 2u);
    file.Close();
    EXPECT_EQ(testpaths::ReadFileBytes(path), "$GPGLL,1*00\r\n$GPGLL,4*00\r\n");

    // A new recording starts clean.
    ASSERT_EQ(file.Create(dir / "s.txt"), 0);
    EXPECT_EQ(file.FailureError(), 0);
    EXPECT_EQ(file.UnwrittenSentences(), 0u);
}

// The clock of a test: it moves only when the test moves it.
struct ManualClock {
    std::chrono::steady_clock::time_point now{};
    RecordFile::Clock Function() {
        return [this] { return now; };
    }
};

TEST(RecordFile, SyncsAtMostOnceASecondWhileWritingAndOnceMoreAtTheClose) {
    testpaths::TempDir dir;
    FillingDisk disk(1 << 20);
    ManualClock clock;
    RecordFile file(disk, clock.Function());
    ASSERT_EQ(file.Create(dir / "r.txt"), 0);
    using std::chrono::milliseconds;
    const std::string sentence = "$GPGLL,1*00\r\n";
    // Ten sentences a second for three seconds.
    for (int tenth = 1; tenth <= 30; ++tenth) {
        clock.now += milliseconds(100);
        ASSERT_EQ(file.Append(sentence), RecordFile::Outcome::Written);
    }
    EXPECT_EQ(disk.m_syncs, 3);
    // Silence: nothing is synced without data.
    clock.now += milliseconds(5000);
    EXPECT_EQ(disk.m_syncs, 3);
    file.Append(sentence);
    EXPECT_EQ(disk.m_syncs, 4);
    file.Append(sentence);
    file.Close();
    EXPECT_EQ(disk.m_syncs, 5);
    EXPECT_EQ(file.FailureError(), 0);

    // Closing right after a sync has nothing more to sync; deleting never syncs.
    ASSERT_EQ(file.Create(dir / "s.txt"), 0);
    file.Close();
    ASSERT_EQ(file.Create(dir / "t.txt"), 0);
    file.Append(sentence);
    EXPECT_EQ(file.Delete(), 0);
    EXPECT_EQ(disk.m_syncs, 5);
}

TEST(RecordFile, AFailedSyncIsKeptAsTheFailure) {
    testpaths::TempDir dir;
    FillingDisk disk(1 << 20);
    disk.m_syncError = EIO;
    RecordFile file(disk);
    ASSERT_EQ(file.Create(dir / "r.txt"), 0);
    EXPECT_EQ(file.Append("$GPGLL,1*00\r\n"), RecordFile::Outcome::Written);
    file.Close();
    EXPECT_EQ(std::string(file.FailedCall()), "FlushFileBuffers");
    EXPECT_EQ(file.FailureError(), EIO);
    EXPECT_EQ(file.UnwrittenSentences(), 0u);
}

} // namespace
