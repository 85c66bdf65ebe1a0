#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class WorkerThreadSlot;

// The readers of a playback served over TCP: the listening socket and every connection made
// to it, each with the bytes queued for it that it has not taken yet.
//
// A burst is queued whole for each reader connected when it is handed over, so a reader that
// connects late begins with the next whole burst. Handing a burst over never waits for a
// reader: what a reader does not take at once waits in its queue, and a reader whose queue
// would grow beyond the limit (it reads too slowly, or not at all) is disconnected, which is
// how it learns that it lost bursts. What readers send is read and dropped.
class NetworkReaders {
public:
    // About two minutes of bursts with satellites, beyond what the system buffers itself.
    static constexpr std::size_t kDefaultQueueLimit = 64 * 1024;
    // More connections than any set of navigation programs needs: the rest are refused.
    static constexpr std::size_t kMostReaders = 256;

    explicit NetworkReaders(std::size_t queueLimit = kDefaultQueueLimit);
    ~NetworkReaders();
    NetworkReaders(const NetworkReaders&) = delete;
    NetworkReaders& operator=(const NetworkReaders&) = delete;

    // Listens at host:port; nothing, or the user's message naming `context`.
    std::optional<std::string> Listen(const std::string& host, std::uint16_t port,
                                      const std::string& context);
    // The port listened at (the one the system chose when 0 was asked).
    std::uint16_t Port() const;

    // Any thread: queues the burst for every reader connected now and sends what each takes
    // at once.
    void Broadcast(std::string_view burst);

    // The serving thread: accepts readers, drops what they send, sends their queues as they
    // take them and closes those that went away or were disconnected, until the slot is asked
    // to stop. 0 then; else the error of a wait that failed.
    int Serve(WorkerThreadSlot& slot);

    std::size_t ReaderCount() const;
    // Readers disconnected because their queue was full, since the start.
    std::size_t DroppedCount() const;

private:
    struct Reader {
        int fd = -1;
        std::string queue;
        std::size_t sent = 0;    // bytes of `queue` already sent
        bool dropped = false;    // to be closed by the serving thread
        bool inputEnded = false; // it closed its sending side; it may still read
    };
    // Sends what the reader takes of its queue; false when it went away.
    static bool Flush(Reader& reader);
    void Queue(Reader& reader, std::string_view burst);
    void Accept();
    // Reads and drops what the reader sent, noting the end of its input; false after an error.
    static bool Drain(Reader& reader);
    void CloseGone();
    void Wake();

    const std::size_t m_queueLimit;
    int m_listenFd = -1;
    int m_wakeFd = -1;
    mutable std::mutex m_mutex;
    std::vector<Reader> m_readers;
    std::size_t m_dropped = 0;
    // Out of descriptors: accepting waits a moment instead of spinning on the listening socket.
    std::chrono::steady_clock::time_point m_acceptPausedUntil{};
};
