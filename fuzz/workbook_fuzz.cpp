// Arbitrary bytes as a workbook (.xlsx, .ods), through the entry Open uses:
// nothing may crash, hang, read out of bounds or unpack without bound; a
// table read is rectangular with its names in row 0.
//
// Open reads a workbook in a child process, whose coverage and sanitizer
// reports this process does not see. So once the child has read the bytes
// without stopping, they are read here again in this process, which must
// give the same table. A child killed by SIGABRT (an assertion inside the
// import library) is not read again; any other end is, so that an error of
// our own code in the child shows here.
#include <signal.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sheet/tableimport.h"
#include "sheet/workbookreader.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

varnel::ImportResult Read(std::string_view bytes, const QString& sheet, varnel::ImportedTable& table) {
  varnel::TableImportOptions options;
  options.SheetName = sheet;
  return varnel::ImportTableBytes(bytes, varnel::TableKind::Workbook, QStringLiteral("fuzz.xlsx"), options,
                                  table);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  auto& seams = varnel::WorkbookSeams();
  for (const char* sheet : {"", "2"}) {
    seams.InProcess = false;
    varnel::ImportedTable table;
    const varnel::ImportResult r = Read(bytes, QString::fromLatin1(sheet), table);
    const varnel::WorkbookReading reading = seams.Last;
    if (!r.Ok) {
      Check(!r.Error.isEmpty() && table.Columns.empty());
    } else {
      Check(table.Columns.size() >= 2 && table.RowCount >= 2);
      for (const auto& column : table.Columns)
        Check(column.size() == static_cast<std::size_t>(table.RowCount));
    }
    if (reading == varnel::WorkbookReading::NotParsed || reading == varnel::WorkbookReading::TimedOut) continue;
    const int status = seams.LastStatus;
    if (reading == varnel::WorkbookReading::ChildFailed && WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT)
      continue;
    seams.InProcess = true;
    varnel::ImportedTable here;
    const varnel::ImportResult h = Read(bytes, QString::fromLatin1(sheet), here);
    seams.InProcess = false;
    if (reading != varnel::WorkbookReading::InChild) continue;
    // The library's own messages may quote a byte it read beyond its buffer
    // (seen at the end of a part): their text is not compared.
    Check(h.Ok == r.Ok && here.RowCount == table.RowCount && here.Columns.size() == table.Columns.size());
    for (std::size_t c = 0; c < here.Columns.size(); ++c)
      for (std::size_t i = 0; i < here.Columns[c].size(); ++i)
        Check(here.Columns[c][i].View() == table.Columns[c][i].View());
  }
  return 0;
}
