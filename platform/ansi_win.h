// Text at the Win32 boundary: the core works in UTF-8, the "A" calls take and give the ANSI code
// page. Characters the ANSI code page lacks become its default character on the way in.
#pragma once

#include <string>
#include <string_view>

namespace platform::win {

std::string Utf8ToAnsi(std::string_view utf8);
std::string AnsiToUtf8(std::string_view ansi);

}  // namespace platform::win
