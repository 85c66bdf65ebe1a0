#pragma once

#include <array>
#include <cstddef>
#include <string_view>

// Cuts a received byte stream into sentences. A sentence runs from a "$" up to (not including)
// the next "$", so the receiver's CR LF and anything else between two sentences stay in the
// text; bytes before the first "$" are dropped. A text that reaches 82 bytes before the next
// "$" is dropped whole, so the longest sentence handed on has 81 bytes. The last sentence
// before the stream falls silent is held until the next "$" arrives.
//
// No memory is allocated per byte: the collecting buffer and the finished sentence are fixed
// arrays reused for every sentence.
class SentenceAssembler {
public:
    // 82 characters and a terminator, as the receive threads always had.
    static constexpr std::size_t kBufferSize = 83;
    static constexpr std::size_t kLongestSentence = kBufferSize - 2;

    // Takes one byte; true when it completed a sentence, which Sentence() then holds until the
    // next call.
    bool Push(char byte);

    // The sentence completed by the last Push that returned true.
    std::string_view Sentence() const { return {m_sentence.data(), m_sentenceLength}; }
    // What is being collected (empty when nothing is).
    std::string_view Pending() const { return {m_buffer.data(), m_index}; }

private:
    std::array<char, kBufferSize> m_buffer{};
    std::size_t m_index = 0;
    std::array<char, kBufferSize> m_sentence{};
    std::size_t m_sentenceLength = 0;
};
