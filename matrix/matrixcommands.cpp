#include "matrix/matrixcommands.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>

#include "app/numberlocale.h"
#include "app/textpad.h"
#include "app/version.h"
#include "sheet/sheet.h"

namespace varnel {

MatrixCommands::MatrixCommands(Sheet& sheet, Prompter& prompter, TVN_Txt& textPad, QWidget* dialogParent)
    : sheet_(sheet),
      textPad_(textPad),
      svd_(std::make_unique<TVn_SVD>(prompter, dialogParent)),
      inverse_(std::make_unique<TVn_INV>(prompter, dialogParent)),
      mapping_(std::make_unique<TVN_LMapd>(prompter, dialogParent)) {}

MatrixCommands::~MatrixCommands() = default;

MatrixCommandContext MatrixCommands::Context(TVn_SVD& dialog) {
  MatrixCommandContext c;
  c.ShowDialog = [this, &dialog](MatrixReportOptions& options) {
    dialog.FormShow(sheet_);
    if (!ExecDialog(dialog)) return false;
    options = dialog.Options();
    return true;
  };
  c.Report = &textPad_;
  c.FontSize = textPad_.TxtRichEdit()->font().pointSize();
  c.Environment = [this] {
    ReportEnvironment env = ReportEnvironmentNow(sheet_.FileName, DecimalSeparator());
    env.ProcessEvents = [] { QApplication::processEvents(); };
    return env;
  };
  return c;
}

void MatrixCommands::SVD1Click() { RunSvdCommand(sheet_, Context(*svd_)); }

void MatrixCommands::Inverse1Click() { RunInverseCommand(sheet_, Context(*inverse_)); }

void MatrixCommands::LinearMapping1Click() {
  // Pending events run every few dozen milliseconds while a long sheet maps.
  QElapsedTimer since;
  since.start();
  RunMappingCommand(
      sheet_, DecimalSeparator(),
      [this](MappingOptions& options, int nOld, int nNew, bool weighted, const IVector& list) {
        mapping_->Prepare(sheet_, nOld, nNew, weighted, list, options.Weights);
        if (!ExecDialog(*mapping_)) return false;
        options = mapping_->Options();
        return true;
      },
      [&since] {
        if (since.elapsed() > 50) {
          QApplication::processEvents();
          since.restart();
        }
      });
}

}  // namespace varnel
