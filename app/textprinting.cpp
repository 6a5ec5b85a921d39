#include "app/textprinting.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

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

// Draws a line with its tab characters moved to stops every eight average
// character widths.
void DrawExpanded(QPainter& painter, const QString& line, qreal y, qreal tabWidth) {
  const QFontMetricsF fm(painter.font(), painter.device());
  qreal x = 0;
  const QStringList parts = line.split(QLatin1Char('\t'));
  for (int k = 0; k < parts.size(); ++k) {
    if (k > 0) x = (std::floor(x / tabWidth) + 1) * tabWidth;
    painter.drawText(QPointF(x, y), parts[k]);
    x += fm.horizontalAdvance(parts[k]);
  }
}

}  // namespace

PrintOutcome TextPrinter::PrintTextLines(const QStringList& lines, const QFont& font, const QString& jobTitle,
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
  const qreal pageHeight = printer.pageLayout().paintRectPixels(printer.resolution()).height();
  const qreal tabWidth = 8 * fm.averageCharWidth();
  qreal y = fm.ascent();
  auto writeLine = [&](const QString& text) -> bool {
    if (y + fm.descent() > pageHeight) {
      if (!printer.newPage()) return false;
      y = fm.ascent();
    }
    DrawExpanded(painter, text, y, tabWidth);
    y += lineHeight;
    return true;
  };
  bool ok = writeLine(QString()) && writeLine(QString());
  for (const QString& line : lines) {
    if (!ok || abortFlag) break;
    ok = writeLine(QLatin1Char(' ') + line);
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
