#include "datasheet/commandstate.h"

#include <QHash>
#include <functional>

namespace varnel {
namespace {

using Rule = std::function<bool(const CommandContext&)>;

const QHash<QString, Rule>& Rules() {
  static const QHash<QString, Rule> rules = [] {
    QHash<QString, Rule> r;
    auto add = [&r](std::initializer_list<const char*> names, const Rule& rule) {
      for (const char* n : names) r.insert(QString::fromLatin1(n), rule);
    };
    add({"New1", "Open1", "Reopen1", "AppendFile1", "WSTButtonNew", "WSTButtonOpen"},
        [](const CommandContext& c) { return !c.WizardOpen; });
    add({"Save1", "SaveAs1", "WSPrint1", "WSTButtonSave", "WSTButtonPrint"},
        [](const CommandContext& c) { return !c.Blank; });
    add({"SaveSelection1", "Copy1", "WSTButtonCopy"},
        [](const CommandContext& c) { return !c.Blank && !c.Editing; });
    add({"Cut1", "Clear1", "WSTButtonCut", "WSTClear"},
        [](const CommandContext& c) { return !c.Blank && !c.Editing && !c.WizardOpen; });
    add({"PasteFile1"}, [](const CommandContext& c) { return c.ClipboardHasText && !c.WizardOpen; });
    add({"PasteBlock1", "WSTButtonPaste"},
        [](const CommandContext& c) { return c.ClipboardHasText && !c.WizardOpen && !c.Editing; });
    add({"Connect1"}, [](const CommandContext& c) { return !c.Blank && !c.Connected; });
    add({"Disconnect1"}, [](const CommandContext& c) { return c.Connected; });
    add({"IncludeInPlot1", "ExcludeFromPlot1", "ToggleCurrentRows1"},
        [](const CommandContext& c) { return c.RowsMode; });
    add({"AddRows1", "InsertRows1", "DeleteRows1"},
        [](const CommandContext& c) { return c.RowsMode && !c.WizardOpen; });
    add({"AddColumns1", "InsertColumns1", "DeleteColumns1"},
        [](const CommandContext& c) { return c.ColumnsMode && !c.WizardOpen; });
    add({"RenameCol1"},
        [](const CommandContext& c) { return c.ColumnsMode && !c.WizardOpen && c.OneColumnWide; });
    add({"Tag1", "Untag1"}, [](const CommandContext& c) { return c.ColumnsMode && c.WizardEarly(); });
    add({"Filter1"}, [](const CommandContext& c) { return c.ColumnsMode && !c.Blank; });
    add({"PlotIn1", "WSTButtonPlotIn"},
        [](const CommandContext& c) { return c.Connected && c.ColumnsMode && !c.Blank; });
    add({"LinearMapping1", "SVD1", "Inverse1", "WSTButtonMapping", "AnalysisWizard1", "WSTButtonMAW"},
        [](const CommandContext& c) { return !c.WizardOpen && !c.Blank; });
    add({"SendToMWizard1", "WSTButtonSendToMAW"},
        [](const CommandContext& c) { return c.WizardOnInputPage(); });
    return r;
  }();
  return rules;
}

}  // namespace

bool CommandEnabled(const QString& name, const CommandContext& c) {
  const auto it = Rules().constFind(name);
  return it == Rules().constEnd() || (*it)(c);
}

PopupItemState PopupState(const QString& name, const CommandContext& c) {
  const bool columns = c.ColumnsMode;
  const bool rows = c.RowsMode;
  if (name == QLatin1String("PMCut") || name == QLatin1String("PMClear"))
    return {true, !c.WizardOpen && !c.Blank};
  if (name == QLatin1String("PMCopy")) return {true, !c.Blank};
  if (name == QLatin1String("PMPaste")) return {true, c.ClipboardHasText && !c.WizardOpen};
  if (name == QLatin1String("PMN1") || name == QLatin1String("PMAdjustWidth1")) return {columns, true};
  if (name == QLatin1String("PMTag") || name == QLatin1String("PMUntag")) return {columns, c.WizardEarly()};
  if (name == QLatin1String("PMPlotIn1")) return {columns && c.Connected, true};
  if (name == QLatin1String("PMColAdd1") || name == QLatin1String("PMColInsert1") ||
      name == QLatin1String("PMColDelete1"))
    return {columns && !c.WizardOpen, true};
  if (name == QLatin1String("PMRenameCol1")) return {columns && !c.WizardOpen, c.OneColumnWide};
  if (name == QLatin1String("PMN2") || name == QLatin1String("PMN3") || name == QLatin1String("PMInclude") ||
      name == QLatin1String("PMExclude"))
    return {rows, true};
  if (name == QLatin1String("PMRowAdd1") || name == QLatin1String("PMRowInsert1") ||
      name == QLatin1String("PMRowDelete1"))
    return {rows && !c.WizardOpen, true};
  if (name == QLatin1String("PMSendMW1")) return {c.WizardOnInputPage() && !c.Blank, true};
  return {};
}

}  // namespace varnel
