// Pixels at 96 dots per inch scaled to the screen.
#pragma once

class QString;
class QWidget;

namespace cantrel {

// Pixels of a window laid out at 96 dots per inch, scaled to the logical
// dots per inch of the screen Widget is on.
int ScaledPixels(const QWidget& Widget, int Pixels);
// The other way: the screen's pixels as pixels at 96 dots per inch.
int DesignPixels(const QWidget& Widget, int Pixels);

// Places a control at left, top, width and height given at 96 dots per inch.
void SetBounds(QWidget& Control, int Left, int Top, int Width, int Height);

// Narrows the control's font, down to a limit, so that Text fits in Room
// pixels: the fixed pixels of a window drawn for one font hold longer
// translations and wider fonts. A text that fits keeps the font the
// control inherits.
void CondenseToFit(QWidget& Control, const QString& Text, int Room);

}  // namespace cantrel
