// The tool button pictures, on a 16 by 16 grid.
#include "controls/EditorGlyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace controls {

namespace {

const QColor kInk(40, 40, 40);
const QColor kPaper(255, 255, 255);

const char* ThemeName(EditorGlyph glyph) {
  switch (glyph) {
    case EditorGlyph::Save:
      return "document-save";
    case EditorGlyph::Cancel:
      return "dialog-cancel";
    case EditorGlyph::Cut:
      return "edit-cut";
    case EditorGlyph::Copy:
      return "edit-copy";
    case EditorGlyph::Paste:
      return "edit-paste";
    case EditorGlyph::Print:
      return "document-print";
    case EditorGlyph::Find:
      return "edit-find";
    case EditorGlyph::Replace:
      return "edit-find-replace";
    case EditorGlyph::Help:
      return "help-contents";
  }
  return "";
}

void Page(QPainter& p, const QRectF& r) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(kPaper);
  p.drawRect(r);
  p.setPen(QPen(QColor(120, 120, 120), 1));
  for (qreal y = r.top() + 3; y < r.bottom() - 1; y += 2)
    p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
}

void Magnifier(QPainter& p, QPointF centre, qreal radius) {
  p.setPen(QPen(kInk, 1.5));
  p.setBrush(QColor(200, 225, 255));
  p.drawEllipse(centre, radius, radius);
  p.setPen(QPen(kInk, 2.5, Qt::SolidLine, Qt::RoundCap));
  const qreal d = radius * 0.75;
  p.drawLine(centre + QPointF(d, d), centre + QPointF(d + 4, d + 4));
}

void Draw(QPainter& p, EditorGlyph glyph) {
  switch (glyph) {
    case EditorGlyph::Save:  // a diskette
      p.setPen(QPen(kInk, 1));
      p.setBrush(QColor(60, 90, 170));
      p.drawRect(QRectF(1.5, 1.5, 13, 13));
      p.setBrush(kPaper);
      p.drawRect(QRectF(4.5, 1.5, 7, 5));
      p.setBrush(QColor(200, 200, 200));
      p.drawRect(QRectF(4.5, 9.5, 7, 5));
      break;
    case EditorGlyph::Cancel:  // a red cross
      p.setPen(QPen(QColor(200, 30, 30), 3, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
      p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
      break;
    case EditorGlyph::Cut:  // scissors
      p.setPen(QPen(kInk, 1.5));
      p.drawLine(QPointF(5.5, 10), QPointF(11, 1.5));
      p.drawLine(QPointF(10.5, 10), QPointF(5, 1.5));
      p.setBrush(Qt::NoBrush);
      p.drawEllipse(QPointF(4.5, 12.5), 2.5, 2.5);
      p.drawEllipse(QPointF(11.5, 12.5), 2.5, 2.5);
      break;
    case EditorGlyph::Copy:  // two pages
      Page(p, QRectF(1.5, 1.5, 8, 10));
      Page(p, QRectF(6.5, 4.5, 8, 10));
      break;
    case EditorGlyph::Paste:  // a clipboard with a page
      p.setPen(QPen(kInk, 1));
      p.setBrush(QColor(170, 120, 60));
      p.drawRect(QRectF(1.5, 2.5, 10, 12));
      p.setBrush(QColor(200, 200, 200));
      p.drawRect(QRectF(4.5, 0.5, 4, 3));
      Page(p, QRectF(6.5, 6.5, 8, 9));
      break;
    case EditorGlyph::Print:  // a printer with paper
      Page(p, QRectF(4.5, 0.5, 7, 6));
      p.setPen(QPen(kInk, 1));
      p.setBrush(QColor(170, 170, 170));
      p.drawRect(QRectF(0.5, 6.5, 15, 6));
      Page(p, QRectF(4.5, 10.5, 7, 5));
      break;
    case EditorGlyph::Find:
      Magnifier(p, QPointF(6.5, 6.5), 4.5);
      break;
    case EditorGlyph::Replace: {  // a magnifier and an arrow
      Magnifier(p, QPointF(5, 5), 3.5);
      p.setPen(QPen(QColor(30, 130, 30), 1.5));
      p.drawLine(QPointF(5, 13.5), QPointF(14, 13.5));
      QPainterPath head;
      head.moveTo(15.5, 13.5);
      head.lineTo(11.5, 10.5);
      head.lineTo(11.5, 16.5);
      head.closeSubpath();
      p.fillPath(head, QColor(30, 130, 30));
      break;
    }
    case EditorGlyph::Help: {  // a question mark in a circle
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(40, 100, 200));
      p.drawEllipse(QPointF(8, 8), 7.5, 7.5);
      QFont font = p.font();
      font.setPixelSize(12);
      font.setBold(true);
      p.setFont(font);
      p.setPen(kPaper);
      p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
      break;
    }
  }
}

}  // namespace

QIcon DrawnEditorIcon(EditorGlyph glyph) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  Draw(painter, glyph);
  return QIcon(pixmap);
}

QIcon EditorIcon(EditorGlyph glyph) {
  const QIcon themed = QIcon::fromTheme(QLatin1String(ThemeName(glyph)));
  return themed.isNull() ? DrawnEditorIcon(glyph) : themed;
}

}  // namespace controls
