#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "lab/connection_string.h"
#include "lab/lab_database.h"
#include "lab/lab_settings.h"

namespace {

// The pairs as "key|value|key|value", or the refusal.
QString read(const QString& text) {
    const auto parsed = parseConnectionString(text);
    if (auto* refusal = std::get_if<QString>(&parsed)) return *refusal;
    QStringList pairs;
    for (const ConnectionSetting& setting : std::get<ConnectionSettings>(parsed)) pairs << setting.key << setting.value;
    return pairs.join('|');
}

// The connection and station, or the refusal.
QString resolved(const std::variant<LabSettings, QString>& settings) {
    if (auto* refusal = std::get_if<QString>(&settings)) return *refusal;
    return std::get<LabSettings>(settings).connection + " @ " + std::get<LabSettings>(settings).station;
}

std::optional<QString> given(const char* value) {
    return value ? std::optional<QString>(value) : std::nullopt;
}

}  // namespace

class TestLabSettings : public QObject {
    Q_OBJECT
private slots:
    // Read as libpq reads it; a refusal is told by its start.
    void connectionStrings_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        auto add = [](const char* name, const char* text, const QString& expected) {
            QTest::newRow(name) << QString(text) << expected;
        };
        const QString pgpass =
            "la contraseña no va en la cadena de conexión (password=): póngala en ~/.pgpass (o en el archivo que "
            "diga PGPASSFILE), con permisos 0600";
        const QString pairs =
            "no se admite un URI postgresql://: escriba pares clave=valor, por ejemplo «host=servidor "
            "dbname=historial user=puesto07» o «service=laboratorio»";
        add("service", "service=laboratorio", "service|laboratorio");
        add("blanks and quotes", "  host = s\tdbname='his torial' user=''", "host|s|dbname|his torial|user|");
        add("escapes", R"(dbname='l\'aula \\ 2' user=pue\ sto)", R"(dbname|l'aula \ 2|user|pue sto)");
        add("password in a value", "options='-c password_encryption=md5'", "options|-c password_encryption=md5");
        add("password", "host=s password=secreto", pgpass);
        add("password, escaped quote", R"(password='it\'s' host=s)", pgpass);
        add("URI", "postgresql://puesto07@servidor/historial", pairs);
        add("no =", "servidor", "falta «=» tras «servidor»");
        add("open quote", "dbname='historial", "la comilla del valor de «dbname» no se cierra");
        add("semicolon", "host=a dbname='x;y'",
            "el valor de «dbname» lleva «;», que el controlador de Qt no deja pasar");
    }
    void connectionStrings() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const QString got = read(text);
        QCOMPARE(expected.contains('|') ? got : got.left(expected.size()), expected);
    }

    void connectOptionsKeepTheUsersOwn() {
        const QString options = read(labConnectOptions({{"host", "s"}, {"connect_timeout", "2"}}));
        QCOMPARE(options,
                 "host|s|connect_timeout|2|keepalives|1|keepalives_idle|30|keepalives_interval|10|"
                 "keepalives_count|3|tcp_user_timeout|20000|application_name|cardcheck");
    }

    // Each value from the command line, else the user's file, else the system's; USER and SYSTEM
    // stand for the files' paths, HOST for the host name.
    void precedence_data() {
        QTest::addColumn<QString>("name");
        auto add = [this](const char* name, const char* labHistory, const char* station, const char* user,
                          const char* system, const char* expected) {
            cases_[name] = {labHistory, station, user, system, expected};
            QTest::newRow(name) << QString(name);
        };
        add("nothing", nullptr, nullptr, "", "", " @ HOST");
        add("user over system", nullptr, nullptr, "laboratorio=service=mio\npuesto=p2",
            "laboratorio=service=lab\npuesto=p1", "service=mio @ p2");
        add("each key apart", nullptr, nullptr, "puesto=p2", "laboratorio=service=lab\npuesto=p1", "service=lab @ p2");
        add("command line over both", "service=otro", "p3", "puesto=p2", "laboratorio=service=lab",
            "service=otro @ p3");
        add("command line turns it off", "", nullptr, "laboratorio=service=mio", "", " @ HOST");
        add("host list", nullptr, nullptr, "laboratorio=host=a,b dbname=h", "", "host=a,b dbname=h @ HOST");
        add("65 characters in the user's file", nullptr, nullptr,
            "puesto=xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", "",
            "El nombre del puesto (puesto en USER) no sirve: tiene 65 caracteres y no puede pasar de 64");
        add("control character", nullptr, "puesto\t07", "", "",
            "El nombre del puesto (--station) no sirve: lleva un carácter de control");
        add("password on the command line", "host=s password=x", nullptr, "", "",
            "La cadena de conexión del historial del laboratorio (--lab-history) no sirve: la contraseña no va");
        add("password in the system's file", nullptr, nullptr, "", "laboratorio=host=s password=x",
            "La cadena de conexión del historial del laboratorio (laboratorio en SYSTEM) no sirve: la contraseña");
    }
    void precedence() {
        QFETCH(QString, name);
        const Case& c = cases_[name];
        QTemporaryDir folder;
        const LabSettingsFiles files{folder.filePath("user.conf"), folder.filePath("system.conf")};
        for (const auto& [path, lines] : {std::pair{files.user, c.user}, std::pair{files.system, c.system}}) {
            QFile file(path);
            if (*lines) QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray("[historial]\n") + lines));
        }
        const QString expected = QString(c.expected)
                                     .replace("USER", files.user)
                                     .replace("SYSTEM", files.system)
                                     .replace("HOST", QSysInfo::machineHostName());
        QCOMPARE(resolved(resolveLabSettings(given(c.labHistory), given(c.station), files)).left(expected.size()),
                 expected);
    }

    void passwordNeverRepeated() {
        const auto lab = LabDatabase::open("host=s password=secreto");
        QVERIFY(std::holds_alternative<LabDatabase::Failure>(lab));
        QVERIFY(
            std::get<LabDatabase::Failure>(lab).message.startsWith("Historial del laboratorio: la contraseña no va"));
        QVERIFY(!std::get<LabDatabase::Failure>(lab).message.contains("secreto"));
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
    struct Case {
        const char* labHistory;  // nullptr: not on the command line
        const char* station;
        const char* user;  // the files' [historial] lines
        const char* system;
        const char* expected;
    };
    QHash<QString, Case> cases_;
};

QTEST_GUILESS_MAIN(TestLabSettings)
#include "test_lab_settings.moc"
