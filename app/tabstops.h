// Tab stops of tab-separated text: report widths come in points and become
// device units at the device's resolution, as font sizes do; a run of lines
// gets wider stops where one of its columns would reach the next stop.
#pragma once

#include <QFontMetricsF>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace varnel {

// A length in points (1/72 inch) on a device of the given resolution.
qreal PointsToDevice(qreal points, qreal dotsPerInch);

// Widths of text in a font, fast enough for every field of a long report:
// Latin-1 text is measured a character at a time from a table (report
// numbers have no kerning worth a gap), anything else as a whole.
class TextWidths {
 public:
  explicit TextWidths(const QFontMetricsF& metrics);
  qreal Of(QStringView text) const;

 private:
  const QFontMetricsF& metrics_;
  mutable qreal latin1_[256];
};

// The widest field of a line that a tab follows; the last field runs into
// nothing.
qreal WidestTabbedField(const QString& line, const TextWidths& widths);

// The stop distance for a run whose widest tabbed field is widest: the wanted
// distance, or more so that at least gap stays before the next stop.
qreal FitTabDistance(qreal wanted, qreal widest, qreal gap);

// Where each field of a line starts with uniform stops every distance: a tab
// moves to the first stop past the text before it.
std::vector<std::pair<qreal, QString>> PlaceTabbedFields(const QString& line, const QFontMetricsF& metrics,
                                                         qreal distance);

// The width of each column of tab-separated lines (the widest field in it),
// over the lines that hold a tab at all.
std::vector<qreal> ColumnWidths(const QStringList& lines, const QFontMetricsF& metrics);

// Splits columns into bands that each fit pageWidth, gap between columns.
// With repeatFirst every band starts with the first column (the case labels
// of a table). A column too wide for any band gets one of its own.
std::vector<std::vector<int>> ColumnBands(const std::vector<qreal>& widths, qreal pageWidth, qreal gap,
                                          bool repeatFirst);

}  // namespace varnel
