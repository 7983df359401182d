// Quoting one argument for a Windows command line, so that the tests and the fuzz target can
// build command lines that platform::SplitArguments must read back unchanged. The program itself
// never quotes: it runs the tool's command lines as they are written.
#pragma once

#include <string>
#include <string_view>

namespace testing_support {

// The argument in double quotes when it is empty or holds a blank or a quote, backslashes before
// a quote doubled and the quote escaped; plain words stay as they are.
inline std::string QuoteArgument(std::string_view argument)
{
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string_view::npos)
        return std::string(argument);
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote itself escaped.
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    quoted += '"';
    return quoted;
}

}  // namespace testing_support
