// Finding the cases under the pointer: where each drawn point stands on the
// page, the case nearest to a place, the cases inside a rectangle, what is
// said of a case, and the cases highlighted as selected in the DataSheet.
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "sheet/sheet.h"
#include "graphs/graphengine.h"

namespace varnel {

void GraphEngine::ForEachDrawnPoint(const PageMetrics& m, PlotPage page,
                                    const std::function<void(int, QPointF)>& f) const {
  if (page == PlotPage::Triangular) {
    if ((plotKind_ != 1 && plotKind_ != 2) || tri_.empty() || !Settings.ViewPoints) return;
    const TriangleMapping map = MapTriangle(m.UnitScale, Settings.Scale, m.CentreX, m.CentreY);
    for (int k = 1; k <= plotCaseCount_; ++k) {
      const TriPoint& t = tri_[static_cast<std::size_t>(k)];
      if (!IsDrawn(t.Plotted, t.Negative, k)) continue;
      int x, y;
      TrianglePixel(map, t.X, t.Y, x, y);
      // A page position names a pixel; its centre is half a pixel further.
      f(k, QPointF(x + 0.5, y + 0.5));
    }
    return;
  }
  if (plotKind_ != 2 || tet_.empty() || !Settings.ViewPoints) return;
  const Real scale = m.UnitScale * Settings.Scale;
  const auto view = [&](int mode, int originX, int originY) {
    const ViewRotation rotation(mode, Settings.View);
    for (int k = 1; k <= plotCaseCount_; ++k) {
      const TetPoint& t = tet_[static_cast<std::size_t>(k)];
      if (!IsDrawn(t.Plotted, t.Negative, k)) continue;
      const Projected q = ProjectView(coords_[static_cast<std::size_t>(k)], rotation);
      f(k, QPointF(RoundPixel(q.PX * scale + originX) + 0.5, RoundPixel(q.PY * scale + originY) + 0.5));
    }
  };
  if (page == PlotPage::Tetrahedral) {
    view(0, m.CentreX, m.CentreY);
  } else {
    const int half = RoundPixel(m.StereoUnitScale * Settings.StereoSFactor / 2);
    view(1, m.CentreX - half, m.CentreY);
    view(2, m.CentreX + half, m.CentreY);
  }
}

int GraphEngine::CaseAt(const PageMetrics& m, PlotPage page, QPointF at) const {
  int best = 0;
  qreal bestDistance = 0;
  ForEachDrawnPoint(m, page, [&](int k, QPointF p) {
    // Within the symbol, or a few pixels of a small one.
    const qreal reach = SymbolMetrics(SymbolSize(k), m).R + 3;
    const qreal dx = p.x() - at.x(), dy = p.y() - at.y();
    if (std::fabs(dx) > reach || std::fabs(dy) > reach) return;
    const qreal d = std::hypot(dx, dy);
    // The nearest wins; of two at one place, the one drawn last (on top).
    if (d <= reach && (best == 0 || d <= bestDistance)) {
      best = k;
      bestDistance = d;
    }
  });
  return best;
}

std::vector<int> GraphEngine::CasesIn(const PageMetrics& m, PlotPage page, const QRectF& area) const {
  std::vector<int> cases;
  const QRectF box = area.normalized();
  ForEachDrawnPoint(m, page, [&](int k, QPointF p) {
    if (box.contains(p)) cases.push_back(k);
  });
  std::sort(cases.begin(), cases.end());
  cases.erase(std::unique(cases.begin(), cases.end()), cases.end());
  return cases;
}

QString GraphEngine::CaseDescription(int k) const {
  if (k < 1 || k >= sheet_.RowCount()) return QString();
  const auto cell = [&](int col) {
    const std::string_view t = sheet_.Cell(col, k);
    return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size())).trimmed();
  };
  QString text = QStringLiteral("Case ") + QString::number(k);
  const int label = chosen_[Index(GraphSelector::Label)];
  if (label > 0 && label < sheet_.ColCount() && !cell(label).isEmpty()) text += QLatin1Char(' ') + cell(label);
  QStringList values;
  for (int apex = 0; apex < 4; ++apex) {
    const int col = chosen_[static_cast<std::size_t>(apex)];
    if (col <= 0 || col >= sheet_.ColCount() || col >= items_.size()) continue;
    values << items_[col] + QLatin1Char(' ') + cell(col);
  }
  if (!values.isEmpty()) text += QStringLiteral(": ") + values.join(QStringLiteral(", "));
  return text;
}

void GraphEngine::SelectCases(const std::vector<int>& cases) {
  if (cases.empty() || sheet_.ColCount() < 2) return;
  // The DataSheet selects whole cases from the first to the last picked;
  // the plot highlights exactly the picked ones while that selection stands.
  picked_ = cases;
  sheet_.Sel = Selection{0, cases.front(), sheet_.ColCount() - 1, cases.back()};
  sheet_.RowsMode = true;
  sheet_.ColumnsMode = false;
  pickedSelection_ = {sheet_.Sel.Left, sheet_.Sel.Top, sheet_.Sel.Right, sheet_.Sel.Bottom};
  sheet_.View().SelectionChanged();
  view_->RepaintPlot();
}

std::vector<int> GraphEngine::HighlightedCases() const {
  if (!sheet_.Connected || !sheet_.RowsMode) return {};
  const Selection& s = sheet_.Sel;
  if (std::array<int, 4>{s.Left, s.Top, s.Right, s.Bottom} == pickedSelection_ && !picked_.empty()) return picked_;
  const int top = std::max(std::min(s.Top, s.Bottom), 1);
  const int bottom = std::min(std::max(s.Top, s.Bottom), plotCaseCount_);
  std::vector<int> cases;
  for (int k = top; k <= bottom; ++k) cases.push_back(k);
  return cases;
}

void GraphEngine::DrawHighlights(QPainter& p, const PageMetrics& m, PlotPage page) const {
  const std::vector<int> cases = HighlightedCases();
  if (cases.empty()) return;
  std::vector<char> marked(static_cast<std::size_t>(plotCaseCount_) + 1, 0);
  for (int k : cases)
    if (k >= 1 && k <= plotCaseCount_) marked[static_cast<std::size_t>(k)] = 1;
  p.save();
  p.setOpacity(1);
  p.setBrush(Qt::NoBrush);
  const int width = std::max(2, PenWidthPixels(5, m));
  p.setPen(QPen(QColor(255, 140, 0), width));
  ForEachDrawnPoint(m, page, [&](int k, QPointF at) {
    if (!marked[static_cast<std::size_t>(k)]) return;
    const qreal r = SymbolMetrics(SymbolSize(k), m).R + width + 2;
    // The paint is already shifted by half a pixel.
    p.drawEllipse(QPointF(at.x() - 0.5, at.y() - 0.5), r, r);
  });
  p.restore();
}

}  // namespace varnel
