#include "program/batchsheet.h"

#include <QFileInfo>

namespace varnel {

Button ConsolePrompter::Message(BoxKind kind, const QString& text, Buttons buttons) {
  const char* label = kind == BoxKind::Error ? "error: " : kind == BoxKind::Warning ? "warning: " : "";
  std::fprintf(err_, "%s%s\n", label, DisplayText(text).toLocal8Bit().constData());
  if (buttons & static_cast<unsigned>(Button::Yes)) {
    if (yes_) return Button::Yes;
    refusedQuestion = true;
    return (buttons & static_cast<unsigned>(Button::No)) ? Button::No : Button::Cancel;
  }
  return Button::Ok;
}

BatchSheet::BatchSheet(std::FILE* err, bool yes)
    : prompter(err, yes), sheet(prompter), files(sheet, nullptr, nullptr) {
  sheet.New1Click();
}

bool BatchSheet::Load(const QString& file) { return files.LoadDataFile(QFileInfo(file).absoluteFilePath()); }

}  // namespace varnel
