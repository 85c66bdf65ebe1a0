#include "comm/GpsdStreamFilter.h"

std::size_t GpsdStreamFilter::Filter(char* data, std::size_t size) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const char byte = data[i];
        if (m_atLineStart && byte == '{') {
            m_inReport = true;
        }
        m_atLineStart = byte == '\n';
        if (m_inReport) {
            if (byte == '\n') {
                m_inReport = false;
            }
            continue;
        }
        data[kept++] = byte;
    }
    return kept;
}
