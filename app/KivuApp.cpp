#include "app/KivuApp.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QLocalSocket>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <cstring>

#include "app/AboutDlg.h"
#include "app/WaylandActivation.h"
#include "app/WindowSystem.h"
#include "config/AppSettings.h"
#include "gps/CaptureReplay.h"
#include "gps/GpsdSource.h"
#include "platform/Diagnostics.h"
#include "platform/WholeFile.h"
#include "view/widgets/TouchDialog.h"

namespace kivu {

namespace {

// What a second copy sends to the first: "show", on Wayland followed by a space and the activation token
// that lets the first come to the front. Copies that know no token read the "show" alone.
constexpr char kShowRequest[] = "show";

// The request of a second copy: kShowRequest, and the token that brings a Wayland window to the front
// where it has one.
std::string ShowRequest() {
  std::string request = kShowRequest;
  if (OnWayland()) {
    std::string why;
    std::string token = TakeActivationToken(why);
    if (token.empty()) {
      ReportWarning("Kivu is already running and is shown, but may stay behind other windows: " + why);
    } else {
      request += " " + token;
    }
  }
  return request + "\n";
}

// Longer lines are no request of Kivu's (a token is a few dozen bytes).
constexpr qint64 kMaxRequestBytes = 4096;

// The write end of the pipe from the signal handler to the event loop.
int signalPipeWrite = -1;

void OnTerminationSignal(int) {
  char byte = 1;
  [[maybe_unused]] ssize_t n = write(signalPipeWrite, &byte, 1);
}

}  // namespace

std::string InstanceSocketPath(const std::string& runtimeFolder) {
  return runtimeFolder + "kivu.socket";
}

bool CKivuApp::TakeOverOrHandOver(int& exitCode) {
  runtimeFolder_ = RuntimeFolder();
  switch (lock_.Acquire(runtimeFolder_)) {
    case InstanceLock::Result::Acquired:
      ListenForSecondCopies();
      return true;
    case InstanceLock::Result::Failed:
      ReportWarning("cannot take the lock in the runtime folder; a second copy may start");
      return true;
    case InstanceLock::Result::HeldElsewhere:
      break;
  }
  // Another copy runs: ask it to show itself (it may be hidden by Minimize), then end.
  QLocalSocket socket;
  for (int attempt = 0; attempt < 20; ++attempt) {
    socket.connectToServer(QString::fromStdString(InstanceSocketPath(runtimeFolder_)));
    if (socket.waitForConnected(250)) break;
    // The first copy may still be starting: it listens as soon as it holds the lock.
    QEventLoop wait;
    QTimer::singleShot(100, &wait, &QEventLoop::quit);
    wait.exec();
  }
  if (socket.state() == QLocalSocket::ConnectedState) {
    socket.write(ShowRequest().c_str());
    socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
  } else {
    ReportWarning("Kivu is already running but did not answer");
  }
  exitCode = 0;
  return false;
}

void CKivuApp::ListenForSecondCopies() {
  QString path = QString::fromStdString(InstanceSocketPath(runtimeFolder_));
  QLocalServer::removeServer(path);  // left over by a copy that ended without cleaning up
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(path)) {
    ReportWarning("a second start cannot reach this copy: " + server_->errorString().toStdString());
    return;
  }
  QObject::connect(server_.get(), &QLocalServer::newConnection, [this] {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
      QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
        // A request is one line; an older copy's comes without a token.
        while (socket->canReadLine()) {
          const QByteArray line = socket->readLine(kMaxRequestBytes).trimmed();
          if (!line.startsWith(kShowRequest) || !frame_) continue;
          frame_->ShowAndRaise(line.mid(sizeof kShowRequest - 1).trimmed().toStdString());
        }
        // Whatever comes without its line end by then is no request.
        if (socket->bytesAvailable() > kMaxRequestBytes) socket->abort();
      });
    }
  });
}

bool CKivuApp::ReadReplay(const KivuOptions& options) {
  if (options.demo) {  // bundled as a Qt resource
    QFile file(QStringLiteral(":/res/demo/drive.nmea"));
    if (!file.open(QIODevice::ReadOnly)) {
      ReportError("cannot read the demo drive: " + file.errorString().toStdString());
      return false;
    }
    replayPath_ = file.fileName().toStdString();
    replayCapture_ = file.readAll().toStdString();
    return true;
  }
  WholeFile file = ReadWholeFile(options.replay, kMaxCaptureBytes, WholeFileSources::AlsoStreams);
  if (file.status != WholeFile::Status::Read) {
    ReportError("cannot read the capture " + options.replay + ": " + std::strerror(file.error));
    return false;
  }
  replayPath_ = options.replay;
  replayCapture_ = std::move(file.content);
  return true;
}

bool CKivuApp::StartReplay() {
  std::string error;
  feeder_ = CaptureFeeder::StartAtOwnPace(replayCapture_, &error);
  if (!feeder_) {
    ReportError("cannot replay " + replayPath_ + ": " + error);
    return false;
  }
  // The replay is the only receiver: the reader thread opens its pseudo-terminal like a real port.
  GpsSource replay;
  replay.ports = {feeder_->PortPath()};
  sourcePolicy_.commandLine = replay;
  return true;
}

void CKivuApp::CatchTerminationSignals() {
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return;
  signalRead_.Reset(fds[0]);
  signalWrite_.Reset(fds[1]);
  signalPipeWrite = signalWrite_.Get();
  // SIGINT and SIGTERM close the document through the event loop, never inside the handler.
  signalNotifier_ = std::make_unique<QSocketNotifier>(signalRead_.Get(), QSocketNotifier::Read);
  QObject::connect(signalNotifier_.get(), &QSocketNotifier::activated, [this] {
    char byte;
    [[maybe_unused]] ssize_t n = read(signalRead_.Get(), &byte, 1);
    if (doc_) doc_->OnCloseDocument();
  });
  struct sigaction action = {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

CKivuApp::~CKivuApp() {
  if (!signalWrite_) return;
  signal(SIGINT, SIG_DFL);
  signal(SIGTERM, SIG_DFL);
  signalPipeWrite = -1;
  signalNotifier_.reset();
}

bool CKivuApp::InitInstance(const KivuOptions& options, int& exitCode) {
  exitCode = 1;
  if (!TakeOverOrHandOver(exitCode)) return false;
  if (!options.ports.empty()) {
    GpsSource ports;
    ports.ports = options.ports;
    sourcePolicy_.commandLine = ports;
  } else if (options.gpsd) {
    GpsSource gpsd;
    gpsd.kind = GpsSourceKind::Gpsd;
    gpsd.gpsd = options.gpsdAddress;
    sourcePolicy_.commandLine = gpsd;
  }
  const bool replay = options.demo || !options.replay.empty();
  if (replay && !ReadReplay(options)) return false;

  splash_ = std::make_unique<CSplashWnd>();
  splash_->show();
  // A second of the splash alone; the event loop keeps it painted meanwhile.
  {
    QEventLoop pause;
    QTimer::singleShot(1000, &pause, &QEventLoop::quit);
    pause.exec();
  }
  // The feeder's first burst comes one second after its start, when the view below has opened the
  // port; a burst sent during the pause would be purged by that opening.
  if (replay && !StartReplay()) return false;

  frame_ = std::make_unique<CMainFrame>(LoadAppSettings());
  frame_->ViewWidget().View().SetSourcePolicy(sourcePolicy_);
  if (options.hud) frame_->ViewWidget().View().SetHeadUp(true);
  doc_ = std::make_unique<CKivuDoc>(*frame_);
  KivuViewWidget& view = frame_->ViewWidget();
  view.SetExitHandler([this] { doc_->OnCloseDocument(); });
  view.SetAboutHandler([this] { OnAppAbout(); });
  splash_->SetMainWindow(frame_.get());

  CatchTerminationSignals();
  // The end of the desktop session, or a quit from anywhere else, still shuts the view down first.
  QObject::connect(qApp, &QCoreApplication::aboutToQuit, [this] {
    if (frame_) frame_->ViewWidget().Shutdown();
  });
  QGuiApplication::setQuitOnLastWindowClosed(false);

  QSize screen = frame_->screen() ? frame_->screen()->size() : QSize(800, 480);
  WindowMode mode = ChooseWindowMode(options, HasWindowManager(), screen.width(), screen.height());
  ShowInMode(*frame_, mode, options.windowWidth, options.windowHeight);
  // The splash stays above the new main window (a window manager keeps it there by its hint).
  splash_->raise();
  exitCode = 0;
  // A signal or a close that came while start-up still ran (the receiver's message box turns an event
  // loop of its own) has shut the view down already; the main loop would never hear of it.
  return !frame_->ViewWidget().IsShutDown();
}

void CKivuApp::ExitInstance() {
  splash_.reset();
  if (frame_) frame_->ViewWidget().Shutdown();
}

void CKivuApp::OnAppAbout() {
  CAboutDlg about(frame_.get());
  FitToScreen(about);
  ExecInFront(about);
}

}  // namespace kivu
