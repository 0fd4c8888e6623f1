// kivu: the dashboard.
#include <QApplication>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/DisplayPlatform.h"
#include "app/KivuApp.h"
#include "app/ViewWidget.h"
#include "platform/Diagnostics.h"

int main(int argc, char** argv) {
  using namespace kivu;
  ProgramClock().start();
  std::vector<std::string> args(argv + 1, argv + argc);
  KivuOptions options;
  std::string error;
  if (!ParseKivuOptions(args, options, error)) {
    ReportError(error);
    std::fputs(KivuUsage().c_str(), stderr);
    return 2;
  }
  if (options.help) {
    std::fputs(KivuUsage().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::puts("kivu 1.0");
    return 0;
  }
  if (!options.home.empty()) setenv("KIVU_HOME", options.home.c_str(), 1);
  const DisplayChoice display =
      ChooseDisplayPlatform(getenv("QT_QPA_PLATFORM"), getenv("DISPLAY"), getenv("WAYLAND_DISPLAY"), "/dev/");
  if (!display.ok) {
    ReportError("no display (" + display.problem +
                "); to see the dashboard without one, "
                "try: kivu-replay res/demo/drive.nmea --snapshot dashboard.png --size 800x480");
    return 1;
  }
  if (!display.platform.empty()) setenv("QT_QPA_PLATFORM", display.platform.c_str(), 1);

  // A file size limit then makes a record file's write fail (and be cut back) instead of ending us.
  std::signal(SIGXFSZ, SIG_IGN);
  QApplication app(argc, argv);
  QApplication::setApplicationName("Kivu");
  // Qt adopts the user's locale; Kivu's files and figures always use a decimal point.
  std::setlocale(LC_NUMERIC, "C");
  CKivuApp kivu;
  int exitCode = 0;
  if (!kivu.InitInstance(options, exitCode)) return exitCode;
  int status = app.exec();
  kivu.ExitInstance();
  return status;
}
