// The program's windows need one QApplication for the whole test run, on
// Qt's offscreen platform.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // No display is needed, not even while CTest lists the tests.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
