// The TextPad (TVN_Txt): the program's one text window, where every report
// is written and where the user reads, edits, saves and prints text.
#pragma once

#include <QHash>
#include <QMainWindow>
#include <functional>

#include "app/reporttarget.h"
#include "app/settingssection.h"
#include "app/textcodec.h"
#include "app/textprinting.h"
#include "app/windowplacement.h"

class QPlainTextEdit;
class QMenu;
class QToolBar;

namespace varnel {

class Prompter;

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
  // The last stops a report asked for: their number and distance in points.
  int TabStopWidth() const { return tabWidth_; }
  int TabStopCount() const { return tabCount_; }
  // The distance of the stops of a line (0-based) on this screen, in pixels.
  qreal TabDistanceAt(int line) const;
  // The text, or the selected part of it, as runs of lines that share their
  // tab stops: what printing lays out.
  QList<TabbedLines> TabbedRuns(bool selectionOnly) const;

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
  // Scrolls sideways to the start of the lines.
  void ShowLineStarts();
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
  // Gives the lines from the block at position from to the end count stops
  // every points points, fitted to their widest tabbed field.
  void ApplyTabStops(int from, int count, int points, bool wholeText);
  void ForgetTabStops();
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
  int tabGroups_ = 0;
  // The stops of the whole text, for the lines without stops of their block.
  int textTabCount_ = 0;
  int textTabPoints_ = 0;
  bool blockStops_ = false;  // some block has stops of its own
  bool appendedSinceNew_ = false;
};

}  // namespace varnel
