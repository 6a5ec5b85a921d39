#include "wizard/svplot.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>
#include <cmath>

#include "wizard/wizardtext.h"

namespace varnel {
namespace {

int RoundEven(Real x) { return static_cast<int>(std::nearbyint(x)); }

QString DecadeLabel(int e) {
  const QChar sign = e > 0 ? QLatin1Char('+') : e < 0 ? QLatin1Char('-') : QLatin1Char(' ');
  return sign + QStringLiteral("%1").arg(std::abs(e), 2, 10, QLatin1Char('0'));
}

}  // namespace

std::vector<QPoint> PaintSingularValues(QPainter& p, int width, int height, const std::vector<Real>& values,
                                        Real guessZero, char sep, const SvPlotColors& colors) {
  std::vector<QPoint> points;
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.fillRect(0, 0, width, height, colors.Background);
  p.setBrush(Qt::NoBrush);
  QFont font = p.font();
  font.setPixelSize(13);
  p.setFont(font);
  const QFontMetrics fm(font, p.device());
  const int n = static_cast<int>(values.size());
  const int left = fm.horizontalAdvance(QStringLiteral("+00")) + 5;
  const int originY = height - 17;
  const int plotW = width - left - 8;
  const int plotH = height - 5 - 17;
  p.setPen(colors.Text);
  p.drawLine(left, 5, left, originY);
  p.drawLine(left, originY, width - 8, originY);
  if (n < 2 || plotW <= 0 || plotH <= 0) {
    p.restore();
    return points;
  }
  const int dx = plotW / (n - 1);
  const int u = plotH / 16;
  auto decadeY = [&](int e) { return originY - (e + 14) * u; };
  // Text is placed by its top edge, as the design measures it.
  auto textAt = [&](int x, int top, const QString& s) { p.drawText(x, top + fm.ascent(), s); };
  for (int e = -14; e <= 2; ++e) {
    const int y = decadeY(e);
    if (e % 2 != 0) {
      p.drawLine(left, y, left + 4, y);
    } else {
      p.drawLine(left, y, left + 6, y);
      textAt(3, y - 13 / 2, DecadeLabel(e));
    }
  }
  for (int i = 1; i <= n; ++i) {
    const int x = left + (i - 1) * dx;
    bool labelled = true;
    int tick = 4;
    if (n - 1 >= 44) {
      labelled = i % 3 == 0;
      tick = labelled ? 6 : 4;
    } else if (n - 1 >= 24) {
      labelled = i % 2 == 1;
      tick = labelled ? 6 : 4;
    }
    p.drawLine(x, originY, x, originY - tick);
    if (labelled) textAt(x - 2, originY + 2, QString::number(i));
  }
  for (int i = 1; i <= n; ++i) {
    const Real s = values[static_cast<std::size_t>(i - 1)];
    const int x = left + (i - 1) * dx;
    const int y = s <= 1e-14L ? originY : decadeY(0) - RoundEven(std::log10(s) * u);
    points.emplace_back(x, y);
  }
  textAt(left + plotW - 6 * left, 0,
         QStringLiteral("ZT: ") + QString::fromStdString(GeneralText(guessZero, sep)));
  if (guessZero >= 1e-14L) {
    const int yz = decadeY(0) - RoundEven(std::log10(guessZero) * u);
    p.setPen(QPen(Qt::red, 0, Qt::DotLine));
    p.drawLine(left + 1, yz, left + plotW, yz);
    p.setPen(Qt::red);
    textAt(left + plotW - left / 2, yz - 13, QStringLiteral("ZT"));
  }
  p.setPen(QPen(Qt::yellow, 1));
  QPolygon line;
  for (const QPoint& q : points) line << q;
  p.drawPolyline(line);
  for (int i = 0; i < n; ++i) {
    const QColor c = values[static_cast<std::size_t>(i)] < guessZero ? QColor(Qt::red) : QColor(0, 255, 0);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRect(QRect(points[static_cast<std::size_t>(i)] - QPoint(2, 2), QSize(5, 5)));
  }
  p.restore();
  return points;
}

}  // namespace varnel
