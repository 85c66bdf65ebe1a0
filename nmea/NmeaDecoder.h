#pragma once

#include "nmea/Sentence.h"
#include "nmea/SentenceType.h"

#include <cstdint>
#include <string_view>
#include <vector>

class CFixRecord;

// Base of the decoders: routes sentence text to the sentence-type objects of the derived
// decoder by mnemonic, and composes sentences by mnemonic. The derived decoder owns its type
// objects and registers them with AddType at construction; the table is never changed later.
//
// Decoders have no locks of their own; the owner of a decoder guards it.
class CNmeaDecoder {
public:
    virtual ~CNmeaDecoder() = default;
    CNmeaDecoder(const CNmeaDecoder&) = delete;
    CNmeaDecoder& operator=(const CNmeaDecoder&) = delete;

    // Empties the input and output sentences; a derived decoder also empties its own state.
    virtual void Reset();

    // The navigation store's decoder: decodes the input sentence into the store. False here.
    virtual bool DecodeIntoStore();
    // The tracks: decodes the input sentence into the receiver state. False here.
    virtual bool Decode();
    // Composes the sentence of that mnemonic into the output sentence. False here.
    virtual bool Compose(std::string_view mnemonic);

    CSentence& Input() { return m_input; }
    const CSentence& Input() const { return m_input; }
    const CSentence& Output() const { return m_output; }
    // Replaces the input sentence's text.
    void SetInput(std::string_view text) { m_input.Assign(text); }

    // The type of that mnemonic: walks the table (sorted byte-wise by mnemonic) from its start
    // and stops at an equal mnemonic (found) or at a greater one or the end (nullptr).
    CSentenceType* FindType(std::string_view mnemonic) const;
    // The type that a line of text would reach as the input sentence: nullptr when the line
    // fails the single-sentence check or its mnemonic is not in the table. Reads only the
    // table, which never changes, so it needs none of the owner's locks.
    CSentenceType* FindLineType(std::string_view text) const;

    // The table in mnemonic order.
    const std::vector<CSentenceType*>& Types() const { return m_types; }

protected:
    CNmeaDecoder() = default;

    // Adds a type object owned by the derived decoder; the table stays sorted by mnemonic.
    void AddType(CSentenceType& type);

    // The common first steps of Decode: the single-sentence check (at most 82 characters, "$"
    // first, CR LF last; a failing input is emptied), then the type whose mnemonic is the last
    // three characters of field 0 (the talker is not looked at). nullptr when the input is not
    // for this decoder.
    CSentenceType* InputType();

    // Composing steps shared by the decoders: look the mnemonic up, Write into the output
    // sentence, check the output (every line at most 82 characters, "$" first, CR LF last). On
    // any failure the output sentence is emptied and the result is false.
    // From a fix: the type's output record is emptied first.
    bool ComposeFrom(std::string_view mnemonic, const CFixRecord& fix);
    // From a store item: the type's output record is kept, so that a route's RTE sentences come
    // one per call (the store empties the record before it starts on another route).
    bool ComposeFrom(std::string_view mnemonic, const StoreItemView& item);

    CSentence& MutableOutput() { return m_output; }

private:
    template <typename Source>
    bool ComposeWith(std::string_view mnemonic, const Source& source);

    std::vector<CSentenceType*> m_types;
    // The mnemonics of m_types as numbers, in the same order; empty when a mnemonic of the
    // table does not have three letters.
    std::vector<std::uint32_t> m_keys;
    CSentence m_input;
    CSentence m_output;
};
