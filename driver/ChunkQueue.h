#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

// The one queue of a loaded driver: each accepted write is kept as a private copy, and reads
// hand the bytes out in order, combining and splitting writes as the request size says.
// Every open handle and every calling thread shares it, so each operation holds its lock.
class ChunkQueue {
public:
    // Appends a copy of the bytes. False, with the queue unchanged, when memory runs out.
    // Nothing is queued for an empty write.
    bool Append(const std::uint8_t* bytes, std::uint32_t count);

    // Copies up to count bytes from the front and returns how many; 0 at once when empty.
    std::uint32_t Take(std::uint8_t* out, std::uint32_t count);

    // Discards everything queued and releases the storage.
    void Clear();

private:
    struct Chunk {
        std::unique_ptr<std::uint8_t[]> bytes;
        std::uint32_t length = 0;
    };

    std::mutex m_mutex;
    std::deque<Chunk> m_chunks;
    std::uint32_t m_readPosition = 0; // bytes already taken from the front chunk
};
