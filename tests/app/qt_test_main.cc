// Runs the window tests inside one QApplication, headless unless the caller
// chose a platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>

#include "app/main_window.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
  }
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  QApplication::setFont(lirabel::windowFont());
  return RUN_ALL_TESTS();
}
