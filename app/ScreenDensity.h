// How many pixels of a screen make a millimetre, from what the system says of the screen: its size in
// pixels and in millimetres. Screens without a size of their own (virtual ones, projectors, some car
// monitors) report none, or a made-up one: 0 x 0, their aspect ratio in place of millimetres
// ("16 x 9 mm"), or, through Qt, the size they would have at exactly 100 dots an inch, which Qt's
// screens report where the system tells them nothing (framebuffers, the offscreen platform, Wayland
// outputs without a size).
#pragma once

namespace kivu {

// Pixels per millimetre of a screen widthPixels x heightPixels that reports widthMm x heightMm; 0 when
// the report cannot be a real screen: a side not positive or not a number, a density outside 1 to 40
// pixels a millimetre (25 to 1000 dots an inch), across and down disagreeing by more than 15 percent
// (every screen Kivu meets has square pixels), or exactly 100 dots an inch both ways (Qt's made-up size;
// a real screen's millimetres are whole, and seldom fall on it).
double ScreenPixelsPerMillimetre(double widthPixels, double heightPixels, double widthMm, double heightMm);

}  // namespace kivu
