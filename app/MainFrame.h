// The main frame, titled "Kivu", with no menu bar: the dashboard view fills it (a second start finds
// the running copy through its local socket, not by the title). And the document, whose close ends the
// program.
#pragma once

#include <QMainWindow>
#include <functional>
#include <string>

#include "app/ViewWidget.h"
#include "platform/Diagnostics.h"

namespace kivu {

class CMainFrame : public QMainWindow {
 public:
  explicit CMainFrame(AppSettings settings);
  KivuViewWidget& ViewWidget() { return *view_; }
  // Brings the frame back as it was before it was minimised or hidden, in front (a second start of the
  // program). On Wayland, activationToken (the second start's) lets the compositor give it the keyboard.
  void ShowAndRaise(const std::string& activationToken = {});

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  KivuViewWidget* view_;
  std::string reportScope_ = NewReportScope();  // what is said once per frame
};

// The document of the dashboard: it holds nothing; closing it closes the frame and ends the program.
class CKivuDoc {
 public:
  explicit CKivuDoc(CMainFrame& frame) : frame_(frame) {}
  void OnCloseDocument();

 private:
  CMainFrame& frame_;
};

}  // namespace kivu
