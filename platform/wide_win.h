// Text for the Win32 "W" calls: the core works in UTF-8, windows and controls in UTF-16, so that
// a caption shows every character whatever the ANSI code page. Ill-formed UTF-8 becomes U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace platform::win {

std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

}  // namespace platform::win
