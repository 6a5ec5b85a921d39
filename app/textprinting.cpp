#include "app/textprinting.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/tabstops.h"

namespace varnel {

TVN_PrintingInProgress::TVN_PrintingInProgress(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("VN_PrintingInProgress"));
  setWindowTitle(QStringLiteral("Printing"));
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  PPMemoInfo = new QPlainTextEdit(this);
  PPMemoInfo->setObjectName(QStringLiteral("PPMemoInfo"));
  PPMemoInfo->setReadOnly(true);
  PPMemoInfo->setMinimumSize(320, 80);
  layout->addWidget(PPMemoInfo);
  auto* row = new QHBoxLayout;
  row->addStretch();
  PPButtonCancel = new QPushButton(QStringLiteral("&Cancel"), this);
  PPButtonCancel->setObjectName(QStringLiteral("PPButtonCancel"));
  PPButtonClose = new QPushButton(QStringLiteral("&Close"), this);
  PPButtonClose->setObjectName(QStringLiteral("PPButtonClose"));
  PPButtonClose->hide();
  row->addWidget(PPButtonCancel);
  row->addWidget(PPButtonClose);
  layout->addLayout(row);
  connect(PPButtonCancel, &QPushButton::clicked, this, [this] {
    if (AbortFlag) *AbortFlag = true;
  });
  connect(PPButtonClose, &QPushButton::clicked, this, [this] {
    hide();
    PPButtonClose->hide();
    PPButtonCancel->show();
  });
}

QStringList TVN_PrintingInProgress::Messages() const {
  return PPMemoInfo->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

TextPrinter::TextPrinter()
    : printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)),
      window_(std::make_unique<TVN_PrintingInProgress>()) {}

TextPrinter::~TextPrinter() = default;

namespace {

using PrintedLine = TextPrinter::PrintedLine;

// A line without tabs, broken where it would run off the page: after the last
// blank that still fits, or inside a word that is longer than the page.
QStringList WrapToWidth(const QString& text, const QFontMetricsF& fm, qreal width) {
  QStringList parts;
  QString rest = text;
  while (fm.horizontalAdvance(rest) > width && rest.size() > 1) {
    qsizetype fit = 1;
    while (fit < rest.size() && fm.horizontalAdvance(rest.left(fit + 1)) <= width) ++fit;
    const qsizetype blank = rest.lastIndexOf(QLatin1Char(' '), fit);
    const qsizetype cut = blank > 0 ? blank + 1 : fit;
    parts << rest.left(cut);
    rest = rest.mid(cut);
  }
  parts << rest;
  return parts;
}

void AddFreeLine(std::vector<PrintedLine>& out, const QString& line, const QFontMetricsF& fm, qreal indent,
                 qreal room, int heading) {
  for (const QString& part : WrapToWidth(line, fm, room)) {
    PrintedLine printed;
    printed.Pieces.emplace_back(indent, part);
    printed.Heading = heading;
    out.push_back(std::move(printed));
  }
}

// Lines laid out in columns at fixed offsets, band by band. The first band
// holds every line. A later band leaves out the lines that have nothing in
// its columns, and the lines without a tab (titles, rules) before them, so
// that a title stands only over columns of its own.
void AddBands(std::vector<PrintedLine>& out, const QStringList& lines, const std::vector<qreal>& widths,
              qreal gap, bool repeatFirst, bool headings, const QFontMetricsF& fm, qreal indent, qreal room) {
  const std::vector<std::vector<int>> bands = ColumnBands(widths, room, gap, repeatFirst);
  for (size_t b = 0; b < bands.size(); ++b) {
    std::vector<qreal> offset(widths.size(), -1);
    qreal x = indent;
    for (int c : bands[b]) {
      offset[static_cast<size_t>(c)] = x;
      x += widths[static_cast<size_t>(c)] + gap;
    }
    const size_t bandStart = out.size();
    int heading = -1;
    QStringList titles;  // lines without a tab, held back in a later band
    for (const QString& line : lines) {
      if (!line.contains(QLatin1Char('\t'))) {
        if (b == 0)
          AddFreeLine(out, line, fm, indent, room, heading);
        else
          titles << line;
        continue;
      }
      PrintedLine printed;
      const QStringList fields = line.split(QLatin1Char('\t'));
      for (qsizetype k = 0; k < fields.size() && static_cast<size_t>(k) < offset.size(); ++k)
        if (offset[static_cast<size_t>(k)] >= 0 && !fields[k].isEmpty())
          printed.Pieces.emplace_back(offset[static_cast<size_t>(k)], fields[k]);
      if (b > 0) {
        if (printed.Pieces.empty()) {
          titles.clear();
          continue;
        }
        for (const QString& title : titles) AddFreeLine(out, title, fm, indent, room, heading);
        titles.clear();
      }
      if (headings && heading < 0) heading = static_cast<int>(out.size());
      printed.Heading = heading;
      out.push_back(std::move(printed));
    }
    if (b > 0 && out.size() > bandStart) out[bandStart].NewPage = true;
  }
}

}  // namespace

PrintOutcome TextPrinter::PrintTextLines(const QStringList& lines, const QFont& font, const QString& jobTitle,
                                         QWidget* centerOver, bool& abortFlag) {
  const PageLayout layout = [&lines](const QFontMetricsF& fm, qreal pageWidth, qreal) {
    const qreal indent = fm.horizontalAdvance(QLatin1Char(' '));
    const qreal room = pageWidth - indent;
    std::vector<PrintedLine> out;
    const std::vector<qreal> widths = ColumnWidths(lines, fm);
    if (widths.empty()) {
      for (const QString& line : lines) AddFreeLine(out, line, fm, indent, room, -1);
      return out;
    }
    AddBands(out, lines, widths, 2 * indent, true, true, fm, indent, room);
    return out;
  };
  return Print(layout, font, jobTitle, centerOver, abortFlag);
}

PrintOutcome TextPrinter::PrintReport(const QList<TabbedLines>& runs, const QFont& font,
                                      const QString& jobTitle, QWidget* centerOver, bool& abortFlag) {
  const PageLayout layout = [&runs](const QFontMetricsF& fm, qreal pageWidth, qreal dotsPerInch) {
    const qreal indent = fm.horizontalAdvance(QLatin1Char(' '));
    const qreal room = pageWidth - indent;
    std::vector<PrintedLine> out;
    for (const TabbedLines& run : runs) {
      if (run.TabWidthPoints <= 0) {
        // Text of the user's own keeps its tabs as a text box shows them.
        for (const QString& line : run.Lines) {
          if (!line.contains(QLatin1Char('\t'))) {
            AddFreeLine(out, line, fm, indent, room, -1);
            continue;
          }
          PrintedLine printed;
          for (auto& [x, field] : PlaceTabbedFields(line, fm, 8 * fm.averageCharWidth()))
            printed.Pieces.emplace_back(indent + x, field);
          out.push_back(std::move(printed));
        }
        continue;
      }
      const TextWidths measure(fm);
      qreal widest = 0;
      qsizetype columns = 0;
      for (const QString& line : run.Lines) {
        widest = std::max(widest, WidestTabbedField(line, measure));
        columns = std::max(columns, line.count(QLatin1Char('\t')) + 1);
      }
      const qreal distance = FitTabDistance(PointsToDevice(run.TabWidthPoints, dotsPerInch), widest,
                                            fm.horizontalAdvance(QLatin1Char(' ')));
      std::vector<qreal> widths(static_cast<size_t>(columns), distance);
      // The last field of a line runs into nothing: only a column made of
      // last fields may be wider than a stop.
      if (!widths.empty()) {
        for (const QString& line : run.Lines)
          if (line.count(QLatin1Char('\t')) + 1 == columns)
            widths.back() =
                std::max(widths.back(), fm.horizontalAdvance(line.section(QLatin1Char('\t'), -1)));
      }
      if (widths.size() <= 1) {
        for (const QString& line : run.Lines) AddFreeLine(out, line, fm, indent, room, -1);
        continue;
      }
      AddBands(out, run.Lines, widths, 0, false, false, fm, indent, room);
    }
    return out;
  };
  return Print(layout, font, jobTitle, centerOver, abortFlag);
}

PrintOutcome TextPrinter::Print(const PageLayout& layout, const QFont& font, const QString& jobTitle,
                                QWidget* centerOver, bool& abortFlag) {
  abortFlag = false;
  TVN_PrintingInProgress& w = *window_;
  w.AbortFlag = &abortFlag;
  w.adjustSize();
  if (centerOver) {
    const QRect r = centerOver->frameGeometry();
    w.move(r.left() + r.width() / 2 - w.width() / 2, r.top() + r.height() / 2 - w.height() / 2);
  }
  w.PPMemoInfo->clear();
  w.PPMemoInfo->appendPlainText(QStringLiteral("Printing in progress... (Click Cancel to abort)"));
  w.PPButtonClose->hide();
  w.PPButtonCancel->show();
  w.show();
  QApplication::processEvents();

  auto fail = [&w]() {
    w.PPMemoInfo->appendPlainText(QStringLiteral("Could not write to the printer."));
    w.PPMemoInfo->appendPlainText(QStringLiteral("Please check printer status, then retry printing."));
    w.PPButtonCancel->hide();
    w.PPButtonClose->show();
    return PrintOutcome::Failed;
  };

  QPrinter& printer = *printer_;
  printer.setDocName(QStringLiteral("(Varnel) ") + jobTitle);
  QPainter painter;
  if (!painter.begin(&printer)) return fail();
  painter.setFont(font);
  const QFontMetricsF fm(font, &printer);
  const qreal lineHeight = fm.lineSpacing();
  const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
  const std::vector<PrintedLine> printed = layout(fm, page.width(), printer.resolution());
  qreal y = fm.ascent();
  bool pageEmpty = true;
  auto draw = [&](const PrintedLine& line) {
    for (const auto& [x, text] : line.Pieces) painter.drawText(QPointF(x, y), text);
    y += lineHeight;
    pageEmpty = false;
  };
  auto newPage = [&]() -> bool {
    if (!printer.newPage()) return false;
    y = fm.ascent();
    pageEmpty = true;
    return true;
  };
  auto writeLine = [&](const PrintedLine& line, int index) -> bool {
    const bool full = y + fm.descent() > page.height();
    if ((full || line.NewPage) && !pageEmpty) {
      if (!newPage()) return false;
      // A page that continues a table starts with its heading again.
      if (full && line.Heading >= 0 && line.Heading != index)
        draw(printed[static_cast<size_t>(line.Heading)]);
    }
    draw(line);
    return true;
  };
  bool ok = writeLine({}, -1) && writeLine({}, -1);
  for (size_t k = 0; k < printed.size(); ++k) {
    if (!ok || abortFlag) break;
    ok = writeLine(printed[k], static_cast<int>(k));
    QApplication::processEvents();
  }
  painter.end();
  if (!ok || printer.printerState() == QPrinter::Error) return fail();
  if (!abortFlag) {
    w.PPMemoInfo->appendPlainText(QStringLiteral("Printing completed"));
    w.hide();
    return PrintOutcome::Completed;
  }
  w.PPMemoInfo->appendPlainText(QStringLiteral("Printing aborted by user"));
  w.PPButtonCancel->hide();
  w.PPButtonClose->show();
  return PrintOutcome::Aborted;
}

}  // namespace varnel
