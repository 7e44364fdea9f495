#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "lab/connection_string.h"
#include "lab/lab_database.h"
#include "lab/lab_settings.h"

namespace {

QStringList flat(const ConnectionSettings& settings) {
    QStringList pairs;
    for (const ConnectionSetting& setting : settings) pairs << setting.key << setting.value;
    return pairs;
}

// The message of a refusal, or nothing.
template <typename T>
QString refusal(const std::variant<T, QString>& result) {
    const QString* message = std::get_if<QString>(&result);
    return message ? *message : QString();
}

std::optional<QString> given(const QVariant& value) {
    return value.isNull() ? std::nullopt : std::optional<QString>(value.toString());
}

}  // namespace

class TestLabSettings : public QObject {
    Q_OBJECT
private slots:
    void connectionStringsRead_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("pairs");
        QTest::newRow("service") << "service=laboratorio" << QStringList{"service", "laboratorio"};
        QTest::newRow("TLS") << "host=servidor dbname=historial sslmode=verify-full sslrootcert=/ruta/ca.crt"
                             << QStringList{"host",    "servidor",    "dbname",      "historial",
                                            "sslmode", "verify-full", "sslrootcert", "/ruta/ca.crt"};
        QTest::newRow("blanks and quotes") << "  host = servidor\tdbname='his torial' user=''"
                                           << QStringList{"host", "servidor", "dbname", "his torial", "user", ""};
        QTest::newRow("escapes") << R"(dbname='l\'aula \\ 2' user=pue\ sto)"
                                 << QStringList{"dbname", R"(l'aula \ 2)", "user", "pue sto"};
        QTest::newRow("password inside a value") << "options='-c password_encryption=scram-sha-256'"
                                                 << QStringList{"options", "-c password_encryption=scram-sha-256"};
    }
    void connectionStringsRead() {
        QFETCH(QString, text);
        QFETCH(QStringList, pairs);
        const auto parsed = parseConnectionString(text);
        QVERIFY2(std::holds_alternative<ConnectionSettings>(parsed), qPrintable(refusal(parsed)));
        QCOMPARE(flat(std::get<ConnectionSettings>(parsed)), pairs);
        // What QPSQL gets reads back the same, with the defaults after the settings.
        const auto options = parseConnectionString(labConnectOptions(std::get<ConnectionSettings>(parsed)));
        QCOMPARE(flat(std::get<ConnectionSettings>(options)).mid(0, pairs.size()), pairs);
    }

    void connectionStringsRefused_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("said");
        const QString pgpass =
            "contraseña no va en la cadena de conexión (password=): póngala en ~/.pgpass "
            "(o en el archivo que diga PGPASSFILE)";
        const QString pairs =
            "escriba pares clave=valor, por ejemplo «host=servidor dbname=historial "
            "user=puesto07» o «service=laboratorio»";
        QTest::newRow("password") << "host=servidor password=secreto" << pgpass;
        QTest::newRow("password, blanks and quotes") << "host=servidor  password = 'dos palabras'" << pgpass;
        QTest::newRow("password, escaped quote") << "password='it\\'s' host=servidor" << pgpass;
        QTest::newRow("password, unclosed") << "password='secreto" << pgpass;
        QTest::newRow("PASSWORD") << "PASSWORD=secreto" << pgpass;
        QTest::newRow("URI") << "postgresql://puesto07@servidor/historial" << pairs;
        QTest::newRow("short URI") << "  POSTGRES://servidor" << pairs;
        QTest::newRow("no =") << "servidor"
                              << "falta «=» tras «servidor»";
        QTest::newRow("key without value") << "host=servidor dbname"
                                           << "falta «=» tras «dbname»";
        QTest::newRow("no key") << "=historial"
                                << "falta el nombre antes de «=»";
        QTest::newRow("odd key") << "ho-st=servidor"
                                 << "«ho-st» no es el nombre de una opción";
        QTest::newRow("open quote") << "dbname='historial"
                                    << "la comilla del valor de «dbname» no se cierra";
        QTest::newRow("semicolon") << "host=a dbname='x;y'"
                                   << "el valor de «dbname» lleva «;»";
        QTest::newRow("empty") << " \t"
                               << "está vacía";
    }
    void connectionStringsRefused() {
        QFETCH(QString, text);
        QFETCH(QString, said);
        const auto parsed = parseConnectionString(text);
        QVERIFY(std::holds_alternative<QString>(parsed));
        QVERIFY2(std::get<QString>(parsed).contains(said), qPrintable(std::get<QString>(parsed)));
    }

    void connectOptionsKeepTheUsersOwn() {
        const QString options = labConnectOptions({{"host", "servidor"}, {"connect_timeout", "2"}});
        const QStringList pairs = flat(std::get<ConnectionSettings>(parseConnectionString(options)));
        for (const char* expected : {"connect_timeout=2", "keepalives=1", "keepalives_idle=30",
                                     "keepalives_interval=10", "keepalives_count=3", "application_name=cardcheck"})
            QVERIFY2(options.contains(QString(expected).replace("=", "='")), qPrintable(options));
        QCOMPARE(pairs.count("connect_timeout"), 1);
    }

    void stationNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("problem");
        QTest::newRow("plain") << "puesto07"
                               << "";
        QTest::newRow("accents and blanks") << "Aula 2 · mesa 3 (Peñalara)"
                                            << "";
        QTest::newRow("64") << QString(64, u'x') << "";
        QTest::newRow("empty") << ""
                               << "está vacío";
        QTest::newRow("65") << QString(65, u'x') << "tiene 65 caracteres y no puede pasar de 64";
        QTest::newRow("new line") << "puesto\n07"
                                  << "lleva un carácter de control";
        QTest::newRow("tab") << "puesto\t07"
                             << "lleva un carácter de control";
        QTest::newRow("escape") << "puesto\x1b[2J"
                                << "lleva un carácter de control";
    }
    void stationNames() {
        QFETCH(QString, name);
        QFETCH(QString, problem);
        QCOMPARE(stationNameProblem(name).value_or(QString()), problem);
    }

    // Each value from the command line, else the user's file, else the system's file.
    void precedence_data() {
        QTest::addColumn<QVariant>("labHistory");  // null: not on the command line
        QTest::addColumn<QVariant>("station");
        QTest::addColumn<QString>("user");  // the [historial] lines of each file
        QTest::addColumn<QString>("system");
        QTest::addColumn<QString>("connection");
        QTest::addColumn<QString>("expectedStation");
        const QVariant none;
        const QString host = QSysInfo::machineHostName();
        QTest::newRow("nothing") << none << none << ""
                                 << ""
                                 << "" << host;
        QTest::newRow("system") << none << none << ""
                                << "laboratorio=service=lab\npuesto=p1"
                                << "service=lab"
                                << "p1";
        QTest::newRow("user over system") << none << none << "laboratorio=service=mio\npuesto=p2"
                                          << "laboratorio=service=lab\npuesto=p1"
                                          << "service=mio"
                                          << "p2";
        QTest::newRow("each key apart") << none << none << "puesto=p2"
                                        << "laboratorio=service=lab\npuesto=p1"
                                        << "service=lab"
                                        << "p2";
        QTest::newRow("command line over both") << QVariant("service=otro") << QVariant("p3") << "puesto=p2"
                                                << "laboratorio=service=lab"
                                                << "service=otro"
                                                << "p3";
        QTest::newRow("command line turns it off") << QVariant("") << none << "laboratorio=service=mio"
                                                   << ""
                                                   << "" << host;
        QTest::newRow("user turns it off") << none << none << "laboratorio="
                                           << "laboratorio=service=lab"
                                           << "" << host;
        QTest::newRow("host list") << none << none << "laboratorio=host=a,b dbname=historial"
                                   << ""
                                   << "host=a,b dbname=historial" << host;
        QTest::newRow("quoted") << none << none << "laboratorio=\"host=servidor dbname='his torial'\""
                                << ""
                                << "host=servidor dbname='his torial'" << host;
    }
    void precedence() {
        QFETCH(QVariant, labHistory);
        QFETCH(QVariant, station);
        QFETCH(QString, user);
        QFETCH(QString, system);
        QFETCH(QString, connection);
        QFETCH(QString, expectedStation);
        const LabSettingsFiles files = writeFiles(user, system);
        const auto settings = resolveLabSettings(given(labHistory), given(station), files);
        QVERIFY2(std::holds_alternative<LabSettings>(settings), qPrintable(refusal(settings)));
        QCOMPARE(std::get<LabSettings>(settings).connection, connection);
        QCOMPARE(std::get<LabSettings>(settings).station, expectedStation);
    }

    void settingsRefused_data() {
        QTest::addColumn<QVariant>("labHistory");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("system");
        QTest::addColumn<QString>("said");
        QTest::newRow("password on the command line") << QVariant("host=s password=x") << ""
                                                      << ""
                                                      << "La cadena de conexión del historial del laboratorio "
                                                         "(--lab-history) no sirve: la contraseña no va";
        QTest::newRow("password in the system's file") << QVariant() << ""
                                                       << "laboratorio=host=s password=x"
                                                       << "(laboratorio en SYSTEM) no sirve: la contraseña no va";
        QTest::newRow("URI in the user's file") << QVariant() << "laboratorio=postgresql://s/h"
                                                << ""
                                                << "(laboratorio en USER) no sirve: no se admite un URI";
        QTest::newRow("station in the user's file") << QVariant() << "puesto=" + QString(65, u'x') << ""
                                                    << "El nombre del puesto (puesto en USER) no sirve: tiene 65";
    }
    void settingsRefused() {
        QFETCH(QVariant, labHistory);
        QFETCH(QString, user);
        QFETCH(QString, system);
        QFETCH(QString, said);
        const LabSettingsFiles files = writeFiles(user, system);
        const auto settings = resolveLabSettings(given(labHistory), std::nullopt, files);
        QVERIFY(std::holds_alternative<QString>(settings));
        said.replace("USER", files.user).replace("SYSTEM", files.system);
        QVERIFY2(std::get<QString>(settings).contains(said), qPrintable(std::get<QString>(settings)));
    }

    void defaultFilesFollowXdg() {
        qputenv("XDG_CONFIG_HOME", "/tmp/config-de-prueba");
        QCOMPARE(defaultLabSettingsFiles().user, "/tmp/config-de-prueba/cardcheck/cardcheck.conf");
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(defaultLabSettingsFiles().user, QDir::homePath() + "/.config/cardcheck/cardcheck.conf");
        QCOMPARE(defaultLabSettingsFiles().system, "/etc/xdg/cardcheck/cardcheck.conf");
    }

    // Last: Qt looks for its SQL drivers once, and here finds none.
    void missingDriverNamed() {
        QTemporaryDir noPlugins;
        QCoreApplication::setLibraryPaths({noPlugins.path()});
        const auto lab = LabDatabase::open("host=/nowhere dbname=historial");
        QVERIFY(std::holds_alternative<LabDatabase::Failure>(lab));
        QCOMPARE(std::get<LabDatabase::Failure>(lab).problem, LabDatabase::Problem::NoDriver);
        QCOMPARE(std::get<LabDatabase::Failure>(lab).message,
                 "Historial del laboratorio (host=/nowhere dbname=historial): falta el controlador PostgreSQL de Qt "
                 "(paquete libqt6sql6-psql).");
    }

private:
    LabSettingsFiles writeFiles(const QString& user, const QString& system) {
        folders_.emplace_back(std::make_unique<QTemporaryDir>());
        const QString folder = folders_.back()->path();
        auto write = [](const QString& path, const QString& lines) {
            QFile file(path);
            if (!lines.isEmpty() && file.open(QIODevice::WriteOnly)) file.write(("[historial]\n" + lines).toUtf8());
        };
        const LabSettingsFiles files{folder + "/user.conf", folder + "/system.conf"};
        write(files.user, user);
        write(files.system, system);
        return files;
    }
    std::vector<std::unique_ptr<QTemporaryDir>> folders_;
};

QTEST_GUILESS_MAIN(TestLabSettings)
#include "test_lab_settings.moc"
