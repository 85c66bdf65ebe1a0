#pragma once

#include <string>
#include <string_view>

// Conversions between the UTF-8 text of files and the core and the UTF-16 text of the XML
// component. Malformed input (a broken UTF-8 sequence, an unpaired surrogate) becomes
// U+FFFD, so a conversion never fails.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
