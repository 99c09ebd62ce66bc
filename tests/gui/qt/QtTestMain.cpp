// Main of the Qt tests: one QApplication on the offscreen platform for all
// of them (test discovery runs this binary too, with no display).
#include <QApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // Settings (recent files, the last folder) go to a test location.
  QStandardPaths::setTestModeEnabled(true);
  QCoreApplication::setApplicationName(QStringLiteral("tallyfold-tests"));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
