// Arbitrary bytes through the line splitter, the decoder and the data-file
// reader: nothing may crash, hang or read out of bounds.
#include <QCoreApplication>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "app/prompter.h"
#include "app/textcodec.h"
#include "sheet/datafile.h"
#include "sheet/sheet.h"

namespace {

// Answers every box with Ignore or OK and opens no dialog.
struct QuietPrompter : varnel::Prompter {
  varnel::Button Message(varnel::BoxKind, const QString&, varnel::Buttons buttons) override {
    return (buttons & static_cast<unsigned>(varnel::Button::Ignore)) ? varnel::Button::Ignore
                                                                     : varnel::Button::Ok;
  }
  std::optional<QString> OpenFileName(const varnel::FileDialogSpec&) override { return std::nullopt; }
  std::optional<QString> SaveFileName(const varnel::FileDialogSpec&) override { return std::nullopt; }
  std::optional<QFont> ChooseFont(const QFont&) override { return std::nullopt; }
  std::optional<PrintRange> PrintDialog(QPrinter&, bool) override { return std::nullopt; }
  bool PrinterSetup(QPrinter&) override { return false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const varnel::DecodedText text = varnel::DecodeText(bytes);
  varnel::TextEncoding used;
  const std::string back = varnel::EncodeText(text.utf8, text.encoding, &used);
  if (used == varnel::TextEncoding::Windows1252 && varnel::DecodeText(back).utf8 != text.utf8) std::abort();
  if (varnel::DecodeTextInPlace(std::string(bytes)).utf8 != text.utf8) std::abort();
  if (const std::optional<std::size_t> nul = varnel::NulLine(bytes))
    if (*nul > varnel::SplitLines(bytes).size()) std::abort();

  static QuietPrompter prompter;
  varnel::Sheet sheet(prompter);
  sheet.New1Click();
  varnel::WorkLines work;
  work.SetBytes(std::string(bytes));
  // A grid of billions of cells from a short input is refused only once it
  // passes the machine's memory; the fuzzer's own limit is far lower.
  std::size_t nonComment = 0, columns = 0;
  for (std::string_view line : work.lines) {
    if (varnel::IsCommentLine(line, nullptr)) continue;
    if (nonComment++ == 0) columns = static_cast<std::size_t>(std::count(line.begin(), line.end(), '\t')) + 2;
  }
  if (nonComment * columns > 4'000'000) return 0;
  varnel::ReadOptions options;
  if (varnel::ReadDataLines(sheet, work.lines, options)) {
    std::string out;
    varnel::GridToLines(sheet, 1, 0, sheet.ColCount() - 1, sheet.RowCount() - 1, out);
  }
  varnel::PasteLines(sheet, work.lines, 1, 1, 2, 2);
  return 0;
}
