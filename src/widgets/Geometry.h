#pragma once

class QWidget;

namespace cantrel {

// Pixels of a window laid out at 96 dots per inch, scaled to the logical
// dots per inch of the screen Widget is on.
int ScaledPixels(const QWidget& Widget, int Pixels);

// Places a control at left, top, width and height given at 96 dots per inch.
void SetBounds(QWidget& Control, int Left, int Top, int Width, int Height);

}  // namespace cantrel
