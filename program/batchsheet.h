// A DataSheet without a window, for the commands Varnel runs from the
// command line: loaded from a data file as Open loads it, with a prompter
// that writes to standard error.
#pragma once

#include <cstdio>

#include "app/prompter.h"
#include "sheet/filecommands.h"
#include "sheet/sheet.h"

namespace varnel {

// Messages go to standard error; questions take the answer given on the
// command line (--yes), warnings are all shown and reading goes on.
class ConsolePrompter : public Prompter {
 public:
  // yesOffered: the command takes --yes, and a question it answers No
  // says so.
  ConsolePrompter(std::FILE* err, bool yes, bool yesOffered) : err_(err), yes_(yes), yesOffered_(yesOffered) {}
  Button Message(BoxKind kind, const QString& text, Buttons buttons) override;
  std::optional<QString> OpenFileName(const FileDialogSpec&) override { return std::nullopt; }
  std::optional<QString> SaveFileName(const FileDialogSpec&) override { return std::nullopt; }
  std::optional<QFont> ChooseFont(const QFont&) override { return std::nullopt; }
  std::optional<QRgb> ChooseColor(QRgb, const QString&) override { return std::nullopt; }
  bool RunDialog(QDialog&) override { return false; }
  std::optional<PrintRange> PrintDialog(QPrinter&, bool) override { return std::nullopt; }
  bool PrinterSetup(QPrinter&) override { return false; }
  // A question was answered No because --yes was not given.
  bool refusedQuestion = false;

 private:
  std::FILE* err_;
  bool yes_;
  bool yesOffered_;
};

struct BatchSheet {
  // yes: the command's --yes was given; yesOffered: the command takes it.
  BatchSheet(std::FILE* err, bool yes, bool yesOffered);
  // Loads the file (relative to the working folder); false when refused.
  bool Load(const QString& file);

  ConsolePrompter prompter;
  Sheet sheet;
  DataFiles files;
};

}  // namespace varnel
