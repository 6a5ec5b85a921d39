// Every message box, question and file dialog of the program goes through a
// Prompter, so that commands can be driven and checked without windows.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <optional>

#include "core/messages.h"

class QPrinter;

namespace varnel {

enum class Button : unsigned { None = 0, Ok = 1, Cancel = 2, Yes = 4, No = 8, Ignore = 16 };
using Buttons = unsigned;
constexpr Buttons operator|(Button a, Button b) {
  return static_cast<unsigned>(a) | static_cast<unsigned>(b);
}
constexpr Buttons operator|(Buttons a, Button b) { return a | static_cast<unsigned>(b); }
constexpr Buttons Only(Button b) { return static_cast<unsigned>(b); }

struct FileDialogSpec {
  QString title;
  // Filters in the "Description|pattern;pattern|Description|pattern" form.
  QString filter;
  int filterIndex = 1;  // 1-based, which filter is preselected
  QString initialPath;
  QString defaultSuffix;
  bool mustExist = false;
  bool confirmOverwrite = false;
};

class Prompter : public MessageSink {
 public:
  // Shows a modal box and returns the button that closed it. Texts may hold
  // the LF CR line break of the program's messages.
  virtual Button Message(BoxKind kind, const QString& text, Buttons buttons) = 0;
  virtual std::optional<QString> OpenFileName(const FileDialogSpec& spec) = 0;
  virtual std::optional<QString> SaveFileName(const FileDialogSpec& spec) = 0;
  virtual std::optional<QFont> ChooseFont(const QFont& initial) = 0;
  enum class PrintRange { All, Selection };
  // The print dialog: nothing when cancelled, else what to print. Page
  // ranges are not offered.
  virtual std::optional<PrintRange> PrintDialog(QPrinter& printer, bool selectionAvailable) = 0;
  // The printer set-up dialog; false when cancelled.
  virtual bool PrinterSetup(QPrinter& printer) = 0;
  // Shows the system's reason for a failed file operation.
  virtual void FileError(const QString& text) { Message(BoxKind::Error, text, Only(Button::Ok)); }

  void ShowMessage(BoxKind kind, const std::string& text) override {
    Message(kind, QString::fromStdString(text), Only(Button::Ok));
  }
};

// Hands the messages of the numerical core to a prompter, as OK boxes.
class PrompterSink : public MessageSink {
 public:
  explicit PrompterSink(Prompter& prompter) : prompter_(prompter) {}
  void ShowMessage(BoxKind kind, const std::string& text) override {
    prompter_.Message(kind, QString::fromStdString(text), Only(Button::Ok));
  }

 private:
  Prompter& prompter_;
};

// The program's message line break (LF CR) as a plain line break.
QString DisplayText(const QString& text);

// "Text data files (*.vnp)|*.vnp|All files (*.*)|*.*" as Qt name filters.
QStringList NameFilters(const QString& filter);

}  // namespace varnel
