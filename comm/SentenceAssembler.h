#pragma once

#include "nmea/Sentence.h"

#include <array>
#include <cstddef>
#include <string_view>

// Cuts a received byte stream into sentences. A sentence runs from a "$" through the LF that
// ends its line, or up to (not including) the next "$" when that comes first, so a receiver's
// CR LF stays with its sentence and a sentence is handed on as soon as its line ends. Bytes
// outside a sentence (before a "$", after a LF) are dropped. A text that grows beyond
// kLongestSentence bytes without an end is dropped whole. What is being collected when the
// stream ends (a stop, a failed device) is handed on with TakePending.
//
// No memory is allocated per byte: the collecting buffer and the finished sentence are fixed
// arrays reused for every sentence.
class SentenceAssembler {
public:
    static constexpr std::size_t kLongestSentence = kMaxReceivedSentenceLength;

    // Takes one byte; true when it completed a sentence, which Sentence() then holds until the
    // next call.
    bool Push(char byte);

    // The sentence completed by the last Push that returned true.
    std::string_view Sentence() const { return {m_sentence.data(), m_sentenceLength}; }

    // What is being collected (empty when nothing is), which no longer waits for its end:
    // valid until the next Push.
    std::string_view TakePending();

private:
    void Complete();

    std::array<char, kLongestSentence> m_buffer{};
    std::size_t m_index = 0;
    std::array<char, kLongestSentence> m_sentence{};
    std::size_t m_sentenceLength = 0;
};
