// The application: the one-copy rule, the splash, the document with its frame and view, the about box,
// and every way out (Exit, the window manager, the end of the session, SIGINT and SIGTERM).
#pragma once

#include <QLocalServer>
#include <QSocketNotifier>
#include <memory>

#include "app/CommandLine.h"
#include "app/MainFrame.h"
#include "app/SplashWnd.h"
#include "gps/CaptureFeeder.h"
#include "gps/GpsSource.h"
#include "platform/InstanceLock.h"
#include "platform/UniqueFd.h"

namespace kivu {

class CKivuApp {
 public:
  // SIGINT and SIGTERM get their default actions back before the pair they write to is closed.
  ~CKivuApp();

  // The command of the about box.
  static constexpr int kAboutCommand = 57664;

  // Runs start-up; false when the program is to end at once (a second copy handed over to the first,
  // start-up failed, or the program was closed while starting), with the exit status in exitCode.
  bool InitInstance(const KivuOptions& options, int& exitCode);
  // Lets the splash go.
  void ExitInstance();

  void OnAppAbout();
  CMainFrame* MainFrame() { return frame_.get(); }
  CKivuDoc* Document() { return doc_.get(); }
  CSplashWnd* Splash() { return splash_.get(); }

 private:
  bool TakeOverOrHandOver(int& exitCode);
  void ListenForSecondCopies();
  bool ReadReplay(const KivuOptions& options);
  bool StartReplay();
  void CatchTerminationSignals();

  InstanceLock lock_;
  std::string runtimeFolder_;
  std::unique_ptr<QLocalServer> server_;
  std::string replayPath_;
  std::string replayCapture_;
  std::unique_ptr<CaptureFeeder> feeder_;
  // How the receiver picks its source: what the command line chose, else the environment and settings.
  GpsSourcePolicy sourcePolicy_;
  std::unique_ptr<CSplashWnd> splash_;
  std::unique_ptr<CMainFrame> frame_;
  std::unique_ptr<CKivuDoc> doc_;
  // The pair from the signal handler to the event loop: its ends, and the loop's watch on the read end.
  UniqueFd signalRead_;
  UniqueFd signalWrite_;
  std::unique_ptr<QSocketNotifier> signalNotifier_;
};

// The name of the local socket over which a second copy asks the first to show itself.
std::string InstanceSocketPath(const std::string& runtimeFolder);

}  // namespace kivu
