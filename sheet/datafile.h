// Data files: tab-separated text with a comment line, a description line,
// a line of variable names and one line per case. Reading, writing and the
// placing of tab-separated lines into the grid.
#pragma once

#include <QDateTime>
#include <QString>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/linefile.h"
#include "app/prompter.h"
#include "app/textcodec.h"

namespace varnel {

class Sheet;

// The scratch lines of a file, the clipboard or a printout: views into the
// decoded text they came from.
struct WorkLines {
  std::string text;
  std::vector<std::string_view> lines;

  // Takes a file's bytes: decoded, split into lines.
  void SetBytes(std::string_view bytes);
  // The same, decoding UTF-8 in the bytes' own storage.
  void SetBytes(std::string&& bytes);
  // Takes UTF-8 text (the clipboard): split into lines.
  void SetText(std::string utf8);
  TextEncoding encoding = TextEncoding::Utf8;
};

// Empty lines and lines starting with ";" are comments; a ";;" line also
// hands its rest to description.
bool IsCommentLine(std::string_view line, QString* description);

struct ReadOptions {
  bool ParseWarnings = true;
  // Told the 0-based index of each line read, for a progress bar.
  std::function<void(int line)> Progress;
  // Told how many lines a file has before its grid is filled.
  std::function<void(std::size_t lines)> LinesCounted;
  // Bytes of a file read at a time.
  std::size_t PieceSize = 1 << 20;
};

// How many reading warnings are kept and shown; the rest are counted in one
// last box ("... and N more").
inline constexpr int MaxShownWarnings = 100;

// Parses the lines into the grid: the first line that is not a comment names
// the variables, every later one is a case. False (with its message shown and
// the grid untouched) when there is no case line or the name line has no TAB.
// Throws std::bad_alloc, with the grid untouched, when the new grid cannot be
// held in memory.
bool ReadDataLines(Sheet& sheet, const std::vector<std::string_view>& lines, const ReadOptions& options);

// Lines of a text, in order, already UTF-8: visit(line, index) returns false
// to stop.
using LineVisitor = std::function<bool(std::string_view line, std::size_t index)>;

// A data file read line by line in pieces: scanned once on opening for its
// encoding and for NUL bytes, then visited as UTF-8 as often as needed,
// never held whole in memory.
class DataFileLines {
 public:
  // False, with the message shown, for a file that cannot be opened or
  // read, is not a regular file or holds a NUL byte.
  bool Open(Sheet& sheet, const QString& path, std::size_t pieceSize = std::size_t{1} << 20);
  std::size_t LineCount() const { return lineCount_; }
  TextEncoding Encoding() const { return encoding_; }
  // Every line from the first; false when reading fails (Error() says why).
  bool ForEachLine(const LineVisitor& visit);
  const QString& Error() const { return error_; }
  // Whether the file is still as it was when opened.
  bool Unchanged() const { return file_.Unchanged(); }
  // The message for a file that changed between two passes.
  void TellChanged(Sheet& sheet) const;

 private:
  LineFile file_;
  QString path_;
  QString error_;
  std::string decoded_;
  std::size_t lineCount_ = 0;
  TextEncoding encoding_ = TextEncoding::Utf8;
};

// Reads a data file into the grid as ReadDataLines reads its lines, in
// pieces: the file is never held whole, so reading needs little more than
// the grid itself. A file that is not a regular file, cannot be read, holds
// a NUL byte or changes while it is read is refused with a message, the
// sheet untouched. encoding tells how the file was written.
bool ReadDataFile(Sheet& sheet, const QString& path, const ReadOptions& options, TextEncoding* encoding);

// Whether clipboard text may be pasted: text holding a NUL byte is refused
// with a message naming its line, since cutting it there would lose what
// follows without a word.
bool PastableText(Sheet& sheet, std::string_view text);

// Appends the cells of columns left..right joined by TAB, one line per row
// top..bottom, each ended by CR LF.
void GridToLines(const Sheet& sheet, int left, int top, int right, int bottom, std::string& out);

// Places the lines into the grid from (left, top); one single value fills the
// whole block. Warns about lines or values beyond the sheet (OK / Ignore).
void PasteLines(Sheet& sheet, const std::vector<std::string_view>& lines, int left, int top, int right,
                int bottom);

// Pastes the count data lines (not comments) of a file as PasteLines does.
// False when the file could not be read to its end or changed meanwhile:
// the caller then takes back what was pasted.
bool PasteDataLines(Sheet& sheet, DataFileLines& file, std::size_t count, int left, int top, int right,
                    int bottom);

// The date and time as the system writes them: short date, a space, long time.

// Line 1 of a saved file ("; name - VarnelData: Last saved on ...").
std::string SavedFileFirstLine(const QString& fileName, const QDateTime& when, int cases, int variables);

// The whole text of a saved data file: line 1, the description and the grid.
std::string DataFileText(const Sheet& sheet, const QString& fileName, const QDateTime& when);

// The bytes of a text in the sheet's encoding (UTF-8 when the old code page
// cannot hold every character); used tells which was written.
std::string EncodeForFile(std::string utf8, TextEncoding wanted, TextEncoding* used);

// The memory this process may still hope to get: the smaller of its address
// space limit and the machine's memory. Grids are checked against it before
// they are made, since lazily promised memory would otherwise let one far
// beyond it be started and the program be killed while it is filled.
std::size_t MemoryWithinReach();

}  // namespace varnel
