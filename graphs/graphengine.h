// The graph engine: connected to the DataSheet, it keeps its own numbers of
// the apex variables and the special columns of every case, checks and
// projects them, logs the cases it cannot plot, and paints the pages.
#pragma once

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QStaticText>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "app/prompter.h"
#include "app/reporttarget.h"
#include "graphs/covermap.h"
#include "graphs/graphsettings.h"
#include "graphs/pagemetrics.h"
#include "graphs/projection.h"
#include "sheet/links.h"

class QPainter;

namespace varnel {

class Sheet;

// How the Graphs window follows the engine; every hook does nothing by
// default, so the engine runs without a window.
class GraphView {
 public:
  virtual ~GraphView() = default;
  virtual void SelectorsChanged() {}  // the item list or a choice
  virtual void CaptionChanged() {}
  virtual void RepaintPlot() {}
  virtual void UpdateGraphCommands() {}
  virtual void SetBusy(bool) {}
};

// The keys that turn, zoom and separate the views.
enum class ViewKey { Left, Right, Up, Down, Enlarge, Reduce, IncreaseSeparation, DecreaseSeparation };

// What differs between the targets of one paint besides their metrics.
struct PaintOptions {
  PlotPage Page = PlotPage::Triangular;
  bool FillBackground = true;  // the screen and bitmaps start white
  bool Antialias = true;
  // The cases selected in the DataSheet ringed (on screen only).
  bool Highlight = false;
  // Positions rounded to whole pixels, as bitmaps and the screen need;
  // vector pictures (PDF, SVG, the metafiles, the printer) keep the
  // fractions of a pixel.
  bool WholePixels = true;
  // Symbols that later opaque ones cover wholly are left out where that
  // changes no pixel (on images and the screen); off only to compare.
  bool SkipCoveredSymbols = true;
};

// One line of the symbol key.
struct LegendEntry {
  int Shape = 0;
  QRgb Pen = 0;
  QRgb Fill = 0;
  QString Name;
  bool operator==(const LegendEntry&) const = default;
};
inline constexpr int MaxLegendEntries = 20;
// The longest text a label, an apex name or a key entry is drawn with, in
// characters: a longer one is cut and ends in an ellipsis (the cell keeps
// all of it), since laying out millions of characters would take the
// memory and time of the whole page and show nothing more.
inline constexpr qsizetype MaxDrawnText = 256;
QString DrawnText(const QString& text);
QString DrawnText(std::string_view utf8);

// A point's place on the page during a paint, for ties and symbols: whole
// pixels on bitmaps and the screen, fractions of one in vector pictures.
struct PixelPoint {
  qreal X = 0;
  qreal Y = 0;
  bool Negative = false;
  int Case = 0;
  // Without a finite place in this view (the eye turned onto it): never drawn.
  bool Hidden = false;
};

// A case of one view of the tetrahedron: its depth towards the eye as a key
// that orders as the depth does, and its pixel on the page.
struct DepthPixel {
  std::uint64_t KeyLow = 0;
  std::uint16_t KeyHigh = 0;
  bool Placed = false;  // plotted or negative, with a finite place in this view
  bool Drawn = false;   // placed, and drawn as the settings say
  std::int32_t Case = 0;
  qreal X = 0;
  qreal Y = 0;
};
// From the farthest to the nearest, cases of equal depth in the order the
// program has always drawn them in.
void SortByDepth(std::vector<DepthPixel>& pixels);
// Room for SortDistinctByDepth, kept from one sort to the next.
struct DepthSortSpace {
  struct Item {
    std::uint64_t Key;
    std::uint32_t Index;
  };
  std::vector<Item> Items, Spare;
  std::vector<std::uint32_t> Counts;
  std::vector<DepthPixel> Sorted;
};
// The same order faster where no two depths are equal; false, and the
// pixels as they were, when two are (only SortByDepth orders those).
bool SortDistinctByDepth(std::vector<DepthPixel>& pixels, DepthSortSpace& space);

// The rectangles the labels of a paint already cover, in cells of 64 pixels.
class LabelSpace {
 public:
  void Clear();
  bool Free(const QRect& r) const;
  void Take(const QRect& r);

 private:
  static constexpr int Shift = 6;
  static std::int64_t Key(int cx, int cy);
  std::unordered_map<std::int64_t, std::vector<int>> cells_;
  std::vector<QRect> rects_;
};

// Where a label of size goes beside a symbol at (x, y) whose edge is reach
// pixels from its centre: the first free place of right, right above, left,
// left above, above, below; right when none is free.
QPoint PlaceLabel(const LabelSpace& space, int x, int y, int reach, QSize size);

// The legend's top-left corner for a box of this size on the page.
QPoint LegendTopLeft(const GraphSettings& g, const PageMetrics& m, QSize box, int margin);

// One symbol of shape code 0..14 centred on (x, y): half-width r, outline
// width w, as the pages draw it.
void DrawSymbolShape(QPainter& p, int shape, int r, int w, QRgb pen, QRgb brush, qreal x, qreal y);

class GraphEngine : public GraphLink {
 public:
  GraphEngine(Sheet& sheet, Prompter& prompter);

  void SetView(GraphView* view) { view_ = view ? view : &nullView_; }

  // What the DataSheet calls.
  void GetWSheetData(bool includeAll) override;
  void DisconnectGraphs() override;
  void RepaintGraph() override;
  void Recompute() override;
  bool Updating() const override { return updating_; }
  void SetUpdating(bool on) override { updating_ = on; }
  int SelectorItem(GraphSelector s) const override { return chosen_[Index(s)]; }
  void SetSelectorItem(GraphSelector s, int item) override;
  void ApexChanged(GraphSelector s) override;
  void SpecialColumnChanged(GraphSelector s) override;
  void SetSelectorItemText(int column, const std::string& name) override;
  void AppendSelectorItem(const std::string& name) override;
  void InsertSelectorItem(int column, const std::string& name) override;
  void RemoveSelectorItem(int column) override;
  void SetPlotCaseCount(int count) override;
  bool ViewPoints() const override { return Settings.ViewPoints; }
  int PointsDrawn() const override;
  void SetGraphsCaptionFile(const std::string& fileName) override;

  // The engine's own operations.
  void ResetSelectors();
  void AutoSelectVariables();
  void LoadApexValues(int apex);  // 0..3 for A..D
  // An apex variable's scale factor while coordinate scaling is on, else 1.
  Real ApexFactor(int apex) const;
  void ProjectTriangular();
  void ProjectTetrahedral();
  // Case k in view mode (0 single, 1 left, 2 right of a pair) as now turned.
  Projected ProjectCase(int k, int mode) const;
  // The cases from the farthest to the nearest in view mode, as a paint
  // draws them with depth ordering; every case once.
  std::vector<std::int32_t> DepthOrder(int mode) const;
  // The included cases of the page whose projection has no finite value
  // (an overflowing sum, quotient or perspective); they are never drawn.
  int UndefinedCases(PlotPage page) const;
  // Shows the warnings log in the TextPad, or says where it was looked for.
  void ViewLogFile(ReportTarget& textPad);
  // Reads Settings.ReferenceFile into Settings.References (none for no
  // file); false with the reason when it cannot be read.
  bool LoadReferences(QString* error);
  // The drawn triangle points per cell of a triangle cut n times along each
  // side: cell (i, j) at A in [i/n, (i+1)/n), B in [j/n, (j+1)/n) is
  // counted at 2 (i n + j) for its upright half, one further for the other.
  std::vector<int> DensityCounts(int n) const;
  // Runs the option switch: on while connected selects at once.
  void SetAutoVarSelect(bool on);

  // View controls; each returns whether the page must be repainted.
  bool ApplyViewKey(ViewKey key);
  // A drag with the left button from the stored pointer position by
  // (stored - new) pixels.
  bool DragBy(int dx, int dy);
  bool SetEyeDistance(int position);
  bool SetStereoRotation(int degrees);

  // One routine for every target: the current page onto a painter. Returns
  // where the legend went (empty when none was drawn).
  QRect Paint(QPainter& painter, const PageMetrics& metrics, const PaintOptions& options) const;
  // The different symbols the page draws, in the order of their first
  // cases; *more counts those beyond MaxLegendEntries.
  std::vector<LegendEntry> LegendEntries(PlotPage page, int* more = nullptr) const;
  // The column the legend takes its names from, 0 when none.
  int LegendColumn() const;

  // The cases under the pointer. Positions are those of the page as painted
  // for m; a stereo page has every case twice.
  void ForEachDrawnPoint(const PageMetrics& m, PlotPage page,
                         const std::function<void(int, QPointF)>& f) const;
  // The drawn case nearest to at, within its symbol or a few pixels of it;
  // 0 for none.
  int CaseAt(const PageMetrics& m, PlotPage page, QPointF at) const;
  // The drawn cases inside area, in DataSheet order.
  std::vector<int> CasesIn(const PageMetrics& m, PlotPage page, const QRectF& area) const;
  // "Case 12 Ol-1: SiO2 40.87, MgO 49.35, FeO 9.77": the case number, its
  // label and the cells of its apex variables as typed.
  QString CaseDescription(int k) const;
  // Selects the cases in the DataSheet (whole cases, from the first to the
  // last); the plot rings exactly these while that selection stands.
  void SelectCases(const std::vector<int>& cases);
  // The cases ringed on screen: those picked in the plot, or the whole
  // cases selected in the DataSheet.
  std::vector<int> HighlightedCases() const;

  // State.
  GraphSettings Settings;
  PlotPage Page = PlotPage::Triangular;
  int PlotKind() const { return plotKind_; }
  int PlotCaseCount() const { return plotCaseCount_; }
  bool Connected() const;
  bool TieVarSet() const { return chosen_[Index(GraphSelector::TieLine)] != 0; }
  bool UseVarLabels() const { return chosen_[Index(GraphSelector::Label)] != 0; }
  QString Caption() const { return caption_; }
  // The connected data file's name without folder.
  QString DataFileName() const;
  Prompter& Prompt() const { return prompter_; }
  // The selectors' shared item list: "(None)", then the DataSheet's names.
  const QStringList& SelectorItems() const { return items_; }
  // The cases a paint of the page draws (the stereo pair: of each view).
  int PointsDrawnOn(PlotPage page) const;
  int TriangularPointsDrawn() const { return PointsDrawnOn(PlotPage::Triangular); }
  int TetrahedralPointsDrawn() const { return PointsDrawnOn(PlotPage::Tetrahedral); }
  // How many symbols of the last paint of the triangle were left out as
  // covered by later ones.
  int SymbolsCoveredInLastPaint() const { return cache_.CoveredCount; }
  const TriPoint& Tri(int k) const { return tri_[static_cast<std::size_t>(k)]; }
  const TetPoint& Tet(int k) const { return tet_[static_cast<std::size_t>(k)]; }
  const Point3& TetCoords(int k) const { return coords_[static_cast<std::size_t>(k)]; }
  bool HasApexValues(int apex) const { return !apexValues_[static_cast<std::size_t>(apex)].empty(); }
  Real ApexValue(int apex, int k) const {
    return apexValues_[static_cast<std::size_t>(apex)][static_cast<std::size_t>(k)];
  }
  int SymbolShape(int k) const;  // what the case is drawn with
  QRgb SymbolFill(int k) const;
  int SymbolSize(int k) const;
  int TieSet(int k) const { return tieSets_.empty() ? -1 : tieSets_[static_cast<std::size_t>(k)]; }
  QString LabelText(int k) const;
  // The distinct values of a column of names, sorted; empty for a column
  // that holds mostly numbers (read as codes).
  std::vector<std::string> CategoriesOf(int col) const;
  const std::vector<std::string>& ShapeCategories() const { return shapeCategories_; }
  const std::vector<std::string>& ColourCategories() const { return colourCategories_; }
  QString ApexLabel(int apex) const;
  char DecimalSep;

 private:
  // What one paint keeps while it draws: the painter, the page, the label
  // font and the places the labels already cover.
  struct PaintContext;
  static std::size_t Index(GraphSelector s) { return static_cast<std::size_t>(s); }
  std::size_t CaseSlots() const;  // cases are numbered from 1
  bool AllocateCaseArrays();
  bool HoldsNumbers(int col) const;
  void ReleaseCaseArrays();
  void RunSelectorHandler(GraphSelector s);
  void RepaintSheetGrid();
  bool SpecialItemVisible(GraphSelector s) const;
  void Log(int k, const char* what);
  template <typename Point>
  void MarkUndefined(Point& p, int k, const char* what);
  bool IsDrawn(bool plotted, bool negative, int k) const;
  // Every case of view mode in DataSheet order, at f pixels per unit around
  // the origin; the depth keys of cases not drawn are those of 0.
  // exact keeps the fractions of a pixel.
  void ViewPixels(int mode, Real f, Real originX, Real originY, bool exact,
                  std::vector<DepthPixel>& pixels) const;
  void DrawTriangular(PaintContext& c) const;
  // depthOrder: the cases in the order to draw them, when it is given by
  // another view (the right view of a pair keeps the left one's).
  void DrawTetrahedral(PaintContext& c, Real originX, Real originY, int mode,
                       std::vector<std::int32_t>* depthOrder) const;
  void DrawApexLabel(PaintContext& c, const QString& text, qreal x, qreal y, int where) const;
  void DrawSymbol(PaintContext& c, int k, bool infinityEnd, qreal x, qreal y, bool tetrahedral) const;
  void DrawTieSet(PaintContext& c, const std::vector<PixelPoint>& points, bool tetrahedral) const;
  void DrawInfinityTie(PaintContext& c, PixelPoint from, QRgb colour, PixelPoint towards,
                       bool tetrahedral) const;
  // A symbol drawn once, cut to the pixels it covers; Offset is its top-left
  // corner from the symbol's centre.
  struct Sprite {
    QImage Image;
    QPoint Offset;
    PictureMask Mask;
  };
  // The look of case k's symbol on this page.
  struct SymbolLook {
    int Shape, R, W;
    QRgb Pen, Brush;
  };
  SymbolLook LookOf(PaintContext& c, int k) const;
  // Marks in cache_.Covered the triangle's symbols that later ones cover.
  void FindCoveredSymbols(PaintContext& c, const std::vector<PixelPoint>& pixels) const;
  const Sprite& SymbolSprite(int shape, int r, int w, QRgb pen, QRgb brush, bool ring) const;
  // A label of case k beside its symbol at (sx, sy), reach pixels from its
  // centre.
  void DrawLabel(PaintContext& c, int k, qreal sx, qreal sy, int reach, const QString& text,
                 bool rayEnd) const;
  void DrawOutwardLabel(PaintContext& c, const QString& text, int vertex, const QPointF (&v)[4],
                        QPointF centre) const;
  void DrawTies(PaintContext& c, bool tetrahedral, const std::vector<PixelPoint>& pixels) const;
  QRect DrawLegend(PaintContext& c, PlotPage page) const;
  void DrawDensity(QPainter& p, const TriangleMapping& map, bool exact) const;
  void DrawHighlights(QPainter& p, const PageMetrics& m, PlotPage page) const;
  void DrawGrid(QPainter& p, const PageMetrics& m, const TriangleMapping& map, bool exact) const;
  void DrawReferences(QPainter& p, const PageMetrics& m,
                      const std::function<bool(const std::array<Real, 4>&, QPointF&)>& place) const;
  QRgb SymbolPen(int k) const;

  Sheet& sheet_;
  Prompter& prompter_;
  GraphView nullView_;
  GraphView* view_ = &nullView_;

  QStringList items_{QStringLiteral("(None)")};
  std::array<int, GraphSelectorCount> chosen_{};
  bool updating_ = false;
  int plotKind_ = 0;
  int plotCaseCount_ = 0;
  QString caption_ = QStringLiteral("VarnelGraphs [Disconnected]");
  // The scaling the last recompute projected with: the apex labels name it,
  // also while a preview shows factors the settings do not hold.
  bool projectedScaling_ = false;
  std::array<int, 4> projectedFactors_{1, 1, 1, 1};

  std::array<std::vector<Real>, 4> apexValues_;
  std::vector<TriPoint> tri_;
  std::vector<TetPoint> tet_;
  std::vector<Point3> coords_;
  std::array<Point3, 4> vertexCoords_{};

  std::vector<std::uint8_t> symbolShapes_;
  std::vector<QRgb> symbolColors_;
  std::vector<std::int32_t> symbolSizes_;
  std::vector<std::int32_t> tieSets_;
  std::vector<std::string> shapeCategories_, colourCategories_;
  std::vector<int> picked_;
  std::array<int, 4> pickedSelection_{-1, -1, -1, -1};  // left, top, right, bottom

  QStringList* warningLog_ = nullptr;
  // What paints keep from one to the next to draw faster, never what they
  // draw: the symbols drawn once, and the labels laid out per case.
  struct SpriteKey {
    int Shape, R, W;
    QRgb Pen, Brush;
    bool Ring;
    bool operator==(const SpriteKey& o) const {
      return std::tie(Shape, R, W, Pen, Brush, Ring) == std::tie(o.Shape, o.R, o.W, o.Pen, o.Brush, o.Ring);
    }
    bool operator<(const SpriteKey& o) const {
      return std::tie(Shape, R, W, Pen, Brush, Ring) < std::tie(o.Shape, o.R, o.W, o.Pen, o.Brush, o.Ring);
    }
  };
  struct LabelCache {
    QString Text;
    int Generation = -1;
    QStaticText Laid;
  };
  struct PaintCache {
    std::map<SpriteKey, Sprite> Sprites;
    SpriteKey LastSpriteKey{};
    const Sprite* LastSprite = nullptr;
    // The labels are laid out for this font and colour.
    QFont LabelFont;
    QRgb LabelColor = 0;
    int LabelGeneration = 0;
    std::vector<LabelCache> PointLabels, RayLabels;
    // Room for the pixels of a view of the tetrahedron and their sorting,
    // so that turning it does not ask for new memory at every frame.
    std::vector<DepthPixel> View, Drawn;
    DepthSortSpace DepthSort;
    // The symbols of the triangle left out, by case, and their count.
    CoverMap Cover;
    std::vector<std::uint8_t> Covered;
    int CoveredCount = 0;
  };
  mutable PaintCache cache_;
};

}  // namespace varnel
