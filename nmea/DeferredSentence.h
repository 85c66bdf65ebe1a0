#pragma once

#include "nmea/Sentence.h"

#include <string>

// An accepted sentence whose fields are read only when someone asks for them. The track uses
// nothing of what GLL and VTG carry nor the satellites of GSV, so reading those fields for
// every line would only cost time; the kept text reads back exactly as it would have at once.
class DeferredSentence {
public:
    // Keeps the sentence's text for a later reading, replacing one not yet read.
    void Keep(const CSentence& sentence) {
        m_text.assign(sentence.Text());
        m_pending = true;
    }
    // Forgets a sentence not yet read.
    void Drop() { m_pending = false; }

    // Reads the kept sentence with `read`, once, when one is pending.
    template <typename Read>
    void ReadPending(Read&& read) {
        if (m_pending) {
            m_pending = false;
            read(CSentence(m_text));
        }
    }

private:
    std::string m_text;
    bool m_pending = false;
};
