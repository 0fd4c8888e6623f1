#include "app/ViewWidget.h"

#include <QAction>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>
#include <QWindow>
#include <cmath>

#include "app/ScreenDensity.h"
#include "app/WindowImage.h"
#include "app/WindowSystem.h"
#include "config/SettingsDialog.h"
#include "platform/Diagnostics.h"
#include "platform/raster/Bitmap.h"
#include "view/widgets/KivuPicture.h"
#include "view/widgets/PictureButton.h"
#include "view/widgets/TouchDialog.h"

namespace kivu {

QElapsedTimer& ProgramClock() {
  static QElapsedTimer clock;
  return clock;
}

KivuViewWidget::KivuViewWidget(AppSettings settings, QWidget* parent)
    : QWidget(parent),
      // The reader thread wakes this window's event loop through an eventfd: nothing is allocated
      // per fix, and a wake-up that finds no fix waiting does nothing.
      handOff_([this](const GpsFix& fix) { view_->OnGpsFix(fix); }, [this] { fixWaiting_.Signal(); }),
      fixNotifier_(fixWaiting_.Fd(), QSocketNotifier::Read) {
  connect(&fixNotifier_, &QSocketNotifier::activated, this, [this] {
    fixWaiting_.Clear();
    handOff_.Deliver();
    FollowChime();
  });
  // The view paints every pixel of the client area: no background erase, no flicker.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::StrongFocus);
  view_ = std::make_unique<CKivuView>(*this, std::move(settings));
  AddKeys();
}

void KivuViewWidget::AddKeys() {
  auto key = [this](const QList<QKeySequence>& keys, std::function<void()> action) {
    auto* shortcut = new QAction(this);
    shortcut->setShortcuts(keys);
    shortcut->setShortcutContext(Qt::WindowShortcut);
    connect(shortcut, &QAction::triggered, this, std::move(action));
    addAction(shortcut);
  };
  key({Qt::Key_Escape, Qt::Key_Q, Qt::CTRL | Qt::Key_Q}, [this] { OnCommand(kCommandExit); });
  key({Qt::Key_S}, [this] { OnCommand(kCommandSettings); });
  key({Qt::Key_N}, [this] { OnCommand(kCommandNavigator); });
  key({Qt::Key_M}, [this] { OnCommand(kCommandMinimize); });
  key({Qt::Key_D}, [this] {
    if (created_ && !shutDown_) view_->OnStepDisplay();
  });
  key({Qt::Key_H}, [this] {
    if (created_ && !shutDown_) view_->OnToggleHeadUp();
  });
  key({Qt::Key_W}, [this] {
    if (created_ && !shutDown_) view_->SilenceWarning();
  });
  key({Qt::Key_F11}, [this] {
    if (!shutDown_) ToggleFullScreen(*window());
  });
}

KivuViewWidget::~KivuViewWidget() {
  Shutdown();
}

void KivuViewWidget::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  // The reader may be waiting for this thread in the hand-off: refuse first, then stop it.
  handOff_.RefuseGpsFixes();
  if (created_) view_->OnClose();
  look_.RestoreBacklight();
}

void KivuViewWidget::FollowChime() {
  if (!created_ || shutDown_) return;
  const uint64_t due = view_->ChimesDue();
  if (due == chimesHeard_) return;
  chimesHeard_ = due;
  if (!view_->ChimeWanted()) return;
  // The sound card is looked for at the first warning, not at every start.
  if (!chime_) chime_ = std::make_unique<Chime>();
  chime_->Play();
}

void KivuViewWidget::FollowLook() {
  lookPending_ = false;
  if (shutDown_ || !created_) return;
  lookShown_ = &ColoursOf(view_->ThePalette(), view_->HeadUp());
  backlightShown_ = view_->BacklightPercentNow();
  look_.Follow(*lookShown_, backlightShown_, buttons_.values());
}

void KivuViewWidget::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (created_ || shutDown_) return;
  created_ = true;
  view_->OnCreate();
}

void KivuViewWidget::paintEvent(QPaintEvent* event) {
  if (!created_) return;
  if (!firstPaintDone_) NoteFirstPaint();
  const Bitmap* bitmap = view_->PaintWindowImage();
  if (!bitmap) return;
  // Qt reads the view's own pixels, not a copy of them: 32-bit BGRX is what Qt's RGB32 holds in
  // memory on a little-endian machine, all but the spare byte, which DrawWindowImage makes opaque.
  QImage image(bitmap->Memory(), bitmap->Width(), bitmap->Height(),
               static_cast<qsizetype>(bitmap->RowBytes()), QImage::Format_RGB32);
  // The view draws in the screen's own pixels: one of them for one of the image's.
  image.setDevicePixelRatio(devicePixelRatioF());
  QPainter painter(this);
  DrawWindowImage(painter, image, event->region());
  // The rest of the screen follows the palette the paint showed; not from inside a paint, as new
  // application colours repaint every window.
  if (!lookPending_ && (&ColoursOf(view_->ThePalette(), view_->HeadUp()) != lookShown_ ||
                        view_->BacklightPercentNow() != backlightShown_)) {
    lookPending_ = true;
    QMetaObject::invokeMethod(
        this, [this] { FollowLook(); }, Qt::QueuedConnection);
  }
}

void KivuViewWidget::NoteFirstPaint() {
  // A paint of a window that is not on the screen (not mapped yet, minimised) shows nobody anything.
  QWindow* shown = window()->windowHandle();
  if (!shown || !shown->isExposed()) return;
  firstPaintDone_ = true;
  // KIVU_TIMING=1 reports how long start-up took to the first picture of the dashboard on the screen.
  if (qEnvironmentVariableIntValue("KIVU_TIMING") == 1)
    ReportInfo("first dashboard paint " + std::to_string(ProgramClock().elapsed()) + " ms after start");
  if (!waitingMessages_.empty())
    QMetaObject::invokeMethod(
        this, [this] { ShowWaitingMessages(); }, Qt::QueuedConnection);
}

void KivuViewWidget::ShowWaitingMessages() {
  while (!waitingMessages_.empty() && !shutDown_) {
    auto [text, caption] = std::move(waitingMessages_.front());
    waitingMessages_.erase(waitingMessages_.begin());
    ShowTouchMessageBox(this, text, caption);
  }
}

void KivuViewWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (created_ && !shutDown_) {
    const Size client = ClientSize();
    view_->OnSize(client.width, client.height);
  }
}

void KivuViewWidget::timerEvent(QTimerEvent* event) {
  auto it = timers_.find(event->timerId());
  if (it == timers_.end()) return QWidget::timerEvent(event);
  view_->OnTimer(it.value());
}

void KivuViewWidget::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  if (created_ && !shutDown_) view_->OnSetFocus();
}

void KivuViewWidget::OnCommand(int id) {
  if (!created_ || shutDown_) return;
  switch (id) {
    case kCommandExit:
      if (onExit_) onExit_();
      break;
    case kCommandSettings:
      view_->OnSettings();
      break;
    case kCommandNavigator:
      view_->OnNavigator();
      break;
    case kCommandMinimize:
      view_->OnMinimize();
      break;
    default:
      break;
  }
}

void KivuViewWidget::Invalidate(bool) {
  update();
}

void KivuViewWidget::InvalidateRects(std::span<const Rect> rects) {
  // The view's rectangles are in the screen's pixels; Qt's in the window's, which a scale factor makes
  // larger: each goes out to the window pixels it touches.
  const double ratio = devicePixelRatioF();
  QRegion region;
  for (const Rect& r : rects) {
    const int left = static_cast<int>(std::floor(r.left / ratio));
    const int top = static_cast<int>(std::floor(r.top / ratio));
    const int right = static_cast<int>(std::ceil(r.right / ratio));
    const int bottom = static_cast<int>(std::ceil(r.bottom / ratio));
    region += QRect(left, top, right - left, bottom - top);
  }
  update(region);
}

uint32_t KivuViewWidget::SetTimer(uint32_t id, uint32_t periodMs) {
  // Setting a timer again replaces it, as the view's timers always have.
  KillTimer(id);
  int qtId = startTimer(static_cast<int>(periodMs));
  if (qtId == 0) return 0;
  timers_.insert(qtId, id);
  return id;
}

void KivuViewWidget::KillTimer(uint32_t id) {
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (it.value() == id) {
      killTimer(it.key());
      it = timers_.erase(it);
    } else {
      ++it;
    }
  }
}

Size KivuViewWidget::ClientSize() const {
  // In the screen's own pixels, where the dashboard is drawn: on a screen that shows a window's pixel
  // as two, the view lays out twice as many, not a picture Qt would magnify.
  const double ratio = devicePixelRatioF();
  return Size{static_cast<int>(std::lround(width() * ratio)),
              static_cast<int>(std::lround(height() * ratio))};
}

double KivuViewWidget::PixelsPerMillimetre() const {
  const QScreen* shown = screen();
  if (!shown) return 0;
  // In the screen's own pixels, which the view's layout is made in (the geometry is in the window's).
  const QSizeF pixels = QSizeF(shown->geometry().size()) * devicePixelRatioF();
  const QSizeF millimetres = shown->physicalSize();
  return ScreenPixelsPerMillimetre(pixels.width(), pixels.height(), millimetres.width(),
                                   millimetres.height());
}

void KivuViewWidget::ShowMessageBox(const std::string& text, const std::string& caption) {
  if (!firstPaintDone_) {
    waitingMessages_.emplace_back(text, caption);
    return;
  }
  ShowTouchMessageBox(this, text, caption);
}

void KivuViewWidget::ShowMainFrame(bool show) {
  if (show) {
    RestoreWindow(*window());
  } else {
    MinimizeWindow(*window());
  }
}

void KivuViewWidget::BringMainFrameToForeground() {
  // Activating is what the foreground means here. A raise would also lift the frame over windows
  // that stay on top (the splash) where no window manager keeps them there. While a dialog is open
  // over the dashboard the foreground is the dialog's, as it is for a modal window anywhere.
  ActivateWindowOrItsDialog(*window());
}

void KivuViewWidget::CreateButton(int id, const std::string& caption, const Rect& rect, int normalPicture,
                                  int pressedPicture) {
  auto* button = new PictureButton(KivuSizedPicture(normalPicture), KivuSizedPicture(pressedPicture), this);
  button->setText(QString::fromStdString(caption));
  button->setObjectName(QString::fromStdString(caption));
  button->setAccessibleName(QString::fromStdString(caption));
  connect(button, &QAbstractButton::clicked, this, [this, id] { OnCommand(id); });
  buttons_.insert(id, button);
  MoveButton(id, rect);
  button->show();
}

void KivuViewWidget::MoveButton(int id, const Rect& rect) {
  if (PictureButton* button = buttons_.value(id)) {
    // The layout's screen pixels back in the window's own.
    const double ratio = devicePixelRatioF();
    const int left = static_cast<int>(std::lround(rect.left / ratio));
    const int top = static_cast<int>(std::lround(rect.top / ratio));
    button->setGeometry(left, top, static_cast<int>(std::lround(rect.right / ratio)) - left,
                        static_cast<int>(std::lround(rect.bottom / ratio)) - top);
  }
}

bool KivuViewWidget::RunSettingsDialog(SettingsValues& values) {
  return kivu::RunSettingsDialog(this, values, onAbout_);
}

}  // namespace kivu
