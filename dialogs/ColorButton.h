// A push button that shows a colour (red in the low byte). With the focus it
// draws a frame 2 pixels inside its edge, while pressed one 1 pixel inside,
// both in the contrast colour; clicking it opens the colour picker.
#pragma once

#include <QPushButton>

#include <cstdint>

namespace korvex::dialogs {

class ColorButton final : public QPushButton {
 public:
  explicit ColorButton(uint32_t colour, QWidget* parent = nullptr);

  uint32_t Colour() const { return colour_; }
  void SetColour(uint32_t colour);

  // Per channel 0 where the colour's channel is 128 or more, else 255.
  static uint32_t Contrast(uint32_t colour);
  static QColor ToQColor(uint32_t colour);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // The picker, started from the current colour; OK stores its choice.
  void Choose();

  uint32_t colour_;
};

}  // namespace korvex::dialogs
