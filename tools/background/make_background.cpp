// Draws the main window's background picture, System/02.bmp: 800 x 600 pixels,
// 24-bit uncompressed BMP.
//
// A quiet night sky: a deep blue gradient with a soft glow, fixed-seed stars, a
// zodiac wheel and the program's name in the free area at the right. The
// controls of the main window stand on this picture, at the places of
// app/gui/window_layout.h, and the program paints the field labels on it; no
// star, line or mark touches them, nor the program's name and the line under
// it: every star is drawn only where its halo stays clear of them, and the
// fixed figures (wheel, asterisms) are checked against them (the tool fails
// when a control has moved onto one).
// Two faint panels group the controls; the menu bar lies above the picture,
// and the last rows may be hidden by the window frame, so nothing that matters
// is drawn below y = 560.
//
// Usage: make_background OUTPUT.bmp [--preview PREVIEW.png]
// With --preview it also writes a PNG with stand-ins for the controls drawn on
// top, to judge how the window will read.
// Run with QT_QPA_PLATFORM=offscreen (it needs fonts, not a display).

#include <QtGui/QColor>
#include <QtGui/QFont>
#include <QtGui/QFontMetrics>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QLinearGradient>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>
#include <QtGui/QPen>
#include <QtGui/QRadialGradient>
#include <QtGui/QTransform>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/gui/window_layout.h"
#include "tools/picture_tool.h"

namespace {

namespace layout = nevalorum::layout;

constexpr int Width = layout::WindowWidth;
constexpr int Height = layout::WindowHeight;
constexpr double Pi = 3.14159265358979323846;

// The two panels behind the controls.
const QRectF TopPanel(6.5, 2.5, 660, 152);
const QRectF MonthPanel(8.5, 368.5, 486, 110);

// The zodiac wheel and the name under it, in the free area at the right.
const QPointF WheelCentre(661, 283);
constexpr double WheelOuter = 116;
constexpr double WheelGlyphs = 92;  // inner edge of the band of signs
constexpr double WheelInner = 62;
constexpr double WheelHalo = WheelOuter + 10;  // the dark disc under the wheel

const QColor SkyTop(0x08, 0x0C, 0x26);
const QColor SkyMiddle(0x10, 0x16, 0x3C);
const QColor SkyBottom(0x1E, 0x19, 0x46);
const QColor Gold(0xE2, 0xC2, 0x7A);
const QColor Lavender(0xA9, 0xAF, 0xE6);

// A small deterministic generator (splitmix64), so that the picture is the same
// on every machine and with every standard library.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Uniform in [low, high).
    double Uniform(double low, double high) {
        return low + (high - low) * static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0);
    }

  private:
    std::uint64_t state_;
};

QColor WithAlpha(QColor colour, int alpha) {
    colour.setAlpha(alpha);
    return colour;
}

// The program's name and the line under it, beneath the wheel: their boxes,
// and the text's own bounding boxes in them.
const QRectF TitleBox(WheelCentre.x() - 150, 458, 300, 40);
const QRectF SubtitleBox(WheelCentre.x() - 160, 510, 320, 20);
const QString Title = QStringLiteral("Nevalorum Pelinor");
const QString Subtitle = QString::fromUtf8("персональный прогноз на полгода");

QFont TitleFont() {
    QFont font(QStringLiteral("Liberation Serif"));
    font.setPixelSize(28);
    font.setItalic(true);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    return font;
}

QFont SubtitleFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(13);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.8);
    return font;
}

QRectF TextBounds(const QFont& font, const QRectF& box, const QString& text) {
    QImage scratch(1, 1, QImage::Format_RGB32);
    QPainter painter(&scratch);
    painter.setFont(font);
    return painter.boundingRect(box, Qt::AlignHCenter | Qt::AlignVCenter, text);
}

// What no decoration may touch: every control, the field labels the program
// paints, the program's name with its rule and the line under it.
std::vector<QRectF> KeepClear() {
    std::vector<QRectF> areas;
    for (const QRect& control :
         {layout::Edit1, layout::SpinEdit1, layout::SpinEdit2, layout::SpinEdit3, layout::Button14,
          layout::BitBtn1, layout::ArchiveProgress}) {
        areas.emplace_back(control);
    }
    for (const layout::TopicButton& button : layout::TopicButtons) {
        areas.emplace_back(button.Place);
    }
    for (int k = 1; k <= 6; ++k) {
        areas.emplace_back(layout::MonthButton(k));
    }
    QFont labelFont(QString::fromUtf8(layout::FieldLabelFont));
    labelFont.setPointSize(layout::FieldLabelPointSize);
    const QFontMetricsF metrics(labelFont);
    for (const layout::FieldLabel& label : layout::FieldLabels) {
        areas.emplace_back(label.Left, layout::FieldLabelTop,
                           metrics.horizontalAdvance(QString::fromUtf8(label.Text)),
                           metrics.height());
    }
    const QRectF title = TextBounds(TitleFont(), TitleBox, Title);
    const QRectF subtitle = TextBounds(SubtitleFont(), SubtitleBox, Subtitle);
    // The name, its shadow, the rule under it and the line: one block.
    areas.push_back(title.adjusted(0, 0, 2, 2)
                        .united(subtitle)
                        .united(QRectF(WheelCentre.x() - 110, 499, 220, 9)));
    return areas;
}

// Clearance between a decoration's outermost pixel and what it must not touch.
constexpr double Clearance = 3;

// Whether a round mark (a star with its halo) stays clear of the areas.
bool RoundClear(const QPointF& centre, double radius) {
    static const std::vector<QRectF> areas = KeepClear();
    for (const QRectF& area : areas) {
        const double dx = std::max({area.left() - centre.x(), 0.0, centre.x() - area.right()});
        const double dy = std::max({area.top() - centre.y(), 0.0, centre.y() - area.bottom()});
        if (std::sqrt(dx * dx + dy * dy) < radius + Clearance) {
            return false;
        }
    }
    return true;
}

// Whether a straight line (of an asterism) stays clear of the areas.
bool LineClear(const QPointF& from, const QPointF& to) {
    const double length = std::hypot(to.x() - from.x(), to.y() - from.y());
    for (double t = 0; t <= length; t += 0.5) {
        if (!RoundClear(from + (to - from) * (t / length), 1)) {
            return false;
        }
    }
    return true;
}

// A fixed figure that touches a control or a text: the picture would be wrong.
[[noreturn]] void FigureInTheWay(const char* figure) {
    std::fprintf(stderr, "make_background: the %s touches a control or a text\n", figure);
    std::exit(1);
}

bool InWheel(const QPointF& p, double margin) {
    const double dx = p.x() - WheelCentre.x();
    const double dy = p.y() - WheelCentre.y();
    return std::sqrt(dx * dx + dy * dy) < WheelOuter + margin;
}

// The sky: a vertical gradient and two soft glows, one behind the wheel and a
// fainter one low at the left.
void DrawSky(QPainter& painter) {
    QLinearGradient sky(0, 0, 0, Height);
    sky.setColorAt(0.0, SkyTop);
    sky.setColorAt(0.55, SkyMiddle);
    sky.setColorAt(1.0, SkyBottom);
    painter.fillRect(QRect(0, 0, Width, Height), sky);

    QRadialGradient glow(WheelCentre, 270);
    glow.setColorAt(0.0, QColor(0x3A, 0x3C, 0x8C, 110));
    glow.setColorAt(0.45, QColor(0x2C, 0x2A, 0x70, 55));
    glow.setColorAt(1.0, QColor(0x2C, 0x2A, 0x70, 0));
    painter.fillRect(QRect(0, 0, Width, Height), glow);

    QRadialGradient lowGlow(QPointF(150, 620), 330);
    lowGlow.setColorAt(0.0, QColor(0x4A, 0x2C, 0x6E, 70));
    lowGlow.setColorAt(1.0, QColor(0x4A, 0x2C, 0x6E, 0));
    painter.fillRect(QRect(0, 0, Width, Height), lowGlow);
}

// Faint rounded panels behind the controls: a touch darker than the sky, with a
// thin light edge, so the fields and buttons stand on a calm ground.
void DrawPanels(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing, true);
    for (const QRectF& panel : {TopPanel, MonthPanel}) {
        painter.setPen(QPen(QColor(0x9A, 0x9F, 0xD8, 60), 1));
        painter.setBrush(QColor(0x05, 0x07, 0x1A, 120));
        painter.drawRoundedRect(panel, 8, 8);
    }
    painter.setBrush(Qt::NoBrush);
}

// The outermost pixel of a star's halo, and of a sparkle's rays.
double HaloRadius(double radius) {
    return radius * 2.4;
}
constexpr double SparkleRays = 7;

// Whether a round mark reaches into one of the panels behind the controls.
bool InPanel(const QPointF& centre, double radius) {
    for (const QRectF& panel : {TopPanel, MonthPanel}) {
        if (panel.adjusted(-radius - 1, -radius - 1, radius + 1, radius + 1).contains(centre)) {
            return true;
        }
    }
    return false;
}

void DrawStar(QPainter& painter, const QPointF& at, double radius, const QColor& colour) {
    // A soft halo and a crisp core.
    QRadialGradient halo(at, radius * 2.4);
    halo.setColorAt(0.0, WithAlpha(colour, colour.alpha() / 3));
    halo.setColorAt(1.0, WithAlpha(colour, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(halo);
    painter.drawEllipse(at, radius * 2.4, radius * 2.4);
    painter.setBrush(colour);
    painter.drawEllipse(at, radius * 0.7, radius * 0.7);
    painter.setBrush(Qt::NoBrush);
}

// A bright star with four thin rays.
void DrawSparkle(QPainter& painter, const QPointF& at, double length, const QColor& colour) {
    DrawStar(painter, at, 1.6, colour);
    for (int side = 0; side < 2; ++side) {
        QLinearGradient ray = side == 0 ? QLinearGradient(at.x() - length, 0, at.x() + length, 0)
                                        : QLinearGradient(0, at.y() - length, 0, at.y() + length);
        ray.setColorAt(0.0, WithAlpha(colour, 0));
        ray.setColorAt(0.5, WithAlpha(colour, 170));
        ray.setColorAt(1.0, WithAlpha(colour, 0));
        painter.setPen(QPen(QBrush(ray), 0.8));
        if (side == 0) {
            painter.drawLine(QPointF(at.x() - length, at.y()), QPointF(at.x() + length, at.y()));
        } else {
            painter.drawLine(QPointF(at.x(), at.y() - length), QPointF(at.x(), at.y() + length));
        }
    }
}

// The star field: many faint stars and a few brighter ones, none in the
// control areas or on the wheel.
void DrawStars(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing, true);
    Random random(0x4E50'2027'0001ULL);
    const std::array<QColor, 4> tints{QColor(0xFF, 0xFF, 0xFF), QColor(0xDD, 0xE4, 0xFF),
                                      QColor(0xFF, 0xEC, 0xC8), QColor(0xCF, 0xC8, 0xFF)};
    for (int i = 0; i < 520; ++i) {
        const QPointF at(random.Uniform(0, Width), random.Uniform(0, Height));
        const double size = random.Uniform(0, 1);
        const int tint = static_cast<int>(random.Uniform(0, 4));
        const double flicker = random.Uniform(0, 1);
        const double radius = size < 0.85 ? 0.7 + 0.6 * size : 1.2 + 1.0 * (size - 0.85) / 0.15;
        if (InWheel(at, 6) || !RoundClear(at, HaloRadius(radius)) ||
            InPanel(at, HaloRadius(radius))) {
            continue;
        }
        // Fewer and fainter stars towards the empty middle at the left.
        const bool quietMiddle = at.x() < 510 && at.y() > 160 && at.y() < 360;
        int alpha = static_cast<int>(40 + 150 * flicker);
        if (quietMiddle) {
            alpha = alpha * 3 / 5;
        }
        DrawStar(painter, at, radius, WithAlpha(tints[tint], alpha));
    }
    const std::array<QPointF, 6> bright{QPointF(742, 128), QPointF(530, 172), QPointF(784, 548),
                                        QPointF(300, 205), QPointF(92, 520),  QPointF(560, 470)};
    for (const QPointF& at : bright) {
        if (RoundClear(at, SparkleRays) && !InPanel(at, SparkleRays)) {
            DrawSparkle(painter, at, SparkleRays, QColor(0xFF, 0xF4, 0xDC, 230));
        }
    }
}

// A small made-up asterism in the top right corner, and one low at the left,
// joined by thin lines.
void DrawConstellations(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing, true);
    const std::vector<std::vector<QPointF>> figures{
        {QPointF(688, 22), QPointF(716, 40), QPointF(748, 34), QPointF(772, 58), QPointF(760, 92),
         QPointF(728, 86), QPointF(716, 40)},
        {QPointF(40, 500), QPointF(78, 488), QPointF(118, 506), QPointF(160, 494),
         QPointF(206, 512), QPointF(246, 500)},
    };
    for (const auto& figure : figures) {
        for (std::size_t i = 0; i < figure.size(); ++i) {
            if (!RoundClear(figure[i], HaloRadius(1.3)) ||
                (i > 0 && !LineClear(figure[i - 1], figure[i]))) {
                FigureInTheWay("asterism");
            }
        }
        painter.setPen(QPen(QColor(0xB8, 0xBE, 0xF0, 70), 0.9));
        for (std::size_t i = 1; i < figure.size(); ++i) {
            painter.drawLine(figure[i - 1], figure[i]);
        }
        for (const QPointF& at : figure) {
            DrawStar(painter, at, 1.3, QColor(0xF4, 0xF0, 0xFF, 220));
        }
    }
}

// The twelve signs as simple strokes in a box from -1 to 1 (y downwards), so
// the picture does not depend on a font that has these symbols.
QPainterPath SignPath(int sign) {
    QPainterPath p;
    switch (sign) {
        case 0:  // Aries
            p.moveTo(0, 1);
            p.lineTo(0, -0.25);
            p.cubicTo(-0.05, -0.95, -0.95, -1.05, -0.9, -0.4);
            p.cubicTo(-0.88, -0.1, -0.65, 0.0, -0.5, -0.1);
            p.moveTo(0, -0.25);
            p.cubicTo(0.05, -0.95, 0.95, -1.05, 0.9, -0.4);
            p.cubicTo(0.88, -0.1, 0.65, 0.0, 0.5, -0.1);
            break;
        case 1:  // Taurus
            p.addEllipse(QPointF(0, 0.38), 0.52, 0.52);
            p.moveTo(-0.9, -0.95);
            p.cubicTo(-0.75, -0.2, 0.75, -0.2, 0.9, -0.95);
            break;
        case 2:  // Gemini
            p.moveTo(-0.85, -0.95);
            p.quadTo(0, -0.6, 0.85, -0.95);
            p.moveTo(-0.85, 0.95);
            p.quadTo(0, 0.6, 0.85, 0.95);
            p.moveTo(-0.38, -0.78);
            p.lineTo(-0.38, 0.78);
            p.moveTo(0.38, -0.78);
            p.lineTo(0.38, 0.78);
            break;
        case 3:  // Cancer
            p.addEllipse(QPointF(-0.5, -0.3), 0.26, 0.26);
            p.moveTo(-0.5, -0.56);
            p.cubicTo(0.05, -0.9, 0.7, -0.75, 0.92, -0.35);
            p.addEllipse(QPointF(0.5, 0.3), 0.26, 0.26);
            p.moveTo(0.5, 0.56);
            p.cubicTo(-0.05, 0.9, -0.7, 0.75, -0.92, 0.35);
            break;
        case 4:  // Leo
            p.addEllipse(QPointF(-0.55, 0.4), 0.28, 0.28);
            p.moveTo(-0.3, 0.28);
            p.cubicTo(-0.55, -0.45, -0.1, -1.0, 0.32, -0.85);
            p.cubicTo(0.85, -0.65, 0.55, 0.0, 0.32, 0.4);
            p.cubicTo(0.12, 0.8, 0.6, 1.05, 0.92, 0.72);
            break;
        case 5:  // Virgo
            p.moveTo(-0.95, -0.55);
            p.quadTo(-0.75, -0.8, -0.62, -0.55);
            p.lineTo(-0.62, 0.85);
            p.moveTo(-0.62, -0.35);
            p.cubicTo(-0.52, -0.85, -0.15, -0.85, -0.15, -0.35);
            p.lineTo(-0.15, 0.85);
            p.moveTo(-0.15, -0.35);
            p.cubicTo(-0.05, -0.85, 0.32, -0.85, 0.32, -0.35);
            p.lineTo(0.32, 0.45);
            p.cubicTo(0.32, 0.95, 0.92, 0.9, 0.88, 0.35);
            p.cubicTo(0.84, -0.05, 0.45, 0.15, 0.25, 0.95);
            break;
        case 6:  // Libra
            p.moveTo(-0.92, 0.72);
            p.lineTo(0.92, 0.72);
            p.moveTo(-0.92, 0.25);
            p.lineTo(-0.38, 0.25);
            p.cubicTo(-0.75, -0.75, 0.75, -0.75, 0.38, 0.25);
            p.lineTo(0.92, 0.25);
            break;
        case 7:  // Scorpio
            p.moveTo(-0.95, -0.55);
            p.quadTo(-0.75, -0.8, -0.62, -0.55);
            p.lineTo(-0.62, 0.75);
            p.moveTo(-0.62, -0.35);
            p.cubicTo(-0.52, -0.85, -0.15, -0.85, -0.15, -0.35);
            p.lineTo(-0.15, 0.75);
            p.moveTo(-0.15, -0.35);
            p.cubicTo(-0.05, -0.85, 0.32, -0.85, 0.32, -0.35);
            p.lineTo(0.32, 0.55);
            p.quadTo(0.36, 0.85, 0.88, 0.82);
            p.moveTo(0.62, 0.6);
            p.lineTo(0.9, 0.82);
            p.lineTo(0.62, 1.02);
            break;
        case 8:  // Sagittarius
            p.moveTo(-0.85, 0.85);
            p.lineTo(0.85, -0.85);
            p.moveTo(0.2, -0.85);
            p.lineTo(0.85, -0.85);
            p.lineTo(0.85, -0.2);
            p.moveTo(-0.55, -0.1);
            p.lineTo(0.1, 0.55);
            break;
        case 9:  // Capricorn
            p.moveTo(-0.95, -0.5);
            p.quadTo(-0.65, -0.85, -0.5, -0.35);
            p.lineTo(-0.15, 0.85);
            p.lineTo(0.18, -0.45);
            p.cubicTo(0.3, -0.95, 0.95, -0.6, 0.78, 0.05);
            p.cubicTo(0.62, 0.6, 0.05, 0.45, 0.2, 0.05);
            p.cubicTo(0.35, -0.3, 0.9, 0.3, 0.5, 0.95);
            break;
        case 10:  // Aquarius
            for (const double y : {-0.22, 0.38}) {
                p.moveTo(-0.95, y + 0.12);
                p.lineTo(-0.5, y - 0.22);
                p.lineTo(-0.05, y + 0.12);
                p.lineTo(0.4, y - 0.22);
                p.lineTo(0.9, y + 0.12);
            }
            break;
        default:  // Pisces
            p.moveTo(-0.8, -0.95);
            p.cubicTo(-0.25, -0.45, -0.25, 0.45, -0.8, 0.95);
            p.moveTo(0.8, -0.95);
            p.cubicTo(0.25, -0.45, 0.25, 0.45, 0.8, 0.95);
            p.moveTo(-0.52, 0);
            p.lineTo(0.52, 0);
            break;
    }
    return p;
}

QPointF OnCircle(double radius, double degrees) {
    // Aries starts at the left (the ascendant's place) and the signs run
    // counter-clockwise, as on a horoscope chart.
    const double a = (180.0 - degrees) * Pi / 180.0;
    return QPointF(WheelCentre.x() + radius * std::cos(a), WheelCentre.y() - radius * std::sin(a));
}

void DrawWheel(QPainter& painter) {
    if (!RoundClear(WheelCentre, WheelHalo)) {
        FigureInTheWay("zodiac wheel");
    }
    painter.setRenderHint(QPainter::Antialiasing, true);

    // A dark disc so the wheel reads as one object, with a soft halo.
    QRadialGradient disc(WheelCentre, WheelHalo);
    disc.setColorAt(0.0, QColor(0x10, 0x12, 0x38, 150));
    disc.setColorAt(0.88, QColor(0x0C, 0x0E, 0x2E, 150));
    disc.setColorAt(1.0, QColor(0x0C, 0x0E, 0x2E, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(disc);
    painter.drawEllipse(WheelCentre, WheelHalo, WheelHalo);

    // The band of signs, a shade lighter.
    QPainterPath band;
    band.addEllipse(WheelCentre, WheelOuter, WheelOuter);
    band.addEllipse(WheelCentre, WheelGlyphs, WheelGlyphs);
    painter.setBrush(QColor(0x2A, 0x2C, 0x68, 90));
    painter.drawPath(band);
    painter.setBrush(Qt::NoBrush);

    const QColor ring = WithAlpha(Gold, 190);
    painter.setPen(QPen(ring, 1.4));
    painter.drawEllipse(WheelCentre, WheelOuter, WheelOuter);
    painter.setPen(QPen(WithAlpha(Gold, 120), 0.8));
    painter.drawEllipse(WheelCentre, WheelOuter + 5, WheelOuter + 5);
    painter.setPen(QPen(ring, 1.0));
    painter.drawEllipse(WheelCentre, WheelGlyphs, WheelGlyphs);
    painter.setPen(QPen(WithAlpha(Gold, 140), 0.9));
    painter.drawEllipse(WheelCentre, WheelInner, WheelInner);

    // Degree ticks inside the band of signs: every 2 degrees, longer every 10.
    for (int degree = 0; degree < 360; degree += 2) {
        const double length = degree % 30 == 0 ? 0 : (degree % 10 == 0 ? 5 : 2.5);
        if (length == 0) {
            continue;
        }
        painter.setPen(QPen(WithAlpha(Gold, degree % 10 == 0 ? 150 : 90), 0.8));
        painter.drawLine(OnCircle(WheelGlyphs, degree), OnCircle(WheelGlyphs + length, degree));
    }
    // The twelve dividers, from the inner circle to the outer ring.
    painter.setPen(QPen(WithAlpha(Gold, 150), 0.9));
    for (int sign = 0; sign < 12; ++sign) {
        painter.drawLine(OnCircle(WheelInner, 30 * sign), OnCircle(WheelOuter, 30 * sign));
    }

    // The signs, upright, in the middle of their sectors; fire, earth, air and
    // water in four soft tints.
    const std::array<QColor, 4> elements{QColor(0xF2, 0xB8, 0x8C), QColor(0xD8, 0xD2, 0x96),
                                         QColor(0xB4, 0xD4, 0xF4), QColor(0xB8, 0xB2, 0xF2)};
    for (int sign = 0; sign < 12; ++sign) {
        const QPointF at = OnCircle((WheelOuter + WheelGlyphs) / 2 + 1, 30 * sign + 15);
        QTransform place;
        place.translate(at.x(), at.y());
        place.scale(7.2, 7.2);
        QPen pen(elements[sign % 4], 1.35);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        painter.setPen(pen);
        painter.drawPath(place.map(SignPath(sign)));
    }

    // Inside: four "planets" on the inner circle with the aspects between
    // them, blue for the harmonious ones and soft red for the tense one, as on
    // the month pages.
    const std::array<double, 4> planets{18, 138, 198, 258};
    struct Aspect {
        int from;
        int to;
        bool tense;
    };
    const std::array<Aspect, 6> aspects{Aspect{0, 1, false}, Aspect{1, 3, false},
                                        Aspect{3, 0, false}, Aspect{1, 2, false},
                                        Aspect{2, 3, false}, Aspect{0, 2, true}};
    for (const Aspect& aspect : aspects) {
        const QColor colour =
            aspect.tense ? QColor(0xE8, 0x8C, 0x9C, 110) : QColor(0x8C, 0xB4, 0xF4, 110);
        painter.setPen(QPen(colour, 0.9));
        painter.drawLine(OnCircle(WheelInner - 3, planets[aspect.from]),
                         OnCircle(WheelInner - 3, planets[aspect.to]));
    }
    for (const double degree : planets) {
        DrawStar(painter, OnCircle(WheelInner - 3, degree), 1.8, QColor(0xFF, 0xF2, 0xD0, 240));
    }

    QRadialGradient sun(WheelCentre, 16);
    sun.setColorAt(0.0, QColor(0xFF, 0xF0, 0xC0, 255));
    sun.setColorAt(0.35, QColor(0xF0, 0xC8, 0x70, 230));
    sun.setColorAt(1.0, QColor(0xF0, 0xC8, 0x70, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(sun);
    painter.drawEllipse(WheelCentre, 16, 16);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(WithAlpha(Gold, 220), 1.0));
    painter.drawEllipse(WheelCentre, 5.5, 5.5);
    painter.setPen(QPen(WithAlpha(Gold, 140), 0.8));
    for (int k = 0; k < 8; ++k) {
        const double a = k * Pi / 4 + Pi / 8;
        painter.drawLine(WheelCentre + QPointF(8 * std::cos(a), 8 * std::sin(a)),
                         WheelCentre + QPointF(12 * std::cos(a), 12 * std::sin(a)));
    }
}

// The program's name and a short line under it, beneath the wheel.
void DrawTitle(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);

    // A soft dark shadow, then the gold text.
    painter.setFont(TitleFont());
    painter.setPen(QColor(0x02, 0x03, 0x10, 160));
    painter.drawText(TitleBox.translated(1.2, 1.6), Qt::AlignHCenter | Qt::AlignVCenter, Title);
    painter.setPen(Gold);
    painter.drawText(TitleBox, Qt::AlignHCenter | Qt::AlignVCenter, Title);

    // A thin rule with a small diamond in the middle.
    const double y = 503.5;
    const double mid = WheelCentre.x();
    QLinearGradient rule(mid - 110, 0, mid + 110, 0);
    rule.setColorAt(0.0, WithAlpha(Gold, 0));
    rule.setColorAt(0.5, WithAlpha(Gold, 170));
    rule.setColorAt(1.0, WithAlpha(Gold, 0));
    painter.setPen(QPen(QBrush(rule), 0.9));
    painter.drawLine(QPointF(mid - 110, y), QPointF(mid - 8, y));
    painter.drawLine(QPointF(mid + 8, y), QPointF(mid + 110, y));
    painter.setPen(Qt::NoPen);
    painter.setBrush(WithAlpha(Gold, 200));
    painter.drawPolygon(QPolygonF(
        {QPointF(mid - 4, y), QPointF(mid, y - 4), QPointF(mid + 4, y), QPointF(mid, y + 4)}));
    painter.setBrush(Qt::NoBrush);

    painter.setFont(SubtitleFont());
    painter.setPen(QColor(0xC4, 0xC8, 0xEE, 210));
    painter.drawText(SubtitleBox, Qt::AlignHCenter | Qt::AlignVCenter, Subtitle);
}

QImage DrawBackground() {
    QImage image(Width, Height, QImage::Format_RGB32);
    QPainter painter(&image);
    DrawSky(painter);
    DrawStars(painter);
    DrawConstellations(painter);
    DrawPanels(painter);
    DrawWheel(painter);
    DrawTitle(painter);
    painter.end();
    return image.convertToFormat(QImage::Format_RGB888);
}

// Stand-ins for the controls and the labels, drawn roughly the way the window
// shows them, for the preview only.
QImage DrawPreview(const QImage& base) {
    QImage image = base.convertToFormat(QImage::Format_RGB32);
    QPainter painter(&image);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(15);
    font.setBold(true);
    painter.setFont(font);

    const auto field = [&](const QRect& box, const QString& text) {
        painter.fillRect(box, QColor(181, 173, 197));
        painter.setPen(QColor(0x60, 0x60, 0x70));
        painter.drawRect(box.adjusted(0, 0, -1, -1));
        painter.setPen(Qt::black);
        painter.drawText(box.adjusted(4, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
    };
    const auto button = [&](const QRect& box, const QString& text, bool enabled = true) {
        painter.fillRect(box, QColor(0xEF, 0xEF, 0xEF));
        painter.setPen(QColor(0x90, 0x90, 0x90));
        painter.drawRect(box.adjusted(0, 0, -1, -1));
        painter.setPen(enabled ? Qt::black : QColor(0xA0, 0xA0, 0xA0));
        painter.drawText(box, Qt::AlignCenter, text);
    };
    field(layout::Edit1, QString::fromUtf8("Иван"));
    field(layout::SpinEdit1, QStringLiteral("5"));
    field(layout::SpinEdit2, QStringLiteral("3"));
    field(layout::SpinEdit3, QStringLiteral("1990"));

    QFont labelFont(QString::fromUtf8(layout::FieldLabelFont));
    labelFont.setPointSize(layout::FieldLabelPointSize);
    painter.setFont(labelFont);
    const QFontMetrics metrics(labelFont);
    for (const layout::FieldLabel& label : layout::FieldLabels) {
        const QString text = QString::fromUtf8(label.Text);
        const QRect box(label.Left, layout::FieldLabelTop, metrics.horizontalAdvance(text),
                        metrics.height());
        painter.fillRect(box, Qt::black);
        painter.setPen(Qt::white);
        painter.drawText(box, Qt::AlignLeft | Qt::AlignTop, text);
    }

    painter.setFont(font);
    for (const layout::TopicButton& topic : layout::TopicButtons) {
        button(topic.Place, QString::fromUtf8(topic.Caption));
    }
    button(layout::Button14, QString::fromUtf8("Выход"));
    button(layout::BitBtn1, QString::fromUtf8("Зачем это мне?"));
    for (int k = 1; k <= 6; ++k) {
        button(layout::MonthButton(k), QString::fromUtf8("%1-й месяц").arg(k), false);
    }
    painter.end();
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    return RunPictureTool(argc, argv, "make_background", DrawBackground, DrawPreview);
}
