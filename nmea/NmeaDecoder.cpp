#include "nmea/NmeaDecoder.h"

#include <algorithm>

namespace {

constexpr std::size_t kMnemonicLength = 3;

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

void CNmeaDecoder::AddType(CSentenceType& type) {
    // Byte-wise order: std::string compares as unsigned char.
    const auto at = std::upper_bound(m_types.begin(), m_types.end(), &type,
                                     [](const CSentenceType* a, const CSentenceType* b) {
                                         return a->Mnemonic() < b->Mnemonic();
                                     });
    m_types.insert(at, &type);
}

CSentenceType* CNmeaDecoder::InputType() {
    if (!m_input.IsSingleSentence()) {
        m_input.Empty();
        return nullptr;
    }
    const std::string_view address = m_input.Field(0);
    if (address.size() < kMnemonicLength) {
        return nullptr;
    }
    return FindType(address.substr(address.size() - kMnemonicLength));
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
