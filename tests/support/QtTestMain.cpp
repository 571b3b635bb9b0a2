#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  // What the windows keep in the user's own folders (work kept aside when their folder fails,
  // the components' cache) stays in a folder of the suite's.
  QTemporaryDir home;
  qputenv("XDG_STATE_HOME", (home.path() + "/state").toUtf8());
  qputenv("XDG_CACHE_HOME", (home.path() + "/cache").toUtf8());
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
