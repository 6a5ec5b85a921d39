#include "app/tabstops.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace varnel {

qreal PointsToDevice(qreal points, qreal dotsPerInch) { return points * dotsPerInch / 72; }

TextWidths::TextWidths(const QFontMetricsF& metrics) : metrics_(metrics) {
  std::fill(std::begin(latin1_), std::end(latin1_), -1);
}

qreal TextWidths::Of(QStringView text) const {
  qreal width = 0;
  for (QChar c : text) {
    const char16_t u = c.unicode();
    if (u > 0xFF) return metrics_.horizontalAdvance(text.toString());
    if (latin1_[u] < 0) latin1_[u] = metrics_.horizontalAdvance(c);
    width += latin1_[u];
  }
  return width;
}

qreal WidestTabbedField(const QString& line, const TextWidths& widths) {
  qreal widest = 0;
  qsizetype from = 0;
  for (qsizetype tab = line.indexOf(QLatin1Char('\t')); tab >= 0;
       from = tab + 1, tab = line.indexOf(QLatin1Char('\t'), from))
    widest = std::max(widest, widths.Of(QStringView(line).mid(from, tab - from)));
  return widest;
}

qreal FitTabDistance(qreal wanted, qreal widest, qreal gap) {
  if (widest <= 0) return wanted;
  return std::max(wanted, std::ceil(widest + gap));
}

std::vector<std::pair<qreal, QString>> PlaceTabbedFields(const QString& line, const QFontMetricsF& metrics,
                                                         qreal distance) {
  std::vector<std::pair<qreal, QString>> placed;
  qreal x = 0;
  const QStringList fields = line.split(QLatin1Char('\t'));
  for (qsizetype k = 0; k < fields.size(); ++k) {
    if (k > 0) x = (std::floor(x / distance) + 1) * distance;
    placed.emplace_back(x, fields[k]);
    x += metrics.horizontalAdvance(fields[k]);
  }
  return placed;
}

std::vector<qreal> ColumnWidths(const QStringList& lines, const QFontMetricsF& metrics) {
  const TextWidths measure(metrics);
  std::vector<qreal> widths;
  for (const QString& line : lines) {
    if (!line.contains(QLatin1Char('\t'))) continue;
    const QStringList fields = line.split(QLatin1Char('\t'));
    if (widths.size() < static_cast<size_t>(fields.size()))
      widths.resize(static_cast<size_t>(fields.size()), 0);
    for (qsizetype k = 0; k < fields.size(); ++k)
      widths[static_cast<size_t>(k)] = std::max(widths[static_cast<size_t>(k)], measure.Of(fields[k]));
  }
  return widths;
}

std::vector<std::vector<int>> ColumnBands(const std::vector<qreal>& widths, qreal pageWidth, qreal gap,
                                          bool repeatFirst) {
  std::vector<std::vector<int>> bands;
  std::vector<int> band;
  qreal used = 0;
  auto add = [&](size_t c) {
    used += (band.empty() ? 0 : gap) + widths[c];
    band.push_back(static_cast<int>(c));
  };
  auto open = [&] {
    band.clear();
    used = 0;
    if (repeatFirst) add(0);
  };
  if (widths.empty()) return bands;
  open();
  const size_t fixed = repeatFirst ? 1 : 0;
  for (size_t c = fixed; c < widths.size(); ++c) {
    // A band takes at least one column of its own, however wide.
    if (band.size() > fixed && used + gap + widths[c] > pageWidth) {
      bands.push_back(band);
      open();
    }
    add(c);
  }
  bands.push_back(band);
  return bands;
}

}  // namespace varnel
