#include "comm/SentenceAssembler.h"

#include <algorithm>

bool SentenceAssembler::Push(char byte) {
    if (byte == '$') {
        const bool completed = m_index > 0;
        if (completed) {
            Complete();
        }
        m_buffer[0] = '$';
        m_index = 1;
        return completed;
    }
    if (m_index == 0) {
        return false;
    }
    if (m_index == kLongestSentence) {
        // Too long for a sentence: dropped, and only a "$" starts the next one.
        m_index = 0;
        return false;
    }
    m_buffer[m_index++] = byte;
    if (byte != '\n') {
        return false;
    }
    Complete();
    m_index = 0;
    return true;
}

std::string_view SentenceAssembler::TakePending() {
    const std::string_view pending(m_buffer.data(), m_index);
    m_index = 0;
    return pending;
}

void SentenceAssembler::Complete() {
    std::copy_n(m_buffer.begin(), m_index, m_sentence.begin());
    m_sentenceLength = m_index;
}
