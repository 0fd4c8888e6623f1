// The Qt window that hosts the dashboard view: it implements the view's window interface, forwards
// paint, timer, focus and close to it, hosts the four buttons, and hands fixes from the reader thread
// to the view on the user-interface thread. It follows every change of its size with the view's layout
// and gives the dashboard its keys.
#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QSocketNotifier>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/ScreenLook.h"
#include "gps/GpsFixOwner.h"
#include "platform/WakeEvent.h"
#include "platform/sound/Chime.h"
#include "view/KivuView.h"
#include "view/ViewWindow.h"

namespace kivu {

class PictureButton;

// Time since the program started (main starts it).
QElapsedTimer& ProgramClock();

class KivuViewWidget : public QWidget, public ViewWindow {
 public:
  // settings: the loaded ones; the view is made at once and created (layout, buttons, receiver,
  // timers, track file) when the widget is first shown, at the size it has then.
  explicit KivuViewWidget(AppSettings settings, QWidget* parent = nullptr);
  ~KivuViewWidget() override;

  CKivuView& View() { return *view_; }
  bool IsCreated() const { return created_; }
  bool IsShutDown() const { return shutDown_; }
  // Runs the view's shutdown (timers, receiver, track file) once; later calls do nothing.
  void Shutdown();

  // What kCommandExit does: the document's close. What the about command does.
  void SetExitHandler(std::function<void()> onExit) { onExit_ = std::move(onExit); }
  void SetAboutHandler(std::function<void()> onAbout) { onAbout_ = std::move(onAbout); }
  // A command from a button or its key: kCommandExit, kCommandSettings, kCommandNavigator or
  // kCommandMinimize.
  void OnCommand(int id);
  // True once the dashboard has been painted on the screen.
  bool IsPainted() const { return firstPaintDone_; }
  // Readable while the reader waits in the hand-off for the event loop to take its fix.
  int FixWaitingFd() const { return fixWaiting_.Fd(); }

  // ViewWindow.
  void Invalidate(bool erase) override;
  void InvalidateRects(std::span<const Rect> rects) override;
  uint32_t SetTimer(uint32_t id, uint32_t periodMs) override;
  void KillTimer(uint32_t id) override;
  Size ClientSize() const override;
  double PixelsPerMillimetre() const override;
  // Boxes asked for before the dashboard's first paint (those of its creation) wait for it, so that they
  // come over the dashboard rather than before it.
  void ShowMessageBox(const std::string& text, const std::string& caption) override;
  void ShowMainFrame(bool show) override;
  void BringMainFrameToForeground() override;
  void CreateButton(int id, const std::string& caption, const Rect& rect, int normalPicture,
                    int pressedPicture) override;
  void MoveButton(int id, const Rect& rect) override;
  GpsFixOwner& FixOwner() override { return handOff_; }
  bool RunSettingsDialog(SettingsValues& values) override;

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void AddKeys();
  void NoteFirstPaint();
  void ShowWaitingMessages();
  // Brings the buttons, the dialogs and the backlight to the view's palette (after a paint that showed
  // another one).
  void FollowLook();
  // Plays the speed warning's chime when the view has one more due.
  void FollowChime();

  WakeEvent fixWaiting_;
  FixHandOff handOff_;
  QSocketNotifier fixNotifier_;
  std::unique_ptr<CKivuView> view_;
  QHash<int, uint32_t> timers_;                                       // Qt's timer id -> the view's
  QHash<int, PictureButton*> buttons_;                                // by command
  std::vector<std::pair<std::string, std::string>> waitingMessages_;  // text, caption
  bool created_ = false;
  bool shutDown_ = false;
  bool firstPaintDone_ = false;
  ScreenLook look_;
  bool lookPending_ = false;
  const DashboardColours* lookShown_ = nullptr;
  int backlightShown_ = 100;
  std::unique_ptr<Chime> chime_;
  uint64_t chimesHeard_ = 0;
  std::function<void()> onExit_;
  std::function<void()> onAbout_;
};

}  // namespace kivu
