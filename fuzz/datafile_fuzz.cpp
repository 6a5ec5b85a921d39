// Arbitrary bytes through the line splitter, the decoder and the data-file
// reader: nothing may crash, hang or read out of bounds.
#include <QCoreApplication>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/prompter.h"
#include "app/textcodec.h"
#include "datasheet/datafile.h"
#include "datasheet/sheet.h"

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

  static QuietPrompter prompter;
  varnel::Sheet sheet(prompter);
  sheet.New1Click();
  varnel::WorkLines work;
  work.SetBytes(bytes);
  varnel::ReadOptions options;
  if (varnel::ReadDataLines(sheet, work.lines, options)) {
    std::string out;
    varnel::GridToLines(sheet, 1, 0, sheet.ColCount() - 1, sheet.RowCount() - 1, out);
  }
  varnel::PasteLines(sheet, work.lines, 1, 1, 2, 2);
  return 0;
}
