#include <QtTest>

#include "app/ports_listing.h"
#include "card/ppdev_port.h"

// The ports as the kernel shows them, on copies of its folders: what --ports lists, and what the
// refusal of a device that does not exist says about the ports there are.
class TestPorts : public QObject {
    Q_OBJECT
private slots:
    void listing_data();
    void listing();
};

void TestPorts::listing_data() {
    QTest::addColumn<QStringList>("ports");   // "number base-addr irq modes active [no device file]"
    QTest::addColumn<QStringList>("listed");  // in this order
    QTest::addColumn<QString>("refusal");     // the advice when a device that does not exist is asked for
    QTest::newRow("no port")
        << QStringList{} << QStringList{"no tiene ningún puerto paralelo", "modprobe parport_pc"}
        << "núcleo conozca: si tiene uno, cargue sus controladores (sudo modprobe parport_pc ppdev)";
    QTest::newRow("one at 0x378 held by lp")
        << QStringList{"0 888 7 PCSPP,TRISTATE,COMPAT,EPP,ECP lp"}
        << QStringList{"DEV/parport0\n  dirección:    0x378 (888)\n  interrupción: 7\n  modos:        "
                       "PCSPP,TRISTATE,COMPAT,EPP,ECP\n  en uso por:   el controlador de impresora (lp)\n"
                       "  acceso:       puede abrirlo\n"}
        << "Puertos paralelos de este ordenador: DEV/parport0 en 0x378. Indique";
    QTest::newRow("two, one of them PCIe and in use")
        << QStringList{"10 53264 -1 PCSPP,TRISTATE ppdeva", "0 888 -1 PCSPP none"}
        << QStringList{"DEV/parport0\n  dirección:    0x378 (888)\n  interrupción: ninguna", "nadie, está libre",
                       "DEV/parport10\n  dirección:    0xd010 (53264)", "otro programa: cardcheck (pid 4242)"}
        << "Puertos paralelos de este ordenador: DEV/parport0 en 0x378, DEV/parport10 en 0xd010.";
    QTest::newRow("device file missing")
        << QStringList{"0 888 7 PCSPP none no-device"}
        << QStringList{"acceso:       no, falta DEV/parport0: el módulo ppdev no está cargado (sudo modprobe ppdev)"}
        << "Sus dispositivos no existen: cargue el módulo ppdev";
}

void TestPorts::listing() {
    QFETCH(QStringList, ports);
    QFETCH(QStringList, listed);
    QFETCH(QString, refusal);
    QTemporaryDir root;
    const auto write = [](const QString& path, const QByteArray& text) {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    };
    const ParportPlaces places{root.filePath("proc"), root.filePath("dev"), root.filePath("processes")};
    QDir().mkpath(places.proc);
    for (const QString& port : ports) {
        const QStringList field = port.split(u' ');
        const QString folder = places.proc + "/parport" + field[0];
        for (const auto& [file, value] : {std::pair{"/base-addr", field[1] + "\t0"},
                                          {"/irq", field[2]},
                                          {"/modes", field[3]},
                                          {"/devices/active", field[4]}})
            write(folder + file, value.toLatin1() + '\n');
        if (field.size() < 6) write(places.device(field[0].toInt()), "");
    }
    // A program that has /dev/parport10 open, as the kernel shows it under /proc/PID.
    write(places.processes + "/4242/comm", "cardcheck\n");
    QVERIFY(QDir().mkpath(places.processes + "/4242/fd") &&
            QFile::link(places.device(10), places.processes + "/4242/fd/3"));

    const QString text = portsListing(places);
    qsizetype at = 0;
    for (QString part : listed) {
        at = text.indexOf(part.replace("DEV", places.dev), at);
        QVERIFY2(at >= 0, qPrintable(part + "\n--- not in order in ---\n" + text));
    }
    auto opened = PpdevPort::open(places.device(3), places);
    QVERIFY(std::holds_alternative<PortAccessError>(opened));
    const QString message = std::get<PortAccessError>(opened).message();
    QVERIFY2(message.contains(refusal.replace("DEV", places.dev)), qPrintable(message));
}

QTEST_GUILESS_MAIN(TestPorts)
#include "test_ports.moc"
