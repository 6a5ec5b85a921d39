#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTimer>

#include "app/programfolder.h"
#include "datasheet/datasheetwindow.h"
#include "graphs/graphswindow.h"
#include "program/startup.h"

namespace varnel {
namespace {

TEST(Exit, ClosingTheDataSheetEndsTheProgramThoughTheGraphsWindowOnlyMinimises) {
  QFile::remove(SettingsFilePath());
  Program p;
  BuildProgram(p);
  p.gwindow->show();
  p.wsheet->show();
  // Nothing is modified, so no question is asked; should the event loop
  // not end, the guard ends it with another code.
  QTimer::singleShot(0, p.wsheet.get(), [&p] { p.wsheet->close(); });
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(7); });
  guard.start(10000);
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_TRUE(QFile::exists(SettingsFilePath())) << "the settings are written on the way out";
}

}  // namespace
}  // namespace varnel
