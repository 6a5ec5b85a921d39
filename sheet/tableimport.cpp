#include "sheet/tableimport.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <new>

#include "app/atomicfile.h"
#include "sheet/csvreader.h"
#include "sheet/workbookreader.h"

namespace varnel {
namespace {

bool IsZip(std::string_view head) { return head.substr(0, 4) == std::string_view("PK\x03\x04", 4); }
bool IsCompoundFile(std::string_view head) {
  return head.substr(0, 8) == std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
}

// A Varnel data file starts with its ";" comment line; a .txt file without
// one is taken for a table from elsewhere.
bool StartsLikeDataFile(std::string_view head) {
  if (head.substr(0, 3) == "\xEF\xBB\xBF") head.remove_prefix(3);
  while (!head.empty() && (head.front() == '\r' || head.front() == '\n')) head.remove_prefix(1);
  return !head.empty() && head.front() == ';';
}

// A file mapped into memory and given back when done.
class MappedFile {
 public:
  ~MappedFile() {
    if (data_ && size_ > 0) ::munmap(data_, size_);
  }
  bool Open(const QString& path, QString* error) {
    struct stat st;
    const int fd = OpenRegularFile(path, &st, error);
    if (fd < 0) return false;
    size_ = static_cast<std::size_t>(st.st_size);
    if (size_ > 0) {
      void* p = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
      if (p == MAP_FAILED) {
        *error = QStringLiteral("\"%1\" cannot be read.").arg(QDir::toNativeSeparators(path));
        ::close(fd);
        size_ = 0;
        return false;
      }
      data_ = p;
    }
    ::close(fd);
    return true;
  }
  std::string_view Bytes() const { return {static_cast<const char*>(data_), size_}; }
  // The pages before offset go back to the system (they are read again
  // from the file should they be needed).
  void Release(const char* from, std::size_t count) const {
    if (!data_) return;
    const char* base = static_cast<const char*>(data_);
    if (from < base || from >= base + size_) return;
    const long page = ::sysconf(_SC_PAGESIZE);
    const std::size_t start = static_cast<std::size_t>(from - base);
    const std::size_t end =
        std::min(start + count, size_) / static_cast<std::size_t>(page) * static_cast<std::size_t>(page);
    if (end > 0) ::madvise(data_, end, MADV_DONTNEED);
  }

 private:
  void* data_ = nullptr;
  std::size_t size_ = 0;
};

ImportResult ImportBytesOnce(std::string_view bytes, TableKind kind, const QString& name,
                             const TableImportOptions& options, ImportedTable& table, int rowLimit,
                             const MappedFile* mapped) {
  if (kind == TableKind::Workbook) return ReadWorkbook(bytes, name, options, table, rowLimit);
  DecodedTable decoded;
  ImportResult result = DecodeTableText(bytes, name, decoded);
  if (!result.Ok) return result;
  if (mapped) mapped->Release(bytes.data(), bytes.size());
  TableImportOptions used = options;
  DetectTextOptions(decoded.Text, used);
  std::function<void(std::size_t)> released;
  if (mapped && decoded.Text.data() >= bytes.data() && decoded.Text.data() < bytes.data() + bytes.size())
    released = [&](std::size_t n) { mapped->Release(decoded.Text.data(), n); };
  result = ReadTextTable(decoded.Text, used, name, table, rowLimit, released);
  if (!result.Ok) return result;
  table.EncodingName = decoded.EncodingName;
  // A table of one column is no table: nothing split its lines.
  if (table.Columns.size() < 3) {
    table = ImportedTable{};
    return ImportResult{false, QStringLiteral("%1 holds no table: no line is split into fields by a comma, "
                                              "semicolon or tab.")
                                   .arg(name)};
  }
  return result;
}

// A refused table leaves nothing behind.
ImportResult ImportBytes(std::string_view bytes, TableKind kind, const QString& name,
                         const TableImportOptions& options, ImportedTable& table, int rowLimit,
                         const MappedFile* mapped) {
  ImportResult result = ImportBytesOnce(bytes, kind, name, options, table, rowLimit, mapped);
  if (!result.Ok) table = ImportedTable{};
  return result;
}

}  // namespace

TableKind TableKindOf(const QString& path, std::string_view head) {
  if (IsZip(head) || IsCompoundFile(head)) return TableKind::Workbook;
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QLatin1String("xlsx") || suffix == QLatin1String("ods") || suffix == QLatin1String("xls"))
    return TableKind::Workbook;
  if (suffix == QLatin1String("csv") || suffix == QLatin1String("tsv")) return TableKind::Text;
  if (suffix == QLatin1String("txt")) return StartsLikeDataFile(head) ? TableKind::DataFile : TableKind::Text;
  return TableKind::DataFile;
}

TableKind TableKindOf(const QString& path) {
  // Only a regular file is looked into: opening a FIFO would wait for a
  // writer. Anything else goes to the data-file reader, which says why it
  // cannot be read.
  struct stat st;
  QString error;
  const int fd = OpenRegularFile(path, &st, &error);
  if (fd < 0) return TableKind::DataFile;
  char buffer[4096];
  const ssize_t n = ::read(fd, buffer, sizeof buffer);
  ::close(fd);
  return TableKindOf(path, std::string_view(buffer, n > 0 ? static_cast<std::size_t>(n) : 0));
}

ImportResult ImportTableBytes(std::string_view bytes, TableKind kind, const QString& name,
                              const TableImportOptions& options, ImportedTable& table, int rowLimit) {
  try {
    return ImportBytes(bytes, kind, name, options, table, rowLimit, nullptr);
  } catch (const std::bad_alloc&) {
    table = ImportedTable{};
    return ImportResult{false, QStringLiteral("Not enough memory to read %1.").arg(name)};
  }
}

ImportResult ImportTable(const QString& path, const TableImportOptions& options, ImportedTable& table,
                         int rowLimit) {
  const QString name = QLatin1Char('"') + QDir::toNativeSeparators(path) + QLatin1Char('"');
  MappedFile file;
  QString error;
  if (!file.Open(path, &error)) return ImportResult{false, error};
  const std::string_view bytes = file.Bytes();
  const TableKind kind = TableKindOf(path, bytes.substr(0, 4096));
  try {
    return ImportBytes(bytes, kind == TableKind::DataFile ? TableKind::Text : kind, name, options, table,
                       rowLimit, &file);
  } catch (const std::bad_alloc&) {
    table = ImportedTable{};
    return ImportResult{false, QStringLiteral("Not enough memory to read %1.\n\rThe DataSheet was left as it "
                                              "was.")
                                   .arg(name)};
  }
}

}  // namespace varnel
