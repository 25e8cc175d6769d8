#include "common/number_text.h"

#include <cstdio>

namespace korvex {

std::string TrimmedDecimal(double value, int decimals) {
  char text[400];  // room for any finite double in %f form
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  std::string s = text;
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return s;
}

}  // namespace korvex
