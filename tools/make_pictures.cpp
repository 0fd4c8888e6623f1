// Draws Kivu's pictures into res/: the four dashboard buttons with their pressed versions, each also in
// a large version for large buttons, the Up button of the browse dialog, the splash picture and the two
// icons. They are drawn here, with Qt's anti-aliased painter, so that they can be changed and drawn again:
//
//   kivu-make-pictures res/
//
// Buttons are opaque: they stand on the dashboard's grey button strip, (180, 180, 180).
#include <QtCore/QPointF>
#include <QtGui/QFont>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QLinearGradient>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>
#include <QtGui/QRadialGradient>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

const QColor kStrip(180, 180, 180);
const QColor kCyan(0, 230, 230);
const QColor kYellow(255, 220, 0);

using Glyph = std::function<void(QPainter&, const QColor&)>;

// A 40 x 40 button face: a rounded dark key with a light edge; pressed, it is darker, its edge is
// reversed and the symbol sits one pixel lower and to the right. With pixels, the face of size is drawn
// that many pixels wide, every line and curve of it at that resolution: the large versions that stay
// sharp on a large button.
QImage Button(const Glyph& glyph, bool pressed, int size = 40, int pixels = 0) {
  if (pixels == 0) pixels = size;
  QImage image(pixels, pixels, QImage::Format_RGB32);
  image.fill(kStrip);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  // The faces at their own size are drawn without a transform at all, as they always were.
  if (pixels != size) p.scale(double(pixels) / size, double(pixels) / size);
  QRectF key(1.5, 1.5, size - 3, size - 3);
  QLinearGradient face(0, 0, 0, size);
  face.setColorAt(0, pressed ? QColor(20, 24, 28) : QColor(78, 88, 98));
  face.setColorAt(1, pressed ? QColor(44, 50, 56) : QColor(30, 34, 40));
  p.setPen(QPen(pressed ? QColor(20, 20, 20) : QColor(235, 235, 235), 1.5));
  p.setBrush(face);
  p.drawRoundedRect(key, size * 0.18, size * 0.18);
  p.scale(size / 40.0, size / 40.0);
  if (pressed) p.translate(1, 1);
  glyph(p, pressed ? kYellow : QColor(245, 245, 245));
  return image;
}

void PowerSymbol(QPainter& p, const QColor& c) {
  p.setPen(QPen(c, 3.2, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  // An open ring with its gap at the top, and the bar through the gap.
  p.drawArc(QRectF(10.5, 11.5, 19, 19), 125 * 16, 290 * 16);
  p.drawLine(QPointF(20, 8.5), QPointF(20, 19));
}

void Gear(QPainter& p, const QColor& c) {
  QPainterPath gear;
  const int teeth = 8;
  const double outer = 13, inner = 9.8, cx = 20, cy = 20;
  for (int i = 0; i < teeth * 4; ++i) {
    double a = (i - 0.5) * 2 * M_PI / (teeth * 4);
    double r = (i % 4 == 0 || i % 4 == 1) ? outer : inner;
    QPointF pt(cx + r * std::cos(a), cy + r * std::sin(a));
    if (i == 0)
      gear.moveTo(pt);
    else
      gear.lineTo(pt);
  }
  gear.closeSubpath();
  gear.addEllipse(QPointF(cx, cy), 4.2, 4.2);
  gear.setFillRule(Qt::OddEvenFill);
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawPath(gear);
}

void NavigatorArrow(QPainter& p, const QColor& c) {
  // A navigation arrow pointing up and to the right, notched at its tail.
  QPainterPath arrow;
  arrow.moveTo(30, 9);
  arrow.lineTo(21, 31);
  arrow.lineTo(18.5, 21.5);
  arrow.lineTo(9, 19);
  arrow.closeSubpath();
  p.setPen(QPen(c, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(c);
  p.drawPath(arrow);
}

void MinimizeBar(QPainter& p, const QColor& c) {
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawRoundedRect(QRectF(10, 25, 20, 4.5), 1.5, 1.5);
}

void UpArrow(QPainter& p, const QColor& c) {
  // A folder-up arrow: up, then bending to the right.
  p.setPen(QPen(c, 3.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  QPainterPath path;
  path.moveTo(16, 31);
  path.lineTo(30, 31);
  path.lineTo(30, 20);
  p.drawPath(path);
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  QPainterPath head;
  head.moveTo(30, 8);
  head.lineTo(38 - 0.5, 20);
  head.lineTo(22.5, 20);
  head.closeSubpath();
  p.drawPath(head);
}

// The attitude ball of the dashboard, tilted a little, in a round bezel.
void AttitudeBall(QPainter& p, QPointF centre, double radius, double pitch, double roll) {
  p.save();
  QPainterPath window;
  window.addEllipse(centre, radius, radius);
  p.setClipPath(window);
  p.translate(centre);
  p.rotate(roll);
  p.fillRect(QRectF(-2 * radius, -2 * radius + pitch, 4 * radius, 2 * radius), QColor(0, 112, 110));
  p.fillRect(QRectF(-2 * radius, pitch, 4 * radius, 2 * radius), QColor(111, 71, 1));
  p.setPen(QPen(Qt::white, 1.6));
  p.drawLine(QPointF(-2 * radius, pitch), QPointF(2 * radius, pitch));
  for (int rung = -2; rung <= 2; ++rung) {
    if (rung == 0) continue;
    double y = pitch - rung * radius * 0.22;
    double half = rung % 2 == 0 ? radius * 0.28 : radius * 0.15;
    p.drawLine(QPointF(-half, y), QPointF(half, y));
  }
  p.restore();
  p.setPen(QPen(QColor(200, 200, 200), 3));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(centre, radius, radius);
  // The fixed aircraft symbol.
  p.setPen(QPen(kYellow, 3, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(centre + QPointF(-radius * 0.62, 0), centre + QPointF(-radius * 0.22, 0));
  p.drawLine(centre + QPointF(radius * 0.22, 0), centre + QPointF(radius * 0.62, 0));
  p.drawPoint(centre);
}

QImage Splash() {
  QImage image(350, 200, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  // Dusk over a road running to the horizon.
  QLinearGradient sky(0, 0, 0, 120);
  sky.setColorAt(0, QColor(12, 24, 52));
  sky.setColorAt(1, QColor(214, 120, 62));
  p.fillRect(QRectF(0, 0, 350, 120), sky);
  QLinearGradient land(0, 120, 0, 200);
  land.setColorAt(0, QColor(40, 48, 40));
  land.setColorAt(1, QColor(16, 20, 16));
  p.fillRect(QRectF(0, 120, 350, 80), land);
  QPainterPath road;
  road.moveTo(250, 120);
  road.lineTo(256, 120);
  road.lineTo(350, 200);
  road.lineTo(150, 200);
  road.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(60, 60, 64));
  p.drawPath(road);
  p.setPen(QPen(QColor(240, 220, 120), 2, Qt::DashLine));
  p.drawLine(QPointF(253, 122), QPointF(250, 200));
  // The instrument.
  AttitudeBall(p, QPointF(80, 108), 58, 10, -12);
  // The name.
  QFont title("DejaVu Sans", 44, QFont::Bold);
  p.setFont(title);
  p.setPen(QColor(0, 0, 0, 120));
  p.drawText(QRectF(152, 22, 190, 70), Qt::AlignLeft | Qt::AlignVCenter, "Kivu");
  p.setPen(Qt::white);
  p.drawText(QRectF(150, 20, 190, 70), Qt::AlignLeft | Qt::AlignVCenter, "Kivu");
  QFont line("DejaVu Sans", 10);
  p.setFont(line);
  p.setPen(kCyan);
  p.drawText(QRectF(152, 82, 190, 20), Qt::AlignLeft | Qt::AlignVCenter, "GPS flight instruments");
  p.setPen(QColor(220, 220, 220));
  p.drawText(QRectF(152, 100, 190, 20), Qt::AlignLeft | Qt::AlignVCenter, "for your car");
  return image;
}

// A square icon size pixels wide on a transparent ground, drawn anti-aliased on a grid design units wide.
QImage Icon(int size, double design, const std::function<void(QPainter&)>& draw) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / design, size / design);
  draw(p);
  p.end();
  return image;
}

QImage AppIcon(int size) {
  return Icon(size, 64, [](QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(24, 28, 32));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    AttitudeBall(p, QPointF(32, 32), 24, 4, -15);
  });
}

QImage FolderIcon(int size) {
  return Icon(size, 32, [](QPainter& p) {
    p.setPen(QPen(QColor(150, 110, 20), 1));
    p.setBrush(QColor(230, 180, 60));
    QPainterPath back;
    back.moveTo(3, 8);
    back.lineTo(12, 8);
    back.lineTo(14, 10.5);
    back.lineTo(29, 10.5);
    back.lineTo(29, 27);
    back.lineTo(3, 27);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(QColor(250, 205, 90));
    p.drawRoundedRect(QRectF(3, 13, 26, 14), 1.5, 1.5);
  });
}

bool Save(const QImage& image, const QString& folder, const QString& name) {
  QString path = folder + "/" + name;
  if (!image.save(path, "PNG")) {
    std::fprintf(stderr, "kivu-make-pictures: cannot write %s\n", qPrintable(path));
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kivu-make-pictures FOLDER\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QString folder = QString::fromLocal8Bit(argv[1]);
  bool ok = true;
  struct {
    const char* normal;
    const char* pressed;
    Glyph glyph;
  } buttons[] = {{"147-exit", "148-exit-pressed", PowerSymbol},
                 {"149-settings", "150-settings-pressed", Gear},
                 {"155-navigator", "156-navigator-pressed", NavigatorArrow},
                 {"157-minimize", "158-minimize-pressed", MinimizeBar}};
  // The dashboard's buttons grow with the screen (about 113 pixels on a 1920 x 1080 one, twice that on
  // a 4K screen): each has a large version, "<id>-<use>-<pixels>.png", that scales down cleanly.
  constexpr int kLarge = 240;
  const QString large = QString("-%1.png").arg(kLarge);
  for (const auto& b : buttons) {
    ok &= Save(Button(b.glyph, false), folder, QString(b.normal) + ".png");
    ok &= Save(Button(b.glyph, true), folder, QString(b.pressed) + ".png");
    ok &= Save(Button(b.glyph, false, 40, kLarge), folder, b.normal + large);
    ok &= Save(Button(b.glyph, true, 40, kLarge), folder, b.pressed + large);
  }
  ok &= Save(Button(UpArrow, false, 20), folder, "164-up.png");
  ok &= Save(Button(UpArrow, true, 20), folder, "165-up-pressed.png");
  ok &= Save(Splash(), folder, "169-splash.png");
  ok &= Save(AppIcon(64), folder, "128-kivu.png");
  ok &= Save(FolderIcon(32), folder, "162-folder.png");
  return ok ? 0 : 1;
}
