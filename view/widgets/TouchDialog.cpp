#include "view/widgets/TouchDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QWindow>

#include "view/widgets/X11Desktop.h"

namespace kivu {

namespace {

class TouchItemDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(size.height(), kTouchHeight));
    return size;
  }
};

bool AWindowStaysOnTop(const QWidget& besides) {
  for (QWidget* window : QApplication::topLevelWidgets())
    if (window != &besides && window->isVisible() && (window->windowFlags() & Qt::WindowStaysOnTopHint))
      return true;
  return false;
}

// The X11 platform's window type for a toolbar, which it names first in the window's types when its
// window carries it in this property.
constexpr char kX11WindowTypes[] = "_q_xcb_wm_window_type";
constexpr int kX11ToolbarType = 0x8;

// The flags alone leave a minimise box on the dialog under openbox, which keeps one on every dialog
// whatever its Motif hints say, and takes it only from the windows it knows as torn-off toolbars (or
// menus). So there the dialog is announced as a toolbar first and a dialog after it, each time just
// before its window is mapped (Qt may make a new one); it keeps its title and its close box. Other
// window managers take the dialog's flags as they are.
class NoMinimizeBoxOnOpenbox : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Show) return false;
    QWindow* window = static_cast<QWidget*>(watched)->windowHandle();
    if (!window || window->property(kX11WindowTypes).toInt() == kX11ToolbarType) return false;
    window->setProperty(kX11WindowTypes, kX11ToolbarType);
    // The platform reads the property when the flags change; change one and back.
    Qt::WindowFlags flags = window->flags();
    window->setFlags(flags ^ Qt::WindowTitleHint);
    window->setFlags(flags);
    return false;
  }
};

}  // namespace

void MakeTouchDialog(QDialog& dialog) {
  dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowCloseButtonHint);
  if (X11WindowManagerName() == "Openbox") dialog.installEventFilter(new NoMinimizeBoxOnOpenbox(&dialog));
}

void MakeTouchComboBox(QComboBox& box) {
  box.setItemDelegate(new TouchItemDelegate(&box));
  box.setMinimumHeight(kTouchHeight);
}

void FitToScreen(QDialog& dialog, QSize wanted) {
  QWidget* parent = dialog.parentWidget();
  QScreen* screen = parent ? parent->screen() : dialog.screen();
  if (!screen) return;
  QRect area = screen->availableGeometry();
  const int title = dialog.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &dialog);
  const int border = 4;
  QSize room(area.width() - 2 * border, area.height() - title - 2 * border);
  if (wanted.isEmpty()) wanted = dialog.sizeHint();
  QSize size = wanted.boundedTo(room).expandedTo(dialog.minimumSizeHint().boundedTo(room));
  dialog.resize(size);
  // The position is the frame's, its title bar on top of the size.
  dialog.move(area.x() + (area.width() - size.width()) / 2,
              area.y() + (area.height() - title - size.height()) / 2);
}

int ExecInFront(QDialog& dialog) {
  if (AWindowStaysOnTop(dialog)) dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  // Runs in the dialog's own loop, once it is shown.
  QMetaObject::invokeMethod(
      &dialog,
      [&dialog] {
        if (dialog.isVisible()) dialog.activateWindow();
      },
      Qt::QueuedConnection);
  return dialog.exec();
}

void ActivateWindowOrItsDialog(QWidget& window) {
  QWidget* modal = QApplication::activeModalWidget();
  QWidget& active = modal && modal != &window && modal->isVisible() ? *modal : window;
  active.activateWindow();
}

QHBoxLayout* OkCancelRow(QDialog& dialog, int buttonWidth) {
  auto* ok = new QPushButton("OK", &dialog);
  ok->setObjectName("1");
  ok->setDefault(true);
  auto* cancel = new QPushButton("Cancel", &dialog);
  cancel->setObjectName("2");
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  for (QPushButton* button : {ok, cancel}) {
    button->setMinimumSize(buttonWidth, kTouchHeight);
    row->addWidget(button);
  }
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
  return row;
}

void ShowTouchMessageBox(QWidget* parent, const std::string& text, const std::string& caption) {
  QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption), QString::fromStdString(text),
                  QMessageBox::Ok, parent);
  MakeTouchDialog(box);
  box.button(QMessageBox::Ok)->setMinimumSize(2 * kTouchHeight, kTouchHeight);
  ExecInFront(box);
}

TouchDialog::TouchDialog(QWidget* parent, QSize wanted) : QDialog(parent), wanted_(wanted) {
  MakeTouchDialog(*this);
}

int TouchDialog::DoModal() {
  FitToScreen(*this, wanted_);
  return ExecInFront(*this) == kDialogOk ? kDialogOk : kDialogCancel;
}

void TouchDialog::reject() {
  done(kDialogCancel);
}

void TouchDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (initialized_) return;
  initialized_ = true;
  Initialize();
}

}  // namespace kivu
