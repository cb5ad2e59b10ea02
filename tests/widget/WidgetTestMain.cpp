#include <QApplication>

#include <gtest/gtest.h>

// Widget tests share one QApplication on the offscreen platform (unless the caller chose another).
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Marbrel"));  // as the program names itself
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
