#include "wizard/svplot.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cmath>

#include "wizard/wizardtext.h"

namespace varnel {
namespace {

int RoundEven(Real x) { return static_cast<int>(std::nearbyint(x)); }

QString DecadeLabel(int e) {
  const QChar sign = e > 0 ? QLatin1Char('+') : e < 0 ? QLatin1Char('-') : QLatin1Char(' ');
  return sign + QStringLiteral("%1").arg(std::abs(e), 2, 10, QLatin1Char('0'));
}

// The decades the plot spans: from 1E-14, where a zero value lies, to 1E+2.
constexpr int LowDecade = -14;
constexpr int HighDecade = 2;

}  // namespace

SvPlotGeometry PaintSingularValues(QPainter& p, int width, int height, const std::vector<Real>& values,
                                   Real guessZero, char sep, const SvPlotColors& colors) {
  SvPlotGeometry g;
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.fillRect(0, 0, width, height, colors.Background);
  p.setBrush(Qt::NoBrush);
  QFont font = p.font();
  font.setPixelSize(13);
  p.setFont(font);
  const QFontMetrics fm(font, p.device());
  const int n = static_cast<int>(values.size());
  // Left of the axis: the axis title turned upright, then the decade labels.
  const QString title = QStringLiteral("log10 (singular value)");
  const int titleW = fm.height();
  const int left = 4 + titleW + 2 + fm.horizontalAdvance(QStringLiteral("+00")) + 8;
  const int top = fm.height() + 4;  // the row of the ZT text
  const int right = 12;
  const int bottom = fm.height() + 8;  // the rank numbers
  g.Frame = QRect(QPoint(left, top), QPoint(width - right, height - bottom));
  const int originY = g.Frame.bottom();
  const int plotW = g.Frame.width() - 1;
  const int plotH = g.Frame.height() - 1;
  p.setPen(QPen(colors.Text, 1));
  p.drawLine(left, top, left, originY);
  p.drawLine(left, originY, g.Frame.right(), originY);
  // The markers keep clear of the axes by this much.
  const int inset = 8;
  if (n < 2 || plotW <= 2 * inset || plotH <= 2 * inset) {
    p.restore();
    return g;
  }
  const int dx = (plotW - 2 * inset) / (n - 1);
  const int u = (plotH - 2 * inset) / (HighDecade - LowDecade);
  g.Decade = u;
  const int lowY = originY - inset;
  auto decadeY = [&](int e) { return lowY - (e - LowDecade) * u; };
  // Text is placed by its top edge.
  auto textAt = [&](int x, int textTop, const QString& s) { p.drawText(x, textTop + fm.ascent(), s); };
  for (int e = LowDecade; e <= HighDecade; ++e) {
    const int y = decadeY(e);
    if (e % 2 != 0) {
      p.drawLine(left, y, left + 4, y);
    } else {
      p.drawLine(left, y, left + 6, y);
      textAt(left - 4 - fm.horizontalAdvance(DecadeLabel(e)), y - fm.height() / 2, DecadeLabel(e));
    }
  }
  // The axis title, read from the bottom up, centred on the axis.
  p.save();
  p.translate(4, (top + originY) / 2 + fm.horizontalAdvance(title) / 2);
  p.rotate(-90);
  p.drawText(0, fm.ascent(), title);
  p.restore();
  const int firstX = left + inset;
  for (int i = 1; i <= n; ++i) {
    const int x = firstX + (i - 1) * dx;
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
    if (labelled) {
      const QString label = QString::number(i);
      textAt(x - fm.horizontalAdvance(label) / 2, originY + 3, label);
    }
  }
  for (int i = 1; i <= n; ++i) {
    const Real s = values[static_cast<std::size_t>(i - 1)];
    const int x = firstX + (i - 1) * dx;
    const Real e = s <= 1e-14L ? LowDecade : std::clamp<Real>(std::log10(s), LowDecade, HighDecade);
    g.Points.emplace_back(x, decadeY(0) - RoundEven(e * u));
  }
  const QString zt = QStringLiteral("ZT: ") + QString::fromStdString(GeneralText(guessZero, sep));
  textAt(std::max(left, g.Frame.right() - fm.horizontalAdvance(zt)), 2, zt);
  if (guessZero >= 1e-14L) {
    const int yz = decadeY(0) - RoundEven(std::clamp<Real>(std::log10(guessZero), LowDecade, HighDecade) * u);
    p.setPen(QPen(Qt::red, 1, Qt::DotLine));
    p.drawLine(left + 1, yz, g.Frame.right(), yz);
    p.setPen(Qt::red);
    textAt(g.Frame.right() - fm.horizontalAdvance(QStringLiteral("ZT")) - 2, yz - fm.height(),
           QStringLiteral("ZT"));
  }
  // Two pixels wide and smooth: a line of one pixel all but vanishes on the
  // grey, the more so on a screen of fine pixels.
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(QPen(Qt::yellow, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  QPolygon line;
  for (const QPoint& q : g.Points) line << q;
  p.drawPolyline(line);
  p.setRenderHint(QPainter::Antialiasing, false);
  for (int i = 0; i < n; ++i) {
    const QColor c = values[static_cast<std::size_t>(i)] < guessZero ? QColor(Qt::red) : QColor(0, 255, 0);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRect(QRect(g.Points[static_cast<std::size_t>(i)] - QPoint(3, 3), QSize(7, 7)));
  }
  p.restore();
  return g;
}

}  // namespace varnel
