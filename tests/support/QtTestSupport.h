// Qt tests: finding a dialog's controls by their numbers and acting on modal dialogs from inside their run.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <stdexcept>
#include <string>

namespace kivu::test {

// The control named id in dialog; throws (failing the test) when there is none of that kind.
template <typename Control>
Control* Find(QWidget* dialog, const char* id) {
  Control* control = dialog ? dialog->findChild<Control*>(id) : nullptr;
  if (!control) throw std::runtime_error(std::string("no control ") + id);
  return control;
}

// Runs action on the modal dialog that is up once the event loop turns (the one a DoModal started). The
// action has to end the dialog; one it leaves open fails the test and is cancelled, so that no run hangs.
inline void WhenModal(std::function<void(QWidget*)> action) {
  QTimer::singleShot(0, [action = std::move(action)] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) {
      ADD_FAILURE() << "no modal dialog is up";
      return;
    }
    try {
      action(modal);
    } catch (const std::exception& error) {
      ADD_FAILURE() << error.what();
    }
    if (QApplication::activeModalWidget() == modal) {
      ADD_FAILURE() << "the dialog was left open";
      if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
    }
  });
}

// Runs action on the first modal dialog that comes up within timeoutMs, however many turns of the event
// loop that takes (a box shown once the dashboard is painted, say). As with WhenModal, the action ends it.
inline void WhenModalComes(std::function<void(QWidget*)> action, int timeoutMs = 5000) {
  auto* poll = new QTimer;
  auto* started = new QElapsedTimer;
  started->start();
  QObject::connect(poll, &QTimer::timeout, [poll, started, timeoutMs, action = std::move(action)] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal && started->elapsed() < timeoutMs) return;
    poll->stop();
    poll->deleteLater();
    delete started;
    if (!modal) {
      ADD_FAILURE() << "no modal dialog came up";
      return;
    }
    WhenModal(action);
  });
  poll->start(10);
}

// Turns the event loop until done() holds or the time-out passes.
inline bool ProcessUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

// The list's texts, top to bottom.
inline QStringList Texts(QListWidget* list) {
  QStringList texts;
  for (int row = 0; row < list->count(); ++row)
    texts << list->item(row)->text();
  return texts;
}

inline QListWidgetItem* Item(QListWidget* list, const QString& text) {
  QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
  if (found.size() != 1) throw std::runtime_error("no single item " + text.toStdString());
  return found.front();
}

inline void Click(QListWidget* list, const QString& text) {
  QListWidgetItem* item = Item(list, text);
  list->scrollToItem(item);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

inline void DoubleClick(QListWidget* list, const QString& text) {
  QListWidgetItem* item = Item(list, text);
  list->scrollToItem(item);
  // As a window system reports a double-click: press and release, then the double-click and its release.
  QPoint at = list->visualItemRect(item).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
}

}  // namespace kivu::test
