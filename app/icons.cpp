#include "app/icons.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <algorithm>
#include <array>
#include <functional>

namespace varnel {
namespace {

QPixmap Letter(QChar letter, const QColor& fill) {
  QPixmap pm(16, 14);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(fill.darker(150));
  p.setBrush(fill);
  p.drawRoundedRect(QRectF(0.5, 0.5, 15, 13), 3, 3);
  QFont f = QApplication::font();
  f.setPixelSize(11);
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRect(0, 0, 16, 14), Qt::AlignCenter, QString(letter));
  return pm;
}

QPixmap Drawn(const std::function<void(QPainter&)>& draw) {
  QPixmap pm(16, 14);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  draw(p);
  return pm;
}

std::array<QPixmap, 11> MakeHeaderImages() {
  std::array<QPixmap, 11> images;
  images[0] = Letter(QLatin1Char('A'), QColor(200, 40, 40));
  images[1] = Letter(QLatin1Char('B'), QColor(40, 140, 40));
  images[2] = Letter(QLatin1Char('C'), QColor(40, 70, 200));
  images[3] = Letter(QLatin1Char('D'), QColor(150, 60, 170));
  images[4] = Letter(QLatin1Char('L'), QColor(90, 90, 90));
  images[5] = Drawn([](QPainter& p) {
    p.setPen(QPen(QColor(60, 60, 60), 1.2));
    p.setBrush(QColor(250, 200, 60));
    p.drawPolygon(QPolygonF({QPointF(8, 1.5), QPointF(14.5, 12.5), QPointF(1.5, 12.5)}));
  });
  images[6] = Drawn([](QPainter& p) {
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(QColor(120, 170, 230));
    p.drawEllipse(QRectF(1, 5, 6, 6));
    p.drawEllipse(QRectF(7, 1.5, 8.5, 11));
  });
  images[7] = Drawn([](QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 50, 50));
    p.drawRect(QRectF(1, 1, 7, 6));
    p.setBrush(QColor(50, 170, 50));
    p.drawRect(QRectF(8, 1, 7, 6));
    p.setBrush(QColor(50, 90, 220));
    p.drawRect(QRectF(1, 7, 7, 6));
    p.setBrush(QColor(240, 200, 40));
    p.drawRect(QRectF(8, 7, 7, 6));
  });
  images[8] = Drawn([](QPainter& p) {
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    p.drawLine(QPointF(2, 11), QPointF(14, 3));
    p.setBrush(QColor(40, 40, 40));
    p.drawEllipse(QPointF(2.5, 10.5), 2, 2);
    p.drawEllipse(QPointF(13.5, 3.5), 2, 2);
  });
  images[9] = Drawn([](QPainter& p) {
    p.setPen(QPen(QColor(30, 140, 50), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(3, 7.5), QPointF(6.5, 11), QPointF(13, 3)}));
  });
  images[10] = Drawn([](QPainter& p) {
    p.setPen(QPen(QColor(190, 50, 50), 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4, 3.5), QPointF(12, 10.5));
    p.drawLine(QPointF(12, 3.5), QPointF(4, 10.5));
  });
  return images;
}

QIcon Glyph(const std::function<void(QPainter&)>& draw) {
  QPixmap pm(20, 20);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  draw(p);
  return QIcon(pm);
}

QIcon TextGlyph(const QString& text, const QColor& color) {
  return Glyph([&](QPainter& p) {
    QFont f = QApplication::font();
    f.setPixelSize(text.size() > 2 ? 8 : 11);
    f.setBold(true);
    p.setFont(f);
    p.setPen(color.darker(140));
    p.setBrush(color.lighter(170));
    p.drawRoundedRect(QRectF(1.5, 2.5, 17, 15), 3, 3);
    p.setPen(color.darker(200));
    p.drawText(QRect(0, 2, 20, 16), Qt::AlignCenter, text);
  });
}

}  // namespace

const QPixmap& HeaderImage(int index) {
  static const std::array<QPixmap, 11> images = MakeHeaderImages();
  return images[static_cast<std::size_t>(std::clamp(index, 0, 10))];
}

QIcon ToolBarIcon(ToolIcon which) {
  QStyle* style = QApplication::style();
  switch (which) {
    case ToolIcon::New:
      return style->standardIcon(QStyle::SP_FileIcon);
    case ToolIcon::Open:
      return style->standardIcon(QStyle::SP_DialogOpenButton);
    case ToolIcon::Save:
      return style->standardIcon(QStyle::SP_DialogSaveButton);
    case ToolIcon::Print:
      return Glyph([](QPainter& p) {
        p.setPen(QColor(60, 60, 60));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(5.5, 2.5, 9, 6));
        p.setBrush(QColor(170, 170, 170));
        p.drawRoundedRect(QRectF(2.5, 7.5, 15, 7), 1.5, 1.5);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(5.5, 12.5, 9, 5));
      });
    case ToolIcon::Clear:
      return Glyph([](QPainter& p) {
        p.setPen(QColor(120, 120, 120));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(2.5, 3.5, 15, 13));
        p.setPen(QPen(QColor(200, 50, 50), 2));
        p.drawLine(QPointF(6, 7), QPointF(14, 13));
        p.drawLine(QPointF(14, 7), QPointF(6, 13));
      });
    case ToolIcon::Cut:
      return Glyph([](QPainter& p) {
        p.setPen(QPen(QColor(50, 50, 50), 1.5));
        p.drawLine(QPointF(6, 2), QPointF(13, 13));
        p.drawLine(QPointF(14, 2), QPointF(7, 13));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(5.5, 15), 2.5, 2.5);
        p.drawEllipse(QPointF(14.5, 15), 2.5, 2.5);
      });
    case ToolIcon::Copy:
      return Glyph([](QPainter& p) {
        p.setPen(QColor(60, 60, 60));
        p.setBrush(QColor(235, 235, 235));
        p.drawRect(QRectF(2.5, 2.5, 10, 12));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7.5, 5.5, 10, 12));
      });
    case ToolIcon::Paste:
      return Glyph([](QPainter& p) {
        p.setPen(QColor(90, 60, 30));
        p.setBrush(QColor(200, 160, 100));
        p.drawRoundedRect(QRectF(2.5, 3.5, 13, 15), 1.5, 1.5);
        p.setPen(QColor(60, 60, 60));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(8.5, 7.5, 9, 11));
      });
    case ToolIcon::Undo:
      return Glyph([](QPainter& p) {
        p.setPen(QPen(QColor(40, 80, 150), 2, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(5, 5, 11, 10), 90 * 16, -200 * 16);
        p.setBrush(QColor(40, 80, 150));
        p.setPen(Qt::NoPen);
        p.drawPolygon(QPolygonF({QPointF(2, 6), QPointF(9, 2), QPointF(9, 10)}));
      });
    case ToolIcon::TextPad:
      return TextGlyph(QStringLiteral("T"), QColor(70, 110, 170));
    case ToolIcon::PlotIn:
      return Glyph([](QPainter& p) {
        p.setPen(QPen(QColor(40, 40, 120), 1.3));
        p.setBrush(QColor(220, 230, 250));
        p.drawPolygon(QPolygonF({QPointF(10, 2.5), QPointF(18, 17), QPointF(2, 17)}));
        p.setBrush(QColor(200, 40, 40));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(10, 11.5), 2.2, 2.2);
      });
    case ToolIcon::Maw:
      return TextGlyph(QStringLiteral("MAW"), QColor(60, 140, 90));
    case ToolIcon::AddToMaw:
      return TextGlyph(QStringLiteral("+"), QColor(60, 140, 90));
    case ToolIcon::Mapping:
      return TextGlyph(QStringLiteral("xy"), QColor(150, 100, 40));
    case ToolIcon::Diagram:
      return Glyph([](QPainter& p) {
        p.setPen(QPen(QColor(40, 40, 120), 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawPolygon(QPolygonF({QPointF(10, 2.5), QPointF(18, 17), QPointF(2, 17)}));
      });
    case ToolIcon::Points:
      return Glyph([](QPainter& p) {
        p.setPen(QPen(QColor(150, 30, 30), 1));
        p.setBrush(QColor(220, 60, 60));
        for (const QPointF c : {QPointF(5, 14), QPointF(10, 6), QPointF(14.5, 12), QPointF(8, 16.5)})
          p.drawEllipse(c, 2.2, 2.2);
      });
    case ToolIcon::Labels:
      return Glyph([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(220, 60, 60));
        p.drawEllipse(QPointF(5, 15), 2.2, 2.2);
        QFont f = QApplication::font();
        f.setPixelSize(10);
        f.setBold(true);
        p.setFont(f);
        p.setPen(QColor(40, 40, 40));
        p.drawText(QRectF(7, 1, 13, 12), Qt::AlignCenter, QStringLiteral("Ab"));
      });
    case ToolIcon::TieLines:
      return Glyph([](QPainter& p) {
        p.setPen(QPen(QColor(60, 110, 60), 1.5));
        p.drawLine(QPointF(4, 15), QPointF(16, 5));
        p.drawLine(QPointF(4, 15), QPointF(15, 16));
        p.setPen(QPen(QColor(150, 30, 30), 1));
        p.setBrush(QColor(220, 60, 60));
        for (const QPointF c : {QPointF(4, 15), QPointF(16, 5), QPointF(15, 16)}) p.drawEllipse(c, 2.2, 2.2);
      });
    case ToolIcon::Enlarge:
    case ToolIcon::Reduce: {
      const bool enlarge = which == ToolIcon::Enlarge;
      return Glyph([enlarge](QPainter& p) {
        p.setPen(QPen(QColor(60, 60, 60), 1.6));
        p.setBrush(QColor(225, 235, 250));
        p.drawEllipse(QPointF(8.5, 8.5), 5.8, 5.8);
        p.setPen(QPen(QColor(60, 60, 60), 2.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(13, 13), QPointF(17.5, 17.5));
        p.setPen(QPen(QColor(40, 80, 150), 1.6));
        p.drawLine(QPointF(5.8, 8.5), QPointF(11.2, 8.5));
        if (enlarge) p.drawLine(QPointF(8.5, 5.8), QPointF(8.5, 11.2));
      });
    }
    case ToolIcon::Settings:
      return Glyph([](QPainter& p) {
        // Three sliders: settings that change the drawing at once.
        for (int k = 0; k < 3; ++k) {
          const qreal y = 4.5 + 5.5 * k;
          const qreal knob = k == 1 ? 13 : (k == 0 ? 6.5 : 9.5);
          p.setPen(QPen(QColor(90, 90, 90), 1.4));
          p.drawLine(QPointF(2.5, y), QPointF(17.5, y));
          p.setPen(QPen(QColor(40, 80, 150), 1));
          p.setBrush(QColor(120, 160, 220));
          p.drawRoundedRect(QRectF(knob - 2, y - 2.5, 4, 5), 1, 1);
        }
      });
  }
  return {};
}

QPixmap SplashPicture(const QString& version) {
  QPixmap pm(420, 240);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 420, 240);
  g.setColorAt(0, QColor(32, 58, 96));
  g.setColorAt(1, QColor(70, 120, 160));
  p.fillRect(pm.rect(), g);
  // A tetrahedron in outline, the program's emblem.
  p.setPen(QPen(QColor(255, 255, 255, 170), 2));
  const QPointF a(320, 40), b(270, 190), c(390, 200), d(355, 150);
  p.drawLine(a, b);
  p.drawLine(a, c);
  p.drawLine(b, c);
  p.setPen(QPen(QColor(255, 255, 255, 110), 1.5, Qt::DashLine));
  p.drawLine(a, d);
  p.drawLine(b, d);
  p.drawLine(c, d);
  QFont title = QApplication::font();
  title.setPixelSize(46);
  title.setBold(true);
  p.setFont(title);
  p.setPen(Qt::white);
  p.drawText(QRect(28, 50, 260, 60), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Varnel"));
  QFont sub = QApplication::font();
  sub.setPixelSize(14);
  p.setFont(sub);
  p.drawText(QRect(30, 112, 260, 60), Qt::AlignLeft | Qt::TextWordWrap,
             QStringLiteral("Tables, diagrams and matrix analysis of chemical analyses"));
  if (!version.isEmpty())
    p.drawText(QRect(30, 195, 200, 20), Qt::AlignLeft, QStringLiteral("Version ") + version);
  return pm;
}

}  // namespace varnel
