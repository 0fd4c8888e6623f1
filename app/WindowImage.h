// How the view's window image reaches the window: Qt's RGB32 promises an opaque spare byte, the view's
// BGRX pixels leave it zero, and a window whose buffer keeps alpha (Wayland's) would show the desktop
// through every pixel of the dashboard.
#pragma once

class QImage;
class QPainter;
class QRegion;

namespace kivu {

// Draws image (32-bit, the spare byte ignored) at the painter's origin over region, every pixel opaque.
// Into a buffer of the window's own size it is one copy that sets the spare byte on the way, as
// fast as the plain copy Qt would make.
void DrawWindowImage(QPainter& painter, const QImage& image, const QRegion& region);

}  // namespace kivu
