// The run-time errors the program raises, each with the number and the message that the
// original program's run time gives it: a handler tells them apart by number, the user is shown
// the message (what()).
#pragma once

#include <stdexcept>

namespace platform {

class NumberedError : public std::runtime_error {
public:
    static constexpr int kInvalidCall = 5;
    static constexpr int kOverflow = 6;
    static constexpr int kTypeMismatch = 13;

    explicit NumberedError(int errorNumber) : std::runtime_error(MessageOf(errorNumber)), number(errorNumber)
    {}

    // The run time's message for an error number.
    static constexpr const char* MessageOf(int errorNumber)
    {
        switch (errorNumber) {
        case kInvalidCall: return "Invalid procedure call or argument";
        case kOverflow: return "Overflow";
        case kTypeMismatch: return "Type mismatch";
        default: return "Application-defined or object-defined error";
        }
    }

    int number;
};

}  // namespace platform
