#include "app/SplashWnd.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>

#include "view/widgets/KivuPicture.h"
#include "view/widgets/TouchDialog.h"

namespace kivu {

CSplashWnd::CSplashWnd(int bitmapId, int lifetimeMs)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      picture_(KivuPicture(bitmapId)) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  setWindowTitle(QString());
  // Without its picture the window is still made, and shows nothing.
  setFixedSize(picture_.isNull() ? QSize(0, 0) : picture_.size());
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect area = screen->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
  }
  timer_ = startTimer(lifetimeMs);
}

void CSplashWnd::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!picture_.isNull()) painter.drawPixmap(0, 0, picture_);
}

void CSplashWnd::timerEvent(QTimerEvent* event) {
  if (event->timerId() != timer_) return QWidget::timerEvent(event);
  killTimer(timer_);
  timer_ = 0;
  close();
}

void CSplashWnd::mousePressEvent(QMouseEvent*) {
  close();  // a touch screen's tap arrives as a press
}

void CSplashWnd::closeEvent(QCloseEvent* event) {
  if (timer_) killTimer(timer_);
  timer_ = 0;
  // A dashboard minimised meanwhile stays where its user put it.
  if (mainWindow_ && mainWindow_->isVisible() && !mainWindow_->isMinimized()) {
    mainWindow_->raise();
    // A dialog opened over the dashboard meanwhile keeps the keys.
    ActivateWindowOrItsDialog(*mainWindow_);
  }
  QWidget::closeEvent(event);
}

}  // namespace kivu
