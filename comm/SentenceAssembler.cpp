#include "comm/SentenceAssembler.h"

#include <algorithm>

bool SentenceAssembler::Push(char byte) {
    const bool collecting = m_index > 0 && m_buffer[0] == '$';
    if (!collecting || m_index + 1 >= kBufferSize) {
        // Nothing worth keeping is collected (or it grew too long): it is dropped, and only a
        // "$" starts a new sentence.
        if (byte == '$') {
            m_buffer[0] = '$';
            m_index = 1;
        } else {
            m_index = 0;
        }
        return false;
    }
    if (byte != '$') {
        m_buffer[m_index++] = byte;
        return false;
    }
    std::copy_n(m_buffer.begin(), m_index, m_sentence.begin());
    m_sentenceLength = m_index;
    m_buffer[0] = '$';
    m_index = 1;
    return true;
}
