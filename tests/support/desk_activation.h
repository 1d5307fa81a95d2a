// What a window manager does when the program's window comes back in front
// after another window (a file dialog, another program): Qt hands the
// keyboard to a widget of the desk.
#pragma once
#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>

namespace testsupport {

inline void DeskActivatedAgain() {
  QWidget* desk = QApplication::activeWindow();
  ASSERT_NE(desk, nullptr);
  QWidget other;
  other.show();
  other.activateWindow();
  QCoreApplication::processEvents();
  other.hide();
  desk->activateWindow();
  QCoreApplication::processEvents();
  ASSERT_EQ(QApplication::activeWindow(), desk);
}

}  // namespace testsupport
