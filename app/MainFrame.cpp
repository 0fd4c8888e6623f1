#include "app/MainFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QScreen>
#include <QWindow>

#include "app/WaylandActivation.h"
#include "app/WindowSystem.h"
#include "platform/Diagnostics.h"
#include "view/widgets/KivuPicture.h"

namespace kivu {

CMainFrame::CMainFrame(AppSettings settings) : view_(new KivuViewWidget(std::move(settings), this)) {
  setWindowTitle("Kivu");
  setWindowIcon(QIcon(KivuPicture(128)));
  setCentralWidget(view_);
  setAttribute(Qt::WA_DeleteOnClose, false);
  // A rotated or resized screen: a window manager resizes a full-screen window itself, nothing else does.
  if (QScreen* shown = screen()) {
    connect(shown, &QScreen::geometryChanged, this, [this](const QRect& geometry) {
      if (isFullScreen()) setGeometry(geometry);
    });
  }
}

void CMainFrame::ShowAndRaise(const std::string& activationToken) {
  // A hidden frame gets a new surface when shown; a minimised one, or one behind others, keeps its own.
  const bool mapped = isVisible();
  RestoreWindow(*this);
  if (activationToken.empty() || !OnWayland() || !windowHandle()) return;
  std::string why;
  if (!ActivateWindowWithToken(*windowHandle(), activationToken, mapped, why))
    ReportOnce(reportScope_ + "activation-refused", DiagnosticLevel::Warning,
               "shown again, but cannot come to the front: " + why);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  // Every way out (the Exit button, the window manager, the end of the session, a signal) ends here:
  // the view shuts down once, with nothing handled lost, and then the program ends.
  view_->Shutdown();
  event->accept();
  // A dialog or message box turns an event loop of its own. Before the main loop runs (the box of a
  // receiver that failed during start-up), quit() does not end that loop, so open dialogs go first.
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible()) dialog->reject();
  QApplication::quit();
}

void CKivuDoc::OnCloseDocument() {
  frame_.close();
}

}  // namespace kivu
