// The TextPad (TVN_Txt): the program's one text window, where every report
// is written and where the user reads, edits, saves and prints text.
#pragma once

#include <QHash>
#include <QMainWindow>
#include <functional>

#include "app/reporttarget.h"
#include "app/settingssection.h"
#include "app/textcodec.h"
#include "app/windowplacement.h"

class QPlainTextEdit;
class QMenu;
class QToolBar;

namespace varnel {

class Prompter;
class TextPrinter;

class TVN_Txt : public QMainWindow, public ReportWindow, public SettingsSection {
  Q_OBJECT
 public:
  // What the TextPad takes from the rest of the program.
  struct Environment {
    std::function<bool()> BackupWanted = [] { return true; };
    std::function<QString()> DataFileName = [] { return QStringLiteral("Untitled"); };
    QWidget* CenterOver = nullptr;  // the printing window is centred over it
  };

  TVN_Txt(Prompter& prompter, TextPrinter& printer, Environment env, QWidget* parent = nullptr);

  QPlainTextEdit* TxtRichEdit() const { return edit_; }
  QAction* Action(const QString& name) const { return actions_.value(name); }
  QMenu* ContextMenu() const { return context_; }
  QToolBar* ToolBar() const { return toolbar_; }
  const QString& FileName() const { return fileName_; }
  TextEncoding Encoding() const { return encoding_; }
  bool Modified() const;
  QStringList Lines() const;
  int TabStopWidth() const { return tabWidth_; }
  int TabStopCount() const { return tabCount_; }

  // Applies the menu-state rules.
  void RefreshMenus();
  void PrepareContextMenu();
  void SetReadOnly(bool readOnly) override;
  int FontSize() const override;
  // Shows the window, or brings it to the front when it is visible.
  void ShowTextPad();
  // New as invoked by a command: the TextPad's own New offers Cancel, a
  // report starting does not. Returns false when cancelled.
  bool NewDocument(bool ownCommand);
  // Saves (Save As for "Untitled"); false when cancelled or failed.
  bool Save();
  bool SaveAs();
  bool OpenFile(const QString& path);
  // The exit question for a modified document: false refuses the close.
  bool AskAtExit();
  // Placement and font from the settings file; the font falls back on the
  // one the text box has (start-up gives it the DataSheet's).
  void ReadSettings(const IniFile& ini) override;
  void WriteSettings(IniFile& ini, bool savePrefs) const override;
  // Where the window is now, as the settings file keeps it.
  WindowBounds Bounds() const;

  // ReportTarget
  void StartReport() override;
  void AppendLines(const QStringList& lines) override;
  void SetTabStops(int count, int width) override;
  int BlockStart() override;
  void SetBlockTabStops(int start, int count, int width) override;
  void CaretToEnd() override;
  void ShowReport() override;
  void SuspendRepaint(bool suspend) override;

 public slots:
  void New1Click();
  void Open1Click();
  void Save1Click();
  void SaveAs1Click();
  void Print1Click();
  void Closehidewindow1Click();
  void Undo1Click();
  void Cut1Click();
  void Copy1Click();
  void Paste1Click();
  void Delete1Click();
  void SelectAll1Click();
  void ReadOnly1Click();
  void HideToolbar1Click();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void SetFileName(const QString& path);
  bool WriteTo(const QString& path);
  QAction* Make(const char* name, const char* caption, const char* shortcut, void (TVN_Txt::*slot)());

  Prompter& prompter_;
  TextPrinter& printer_;
  Environment env_;
  QPlainTextEdit* edit_ = nullptr;
  QToolBar* toolbar_ = nullptr;
  QMenu* context_ = nullptr;
  QHash<QString, QAction*> actions_;
  QString fileName_ = QStringLiteral("Untitled");
  TextEncoding encoding_ = TextEncoding::Utf8;
  int tabCount_ = 0;
  int tabWidth_ = 0;
  bool appendedSinceNew_ = false;
};

}  // namespace varnel
