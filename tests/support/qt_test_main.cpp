// Test entry for every test program: Qt runs offscreen unless told otherwise, so GUI tests work
// on machines without a display; and the port list of every program a test starts holds only the
// COMn links of its folder, never the machine's own serial devices (the tests' own lists are
// made so: ScratchFolder::portList).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("KELVOX_SETUP_FOLDER_PORTS_ONLY", "1");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
