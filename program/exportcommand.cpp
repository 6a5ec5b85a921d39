#include "program/exportcommand.h"

#include <QDir>

#include "app/numberlocale.h"
#include "sheet/sheetexport.h"
#include "program/batchoptions.h"
#include "program/batchsheet.h"

namespace varnel {

int ExportCommand(const QStringList& args, std::FILE* out, std::FILE* err) {
  CommandParser p(QStringLiteral("export"), QStringLiteral("export FILE [options] -o OUT.(csv|xlsx)"),
                  QStringLiteral("Writes the data file or table FILE as a CSV file (comma, UTF-8, point "
                                 "decimals) or an Excel workbook (numbers as numbers, text as text)."));
  p.Add({QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("the file to write, .csv or .xlsx"),
        QStringLiteral("OUT"));
  p.Add(QStringLiteral("included"), QStringLiteral("only the included cases (those marked Y)"));
  p.Add(QStringLiteral("decimal-separator"),
        QStringLiteral("decimal separator of the numbers read (default: the locale's)"), QStringLiteral("C"));
  AddImportOptions(p);
  if (!p.Parse(args, out)) return 0;
  const char separator = p.IsSet(QStringLiteral("decimal-separator"))
                             ? ParseSeparator(p.Value(QStringLiteral("decimal-separator")))
                             : DecimalSeparator();
  const QString output = p.Value(QStringLiteral("output"));
  if (output.isEmpty()) throw UsageError{QStringLiteral("export needs -o OUT, the file to write")};
  ExportFormat format;
  if (!ExportFormatOf(output, &format))
    throw UsageError{QStringLiteral("the output must be a .csv or .xlsx file")};
  const TableImportOptions import = ImportOptionsOf(p, separator);

  BatchSheet batch(err, false, false);
  batch.files.ImportDefaults = import;
  if (!batch.Load(p.File())) return 1;
  QString error;
  if (!ExportSheet(batch.sheet, QDir::current().absoluteFilePath(output), p.IsSet(QStringLiteral("included")),
                   separator, &error)) {
    std::fprintf(err, "varnel: %s\n", DisplayText(error).toLocal8Bit().constData());
    return 1;
  }
  return 0;
}

}  // namespace varnel
