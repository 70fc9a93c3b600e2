#pragma once

class QWidget;
class QString;

namespace ColourScheme {

// Number of schemes: 0 Diamond Blue, 1 RealOne, 2 Win XP, 3 Deep Blue, 4 Protein, 5 Matrix.
constexpr int Count = 6;

// Applies colour scheme n to a window and everything in it. Schemes 0, 1 and 5 come
// from our theme files, 2 to 4 are built in; any other number leaves the look as it is.
void apply(QWidget* window, int n);

// The style sheet of scheme n, or an empty text for a number outside 0..5.
QString styleSheet(int n);

} // namespace ColourScheme
