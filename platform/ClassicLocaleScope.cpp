#include "platform/ClassicLocaleScope.h"

namespace {

// Made once and never freed: every thread may be using it.
locale_t ClassicLocale() {
    static const locale_t classic = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return classic;
}

} // namespace

// Without the locale object (memory ran out at the first use), uselocale with none only
// reports the current one and changes nothing.
ClassicLocaleScope::ClassicLocaleScope() : m_previous(uselocale(ClassicLocale())) {}

ClassicLocaleScope::~ClassicLocaleScope() {
    uselocale(m_previous);
}
