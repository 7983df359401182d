// Numbers written as text, read the way the settings have always been read: blanks around, an
// optional sign, digits with an optional fraction and exponent. Whole numbers are reached by
// rounding halves to the even neighbour.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace numbertext {

// nullopt when text is not such a number (empty, other characters, out of double range).
std::optional<double> ParseNumber(std::string_view text);

// The nearest whole number, a value exactly halfway going to the even one ("2.5" -> 2).
double RoundHalfEven(double value);

}  // namespace numbertext
