// Sizes of a printed picture: the view's aspect fitted into the printable
// area of a page, and the size it is rendered at for each resolution
// setting of the extended print settings.
#pragma once

namespace korvex::output {

// Resolution settings, in the order of the dialog's radio buttons.
enum class PrintResolution : int { High = 0, Medium = 1, Low = 2, Simple = 3 };

struct PrintSize {
  // The picture on paper, in device pixels.
  int paperWidth = 0;
  int paperHeight = 0;
  // The picture as rendered; the width is a multiple of 4.
  int bitmapWidth = 0;
  int bitmapHeight = 0;
};

// Fits a view of clientWidth × clientHeight into a page of pageWidth ×
// pageHeight and chooses the render size: High the size on paper, Medium
// half of it, Low a quarter, Simple the view's own size. Every size is at
// least 4 × 1, so a tiny page or view still gets a picture; an empty view or
// page gives all zeros.
PrintSize FitPrint(int pageWidth, int pageHeight, int clientWidth, int clientHeight, PrintResolution resolution);

// The width an export or print is rendered at: rounded down to a multiple
// of 4 (so BMP rows need no padding), at least 4.
int RoundedWidth(int width);

}  // namespace korvex::output
