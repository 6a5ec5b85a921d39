// The report protocol: how every report reaches the TextPad, so that no
// report writer touches the text window itself.
#pragma once

#include <QStringList>

namespace varnel {

class ReportTarget {
 public:
  virtual ~ReportTarget() = default;
  // Hides the window and starts a new document, offering (Yes/No) to save a
  // modified one first.
  virtual void StartReport() = 0;
  // Adds each line as a new last line of the document.
  virtual void AppendLines(const QStringList& lines) = 0;
  // count tab stops at (i + 1) x width pixels on the whole text.
  virtual void SetTabStops(int count, int width) = 0;
  // For reports that grow block by block: the caret goes to the end and its
  // position is returned; the block's lines follow, then its tab stops.
  virtual int BlockStart() = 0;
  virtual void SetBlockTabStops(int start, int count, int width) = 0;
  virtual void CaretToEnd() = 0;
  // Shows the window and brings it to the front.
  virtual void ShowReport() = 0;
  // Around long blocks the window may stop repainting.
  virtual void SuspendRepaint(bool) {}
};

// The report window as a command that stays open beside it sees it: the
// Analysis Wizard keeps it read-only while it is open, and every report
// sets its tab stops from the window's font size.
class ReportWindow : public ReportTarget {
 public:
  virtual void SetReadOnly(bool readOnly) = 0;
  // The font size in points.
  virtual int FontSize() const = 0;
};

// A report kept as lines: for batch commands and tests.
class LinesReport : public ReportWindow {
 public:
  void StartReport() override {
    lines.clear();
    started = true;
  }
  void AppendLines(const QStringList& more) override { lines += more; }
  void SetTabStops(int count, int width) override {
    tabCount = count;
    tabWidth = width;
  }
  int BlockStart() override { return static_cast<int>(lines.size()); }
  void SetBlockTabStops(int, int count, int width) override { SetTabStops(count, width); }
  void CaretToEnd() override {}
  void ShowReport() override { shown = true; }
  void SetReadOnly(bool on) override { readOnly = on; }
  int FontSize() const override { return fontSize; }

  QStringList lines;
  bool started = false;
  bool shown = false;
  bool readOnly = false;
  int fontSize = 8;
  int tabCount = 0;
  int tabWidth = 0;
};

}  // namespace varnel
