// A played hour served to 100 readers on the loopback address: 3600 bursts composed from a
// one-hour drive, each handed to the TCP server's readers as the destination's send thread
// hands it over. The readers run in a child process, so that the CPU time measured (the
// process's own: the handing-over thread and the serving thread) is the server's alone; the
// loopback delivery that the kernel does while sending is counted with it. Every reader must
// receive every burst, byte for byte.
#include "bench/DriveSentences.h"
#include "bench/DriveSimulator.h"
#include "comm/NetworkReaders.h"
#include "comm/PlaybackBurst.h"
#include "comm/PlaybackCursor.h"
#include "comm/WorkerThreadSlot.h"
#include "tracks/Track.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kReaders = 100;
constexpr long kSeconds = 3600;
constexpr std::time_t kStart = 1777620600; // 2026-05-01 07:30:00 UTC
// Between two bursts: the readers keep up, as they would at one burst a second.
constexpr auto kPace = std::chrono::microseconds(1500);

std::vector<std::string> HourOfBursts() {
    CTrack track;
    DriveSimulator drive(46.94809, 7.44744, 1);
    std::string second;
    bool outOfMemory = false;
    for (long t = 0; t < kSeconds; ++t) {
        second.clear();
        AppendDriveSecond(second, drive.Step(), kStart + t, t);
        std::string_view rest = second;
        while (!rest.empty()) {
            const std::size_t end = rest.find('\n') + 1;
            track.DecodeLine(rest.substr(0, end), outOfMemory);
            rest.remove_prefix(end);
        }
    }
    track.SetPlaybackMode(PlaybackMode::Play);
    track.SetCurrentIndex(0);
    std::vector<std::string> bursts;
    for (long i = 0; i < kSeconds; ++i) {
        FetchAndAdvance(track);
        bursts.push_back(ComposeBurst(track, i % kBurstsPerSatelliteReport == 0));
    }
    return bursts;
}

double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The child: connects the readers, reads until each has the whole stream, and exits 0 when
// every reader received exactly `expected`.
int RunReaders(std::uint16_t port, const std::string& expected) {
    std::vector<int> fds;
    std::vector<std::string> received(kReaders);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    for (int i = 0; i < kReaders; ++i) {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            return 2;
        }
        fds.push_back(fd);
    }
    std::vector<pollfd> polls;
    for (const int fd : fds) {
        polls.push_back({fd, POLLIN, 0});
    }
    int complete = 0;
    char buffer[65536];
    while (complete < kReaders) {
        if (poll(polls.data(), polls.size(), 30000) <= 0) {
            return 3;
        }
        for (int i = 0; i < kReaders; ++i) {
            if (polls[i].fd < 0 || polls[i].revents == 0) {
                continue;
            }
            const ssize_t got = recv(polls[i].fd, buffer, sizeof buffer, 0);
            if (got <= 0) {
                return 4; // disconnected: it lost bursts
            }
            received[i].append(buffer, static_cast<std::size_t>(got));
            if (received[i].size() >= expected.size()) {
                if (received[i] != expected) {
                    return 5;
                }
                polls[i].fd = -1;
                ++complete;
            }
        }
    }
    return 0;
}

} // namespace

int main() {
    const std::vector<std::string> bursts = HourOfBursts();
    std::string expected;
    for (const std::string& burst : bursts) {
        expected += burst;
    }
    NetworkReaders readers;
    if (const auto failure = readers.Listen("127.0.0.1", 0, "tcp-server://127.0.0.1:0")) {
        std::fprintf(stderr, "%s\n", failure->c_str());
        return 1;
    }
    const pid_t child = fork();
    if (child == 0) {
        _exit(RunReaders(readers.Port(), expected));
    }
    WorkerThreadSlot serving;
    serving.Start([&] { return readers.Serve(serving); });
    while (readers.ReaderCount() < kReaders) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const double cpuBefore = CpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    for (const std::string& burst : bursts) {
        readers.Broadcast(burst);
        std::this_thread::sleep_for(kPace);
    }
    int status = 0;
    waitpid(child, &status, 0);
    const double cpu = CpuSeconds() - cpuBefore;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    serving.Stop();
    const bool everyBurst = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    std::printf("readers %d, bursts %zu, bytes per burst %.0f\n", kReaders, bursts.size(),
                static_cast<double>(expected.size()) / static_cast<double>(bursts.size()));
    std::printf("server CPU %.3f s in %.1f s: %.1f us per burst (%.2f us per reader and burst)\n",
                cpu, wall, cpu * 1e6 / static_cast<double>(bursts.size()),
                cpu * 1e6 / static_cast<double>(bursts.size()) / kReaders);
    std::printf("readers dropped %zu; every reader received every burst: %s\n",
                readers.DroppedCount(), everyBurst ? "yes" : "no");
    return everyBurst && cpu / static_cast<double>(bursts.size()) < 1e-3 ? 0 : 1;
}
