// The receive path of a recording fed through a pseudo-terminal as fast as it takes: sentence
// assembly, the navigation store's offer, one write(2) per sentence to the record file, and the
// decode into track 2 under its lock. The floor is `cat` reading the same kind of terminal into
// a file, measured in the same run. Every sentence must arrive: the record file is compared
// with what the assembly keeps of the stream.
//
// usage: zrv-receive-bench [--hours H] (default 6 hours of a 1 Hz drive)
#include "bench/DriveSentences.h"
#include "bench/DriveSimulator.h"
#include "comm/ApplicationCore.h"
#include "comm/HeadlessViewHost.h"
#include "nmea/ProprietarySentences.h"
#include "platform/PlatformPaths.h"
#include "platform/Prompts.h"
#include "platform/RegistryStore.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::time_t kStart = 1777620600; // 2026-05-01 07:30:00 UTC

std::string DriveStream(long seconds) {
    std::string out;
    DriveSimulator drive(46.94809, 7.44744, 1);
    for (long t = 0; t < seconds; ++t) {
        AppendDriveSecond(out, drive.Step(), kStart + t, t);
    }
    return out + "$"; // completes the last sentence
}

// A pseudo-terminal in raw mode on both sides; the writer holds the master.
struct Terminal {
    Terminal() {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        grantpt(master);
        unlockpt(master);
        slave = ptsname(master);
        // Held open so that the raw settings stay while the reader opens and closes it.
        keeper = open(slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios attributes{};
        tcgetattr(keeper, &attributes);
        cfmakeraw(&attributes);
        tcsetattr(keeper, TCSANOW, &attributes);
    }
    ~Terminal() {
        close(keeper);
        close(master);
    }
    void Write(const std::string& bytes) const {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = write(master, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            }
        }
    }
    int master = -1;
    int keeper = -1;
    std::string slave;
};

std::uintmax_t SizeOf(const std::filesystem::path& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

// Seconds from the first byte written until the file holds `bytes` bytes.
double TimeUntilFileHolds(const Terminal& terminal, const std::string& stream,
                          const std::filesystem::path& file, std::uintmax_t bytes) {
    const auto start = Clock::now();
    std::thread writer([&] { terminal.Write(stream); });
    while (SizeOf(file) < bytes) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        if (Clock::now() - start > std::chrono::minutes(5)) {
            break;
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    writer.join();
    return seconds;
}

double CatFloor(const std::string& stream, const std::filesystem::path& dir) {
    Terminal terminal;
    const std::filesystem::path out = dir / "cat.out";
    const pid_t pid = fork();
    if (pid == 0) {
        const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, STDOUT_FILENO);
        execlp("cat", "cat", terminal.slave.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // cat must have the terminal open before the first byte, or the bytes wait for it anyway.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const double seconds = TimeUntilFileHolds(terminal, stream, out, stream.size());
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    return seconds;
}

// Answers the question at the end of the recording with No: the file is not kept.
class DiscardPrompts final : public IPrompts {
public:
    PromptAnswer Show(const PromptRequest& request) override {
        if (request.buttons == PromptButtons::YesNo) {
            return PromptAnswer::No;
        }
        std::fprintf(stderr, "%s: %s\n", request.caption.c_str(), request.text.c_str());
        return PromptAnswer::Ok;
    }
};

struct Recorded {
    double seconds = 0.0;
    bool complete = false;
    int points = 0;
};

Recorded Record(const std::string& stream, const std::filesystem::path& dir) {
    Terminal terminal;
    PlatformPaths paths = PlatformPaths::Below(dir);
    DiscardPrompts prompts;
    RegistryStore registry(paths, &prompts);
    HeadlessViewHost view;
    HeadlessTimers timers;
    FixedClock clock(MakeCalendarTime({2026, 5, 1, 7, 30, 0}));
    ApplicationCore app(ApplicationServices{paths, registry, prompts, view, timers, clock});
    Recorded result;
    if (!app.Start(false)) {
        return result;
    }
    app.SerialSource().SetPortName(terminal.slave);
    app.RecordCommand();
    const std::filesystem::path file = app.SerialSource().RecordFileName();
    const std::string expected = ProductVersionLine() + NoticeLine() +
                                 SourceLine(terminal.slave).value_or("") +
                                 stream.substr(0, stream.size() - 1);
    result.seconds = TimeUntilFileHolds(terminal, stream, file, expected.size());
    std::ifstream in(file, std::ios::binary);
    const std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    result.complete = got == expected;
    {
        std::lock_guard lock(app.TrackLock(kEngineTrack2));
        result.points = app.Document().Track(kEngineTrack2).PointCount();
    }
    app.RecordCommand();
    view.DropPosted();
    return result;
}

} // namespace

int main(int argc, char** argv) {
    double hours = 6.0;
    if (argc == 3 && std::string(argv[1]) == "--hours") {
        hours = std::atof(argv[2]);
    } else if (argc != 1) {
        std::fprintf(stderr, "usage: zrv-receive-bench [--hours H]\n");
        return 2;
    }
    const std::string stream = DriveStream(static_cast<long>(hours * 3600));
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("zrv-receive-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const double megabytes = static_cast<double>(stream.size()) / 1e6;

    const double cat = CatFloor(stream, dir);
    const Recorded recorded = Record(stream, dir);
    std::filesystem::remove_all(dir);

    std::printf("stream: %.2f MB, %.1f hours of 1 Hz drive\n", megabytes, hours);
    std::printf("cat (floor):     %7.3f s  %8.2f MB/s\n", cat, megabytes / cat);
    std::printf("receive path:    %7.3f s  %8.2f MB/s  points %d  every sentence in the file: %s\n",
                recorded.seconds, megabytes / recorded.seconds, recorded.points,
                recorded.complete ? "yes" : "NO");
    return recorded.complete ? 0 : 1;
}
