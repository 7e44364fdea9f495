#include "assets/wiring_picture.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "assets/pictures.h"
#include "record/wording.h"

namespace {

// Layout, in pixels. Outputs sit along the bottom edge under their relays, inputs along the right
// edge, so the eight wires can run nested round the bottom right corner without crossing.
const QRectF kBoard(55, 58, 360, 234);
constexpr double kPitch = 22;          // terminal spacing
constexpr double kTerminalDepth = 30;  // terminal block, from wire entry to back
constexpr double kOutputX0 = 210;      // centre of output terminal 0
constexpr double kOutputEntryY = 294;  // the output block's wire side, just over the board edge
constexpr double kInputY0 = 84;        // centre of input terminal 0
constexpr double kInputEntryX = 417;   // the input block's wire side
constexpr double kAnalogY0 = 150;      // centre of the +5v terminal
constexpr double kAnalogEntryX = 53;   // the analog block's wire side
constexpr double kWireGap = 12;        // between neighbouring wires round the corner
constexpr double kWireCornerRadius = 7;

const QColor kBackground(238, 240, 236);
const QColor kBoardGreen(38, 122, 72);
const QColor kBoardEdge(16, 66, 36);
const QColor kTrace(70, 155, 100);
const QColor kSilk(245, 245, 235);
const QColor kTerminalBlue(52, 128, 210);
const QColor kCaption(30, 30, 30);
const QColor kArrow(180, 24, 24);

// Wire colours of the usual colour code: 0 black, 1 brown, 2 red ... 7 violet.
const std::array<QColor, 8> kWireColours = {
    QColor(35, 35, 35),   QColor(130, 72, 28), QColor(215, 30, 30), QColor(245, 135, 20),
    QColor(240, 205, 25), QColor(40, 165, 60), QColor(40, 90, 215), QColor(145, 60, 195),
};

QFont pixelFont(int pixels, bool bold = false) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

double outputX(int n) {
    return kOutputX0 + kPitch * n;
}
double inputY(int n) {
    return kInputY0 + kPitch * n;
}
double analogY(int k) {
    return kAnalogY0 + kPitch * k;
}

void drawBoard(QPainter& painter) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 40));
    painter.drawRoundedRect(kBoard.translated(4, 5), 9, 9);
    painter.setPen(QPen(kBoardEdge, 2));
    painter.setBrush(kBoardGreen);
    painter.drawRoundedRect(kBoard, 9, 9);

    painter.setPen(QPen(kBoardEdge, 1.5));
    painter.setBrush(QColor(225, 200, 120));
    for (const QPointF centre : {QPointF(67, 70), QPointF(67, 280), QPointF(403, 280)}) {
        painter.drawEllipse(centre, 5, 5);
    }
    painter.setBrush(kBackground);
    for (const QPointF centre : {QPointF(67, 70), QPointF(67, 280), QPointF(403, 280)}) {
        painter.drawEllipse(centre, 2.5, 2.5);
    }
}

// A few copper tracks under the solder mask: the port's lines from the connector down to the
// chips, and the driver's outputs fanning out to the relays.
void drawTraces(QPainter& painter) {
    painter.setPen(QPen(kTrace, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (int pin = 4; pin < 10; ++pin) {
        const double x = 124 + 8 * pin;
        painter.drawLine(QPointF(x, 70), QPointF(x, 120));
    }
    for (int pin = 1; pin < 7; ++pin) {
        const double x = 232 + 7.75 * (pin + 0.5);
        painter.drawLine(QPointF(x, 70), QPointF(x, 120));
    }
    for (int pin = 0; pin < 3; ++pin) {
        const double x = 310 + 8 * pin;
        painter.drawLine(QPointF(x, 70), QPointF(x, 120));
    }
    for (int n = 0; n < 8; ++n) painter.drawLine(QPointF(224 + 8 * n, 190), QPointF(outputX(n), 205));
}

// The 25-pin D connector to the PC's parallel port, on the top edge.
void drawConnector(QPainter& painter) {
    const QRectF shell(150, 36, 180, 34);
    painter.setPen(QPen(QColor(90, 90, 100), 1.5));
    painter.setBrush(QColor(196, 198, 205));
    painter.drawRoundedRect(shell, 3, 3);
    for (const double x : {shell.left() + 13, shell.right() - 13}) {
        painter.setBrush(QColor(150, 150, 160));
        painter.drawEllipse(QPointF(x, shell.center().y()), 6.5, 6.5);
        painter.setBrush(QColor(60, 60, 70));
        painter.drawEllipse(QPointF(x, shell.center().y()), 2.5, 2.5);
    }

    const double top = shell.top() + 6;
    const double bottom = shell.bottom() - 6;
    QPainterPath face;
    face.moveTo(172, top);
    face.lineTo(308, top);
    face.lineTo(302, bottom);
    face.lineTo(178, bottom);
    face.closeSubpath();
    painter.setPen(QPen(QColor(70, 70, 80), 1.5));
    painter.setBrush(QColor(45, 45, 52));
    painter.drawPath(face);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(230, 190, 70));
    for (int pin = 0; pin < 13; ++pin) painter.drawEllipse(QPointF(182 + 9.7 * pin, top + 6), 2.2, 2.2);
    for (int pin = 0; pin < 12; ++pin) painter.drawEllipse(QPointF(187 + 9.7 * pin, bottom - 6), 2.2, 2.2);

    painter.setFont(pixelFont(9, true));
    painter.setPen(kSilk);
    painter.drawText(QRectF(74, 60, 72, 14), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("LPT1 (DB-25)"));
}

// A dual-in-line chip lying left to right, with what it does on the card printed on it.
void drawChip(QPainter& painter, const QRectF& body, int pinsPerSide, const QString& role) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(200, 200, 205));
    const double step = body.width() / pinsPerSide;
    for (int pin = 0; pin < pinsPerSide; ++pin) {
        const double x = body.left() + step * (pin + 0.5) - 1.5;
        painter.drawRect(QRectF(x, body.top() - 4, 3, 4));
        painter.drawRect(QRectF(x, body.bottom(), 3, 4));
    }
    painter.setPen(QPen(QColor(10, 10, 10), 1));
    painter.setBrush(QColor(34, 34, 38));
    painter.drawRect(body);
    painter.setBrush(QColor(70, 70, 76));
    painter.setPen(Qt::NoPen);
    painter.drawPie(QRectF(body.left() - 4, body.center().y() - 4, 8, 8), 90 * 16, -180 * 16);
    painter.drawEllipse(QPointF(body.left() + 6, body.bottom() - 5), 1.6, 1.6);
    // Clear of the notch: the largest font up to 8 pixels that fits.
    const QRectF label = body.adjusted(5, 0, -2, 0);
    int pixels = 8;
    while (pixels > 6 &&
           QFontMetricsF(pixelFont(pixels)).boundingRect(label, Qt::AlignCenter, role).width() > label.width())
        --pixels;
    painter.setFont(pixelFont(pixels));
    painter.setPen(QColor(215, 215, 215));
    painter.drawText(label, Qt::AlignCenter, role);
}

void drawChips(QPainter& painter) {
    drawChip(painter, QRectF(120, 124, 80, 22), 10, QStringLiteral("LATCH DE\nSALIDAS"));
    drawChip(painter, QRectF(232, 124, 62, 22), 8, QStringLiteral("MULTIPLEXOR"));
    drawChip(painter, QRectF(306, 124, 56, 22), 7, QStringLiteral("BUFFER DE\nENTRADAS"));
    drawChip(painter, QRectF(124, 188, 62, 22), 7, QStringLiteral("CONVERSOR\nA/D"));
    drawChip(painter, QRectF(220, 164, 72, 22), 9, QStringLiteral("DRIVER DE\nRELÉS"));
}

// Small parts that make the board look like a board: a regulator, a capacitor and the power lamp.
void drawSmallParts(QPainter& painter) {
    painter.setPen(QPen(QColor(20, 20, 20), 1));
    painter.setBrush(QColor(40, 40, 44));
    painter.drawRect(QRectF(318, 168, 24, 14));
    painter.setBrush(QColor(190, 190, 196));
    painter.drawRect(QRectF(318, 160, 24, 8));
    painter.setFont(pixelFont(8));
    painter.setPen(QColor(215, 215, 215));
    painter.drawText(QRectF(318, 168, 24, 14), Qt::AlignCenter, QStringLiteral("5 V"));
    painter.setFont(pixelFont(8, true));
    painter.setPen(kSilk);
    painter.drawText(QRectF(300, 183, 60, 10), Qt::AlignCenter, QStringLiteral("REGULADOR"));

    painter.setPen(QPen(QColor(20, 20, 60), 1));
    painter.setBrush(QColor(40, 60, 150));
    painter.drawEllipse(QPointF(100, 100), 11, 11);
    painter.setBrush(QColor(170, 185, 225));
    painter.drawPie(QRectF(89, 89, 22, 22), 60 * 16, 60 * 16);

    painter.setPen(QPen(QColor(120, 0, 0), 1));
    painter.setBrush(QColor(235, 40, 40));
    painter.drawEllipse(QPointF(358, 166), 4.5, 4.5);
    painter.setFont(pixelFont(8, true));
    painter.setPen(kSilk);
    painter.drawText(QRectF(346, 173, 24, 10), Qt::AlignCenter, QStringLiteral("ON"));
}

void drawRelays(QPainter& painter) {
    for (int n = 0; n < 8; ++n) {
        const QRectF body(outputX(n) - 9.5, 205, 19, 36);
        painter.setPen(QPen(QColor(10, 20, 50), 1));
        painter.setBrush(QColor(30, 60, 140));
        painter.drawRoundedRect(body, 2, 2);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255, 45));
        painter.drawRect(QRectF(body.left() + 2, body.top() + 2, body.width() - 4, 5));
        painter.setBrush(QColor(235, 235, 235));
        painter.drawRect(QRectF(body.left() + 4, body.top() + 14, body.width() - 8, 9));
    }
    painter.setFont(pixelFont(9, true));
    painter.setPen(kSilk);
    painter.drawText(QRectF(130, 224, 66, 14), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("RELÉS"));
}

// One screw terminal: a cell of the block with its screw, the wire opening towards `entry`.
void drawScrew(QPainter& painter, const QPointF& centre) {
    painter.setPen(QPen(QColor(90, 90, 95), 1));
    painter.setBrush(QColor(215, 215, 220));
    painter.drawEllipse(centre, 5.5, 5.5);
    painter.setPen(QPen(QColor(80, 80, 85), 1.6));
    painter.drawLine(centre + QPointF(-3.5, 3.5), centre + QPointF(3.5, -3.5));
}

// A strip of `count` terminals. `cells` gives the block's outline; `along` is the step from one
// terminal to the next; `opening` places each wire opening from the terminal's screw.
void drawTerminalBlock(QPainter& painter, const QRectF& cells, int count, const QPointF& first, const QPointF& along,
                       const QPointF& opening) {
    painter.setPen(QPen(QColor(20, 60, 110), 1.5));
    painter.setBrush(kTerminalBlue);
    painter.drawRoundedRect(cells, 2, 2);
    for (int i = 0; i < count; ++i) {
        const QPointF screw = first + along * i;
        if (i > 0) {
            painter.setPen(QPen(QColor(25, 75, 140), 1));
            const QPointF border = screw - along / 2;
            if (along.x() != 0) {
                painter.drawLine(QPointF(border.x(), cells.top() + 2), QPointF(border.x(), cells.bottom() - 2));
            } else {
                painter.drawLine(QPointF(cells.left() + 2, border.y()), QPointF(cells.right() - 2, border.y()));
            }
        }
        drawScrew(painter, screw);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(15, 35, 70));
        const QPointF hole = screw + opening;
        painter.drawRect(QRectF(hole.x() - 4, hole.y() - 4, 8, 8));
    }
}

void drawTerminalBlocks(QPainter& painter) {
    const double half = kPitch / 2;
    drawTerminalBlock(painter, QRectF(outputX(0) - half, kOutputEntryY - kTerminalDepth, kPitch * 8, kTerminalDepth), 8,
                      QPointF(outputX(0), kOutputEntryY - 18), QPointF(kPitch, 0), QPointF(0, 12));
    drawTerminalBlock(painter, QRectF(kInputEntryX - kTerminalDepth, inputY(0) - half, kTerminalDepth, kPitch * 8), 8,
                      QPointF(kInputEntryX - 18, inputY(0)), QPointF(0, kPitch), QPointF(12, 0));
    drawTerminalBlock(painter, QRectF(kAnalogEntryX, analogY(0) - half, kTerminalDepth, kPitch * 5), 5,
                      QPointF(kAnalogEntryX + 18, analogY(0)), QPointF(0, kPitch), QPointF(-12, 0));
}

// The terminal numbers printed beside each block.
void drawTerminalMarks(QPainter& painter) {
    painter.setFont(pixelFont(11, true));
    painter.setPen(kSilk);
    const double half = kPitch / 2;
    for (int n = 0; n < 8; ++n) {
        painter.drawText(QRectF(outputX(n) - half, 242, kPitch, 20), Qt::AlignCenter, QString::number(n));
        painter.drawText(QRectF(kInputEntryX - kTerminalDepth - 18, inputY(n) - half, 16, kPitch),
                         Qt::AlignRight | Qt::AlignVCenter, QString::number(n));
    }
    const std::array<QString, 5> analogMarks = {QStringLiteral("+5v"), QStringLiteral("1"), QStringLiteral("2"),
                                                QStringLiteral("3"), QStringLiteral("4")};
    for (int k = 0; k < 5; ++k) {
        painter.drawText(QRectF(kAnalogEntryX + kTerminalDepth + 3, analogY(k) - half, 30, kPitch),
                         Qt::AlignLeft | Qt::AlignVCenter, analogMarks[k]);
    }
    painter.setFont(pixelFont(9, true));
    painter.drawText(QRectF(100, 262, 96, 24), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("TARJETA DE\nCONTROL"));
}

// A wire drawn over a darker edge so that light colours stand out from the paper and the board.
void drawWire(QPainter& painter, const QPainterPath& path, const QColor& colour) {
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(colour.darker(260), 6.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
    painter.setPen(QPen(colour, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
}

// Wire n leaves output n downwards, turns round the board's corner in lane n and enters input n
// from the right; lane 7 runs innermost, lane 0 outermost. A crossed wire keeps its output's lane
// and enters another input.
QPainterPath wirePath(int output, int input) {
    const double r = kWireCornerRadius;
    const double x0 = outputX(output);
    const double turnY = kOutputEntryY + 10 + kWireGap * (7 - output);
    const double turnX = kInputEntryX + 11 + kWireGap * (7 - output);
    const double y1 = inputY(input);
    QPainterPath path(QPointF(x0, kOutputEntryY - 6));
    path.lineTo(x0, turnY - r);
    path.quadTo(x0, turnY, x0 + r, turnY);
    path.lineTo(turnX - r, turnY);
    path.quadTo(turnX, turnY, turnX, turnY - r);
    path.lineTo(turnX, y1 + r);
    path.quadTo(turnX, y1, turnX - r, y1);
    path.lineTo(kInputEntryX - 6, y1);
    return path;
}

void drawOutputToInputWires(QPainter& painter) {
    for (int n = 7; n >= 0; --n) drawWire(painter, wirePath(n, n), kWireColours[n]);
}

// Short jumpers on the left: +5v to 1, 1 to 2, 2 to 3 and 3 to 4. Analog input k is fed by jumper k.
QPainterPath jumperPath(int analogInput) {
    const double x = kAnalogEntryX + 6;
    const double y0 = analogY(analogInput - 1);
    const double y1 = analogY(analogInput);
    QPainterPath path(QPointF(x, y0));
    path.cubicTo(QPointF(x - 26, y0), QPointF(x - 26, y1), QPointF(x, y1));
    return path;
}

void drawAnalogJumpers(QPainter& painter) {
    for (int k = 1; k <= 4; ++k) drawWire(painter, jumperPath(k), QColor(215, 30, 30));
}

void drawArrow(QPainter& painter, const QPainterPath& shaft) {
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kArrow, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(shaft);

    const QPointF tip = shaft.pointAtPercent(1);
    const double angle = shaft.angleAtPercent(1) * std::numbers::pi / 180;
    const QPointF back(-std::cos(angle), std::sin(angle));  // path angles count counter-clockwise
    const QPointF side(back.y(), -back.x());
    QPolygonF head({tip, tip + back * 12 + side * 5.5, tip + back * 12 - side * 5.5});
    painter.setPen(QPen(kArrow, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(kArrow);
    painter.drawPolygon(head);
}

void drawCaption(QPainter& painter, const QRectF& box, Qt::Alignment alignment, const QString& text) {
    painter.setFont(pixelFont(14, true));
    painter.setPen(kCaption);
    painter.drawText(box, alignment | Qt::AlignVCenter, text);
}

void drawCaptions(QPainter& painter) {
    drawCaption(painter, QRectF(8, 6, 200, 20), Qt::AlignLeft, QStringLiteral("Entradas Analógicas"));
    QPainterPath analog(QPointF(30, 30));
    analog.cubicTo(QPointF(30, 80), QPointF(30, 110), QPointF(36, 138));
    drawArrow(painter, analog);

    drawCaption(painter, QRectF(335, 6, 200, 20), Qt::AlignRight, QStringLiteral("Entradas Digitales"));
    QPainterPath inputs(QPointF(480, 30));
    inputs.cubicTo(QPointF(470, 50), QPointF(450, 62), QPointF(422, 68));
    drawArrow(painter, inputs);

    drawCaption(painter, QRectF(12, 388, 200, 20), Qt::AlignLeft, QStringLiteral("Salidas Digitales"));
    QPainterPath outputs(QPointF(150, 384));
    outputs.cubicTo(QPointF(175, 360), QPointF(190, 330), QPointF(198, 302));
    drawArrow(painter, outputs);
}

// The marked picture's colours. Each mark has a shape or words of its own as well.
const QColor kWorks(30, 160, 70);
const QColor kBroken(210, 30, 30);
const QColor kMarkInk(150, 0, 0);
const QColor kCrossed(235, 130, 0);
const QColor kUnchecked(145, 145, 145);

// The legend's strip, under the wires and right of the outputs' caption.
const QRectF kLegend(204, 393, 336, 28);

// Never checked: thin, grey and dashed, plainly not a wire the check vouches for.
void drawUncheckedWire(QPainter& painter, const QPainterPath& path) {
    QPen pen(kUnchecked, 3, Qt::CustomDashLine, Qt::FlatCap, Qt::RoundJoin);
    pen.setDashPattern({2.5, 1.5});
    painter.setBrush(Qt::NoBrush);
    painter.setPen(pen);
    painter.drawPath(path);
}

// A wire that crosses others passes over them with a gap either side, as a drawing of wires shows a
// crossing, so that it does not read as a joint. The gap is cut off the board only.
void drawCrossingWire(QPainter& painter, const QPainterPath& path, const QColor& colour) {
    QPainterPath offBoard;
    offBoard.addRect(QRectF(QPointF(0, 0), kWiringPictureSize));
    QPainterPath board;
    board.addRoundedRect(kBoard, 9, 9);
    painter.save();
    painter.setClipPath(offBoard.subtracted(board));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kBackground, 11, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
    painter.drawPath(path);
    painter.restore();
    drawWire(painter, path, colour);
}

void drawMarkedWire(QPainter& painter, const QPainterPath& path, WireState state) {
    switch (state) {
        case WireState::Unchecked:
            drawUncheckedWire(painter, path);
            break;
        case WireState::Works:
            drawWire(painter, path, kWorks);
            break;
        case WireState::Broken:
            drawWire(painter, path, kBroken);
            break;
        case WireState::Crossed:
            drawCrossingWire(painter, path, kCrossed);
            break;
    }
}

// A dark cross in a white disc: it stays a cross in grey and to eyes that see no red.
void drawCrossMark(QPainter& painter, const QPointF& centre, double radius) {
    painter.setPen(QPen(kMarkInk, 1.5));
    painter.setBrush(Qt::white);
    painter.drawEllipse(centre, radius, radius);
    const double arm = radius * 0.5;
    painter.setPen(QPen(kMarkInk, radius / 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre + QPointF(-arm, -arm), centre + QPointF(arm, arm));
    painter.drawLine(centre + QPointF(-arm, arm), centre + QPointF(arm, -arm));
}

// A crossed wire carries a sleeve with the output it comes from, "S3", as an electrician marks one.
void drawWireTag(QPainter& painter, const QPointF& centre, const QString& text) {
    const QRectF box(centre.x() - 12, centre.y() - 8, 24, 16);
    painter.setPen(QPen(kCrossed.darker(180), 2));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(box, 3, 3);
    painter.setFont(pixelFont(11, true));
    painter.setPen(kCaption);
    painter.drawText(box, Qt::AlignCenter, text);
}

int landing(const WireMark& wire, int output) {
    return wire.state == WireState::Crossed && wire.input >= 0 && wire.input < 8 ? wire.input : output;
}

// Layer by layer, so that a plain wire never covers a marked one and crossed wires lie on top.
void drawMarkedWires(QPainter& painter, const std::array<WireMark, 8>& wires) {
    for (const WireState layer : {WireState::Unchecked, WireState::Works, WireState::Broken, WireState::Crossed}) {
        for (int n = 7; n >= 0; --n)
            if (wires[n].state == layer) drawMarkedWire(painter, wirePath(n, landing(wires[n], n)), layer);
    }
    for (int n = 0; n < 8; ++n) {
        if (wires[n].state == WireState::Broken) drawCrossMark(painter, wireMarkCentre(n), kWireMarkRadius);
        if (wires[n].state == WireState::Crossed)
            drawWireTag(painter, wireMarkCentre(landing(wires[n], n)), QStringLiteral("S%1").arg(n));
    }
}

void drawVoltsLabel(QPainter& painter, const QRectF& box, const QString& text) {
    painter.setPen(QPen(kMarkInk, 2));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(box, 3, 3);
    painter.setFont(pixelFont(11, true));
    painter.setPen(kCaption);
    painter.drawText(box, Qt::AlignCenter, text);
}

void drawMarkedJumpers(QPainter& painter, const std::array<AnalogMark, 4>& analog) {
    for (int k = 1; k <= 4; ++k) {
        switch (analog[k - 1].state) {
            case AnalogState::Unchecked:
                drawUncheckedWire(painter, jumperPath(k));
                break;
            case AnalogState::InRange:
                drawWire(painter, jumperPath(k), kWorks);
                break;
            case AnalogState::OutOfRange:
                drawWire(painter, jumperPath(k), kBroken);
                break;
        }
    }
    for (int k = 1; k <= 4; ++k)
        if (analog[k - 1].state == AnalogState::OutOfRange)
            drawVoltsLabel(painter, voltsLabelBox(k), voltsLabel(analog[k - 1].volts));
}

// A card that does not answer is greyed out under its wires...
void greyOutCard(QPainter& painter) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 140));
    painter.drawRoundedRect(kBoard, 9, 9);
}

// ...and over everything the cable to the computer is crossed, with words that send the reader to
// the cable and the power rather than to a wire.
void drawSilentCard(QPainter& painter) {
    const QPointF plug(240, 36);
    painter.setPen(QPen(QColor(40, 40, 45), 9, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(plug, QPointF(plug.x(), 0));
    painter.setPen(QPen(QColor(120, 120, 128), 5, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(plug, QPointF(plug.x(), 0));
    drawCrossMark(painter, cableMarkCentre(), kWireMarkRadius + 2);

    const QRectF banner(kBoard.center().x() - 150, 148, 300, 58);
    painter.setPen(QPen(kMarkInk, 3));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(banner, 5, 5);
    painter.setPen(kCaption);
    painter.setFont(pixelFont(16, true));
    painter.drawText(banner.adjusted(6, 6, -6, -28), Qt::AlignCenter, silentCardWords().toUpper());
    painter.setFont(pixelFont(13));
    painter.drawText(banner.adjusted(6, 30, -6, -6), Qt::AlignCenter, capitalised(silentCardShortAdvice()));
}

// One entry of the legend: its symbol drawn centred on a point, and what it means.
struct LegendEntry {
    void (*symbol)(QPainter&, const QPointF&);
    QString words;
};

void legendCross(QPainter& painter, const QPointF& centre) {
    drawCrossMark(painter, centre, 7);
}
void legendTag(QPainter& painter, const QPointF& centre) {
    drawWireTag(painter, centre, QStringLiteral("Sn"));
}
void legendVolts(QPainter& painter, const QPointF& centre) {
    drawVoltsLabel(painter, QRectF(centre.x() - 11, centre.y() - 7, 22, 14), QStringLiteral("V"));
}
void legendUnchecked(QPainter& painter, const QPointF& centre) {
    QPainterPath line(centre - QPointF(10, 0));
    line.lineTo(centre + QPointF(10, 0));
    drawUncheckedWire(painter, line);
}

QList<LegendEntry> legendEntries(const WiringMarks& marks) {
    const auto anyWire = [&](WireState state) {
        return std::any_of(marks.wires.begin(), marks.wires.end(), [&](const WireMark& w) { return w.state == state; });
    };
    const auto anyAnalog = [&](AnalogState state) {
        return std::any_of(marks.analog.begin(), marks.analog.end(),
                           [&](const AnalogMark& a) { return a.state == state; });
    };
    QList<LegendEntry> entries;
    if (anyWire(WireState::Broken)) entries << LegendEntry{legendCross, QStringLiteral("no responde a su salida")};
    if (anyWire(WireState::Crossed)) entries << LegendEntry{legendTag, QStringLiteral("cruzado: viene de la salida n")};
    if (anyAnalog(AnalogState::OutOfRange)) entries << LegendEntry{legendVolts, QStringLiteral("fuera de rango")};
    if (anyWire(WireState::Unchecked) || anyAnalog(AnalogState::Unchecked))
        entries << LegendEntry{legendUnchecked, marks.interrupted
                                                    ? QStringLiteral("sin comprobar (comprobación interrumpida)")
                                                    : QStringLiteral("sin comprobar")};
    return entries;
}

// The legend names only the marks the picture has, one after the other, on a second row if need be.
void drawLegend(QPainter& painter, const WiringMarks& marks) {
    const QList<LegendEntry> entries = legendEntries(marks);
    const QFont font = pixelFont(11, true);
    const QFontMetricsF metrics(font);
    constexpr double kSymbolWidth = 26;
    constexpr double kRowHeight = 14;
    QList<QPointF> places;  // each entry's left end, on its row's middle line
    QPointF place(kLegend.left(), 0);
    for (const LegendEntry& entry : entries) {
        const double width = kSymbolWidth + metrics.horizontalAdvance(entry.words);
        if (place.x() + width > kLegend.right() && place.x() > kLegend.left())
            place = QPointF(kLegend.left(), place.y() + kRowHeight);
        places << place;
        place.rx() += width + 14;
    }
    const double top = kLegend.center().y() - place.y() / 2;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QPointF at = places[i] + QPointF(0, top);
        entries[i].symbol(painter, at + QPointF(kSymbolWidth / 2 - 2, 0));
        painter.setFont(font);
        painter.setPen(kCaption);
        painter.drawText(QRectF(at.x() + kSymbolWidth, at.y() - kRowHeight / 2, kLegend.width(), kRowHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, entries[i].words);
    }
}

QImage blankPicture() {
    QImage image(kWiringPictureSize, QImage::Format_RGB32);
    image.fill(kBackground);
    return image;
}

void startPainting(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
}

// The card itself with its printing, the same in every picture.
void drawCard(QPainter& painter) {
    drawBoard(painter);
    drawTraces(painter);
    drawConnector(painter);
    drawChips(painter);
    drawSmallParts(painter);
    drawRelays(painter);
    drawTerminalBlocks(painter);
    drawTerminalMarks(painter);
}

QList<QPointF> pointsAlong(const QPainterPath& path) {
    const int intervals = std::max(1, static_cast<int>(std::ceil(path.length() / 2)));
    QList<QPointF> points;
    for (int i = 0; i <= intervals; ++i) points << path.pointAtPercent(static_cast<double>(i) / intervals);
    return points;
}

}  // namespace

QImage drawWiringPicture() {
    QImage image = blankPicture();
    QPainter painter(&image);
    startPainting(painter);
    drawCard(painter);
    drawOutputToInputWires(painter);
    drawAnalogJumpers(painter);
    drawCaptions(painter);
    return image;
}

QImage drawWiringPicture(const WiringMarks& marks) {
    QImage image = blankPicture();
    QPainter painter(&image);
    startPainting(painter);
    drawCard(painter);
    if (marks.cardSilent) greyOutCard(painter);
    drawMarkedWires(painter, marks.wires);
    drawMarkedJumpers(painter, marks.analog);
    drawCaptions(painter);
    drawLegend(painter, marks);
    if (marks.cardSilent) drawSilentCard(painter);
    return image;
}

QList<QPointF> wirePoints(int output, int input) {
    return pointsAlong(wirePath(output, input));
}

QList<QPointF> jumperPoints(int analogInput) {
    return pointsAlong(jumperPath(analogInput));
}

QPointF wireMarkCentre(int input) {
    return QPointF(kInputEntryX + 8, inputY(input));
}

QRectF voltsLabelBox(int analogInput) {
    return QRectF(98, analogY(analogInput) - 9, 54, 18);
}

QPointF cableMarkCentre() {
    return QPointF(240, 18);
}
