#include "app/form1.h"

#include <QCloseEvent>
#include <QPixmap>
#include <QPlainTextEdit>

#include "app/navigator.h"
#include "assets/pictures.h"
#include "autotest/form3.h"
#include "manual/form2.h"
#include "widgets/multi_line_text_box.h"
#include "widgets/picture_box.h"
#include "widgets/screen.h"
#include "widgets/twips.h"
#include "widgets/wrap_button.h"

namespace {

const QString kWiringText = QStringLiteral(
    "REALIZAR LAS SIGUIENTES CONEXIONES:  Conectar 8 cablecillos de las SALIDAS DIGITALES a las entradas \n"
    "digitales, de forma que la salida 0 corresponda con la entrada digital 0, la 1 con la 1, y asi  sucesivamente. \n"
    "Interconectar las ENTRADAS ANALOGICAS, de manera que la salida de +5V se conecta a la entrada analogica \n"
    "1, la 1 con la 2 y asi hasta la 4.\n");

// The picture's wiring, told in one sentence to whoever cannot see it.
const QString kWiringDescription = QStringLiteral(
    "Cada salida digital, de la 0 a la 7, va a la entrada digital del mismo número; el terminal +5 V va "
    "a la entrada analógica 1, la 1 a la 2, la 2 a la 3 y la 3 a la 4.");

}  // namespace

Form1::Form1(Navigator& navigator) : navigator_(navigator) {
    setWindowTitle(QStringLiteral("PRUEBA DE CONTROL DE LA TARJETA"));
    useDesignFont(this);
    setGeometry(twipsRect(2820, 1380, 9825, 9360));

    Command1 = new WrapButton(QStringLiteral("COMPROBACION MANUAL"), this);
    Command1->setGeometry(twipsRect(840, 600, 2055, 735));
    Command2 = new WrapButton(QStringLiteral("COMPROBACION AUTOMATICA"), this);
    Command2->setGeometry(twipsRect(3960, 600, 2055, 735));
    Command3 = new WrapButton(QStringLiteral("SALIR DEL PROGRAMA"), this);
    Command3->setGeometry(twipsRect(6960, 600, 2055, 735));

    Picture1 = new PictureBox(this);
    Picture1->setGeometry(twipsRect(840, 1440, 8175, 6375));
    Picture1->setBuiltInPicture(QPixmap::fromImage(builtInWiringPicture()));
    Picture1->setAccessibleName(QStringLiteral("Conexiones de la tarjeta"));
    Picture1->setAccessibleDescription(kWiringDescription);

    Text1 = new MultiLineTextBox(kWiringText, this);
    Text1->setGeometry(twipsRect(840, 7920, 8175, 975));
    Text1->setAccessibleName(QStringLiteral("Instrucciones de conexión"));
    // The text can be edited, but Tab still goes on to the next control instead of into the text.
    Text1->setTabChangesFocus(true);

    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Command3);
    setTabOrder(Command3, Picture1);
    setTabOrder(Picture1, Text1);
    Command1->setFocus();

    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
}

void Form1::Command1_Click() {
    hide();
    setEnabled(false);
    navigator_.showForm2().setEnabled(true);
}

void Form1::Command2_Click() {
    hide();
    setEnabled(false);
    navigator_.showForm3().setEnabled(true);
}

void Form1::Command3_Click() {
    navigator_.endProgram();
}

// The outputs are already off whenever the menu is on screen.
void Form1::closeEvent(QCloseEvent* event) {
    event->accept();
    navigator_.endProgram();
}
