#include "output/PrintFit.h"

#include <algorithm>

namespace korvex::output {

int RoundedWidth(int width) { return std::max(4, width / 4 * 4); }

PrintSize FitPrint(int pageWidth, int pageHeight, int clientWidth, int clientHeight, PrintResolution resolution) {
  PrintSize size;
  if (pageWidth <= 0 || pageHeight <= 0 || clientWidth <= 0 || clientHeight <= 0) return size;
  const double aspect = static_cast<double>(clientWidth) / clientHeight;
  if (aspect < static_cast<double>(pageWidth) / pageHeight) {
    size.paperWidth = static_cast<int>(pageHeight * aspect);
    size.paperHeight = pageHeight;
  } else {
    size.paperWidth = pageWidth;
    size.paperHeight = static_cast<int>(pageWidth / aspect);
  }
  size.paperWidth = std::max(size.paperWidth, 1);
  size.paperHeight = std::max(size.paperHeight, 1);
  int divisor = 1;
  switch (resolution) {
    case PrintResolution::High: divisor = 1; break;
    case PrintResolution::Medium: divisor = 2; break;
    case PrintResolution::Low: divisor = 4; break;
    case PrintResolution::Simple: divisor = 0; break;
  }
  if (divisor == 0) {
    size.bitmapWidth = clientWidth;
    size.bitmapHeight = clientHeight;
  } else {
    size.bitmapWidth = size.paperWidth / divisor;
    size.bitmapHeight = size.paperHeight / divisor;
  }
  size.bitmapWidth = RoundedWidth(size.bitmapWidth);
  size.bitmapHeight = std::max(size.bitmapHeight, 1);
  return size;
}

}  // namespace korvex::output
