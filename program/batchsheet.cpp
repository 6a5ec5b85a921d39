#include "program/batchsheet.h"

#include <QFileInfo>

#include "sheet/tableimport.h"

namespace varnel {

Button ConsolePrompter::Message(BoxKind kind, const QString& text, Buttons buttons) {
  const char* label = kind == BoxKind::Error ? "error: " : kind == BoxKind::Warning ? "warning: " : "";
  std::fprintf(err_, "%s%s\n", label, DisplayText(text).toLocal8Bit().constData());
  if (buttons & static_cast<unsigned>(Button::Yes)) {
    if (yes_) return Button::Yes;
    refusedQuestion = true;
    const bool no = buttons & static_cast<unsigned>(Button::No);
    // The question is the window's; the command line answers it with --yes.
    if (yesOffered_) std::fprintf(err_, "(%s; give --yes to answer Yes)\n", no ? "answered No" : "cancelled");
    return no ? Button::No : Button::Cancel;
  }
  return Button::Ok;
}

BatchSheet::BatchSheet(std::FILE* err, bool yes, bool yesOffered)
    : prompter(err, yes, yesOffered), sheet(prompter), files(sheet, nullptr, nullptr) {
  sheet.New1Click();
}

bool BatchSheet::Load(const QString& file) {
  const QString path = QFileInfo(file).absoluteFilePath();
  // A sheet is chosen in a workbook only; said rather than passed over, so
  // that a table read from the wrong file does not go unnoticed.
  if (!files.ImportDefaults.SheetName.isEmpty() && TableKindOf(path) != TableKind::Workbook)
    prompter.Message(BoxKind::Warning,
                     QStringLiteral("--sheet is for workbooks (.xlsx, .ods); %1 has no sheets and is read whole.")
                         .arg(QFileInfo(file).fileName()),
                     Only(Button::Ok));
  return files.LoadDataFile(path);
}

}  // namespace varnel
