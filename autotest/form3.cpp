#include "autotest/form3.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QStyle>

#include "card/card.h"
#include "widgets/lamp.h"
#include "widgets/list_box.h"
#include "widgets/multi_line_text_box.h"
#include "widgets/navigation.h"
#include "widgets/picture_box.h"
#include "widgets/picture_files.h"
#include "widgets/screen.h"
#include "widgets/screen_reader.h"
#include "widgets/twips.h"
#include "widgets/wrap_button.h"

namespace {

const QString kDigitalHelp = QStringLiteral(
    "Se puede comprobar visualmente, cual es la conexion que \n"
    "falla. Cuando una salida esta activada, su entrada, debe \n"
    "estar desactivada, y al reves.\n");

const QString kAnalogHelp = QStringLiteral(
    "Se puede comprobar visualmente, si la entrada \n"
    "analogica falla. Al enviar una señal por uno de \n"
    "los canales, este debe encenderse y dar un \n"
    "valor de tension menor que +5 V\n");

constexpr int kRowTwips = 360;
constexpr qreal kSmallestPoints = 6.5;

// The longest line List1 ever gets: test 6's countdown.
const QString kLongestProgressLine = QStringLiteral("COMPROBANDO ESTABILIDAD. Tiempo restante: 9");

QLabel* caption(const QString& text, const QRect& geometry, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    return label;
}

// The cross marks an indicator, as a screen reader hears it: "Salida 3: marcada".
PictureBox* indicator(const QString& subject, int left, int row, QWidget* parent) {
    auto* box = new PictureBox(parent);
    box->setSignWords(subject, QStringLiteral("marcada"), QStringLiteral("sin marcar"));
    box->setGeometry(twipsRect(left, 240 + kRowTwips * row, 375, 375));
    return box;
}

// A text box that the program writes and the user only reads.
QPlainTextEdit* textBox(const QRect& geometry, QWidget* parent) {
    auto* box = new QPlainTextEdit(parent);
    box->setGeometry(geometry);
    box->setReadOnly(true);
    box->document()->setDocumentMargin(1);
    return box;
}

// One line of text: no wrapping and no scroll bars, so the box shows it like a line edit.
QPlainTextEdit* valueBox(const QRect& geometry, QWidget* parent) {
    auto* box = textBox(geometry, parent);
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return box;
}

// A list's longest line shows whole, without a scroll bar: a quarter point less where needed.
void fitLongestLine(ListBox* list, const QString& longest) {
    const int textMargin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
    const int room = list->contentsRect().width() - 2 * textMargin;
    QFont font = list->font();
    while (QFontMetrics(font).horizontalAdvance(longest) > room && font.pointSizeF() > kSmallestPoints)
        font.setPointSizeF(font.pointSizeF() - 0.25);
    list->setFont(font);
}

void setColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

}  // namespace

Form3::Form3(Card& card, Clock& clock, Navigation& navigation, QString programFolder)
    : card_(card), navigation_(navigation), programFolder_(std::move(programFolder)) {
    setWindowTitle(QStringLiteral("Control Automatico de la Tarjeta"));
    useDesignFont(this);
    setGeometry(twipsRect(2640, 1365, 10260, 8790));
    buildDigitalFrames();
    buildAnalogFrame();
    buildResults();
    buildButtons();
    buildTimers(clock);
}

// A window unloaded while a test waits is never touched by that test again.
Form3::~Form3() {
    giveUpRunningTick();
}

void Form3::buildDigitalFrames() {
    Frame1 = new QGroupBox(QStringLiteral("SALIDAS DIGITALES"), this);
    Frame1->setGeometry(twipsRect(360, 240, 1935, 3735));
    Frame2 = new QGroupBox(QStringLiteral("ENTRADAS DIGITALES"), this);
    Frame2->setGeometry(twipsRect(2400, 240, 2055, 3735));
    for (int k = 0; k < 8; ++k) {
        // The design numbers the captions from output 1 on; output 0's caption is the last element.
        const int element = k == 0 ? 7 : k - 1;
        const int top = 360 + kRowTwips * k;
        Picture1[k] = indicator(QStringLiteral("Salida %1").arg(k), 240, k, Frame1);
        Label2[element] = caption(QStringLiteral("Salida %1").arg(k), twipsRect(720, top, 975, 255), Frame1);
        Picture2[k] = indicator(QStringLiteral("Entrada %1").arg(k), 120, k, Frame2);
        Label1[element] = caption(QStringLiteral("Entrada %1").arg(k), twipsRect(600, top, 975, 255), Frame2);
    }

    Text1 = helpTextBox(kDigitalHelp, twipsRect(120, 4200, 4335, 735), this);
    Text1->setAccessibleName(QStringLiteral("Ayuda de las entradas digitales"));
}

void Form3::buildAnalogFrame() {
    Frame3 = new QGroupBox(QStringLiteral("ENTRADAS ANALOGICAS - Tension"), this);
    Frame3->setGeometry(twipsRect(240, 5280, 3495, 2175));
    Text3[0] = helpTextBox(kAnalogHelp, twipsRect(240, 7560, 3495, 975), this);
    Text3[0]->setAccessibleName(QStringLiteral("Ayuda de las entradas analógicas"));
    for (int input = 1; input <= 4; ++input) {
        const int top = 360 + kRowTwips * (input - 1);
        Shape3[input - 1] = new Lamp(Frame3);
        Shape3[input - 1]->setGeometry(twipsRect(360, top, 255, 255));
        Label1[12 - input] = caption(QStringLiteral("Entrada %1").arg(input), twipsRect(840, top, 975, 255), Frame3);
        Text3[input] = valueBox(twipsRect(1920, top, 1335, 285), Frame3);
        nameAnalogInput(input, Shape3[input - 1], Text3[input]);
    }
}

void Form3::buildResults() {
    Picture3 = new PictureBox(this);
    Picture3->setGeometry(twipsRect(5280, 360, 1695, 1125));
    setColour(Picture3, QPalette::Window, QColor(kTestLabelGreen));
    Picture3->setAutoFillBackground(true);
    Picture3->setBuiltInPicture(QPixmap(QString::fromLatin1(kTestLabelResource)));
    Picture3->setAccessibleName(QStringLiteral("TEST 1"));
    Picture3->setAccessibleDescription(QStringLiteral("Imagen del test en curso"));

    Text2[0] = textBox(twipsRect(7080, 360, 2895, 1095), this);
    QFont bold = font();
    bold.setBold(true);
    Text2[0]->setFont(bold);
    setColour(Text2[0], QPalette::Base, QColor(255, 255, 192));
    Text2[0]->setAccessibleName(QStringLiteral("Descripción del test en curso"));

    Label3 = caption(QStringLiteral("RESULTADOS"), twipsRect(6480, 1680, 2415, 375), this);
    QFont heading = font();
    heading.setPointSize(18);
    Label3->setFont(heading);

    List1 = new ListBox(this);
    List1->setGeometry(twipsRect(5520, 2280, 4215, 2010));
    fitLongestLine(List1, kLongestProgressLine);
    List1->setAccessibleName(QStringLiteral("Resultados del test"));
    List2 = new ListBox(this);
    List2->setGeometry(twipsRect(5520, 4320, 4215, 1815));
    List2->setAccessibleName(QStringLiteral("Resultado de la comprobación"));
    // A screen reader reads each verdict out as it comes, as a sighted user sees it appear.
    connect(List2, &ListBox::lineAdded, this, [this](const QString& line) { announce(List2, line); });
}

void Form3::buildButtons() {
    Command3 = new WrapButton(QStringLiteral(" INICIAR     TEST "), this);
    Command3->setGeometry(twipsRect(5640, 6600, 1695, 975));
    QFont large = font();
    large.setPointSize(18);
    Command3->setFont(large);
    Command7 = new WrapButton(QStringLiteral("INICIAR TEST ANALOGICO"), this);
    Command7->setGeometry(twipsRect(5640, 7800, 1695, 495));
    Command2 = new WrapButton(QStringLiteral("VOLVER AL MENU ANTERIOR"), this);
    Command2->setGeometry(twipsRect(8040, 6600, 1455, 735));
    Salir = new WrapButton(QStringLiteral("SALIR DEL PROGRAMA"), this);
    Salir->setGeometry(twipsRect(8040, 7560, 1455, 735));

    // Salir comes first in the tab order, so it has the focus when the window opens. From there Tab
    // reads the window top to bottom, the left column before the right one.
    const std::array<QWidget*, 13> tabOrder{Salir,    Text1, Text3[1], Text3[2], Text3[3], Text3[4], Text3[0],
                                            Text2[0], List1, List2,    Command3, Command7, Command2};
    for (std::size_t i = 1; i < tabOrder.size(); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);
    Salir->setFocus();

    connect(Command3, &QPushButton::clicked, this, &Form3::Command3_Click);
    connect(Command7, &QPushButton::clicked, this, &Form3::Command7_Click);
    connect(Command2, &QPushButton::clicked, this, &Form3::Command2_Click);
    connect(Salir, &QPushButton::clicked, this, &Form3::Salir_Click);
}

void Form3::buildTimers(Clock& clock) {
    const std::array<std::pair<int, Task<> (Form3::*)()>, 6> design{{{500, &Form3::Timer1_Timer},
                                                                     {500, &Form3::Timer2_Timer},
                                                                     {50, &Form3::Timer3_Timer},
                                                                     {500, &Form3::Timer4_Timer},
                                                                     {500, &Form3::Timer5_Timer},
                                                                     {100, &Form3::Timer6_Timer}}};
    std::array<TickTimer*, 6> timers{};
    for (std::size_t i = 0; i < design.size(); ++i) {
        const auto tick = design[i].second;
        timers[i] = new TickTimer(
            clock, design[i].first, [this, tick] { return (this->*tick)(); }, this);
        // After every tick, a look whether it was the last one of the sequence.
        connect(timers[i], &TickTimer::tickEnded, this, &Form3::checkSequenceEnded);
        connect(timers[i], &TickTimer::started, this, [this, test = int(i) + 1] { emit testStarted(test); });
    }
    Timer1 = timers[0];
    Timer2 = timers[1];
    Timer3 = timers[2];
    Timer4 = timers[3];
    Timer5 = timers[4];
    Timer6 = timers[5];
}

std::array<TickTimer*, 6> Form3::testTimers() const {
    return {Timer1, Timer2, Timer3, Timer4, Timer5, Timer6};
}

void Form3::giveUpRunningTick() {
    for (TickTimer* timer : testTimers()) timer->giveUp();
}

void Form3::checkSequenceEnded() {
    for (TickTimer* timer : testTimers())
        if (timer->isActive()) return;
    emit sequenceEnded(cardWorks_);
}

void Form3::Form_Load() {
    TestStep = 0;
    TestRound = 0;
    List1->Clear();
    List2->Clear();
}

void Form3::Command3_Click() {
    cardWorks_ = false;
    emit sequenceStarted(1);
    giveUpRunningTick();
    Timer2->stop();
    Timer3->stop();
    Timer4->stop();
    Timer5->stop();
    Timer6->stop();
    Timer1->start();
    TestStep = 0;
    TestRound = 0;
    List1->Clear();
    List2->Clear();
}

void Form3::Command7_Click() {
    cardWorks_ = false;
    emit sequenceStarted(6);
    giveUpRunningTick();
    Timer1->stop();
    Timer2->stop();
    Timer3->stop();
    Timer4->stop();
    Timer5->stop();
    Timer6->start();
    TestStep = 0;
    TestRound = 0;
    List1->Clear();
    List2->Clear();
}

void Form3::Command2_Click() {
    // The digital tests stop before the outputs go off, so no step can switch a relay on again.
    giveUpRunningTick();
    Timer2->stop();
    Timer3->stop();
    Timer4->stop();
    Timer5->stop();
    Timer1->stop();
    card_.WriteOutputs(0);
    hide();
    setEnabled(false);
    navigation_.showMenu();
    navigation_.unload(this);
}

void Form3::Salir_Click() {
    giveUpRunningTick();
    card_.WriteOutputs(0);
    navigation_.endProgram();
}

// Escape is a way back to the menu as "VOLVER AL MENU ANTERIOR" is.
void Form3::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Cancel))
        Command2_Click();
    else
        QWidget::keyPressEvent(event);
}

// Closing the window's frame is a way back to the menu like any other: tests stopped, relays off.
void Form3::closeEvent(QCloseEvent* event) {
    event->ignore();
    Command2_Click();
}

// The description is written again only when it changes: laying the same text out anew every tick
// would hold up the next port operation by a third of a millisecond.
void Form3::showTest(const QString& description, int test) {
    if (Text2[0]->toPlainText() != description) Text2[0]->setPlainText(description);
    Picture3->LoadPicture(picturePath(testPictureFile(test)));
    const QString shown = QStringLiteral("TEST %1").arg(test);
    if (Picture3->accessibleName() != shown) Picture3->setAccessibleName(shown);
}

void Form3::addErrorPair() {
    List2->AddItem(QStringLiteral("SE HA PRODUCIDO UN ERROR"));
    List2->AddItem(QStringLiteral("COMPRUEBE LAS CONEXIONES"));
}
