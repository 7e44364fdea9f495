#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "lab/connection_string.h"
#include "lab/lab_database.h"
#include "lab/lab_settings.h"

class TestLabSettings : public QObject {
    Q_OBJECT
private slots:
    // Read by libpq (the pairs as "key|value|...", by key); a refusal is told by its start.
    void connectionStrings_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const QString pgpass = "la contraseña no va en la cadena de conexión (password=): póngala en ~/.pgpass";
        for (const auto& [text, expected] : QList<std::pair<QString, QString>>{
                 {"  host = s\tdbname='his torial' user=''", "dbname|his torial|host|s|user|"},
                 {R"(dbname='l\'aula \\ 2' user=pue\ sto)", R"(dbname|l'aula \ 2|user|pue sto)"},
                 {"options='-c password_encryption=md5'", "options|-c password_encryption=md5"},
                 {"service=laboratorio", "service|laboratorio"},
                 {"host=s password=secreto", pgpass},
                 {R"(password='it\'s' host=s)", pgpass},
                 {"postgresql://puesto07@servidor/historial", "no se admite un URI postgresql://"},
                 {"servidor", "no se lee como pares clave=valor"},
                 {"hots=servidor", "«hots» no es una clave de conexión de libpq"},
                 {"dbname='historial", "una comilla de un valor no se cierra"},
                 {"host=a dbname='x;y'", "el valor de «dbname» lleva «;», que el controlador de Qt no deja pasar"}})
            QTest::newRow(qPrintable(text)) << text << expected;
    }
    void connectionStrings() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const auto parsed = parseConnectionString(text);
        QStringList pairs;
        ConnectionSettings settings =
            std::get_if<ConnectionSettings>(&parsed) ? std::get<0>(parsed) : ConnectionSettings{};
        std::sort(settings.begin(), settings.end(), [](const auto& a, const auto& b) { return a.key < b.key; });
        for (const ConnectionSetting& setting : settings) pairs << setting.key << setting.value;
        const QString got = pairs.isEmpty() ? std::get<QString>(parsed) : pairs.join('|');
        QCOMPARE(got.left(expected.size()), expected);
        // What QPSQL gets: the user's own settings kept, the timeouts and keepalives added after them.
        if (!pairs.isEmpty())
            QVERIFY(labConnectOptions(std::get<0>(parsed))
                        .endsWith("connect_timeout='5' keepalives='1' keepalives_idle='30' keepalives_interval='10' "
                                  "keepalives_count='3' tcp_user_timeout='20000' application_name='cardcheck'"));
    }

    // A value with a quote or a backslash (a certificate's path) reaches libpq as written, and adds
    // no other key, once the settings are written out again for QPSQL.
    void valuesReachLibpqAsWritten() {
        const ConnectionSettings settings{{"host", "servidor"},
                                          {"sslrootcert", R"(/home/o'brien/certs\raíz 2.crt)"},
                                          {"application_name", R"(x' sslmode='disable)"}};
        const auto parsed = parseConnectionString(connectionString(settings));
        QVERIFY(std::holds_alternative<ConnectionSettings>(parsed));
        ConnectionSettings read = std::get<ConnectionSettings>(parsed);
        std::sort(read.begin(), read.end(), [](const auto& a, const auto& b) { return a.key < b.key; });
        QCOMPARE(read, (ConnectionSettings{settings[2], settings[0], settings[1]}));
    }

    // Each value from the command line ("-": not given), else the user's file, else the system's;
    // USER and SYSTEM stand for the files' paths, HOST for the host name.
    void precedence_data() {
        for (const char* column : {"labHistory", "station", "user", "system", "expected"})
            QTest::addColumn<QString>(column);
        auto add = [](const char* name, QStringList values) {
            QTest::newRow(name) << values[0] << values[1] << values[2] << values[3] << values[4];
        };
        add("nothing", {"-", "-", "", "", " @ HOST"});
        add("user over system",
            {"-", "-", "laboratorio=service=mio\npuesto=p2", "laboratorio=service=lab\npuesto=p1", "service=mio @ p2"});
        add("each key apart", {"-", "-", "puesto=p2", "laboratorio=service=lab\npuesto=p1", "service=lab @ p2"});
        add("command line over both",
            {"service=otro", "p3", "puesto=p2", "laboratorio=service=lab", "service=otro @ p3"});
        add("command line turns it off", {"", "-", "laboratorio=service=mio", "", " @ HOST"});
        add("host list", {"-", "-", "laboratorio=host=a,b dbname=h", "", "host=a,b dbname=h @ HOST"});
        add("65 characters in the user's file",
            {"-", "-", "puesto=" + QString(65, 'x'), "",
             "El nombre del puesto (puesto en USER) no sirve: tiene 65 caracteres y no puede pasar de 64"});
        add("control character",
            {"-", "puesto\t07", "", "", "El nombre del puesto (--station) no sirve: lleva un carácter de control"});
        add("password in the system's file",
            {"-", "-", "", "laboratorio=host=s password=x",
             "La cadena de conexión del historial del laboratorio (laboratorio en SYSTEM) no sirve: la contraseña"});
    }
    void precedence() {
        QFETCH(QString, labHistory);
        QFETCH(QString, station);
        QFETCH(QString, user);
        QFETCH(QString, system);
        QFETCH(QString, expected);
        QTemporaryDir folder;
        const LabSettingsFiles files{folder.filePath("user.conf"), folder.filePath("system.conf")};
        for (const auto& [path, text] : {std::pair{files.user, user}, std::pair{files.system, system}}) {
            QFile file(path);
            if (!text.isEmpty())
                QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[historial]\n" + text.toUtf8()));
        }
        auto given = [](const QString& value) { return value == "-" ? std::nullopt : std::optional(value); };
        const auto settings = resolveLabSettings(given(labHistory), given(station), files);
        const QString got =
            std::holds_alternative<QString>(settings)
                ? std::get<QString>(settings)
                : std::get<LabSettings>(settings).connection + " @ " + std::get<LabSettings>(settings).station;
        expected.replace("USER", files.user)
            .replace("SYSTEM", files.system)
            .replace("HOST", QSysInfo::machineHostName());
        QCOMPARE(got.left(expected.size()), expected);
    }

    void passwordNeverRepeated() {
        const auto lab = LabDatabase::open("host=s password=secreto");
        QVERIFY(std::holds_alternative<LabDatabase::Failure>(lab));
        QVERIFY(std::get<LabDatabase::Failure>(lab).message.startsWith("Historial del laboratorio: la contraseña") &&
                !std::get<LabDatabase::Failure>(lab).message.contains("secreto"));
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
};

QTEST_GUILESS_MAIN(TestLabSettings)
#include "test_lab_settings.moc"
