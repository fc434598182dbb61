// Draws the shipped pictures: one schematic per model name and the application logo, and
// the logo in the sizes of the desktop's icon theme.
//   mkpictures <output folder> <logo file> <model name>...
//   mkpictures --icons <output folder> <size>...   writes grivant-<size>.png for each size
// The family of a model follows the markers of its name, as in the tool itself:
// "TQP2-51500" linear module, "KX" rotary gripper, "KY" or "RV77" adaptive gripper,
// anything else parallel gripper. The first number in the name (the stroke) sets the
// jaw opening or the slide length, so sizes within a family look different.
#include <QtMath>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QTextStream>

namespace {

const int kSize = 480;

const QColor kOutline(0x26, 0x32, 0x38);
const QColor kBodyLight(0xB8, 0xC3, 0xCB);
const QColor kBodyDark(0x6E, 0x7D, 0x88);
const QColor kJaw(0x45, 0x52, 0x5C);
const QColor kAccent(0x1F, 0x6F, 0xB2);
const QColor kArrow(0xE0, 0x7A, 0x1F);

enum class Family { Parallel, Rotary, Adaptive, LinearModule };

Family familyOf(const QString &name)
{
    if (name.contains(QLatin1String("TQP2-51500")))
        return Family::LinearModule;
    if (name.contains(QLatin1String("KX")))
        return Family::Rotary;
    if (name.contains(QLatin1String("KY")) || name.contains(QLatin1String("RV77")))
        return Family::Adaptive;
    return Family::Parallel;
}

// 0 for the smallest stroke, 1 for the largest.
double sizeOf(const QString &name)
{
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("(\\d+)")).match(name);
    const int stroke = m.hasMatch() ? m.captured(1).toInt() : 40;
    return qBound(0.0, (qMin(stroke, 120) - 10) / 110.0, 1.0);
}

QBrush metal(const QRectF &r, const QColor &light, const QColor &dark)
{
    QLinearGradient g(r.topLeft(), r.topRight());
    g.setColorAt(0.0, dark);
    g.setColorAt(0.35, light);
    g.setColorAt(1.0, dark);
    return g;
}

void part(QPainter &p, const QRectF &r, qreal radius, const QBrush &fill)
{
    p.setPen(QPen(kOutline, 3));
    p.setBrush(fill);
    p.drawRoundedRect(r, radius, radius);
}

void arrowHead(QPainter &p, QPointF tip, QPointF from)
{
    const QLineF back(tip, from);
    const qreal a = qDegreesToRadians(back.angle());
    const qreal len = 16;
    QPolygonF head;
    head << tip
         << tip + QPointF(qCos(a + 0.45) * len, -qSin(a + 0.45) * len)
         << tip + QPointF(qCos(a - 0.45) * len, -qSin(a - 0.45) * len);
    p.setPen(Qt::NoPen);
    p.setBrush(kArrow);
    p.drawPolygon(head);
}

void doubleArrow(QPainter &p, QPointF a, QPointF b)
{
    p.setPen(QPen(kArrow, 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(a, b);
    arrowHead(p, a, b);
    arrowHead(p, b, a);
}

// Motor housing with cable gland and mounting flange, shared by the grippers.
void gripperBody(QPainter &p, const QRectF &body)
{
    const QRectF gland(body.center().x() - 18, body.top() - 34, 36, 36);
    part(p, gland, 6, metal(gland, kBodyLight, kBodyDark));
    p.setPen(QPen(kOutline, 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(gland.center().x(), gland.top()), QPointF(gland.center().x(), 12));
    part(p, body, 14, metal(body, kBodyLight, kBodyDark));
    const QRectF band(body.left(), body.top() + body.height() * 0.18, body.width(), 14);
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawRect(band);
    p.setPen(QPen(kOutline, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(body, 14, 14);
    // status light
    p.setBrush(QColor(0x4C, 0xAF, 0x50));
    p.drawEllipse(QPointF(body.right() - 26, body.top() + body.height() * 0.55), 7, 7);
}

void drawParallel(QPainter &p, double size)
{
    const QRectF body(130, 60, 220, 210);
    gripperBody(p, body);
    const QRectF rail(100, 270, 280, 34);
    part(p, rail, 6, metal(rail, kBodyLight, kBodyDark));
    const qreal gap = 30 + size * 90;
    const qreal jawW = 46;
    const QRectF left(240 - gap / 2 - jawW, 290, jawW, 150);
    const QRectF right(240 + gap / 2, 290, jawW, 150);
    part(p, left, 8, metal(left, kJaw.lighter(150), kJaw));
    part(p, right, 8, metal(right, kJaw.lighter(150), kJaw));
    // finger pads
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawRect(QRectF(left.right() - 8, left.bottom() - 60, 6, 52));
    p.drawRect(QRectF(right.left() + 2, right.bottom() - 60, 6, 52));
    doubleArrow(p, QPointF(left.left() - 60, 460), QPointF(right.right() + 60, 460));
}

void drawRotary(QPainter &p, double size)
{
    const QRectF body(140, 50, 200, 190);
    gripperBody(p, body);
    // rotating flange seen slightly from below
    const QRectF flange(120, 232, 240, 56);
    p.setPen(QPen(kOutline, 3));
    p.setBrush(metal(flange, kBodyLight, kBodyDark));
    p.drawEllipse(flange);
    const QRectF hub(150, 250, 180, 60);
    part(p, hub, 10, metal(hub, kBodyLight, kBodyDark));
    const qreal gap = 24 + size * 70;
    const qreal jawW = 40;
    const QRectF left(240 - gap / 2 - jawW, 304, jawW, 120);
    const QRectF right(240 + gap / 2, 304, jawW, 120);
    part(p, left, 8, metal(left, kJaw.lighter(150), kJaw));
    part(p, right, 8, metal(right, kJaw.lighter(150), kJaw));
    // rotation arrow around the flange
    p.setPen(QPen(kArrow, 5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const QRectF orbit(70, 228, 340, 90);
    p.drawArc(orbit, 200 * 16, 140 * 16);
    const QPointF end = orbit.center()
        + QPointF(qCos(qDegreesToRadians(340.0)) * orbit.width() / 2,
                  -qSin(qDegreesToRadians(340.0)) * orbit.height() / 2);
    const QPointF before = orbit.center()
        + QPointF(qCos(qDegreesToRadians(325.0)) * orbit.width() / 2,
                  -qSin(qDegreesToRadians(325.0)) * orbit.height() / 2);
    arrowHead(p, end, before);
    doubleArrow(p, QPointF(left.left() - 40, 452), QPointF(right.right() + 40, 452));
}

// One two-link finger closing around a round object; mirror = -1 for the left finger.
void adaptiveFinger(QPainter &p, qreal baseX, qreal mirror, QPointF object, qreal radius)
{
    const qreal reach = radius + 17;   // half a link's width off the surface
    const QPointF base(baseX, 292);
    const QPointF knuckle(object.x() + mirror * (reach + 4), object.y() - radius * 0.35);
    const QPointF tip(object.x() + mirror * reach * 0.62, object.y() + reach * 0.78);
    p.setPen(QPen(kOutline, 36, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF() << base << knuckle << tip);
    p.setPen(QPen(kJaw, 30, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF() << base << knuckle << tip);
    p.setPen(QPen(kOutline, 3));
    p.setBrush(kAccent);
    p.drawEllipse(base, 9, 9);
    p.drawEllipse(knuckle, 9, 9);
}

void drawAdaptive(QPainter &p, double size)
{
    const QRectF body(135, 50, 210, 200);
    gripperBody(p, body);
    const QRectF palm(110, 250, 260, 46);
    part(p, palm, 10, metal(palm, kBodyLight, kBodyDark));
    // the gripped object
    const qreal r = 48 + size * 12;
    const QPointF centre(240, 388);
    p.setPen(QPen(kOutline, 3));
    QRadialGradient ball(centre - QPointF(r * 0.3, r * 0.3), r * 1.4);
    ball.setColorAt(0, QColor(0xFF, 0xE0, 0xB2));
    ball.setColorAt(1, QColor(0xF5, 0xA6, 0x23));
    p.setBrush(ball);
    p.drawEllipse(centre, r, r);
    const qreal spread = 70 + size * 20;
    adaptiveFinger(p, 240 - spread, -1, centre, r);
    adaptiveFinger(p, 240 + spread, 1, centre, r);
}

void drawLinearModule(QPainter &p, double size)
{
    const qreal length = 330 + size * 30;
    const qreal left = (kSize - length + 90) / 2;
    // base rail
    const QRectF rail(left, 270, length, 80);
    QLinearGradient g(rail.topLeft(), rail.bottomLeft());
    g.setColorAt(0, kBodyLight);
    g.setColorAt(1, kBodyDark);
    part(p, rail, 8, g);
    p.setPen(QPen(kOutline, 2));
    p.drawLine(QPointF(rail.left() + 10, rail.top() + 22), QPointF(rail.right() - 10, rail.top() + 22));
    // screw cover slots
    p.setPen(QPen(kBodyDark.darker(130), 4, Qt::SolidLine, Qt::RoundCap));
    for (qreal x = rail.left() + 24; x < rail.right() - 20; x += 36)
        p.drawPoint(QPointF(x, rail.bottom() - 14));
    // motor at the left end
    const QRectF motor(left - 90, 265, 90, 90);
    QLinearGradient mg(motor.topLeft(), motor.bottomLeft());
    mg.setColorAt(0, kJaw.lighter(160));
    mg.setColorAt(1, kJaw);
    part(p, motor, 6, mg);
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawRect(QRectF(motor.left() + 10, motor.top(), 12, motor.height()));
    p.setPen(QPen(kOutline, 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(motor.left() + 45, motor.bottom()), QPointF(motor.left() + 45, motor.bottom() + 50));
    // carriage
    const QRectF carriage(rail.center().x() - 80, 210, 160, 66);
    QLinearGradient cg(carriage.topLeft(), carriage.bottomLeft());
    cg.setColorAt(0, kBodyLight.lighter(110));
    cg.setColorAt(1, kBodyDark);
    part(p, carriage, 8, cg);
    p.setPen(QPen(kOutline, 2));
    p.setBrush(Qt::white);
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j)
            p.drawEllipse(QPointF(carriage.left() + 34 + i * 92, carriage.top() + 20 + j * 26), 5, 5);
    doubleArrow(p, QPointF(rail.left() + 10, 170), QPointF(rail.right() - 10, 170));
}

void drawLogo(QPainter &p, int side)
{
    const qreal s = side / 256.0;
    p.scale(s, s);
    QRadialGradient disc(QPointF(100, 90), 170);
    disc.setColorAt(0, kAccent.lighter(140));
    disc.setColorAt(1, kAccent.darker(120));
    p.setPen(Qt::NoPen);
    p.setBrush(disc);
    p.drawEllipse(QRectF(8, 8, 240, 240));
    // a stylised gripper: bridge with two jaws closing on a block
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(64, 62, 128, 30), 8, 8);
    p.drawRoundedRect(QRectF(64, 84, 30, 110), 8, 8);
    p.drawRoundedRect(QRectF(162, 84, 30, 110), 8, 8);
    p.setBrush(kArrow);
    p.drawRoundedRect(QRectF(94, 128, 68, 56), 6, 6);
}

QImage logo(int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawLogo(p, side);
    return image;
}

bool save(const QImage &image, const QString &path)
{
    if (!image.save(path, "PNG")) {
        QTextStream(stderr) << "cannot write " << path << '\n';
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args.at(1) == QLatin1String("--icons")) {
        const QDir out(args.at(2));
        if (!out.mkpath(QStringLiteral(".")))
            return 1;
        for (int i = 3; i < args.size(); ++i) {
            const int side = args.at(i).toInt();
            if (side < 8 || side > 1024) {
                QTextStream(stderr) << "bad icon size " << args.at(i) << '\n';
                return 2;
            }
            if (!save(logo(side), out.filePath(QStringLiteral("grivant-%1.png").arg(side))))
                return 1;
        }
        return 0;
    }
    if (args.size() < 3) {
        QTextStream(stderr) << "usage: mkpictures <output folder> <logo file> <model name>...\n"
                               "       mkpictures --icons <output folder> <size>...\n";
        return 2;
    }
    const QDir out(args.at(1));
    if (!out.mkpath(QStringLiteral(".")))
        return 1;

    if (!save(logo(256), args.at(2)))
        return 1;

    for (int i = 3; i < args.size(); ++i) {
        const QString &name = args.at(i);
        QImage image(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        const double size = sizeOf(name);
        switch (familyOf(name)) {
        case Family::Parallel: drawParallel(p, size); break;
        case Family::Rotary: drawRotary(p, size); break;
        case Family::Adaptive: drawAdaptive(p, size); break;
        case Family::LinearModule: drawLinearModule(p, size); break;
        }
        p.end();
        if (!save(image, out.filePath(name + QLatin1String(".png"))))
            return 1;
    }
    return 0;
}
