// A number as a person writes it: a fixed number of decimals at most, no
// trailing zeros, no "-0". Used wherever a length, an area or a coordinate is
// shown or stored as text.
#pragma once

#include <string>

namespace korvex {

std::string TrimmedDecimal(double value, int decimals);

}  // namespace korvex
