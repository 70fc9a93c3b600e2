#pragma once

#include <QPixmap>

// The pictures of the about window, drawn here rather than shipped as files.
namespace AboutPictures {

// A compact disc turning into a sound wave, `size` pixels square.
QPixmap programIcon(int size);
// The banner across the top of the window.
QPixmap banner(int width, int height);

} // namespace AboutPictures
