#include "driver/ChunkQueue.h"

#include <algorithm>
#include <cstring>
#include <new>

bool ChunkQueue::Append(const std::uint8_t* bytes, std::uint32_t count) {
    if (count == 0) {
        return true;
    }
    Chunk chunk{std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[count]), count};
    if (!chunk.bytes) {
        return false;
    }
    std::memcpy(chunk.bytes.get(), bytes, count);
    const std::lock_guard lock(m_mutex);
    try {
        m_chunks.push_back(std::move(chunk));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

std::uint32_t ChunkQueue::Take(std::uint8_t* out, std::uint32_t count) {
    const std::lock_guard lock(m_mutex);
    std::uint32_t copied = 0;
    while (copied < count && !m_chunks.empty()) {
        Chunk& front = m_chunks.front();
        const std::uint32_t rest = front.length - m_readPosition;
        const std::uint32_t step = std::min(rest, count - copied);
        std::memcpy(out + copied, front.bytes.get() + m_readPosition, step);
        copied += step;
        if (step < rest) {
            m_readPosition += step;
        } else {
            m_chunks.pop_front();
            m_readPosition = 0;
        }
    }
    return copied;
}

void ChunkQueue::Clear() {
    const std::lock_guard lock(m_mutex);
    std::deque<Chunk>().swap(m_chunks);
    m_readPosition = 0;
}
