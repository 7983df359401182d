// Text at the Win32 boundary: the core works in UTF-8, the "A" calls take and give the ANSI code
// page, the "W" calls (windows and controls) UTF-16. Characters the ANSI code page lacks become
// its default character on the way in; ill-formed UTF-8 becomes U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace platform::win {

std::string Utf8ToAnsi(std::string_view utf8);
std::string AnsiToUtf8(std::string_view ansi);
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

}  // namespace platform::win
