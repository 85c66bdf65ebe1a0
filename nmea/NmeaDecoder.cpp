#include "nmea/NmeaDecoder.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr std::size_t kMnemonicLength = 3;

// Three letters as one number whose order is the byte-wise order of the letters.
std::uint32_t KeyOf(std::string_view mnemonic) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(mnemonic[0])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(mnemonic[1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(mnemonic[2]));
}

// The last three characters of the address field; empty when it is shorter.
std::string_view MnemonicOf(std::string_view address) {
    return address.size() < kMnemonicLength ? std::string_view()
                                            : address.substr(address.size() - kMnemonicLength);
}

} // namespace

void CNmeaDecoder::Reset() {
    m_input.Empty();
    m_output.Empty();
}

bool CNmeaDecoder::DecodeIntoStore() {
    return false;
}

bool CNmeaDecoder::Decode() {
    return false;
}

bool CNmeaDecoder::Compose(std::string_view /*mnemonic*/) {
    return false;
}

CSentenceType* CNmeaDecoder::FindType(std::string_view mnemonic) const {
    // Three letters against a table of three-letter mnemonics: their big-endian keys order as
    // the bytes do, so one integer comparison stands for a string comparison.
    if (mnemonic.size() == kMnemonicLength && m_keys.size() == m_types.size()) {
        const std::uint32_t key = KeyOf(mnemonic);
        for (std::size_t i = 0; i < m_keys.size(); ++i) {
            if (m_keys[i] == key) {
                return m_types[i];
            }
            if (m_keys[i] > key) {
                break;
            }
        }
        return nullptr;
    }
    for (CSentenceType* type : m_types) {
        const int order = std::string_view(type->Mnemonic()).compare(mnemonic);
        if (order == 0) {
            return type;
        }
        if (order > 0) {
            break;
        }
    }
    return nullptr;
}

CSentenceType* CNmeaDecoder::FindLineType(std::string_view text) const {
    if (!IsSingleSentence(text)) {
        return nullptr;
    }
    // Field 0 runs from position 1 up to the first ",", "*" or NUL.
    const std::size_t end = text.find_first_of(std::string_view(",*\0", 3), 1);
    const std::string_view mnemonic = MnemonicOf(text.substr(1, end - 1));
    return mnemonic.empty() ? nullptr : FindType(mnemonic);
}

void CNmeaDecoder::AddType(CSentenceType& type) {
    // Byte-wise order: std::string compares as unsigned char.
    const auto at = std::upper_bound(m_types.begin(), m_types.end(), &type,
                                     [](const CSentenceType* a, const CSentenceType* b) {
                                         return a->Mnemonic() < b->Mnemonic();
                                     });
    const auto index = at - m_types.begin();
    m_types.insert(at, &type);
    // Keys only while every mnemonic of the table has three letters.
    if (type.Mnemonic().size() != kMnemonicLength || m_keys.size() + 1 != m_types.size()) {
        m_keys.clear();
        return;
    }
    m_keys.insert(m_keys.begin() + index, KeyOf(type.Mnemonic()));
}

CSentenceType* CNmeaDecoder::InputType() {
    if (!m_input.IsSingleSentence()) {
        m_input.Empty();
        return nullptr;
    }
    const std::string_view mnemonic = MnemonicOf(m_input.Field(0));
    return mnemonic.empty() ? nullptr : FindType(mnemonic);
}

template <typename Source>
bool CNmeaDecoder::ComposeWith(std::string_view mnemonic, const Source& source) {
    CSentenceType* type = FindType(mnemonic);
    if (type == nullptr) {
        m_output.Empty();
        return false;
    }
    if constexpr (std::is_same_v<Source, CFixRecord>) {
        type->Empty(RecordSide::Output);
    }
    if (!type->Write(m_output, source) || !m_output.IsWellFormedOutput()) {
        m_output.Empty();
        return false;
    }
    return true;
}

bool CNmeaDecoder::ComposeFrom(std::string_view mnemonic, const CFixRecord& fix) {
    return ComposeWith(mnemonic, fix);
}

bool CNmeaDecoder::ComposeFrom(std::string_view mnemonic, const StoreItemView& item) {
    return ComposeWith(mnemonic, item);
}
