// Test entry point for the tests that need a QApplication: windows are made
// on the offscreen platform, and the program folder is a fresh temporary one.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "app/programfolder.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir folder;
  varnel::SetProgramDir(folder.path());
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
