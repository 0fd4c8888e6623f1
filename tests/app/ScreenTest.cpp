// The dashboard and its dialogs on real screens of cars, through the X11 platform: a virtual X server of
// the size KIVU_TEST_SCREEN names ("800x480", "480x800", "1600x900"; "+wm" adds the openbox window
// manager), started by the test itself on a display it picks.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "app/AboutDlg.h"
#include "app/KivuApp.h"
#include "app/MainFrame.h"
#include "app/WindowSystem.h"
#include "app/X11Window.h"
#include "app/XServer.h"
#include "config/AppSettings.h"
#include "platform/SerialPort.h"
#include "support/QtTestSupport.h"
#include "support/TestSupport.h"
#include "view/widgets/TouchDialog.h"

namespace kivu {
namespace {

struct ScreenSpec {
  int width = 800;
  int height = 480;
  bool windowManager = false;
};

ScreenSpec TheScreenSpec() {
  ScreenSpec spec;
  const char* text = std::getenv("KIVU_TEST_SCREEN");
  if (!text || std::sscanf(text, "%dx%d", &spec.width, &spec.height) != 2) return ScreenSpec{};
  spec.windowManager = std::strstr(text, "+wm") != nullptr;
  return spec;
}

// The X server, then the one QApplication on it.
class ScreenEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ScreenSpec spec = TheScreenSpec();
    server_ = std::make_unique<test::XServer>(spec.width, spec.height, spec.windowManager);
    ASSERT_TRUE(server_->Ready()) << server_->Error();
    setenv("DISPLAY", server_->Display().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override {
    app_.reset();
    server_.reset();
  }

 private:
  int argc_ = 1;
  char name_[16] = "screen_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<test::XServer> server_;
  std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const kScreen =
    ::testing::AddGlobalTestEnvironment(new ScreenEnvironment);

using test::ProcessUntil;

// The top-level X windows from the bottom of the stack to its top: the window manager's list of the
// windows it manages, else the root's children (nobody reparents them then).
std::vector<xcb_window_t> StackingOrder() {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* c = x11->connection();
  xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  std::vector<xcb_window_t> order;
  if (HasWindowManager()) {
    static const char kName[] = "_NET_CLIENT_LIST_STACKING";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof kName - 1, kName), nullptr);
    xcb_get_property_reply_t* list = xcb_get_property_reply(
        c, xcb_get_property(c, 0, root, atom->atom, XCB_ATOM_WINDOW, 0, 1024), nullptr);
    auto* windows = static_cast<xcb_window_t*>(xcb_get_property_value(list));
    order.assign(windows, windows + xcb_get_property_value_length(list) / 4);
    std::free(list);
    std::free(atom);
  } else {
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
    xcb_window_t* children = xcb_query_tree_children(tree);
    order.assign(children, children + xcb_query_tree_children_length(tree));
    std::free(tree);
  }
  return order;
}

int StackIndex(const QWidget& window) {
  std::vector<xcb_window_t> order = StackingOrder();
  auto found = std::find(order.begin(), order.end(), static_cast<xcb_window_t>(window.winId()));
  return found == order.end() ? -1 : static_cast<int>(found - order.begin());
}

// Kivu's home and a receiver for each test.
class Screen : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("KIVU_HOME", home.Path().c_str(), 1);
    setenv("KIVU_PORTS", pty.SlavePath().c_str(), 1);
    spec = TheScreenSpec();
    screen = QGuiApplication::primaryScreen()->geometry();
  }
  void TearDown() override {
    frame.reset();
    unsetenv("KIVU_PORTS");
    unsetenv("KIVU_HOME");
  }
  // The frame as kivu starts it without options, once the dashboard is painted.
  CMainFrame& Start() {
    frame = std::make_unique<CMainFrame>(LoadAppSettings());
    mode = ChooseWindowMode(KivuOptions{}, HasWindowManager(), screen.width(), screen.height());
    ShowInMode(*frame, mode, 0, 0);
    EXPECT_TRUE(ProcessUntil([&] { return frame->ViewWidget().IsPainted(); }));
    return *frame;
  }
  // The size the dashboard takes: the screen, or the free area less the frame's title bar.
  bool FillsItsPlace() {
    QScreen* s = frame->screen();
    if (mode == WindowMode::FullScreen)
      return frame->isFullScreen() && frame->ViewWidget().geometry().size() == s->geometry().size() &&
             frame->geometry() == s->geometry();
    return frame->isMaximized() && frame->frameGeometry() == s->availableGeometry();
  }

  test::TempDir home;
  test::PseudoTerminal pty;
  ScreenSpec spec;
  QRect screen;
  WindowMode mode = WindowMode::FullScreen;
  std::unique_ptr<CMainFrame> frame;
};

TEST_F(Screen, TheDashboardFillsTheScreenWithTheStripAndItsButtons) {
  EXPECT_EQ(screen.size(), QSize(spec.width, spec.height));
  EXPECT_EQ(HasWindowManager(), spec.windowManager);
  CMainFrame& f = Start();
  EXPECT_EQ(mode, spec.windowManager && !IsCarSizedScreen(spec.width, spec.height) ? WindowMode::Maximized
                                                                                   : WindowMode::FullScreen);
  ASSERT_TRUE(ProcessUntil([&] { return FillsItsPlace(); }))
      << f.frameGeometry().x() << "," << f.frameGeometry().y() << " " << f.frameGeometry().width() << "x"
      << f.frameGeometry().height();
  KivuViewWidget& view = f.ViewWidget();
  QSize client = view.size();
  // The screen's density, which the strip's buttons are sized by, is the X server's: Xvfb gives its
  // screen 96 dots an inch, in whole millimetres (not the 100 that Qt assumes where it is told none).
  EXPECT_NEAR(view.PixelsPerMillimetre(), 96 / 25.4, 0.01);
  ASSERT_TRUE(ProcessUntil([&] {
    const ViewLayout& layout = view.View().Layout();
    return layout.strip.Contains(Point{0, client.height() - 1}) &&
           layout.buttonRects[0].bottom == client.height() - layout.buttonRects[0].left;
  }));
  // The strip goes down the left edge of a wide screen, else along the bottom.
  EXPECT_EQ(view.View().Layout().wideLayout, client.width() / 618.0 > client.height() / 430.0);
  // Every button lies inside the view and on the screen, and what the screen shows there is the button.
  QRect shown = QRect(view.mapToGlobal(QPoint(0, 0)), client);
  EXPECT_TRUE(screen.contains(shown)) << shown.width() << "x" << shown.height();
  QImage onScreen;
  ASSERT_TRUE(ProcessUntil([&] {
    onScreen = f.screen()->grabWindow(0).toImage();
    return onScreen.pixelColor(view.mapToGlobal(QPoint(2, client.height() - 2)) - screen.topLeft()) ==
           QColor(180, 180, 180);  // the strip's grey in its bottom-left corner
  }));
  for (const char* caption : {"Exit", "Settings", "Navigator", "Minimize"}) {
    auto* button = test::Find<QAbstractButton>(&f, caption);
    QRect global(button->mapToGlobal(QPoint(0, 0)), button->size());
    EXPECT_TRUE(shown.contains(global)) << caption;
    QImage own = button->grab().toImage();
    EXPECT_EQ(onScreen.pixelColor(global.center() - screen.topLeft()), own.pixelColor(own.rect().center()))
        << caption;
  }
}

// Whether every control a finger uses in dialog is at least 44 pixels high and can be brought into
// its dialog, which lies on the screen.
void ExpectFingerSizedAndOnTheScreen(QWidget* dialog) {
  SCOPED_TRACE(dialog->windowTitle().toStdString());
  ProcessUntil([&] { return !HasWindowManager() || dialog->frameGeometry() != dialog->geometry(); }, 2000);
  QRect area = dialog->screen()->availableGeometry();
  // A window manager may frame a dialog before it places it: wait for the placement.
  ProcessUntil([&] { return area.contains(dialog->frameGeometry()); }, 2000);
  EXPECT_TRUE(area.contains(dialog->frameGeometry()))
      << dialog->frameGeometry().x() << "," << dialog->frameGeometry().y() << " "
      << dialog->frameGeometry().width() << "x" << dialog->frameGeometry().height() << " in " << area.width()
      << "x" << area.height();
  EXPECT_FALSE(dialog->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(dialog->isModal());
  if (HasWindowManager()) {
    // The window manager frames it as a window of the one it came from, with a close box and no
    // minimise box: the boxes openbox draws are the actions it allows.
    const auto window = static_cast<xcb_window_t>(dialog->winId());
    std::vector<uint32_t> actions;
    EXPECT_TRUE(ProcessUntil(
        [&] { return !(actions = test::X11Property(window, "_NET_WM_ALLOWED_ACTIONS")).empty(); }));
    auto allows = [&](const char* action) {
      return std::count(actions.begin(), actions.end(), test::X11Atom(action)) > 0;
    };
    EXPECT_TRUE(allows("_NET_WM_ACTION_CLOSE"));
    EXPECT_FALSE(allows("_NET_WM_ACTION_MINIMIZE"));
    std::vector<uint32_t> owner = test::X11Property(window, "WM_TRANSIENT_FOR");
    EXPECT_EQ(owner, std::vector<uint32_t>{static_cast<uint32_t>(dialog->parentWidget()->window()->winId())});
  }
  std::vector<QWidget*> controls;
  for (QWidget* w : dialog->findChildren<QWidget*>()) {
    auto* edit = qobject_cast<QLineEdit*>(w);
    if (!w->isVisibleTo(dialog) || w->parentWidget()->inherits("QComboBox")) continue;
    if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) || (edit && !edit->isReadOnly()))
      controls.push_back(w);
  }
  EXPECT_FALSE(controls.empty());
  for (QWidget* control : controls) {
    std::string name = control->objectName().toStdString() + " " + control->metaObject()->className();
    EXPECT_GE(control->height(), kTouchHeight) << name;
    for (QWidget* up = control->parentWidget(); up && up != dialog; up = up->parentWidget())
      if (auto* scroll = qobject_cast<QScrollArea*>(up)) scroll->ensureWidgetVisible(control, 0, 0);
    QRect inDialog(control->mapTo(dialog, QPoint(0, 0)), control->size());
    EXPECT_TRUE(dialog->rect().contains(inDialog)) << name;
    if (auto* box = qobject_cast<QComboBox*>(control)) {
      box->showPopup();
      EXPECT_GE(box->view()->visualRect(box->model()->index(0, 0)).height(), kTouchHeight) << name;
      box->hidePopup();
    }
  }
  for (QListWidget* list : dialog->findChildren<QListWidget*>())
    if (list->count() > 0) {
      EXPECT_GE(list->visualItemRect(list->item(0)).height(), kTouchHeight);
    }
}

TEST_F(Screen, EveryDialogFitsTheScreenWithControlsForAFinger) {
  CMainFrame& f = Start();
  KivuViewWidget& view = f.ViewWidget();
  view.SetAboutHandler([&] {
    CAboutDlg about(&f);
    FitToScreen(about);
    ExecInFront(about);
  });
  int seen = 0;
  test::WhenModal([&](QWidget* settings) {
    EXPECT_EQ(settings->parentWidget()->window(), &f);
    ExpectFingerSizedAndOnTheScreen(settings);
    test::WhenModal([&](QWidget* browse) {
      ExpectFingerSizedAndOnTheScreen(browse);
      ++seen;
      qobject_cast<QDialog*>(browse)->reject();
    });
    test::Find<QPushButton>(settings, "1006")->click();
    test::WhenModal([&](QWidget* about) {
      ExpectFingerSizedAndOnTheScreen(about);
      ++seen;
      qobject_cast<QDialog*>(about)->accept();
    });
    test::Find<QPushButton>(settings, "57664")->click();
    ++seen;
    qobject_cast<QDialog*>(settings)->reject();
  });
  view.OnCommand(kCommandSettings);
  test::WhenModal([&](QWidget* box) {
    EXPECT_EQ(box->parentWidget()->window(), &f);
    ExpectFingerSizedAndOnTheScreen(box);
    ++seen;
    qobject_cast<QDialog*>(box)->accept();
  });
  view.View().Settings().navigationPath = home.Path() + "no-navigator";
  view.OnCommand(kCommandNavigator);
  EXPECT_EQ(seen, 4);
}

TEST_F(Screen, TheStartUpMessageComesAboveTheSplashOverThePaintedDashboard) {
  test::TempDir runtime;
  chmod(runtime.Path().c_str(), 0700);
  setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
  KivuOptions options;
  options.ports = {home.Path() + "no-port"};
  CKivuApp app;
  bool seen = false;
  test::WhenModalComes(
      [&](QWidget* box) {
        EXPECT_EQ(qobject_cast<QMessageBox*>(box)->text(), "Failed to create GPS Parser!");
        EXPECT_TRUE(app.MainFrame()->ViewWidget().IsPainted());
        ASSERT_TRUE(app.Splash()->isVisible());
        EXPECT_TRUE(ProcessUntil([&] { return StackIndex(*box) > StackIndex(*app.Splash()); }))
            << StackIndex(*box) << " " << StackIndex(*app.Splash());
        EXPECT_GE(StackIndex(*app.Splash()), 0);
        seen = true;
        qobject_cast<QDialog*>(box)->accept();
      },
      8000);
  int status = -1;
  ASSERT_TRUE(app.InitInstance(options, status));
  EXPECT_TRUE(ProcessUntil([&] { return seen; }, 8000));
  app.MainFrame()->close();
  app.ExitInstance();
  unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace
}  // namespace kivu
