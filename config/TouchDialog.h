// What makes a dialog usable with a finger on a car's screen: controls at least 44 pixels high, drop-down
// rows as high, a size that fits the screen (480 x 800 or 800 x 480 included), and a modal window of the
// dashboard's that the window manager cannot minimise on its own nor hide behind the splash.
#pragma once

#include <QDialog>
#include <string>

class QComboBox;

namespace kivu {

// The least height of anything a finger presses.
inline constexpr int kTouchHeight = 44;

// A dialog window with a title and a close box, but no minimise or maximise box: it goes and comes with
// the dashboard it belongs to.
void MakeTouchDialog(QDialog& dialog);

// The rows of the box's drop-down list are kTouchHeight high, and so is the box.
void MakeTouchComboBox(QComboBox& box);

// Sizes the dialog to wanted (its size hint when empty), but no larger than its screen's free area less a
// title bar, and centres it there.
void FitToScreen(QDialog& dialog, QSize wanted = {});

// Runs the dialog modally and returns its result. While a window that stays above the others is up (the
// splash at start), the dialog stays above too, so that it is never hidden behind it.
int ExecInFront(QDialog& dialog);

// A message box over parent with text, caption ("" for none) and an OK button for a finger; returns when
// it is closed.
void ShowTouchMessageBox(QWidget* parent, const std::string& text, const std::string& caption);

}  // namespace kivu
