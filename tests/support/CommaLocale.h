#pragma once

#include <string>

namespace testpaths {

// A locale whose decimal separator is a comma (de_DE.UTF-8), compiled with localedef into the
// build tree, so that the machine needs no generated locales. While an object lives the
// process runs in it (LC_ALL, through LOCPATH); the "C" locale comes back at its end.
class CommaLocale {
public:
    CommaLocale();
    ~CommaLocale();
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    // Why the locale is not in force (localedef or the definitions are missing); empty when
    // it is.
    const std::string& Unavailable() const { return m_unavailable; }

private:
    std::string m_unavailable;
};

} // namespace testpaths
