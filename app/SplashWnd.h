// The splash window: picture 169, frameless and above everything, centred on the screen; it closes
// itself ten seconds after it was made, or at a tap, and hands the foreground to the main window.
#pragma once

#include <QPixmap>
#include <QWidget>

namespace kivu {

class CSplashWnd : public QWidget {
 public:
  // The timer that closes the splash, and after how long.
  static constexpr int kTimerId = 2;
  static constexpr int kLifetimeMs = 10000;

  explicit CSplashWnd(int bitmapId = 169, int lifetimeMs = kLifetimeMs);

  // Made the foreground window when the splash closes (the main frame).
  void SetMainWindow(QWidget* mainWindow) { mainWindow_ = mainWindow; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QPixmap picture_;
  QWidget* mainWindow_ = nullptr;
  int timer_ = 0;
};

}  // namespace kivu
