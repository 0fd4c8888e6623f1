// What makes a dialog usable with a finger on a car's screen: controls at least 44 pixels high, drop-down
// rows as high, a size that fits the screen (480 x 800 or 800 x 480 included), and a modal window of the
// dashboard's that the window manager cannot minimise on its own nor hide behind the splash.
#pragma once

#include <QDialog>
#include <string>

class QComboBox;
class QHBoxLayout;

namespace kivu {

// The least height of anything a finger presses.
inline constexpr int kTouchHeight = 44;

// The results of DoModal.
inline constexpr int kDialogOk = 1;
inline constexpr int kDialogCancel = 2;

// Bytes of the core's (UTF-8, or not quite: a file name) as a control shows them.
inline QString Shown(const std::string& bytes) {
  return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// A dialog window with a title and a close box, but no minimise or maximise box: it goes and comes with
// the dashboard it belongs to.
void MakeTouchDialog(QDialog& dialog);

// The rows of the box's drop-down list are kTouchHeight high, and so is the box.
void MakeTouchComboBox(QComboBox& box);

// Sizes the dialog to wanted (its size hint when empty), but no larger than its screen's free area less a
// title bar, and centres it there.
void FitToScreen(QDialog& dialog, QSize wanted = {});

// Runs the dialog modally and returns its result. While a window that stays above the others is up (the
// splash at start), the dialog stays above too, so that it is never hidden behind it. The dialog asks
// for the keyboard once it is shown: a compositor that maps it without focus (or a window that took
// the focus meanwhile) would leave Esc and the keys with the window it blocks.
int ExecInFront(QDialog& dialog);

// Makes window the active window, or the modal dialog that blocks it when one is open: the keys must
// go where they can be used.
void ActivateWindowOrItsDialog(QWidget& window);

// The OK ("1", the default button) and Cancel ("2") of dialog at its bottom right, at least buttonWidth
// wide and kTouchHeight high, tied to its accept and reject.
QHBoxLayout* OkCancelRow(QDialog& dialog, int buttonWidth);

// A message box over parent with text, caption ("" for none) and an OK button for a finger; returns when
// it is closed.
void ShowTouchMessageBox(QWidget* parent, const std::string& text, const std::string& caption);

// A dialog of the dashboard's (MakeTouchDialog) run by DoModal. Its controls take their values when it is
// first shown, in Initialize, so that what is set between its making and its run is what it shows.
class TouchDialog : public QDialog {
 public:
  // wanted: the size DoModal gives it where the screen has room (its size hint when empty).
  explicit TouchDialog(QWidget* parent, QSize wanted = {});

  // Runs the dialog: kDialogOk or kDialogCancel.
  int DoModal();

  void reject() override;  // Cancel, Escape and the close box

 protected:
  void showEvent(QShowEvent* event) override;
  virtual void Initialize() = 0;
  bool IsInitialized() const { return initialized_; }

 private:
  QSize wanted_;
  bool initialized_ = false;
};

}  // namespace kivu
