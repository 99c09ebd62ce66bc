// Main of the Qt tests: one QApplication on the offscreen platform for all
// of them (test discovery runs this binary too, with no display).
#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // Settings (recent files, the last folder) go to a folder of this process
  // alone: ctest runs the tests in parallel processes, and a shared settings
  // file would let one test's recent files show up in another's.
  QStandardPaths::setTestModeEnabled(true);
  QCoreApplication::setApplicationName(QStringLiteral("tallyfold-tests"));
  const QTemporaryDir settingsFolder;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsFolder.path());
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
