#include "app/MainFrame.h"

#include <QApplication>
#include <QCloseEvent>

#include "config/KivuPicture.h"

namespace kivu {

CMainFrame::CMainFrame(AppSettings settings) : view_(new KivuViewWidget(std::move(settings), this)) {
  setWindowTitle("Kivu");
  setWindowIcon(QIcon(KivuPicture(128)));
  setCentralWidget(view_);
  setAttribute(Qt::WA_DeleteOnClose, false);
}

void CMainFrame::ShowAndRaise() {
  if (isFullScreen()) {
    show();
  } else {
    showNormal();
  }
  raise();
  activateWindow();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  // Every way out (the Exit button, the window manager, the end of the session, a signal) ends here:
  // the view shuts down once, with nothing handled lost, and then the program ends.
  view_->Shutdown();
  event->accept();
  QApplication::quit();
}

void CKivuDoc::OnCloseDocument() {
  frame_.close();
}

}  // namespace kivu
