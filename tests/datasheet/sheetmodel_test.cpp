#include "datasheet/sheetmodel.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include "tests/datasheet/recordinggraph.h"
#include "tests/support/scriptedprompter.h"

namespace varnel {
namespace {

// The model follows the sheet through the view hooks, as the window does.
struct ModelView : SheetView {
  SheetModel* model = nullptr;
  void BeginChange(Change c, int first, int count) override { model->BeginChange(c, first, count); }
  void EndChange() override { model->EndChange(); }
  void CellsChanged(int l, int t, int r, int b) override { model->CellsChanged(l, t, r, b); }
};

TEST(SheetModel, StaysConsistentThroughEveryStructureChange) {
  test::ScriptedPrompter prompter;
  test::RecordingGraph graph;
  Sheet sheet(prompter, &graph);
  SheetModel model(sheet);
  ModelView view;
  view.model = &model;
  sheet.SetView(&view);
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);

  sheet.New1Click();
  EXPECT_EQ(model.rowCount(), 20);
  EXPECT_EQ(model.columnCount(), 10);
  sheet.SetCell(2, 3, "Fo92");
  EXPECT_EQ(model.data(model.index(2, 1), Qt::DisplayRole).toString(), QStringLiteral("Fo92"));
  EXPECT_EQ(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Var_2#"));
  EXPECT_EQ(model.headerData(4, Qt::Vertical, Qt::DisplayRole).toString(), QStringLiteral("5"));

  QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
  sheet.InsertRows(3, 2);
  ASSERT_EQ(inserted.size(), 1);
  EXPECT_EQ(inserted[0][1].toInt(), 2);
  EXPECT_EQ(inserted[0][2].toInt(), 3);
  EXPECT_EQ(model.data(model.index(4, 1), Qt::DisplayRole).toString(), QStringLiteral("Fo92"));
  sheet.RemoveRows(1, 4);
  sheet.InsertColumns(1, 3);
  sheet.RemoveColumns(2, 5);
  EXPECT_EQ(model.columnCount(), 8);
  sheet.RemoveRows(1, sheet.RowCount() - 1);
  EXPECT_EQ(model.rowCount(), 0);
  sheet.New1Click();
  EXPECT_EQ(model.rowCount(), 20);
  sheet.SetView(nullptr);
}

TEST(SheetModel, TintsUntaggedColumnsOrIncludedCases) {
  test::ScriptedPrompter prompter;
  test::RecordingGraph graph;
  Sheet sheet(prompter, &graph);
  sheet.New1Click();
  SheetModel model(sheet);
  model.SetCellTint(QColor(1, 2, 3));
  sheet.SetCell(2, 0, "SiO2");  // untagged
  sheet.SetCell(0, 4, "Y");
  sheet.RecountIncluded();
  sheet.Prefs.ColorCells = 1;
  EXPECT_EQ(model.data(model.index(0, 1), Qt::BackgroundRole).value<QColor>(), QColor(1, 2, 3));
  EXPECT_FALSE(model.data(model.index(0, 0), Qt::BackgroundRole).isValid());
  sheet.Prefs.ColorCells = 2;
  EXPECT_EQ(model.data(model.index(3, 0), Qt::BackgroundRole).value<QColor>(), QColor(1, 2, 3));
  EXPECT_FALSE(model.data(model.index(2, 1), Qt::BackgroundRole).isValid());
  sheet.Prefs.ColorCells = 0;
  EXPECT_FALSE(model.data(model.index(3, 1), Qt::BackgroundRole).isValid());
}

}  // namespace
}  // namespace varnel
