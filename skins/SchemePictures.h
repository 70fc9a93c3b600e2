#pragma once

#include <QIcon>
#include <QWidget>

class QLabel;
class QPainter;

// The program's own button pictures: one-colour shapes drawn at paint time in the text
// colour of the widget that shows them. A colour scheme sets that colour with the rest of
// its look, so a picture reads as well as the text beside it in every scheme, follows a
// scheme that changes while the window is open, and is drawn at the screen's own pixel
// density instead of being scaled up from a small bitmap.
namespace SchemePictures {

enum class Picture {
    Extract,  // a disc with an arrow down: copy tracks off the disc
    Encode,   // sound bars and an arrow: convert a sound file
    Record,   // a microphone
    Lookup,   // a globe: look the disc up on the net
    Options,  // three sliders
    Exit,     // an arrow out of a door
    Play,     // a triangle
    Pause,    // two bars
    Stop,     // a square
    Next,     // a triangle against a bar
    Previous, // the same, pointing back
    Forward,  // two triangles
    Back,     // two triangles pointing back
    RecordDot,
    Eject,
    Disc,
    Heart,
    Start, // a round light with a "go" triangle cut out
};

// Draws `picture` into `box` (a square reads best) in one colour.
void draw(QPainter& painter, Picture picture, const QRectF& box, const QColor& colour);

// The colour a picture takes on `host` in `mode`: the host's button text colour (window text
// for widgets other than buttons); a disabled picture is that of the disabled text, or the
// normal colour faded where the scheme gives disabled text no colour of its own.
QColor colourOn(const QWidget* host, QIcon::Mode mode);

// An icon drawing `picture` in colourOn(host) at the moment it is painted. The icon keeps no
// hold on the host; once the host is gone the application's colours are used.
QIcon icon(Picture picture, QWidget* host);

// A label that shows `picture` at `size` (device-independent pixels) in its own text colour,
// drawn anew when its colours or its screen's pixel density change.
QLabel* label(Picture picture, int size, QWidget* parent);

} // namespace SchemePictures
