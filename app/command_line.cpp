#include "app/command_line.h"

#include <algorithm>
#include <array>
#include <variant>

#include <QCommandLineParser>
#include <QCoreApplication>

#include "card/ppdev_port.h"
#include "history/card_label.h"

namespace {

// Every option, in the order --help lists them.
struct Options {
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Muestra esta ayuda y termina.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Muestra la versión y termina.")};
    QCommandLineOption port{
        QStringLiteral("port"),
        QStringLiteral("Dispositivo del puerto paralelo (por omisión %1).").arg(PpdevPort::kDefaultDevice),
        QStringLiteral("DISPOSITIVO")};
    QCommandLineOption simulate{QStringLiteral("simulate"),
                                QStringLiteral("Usa una tarjeta simulada en lugar del puerto paralelo.")};
    QCommandLineOption fault{QStringLiteral("fault"),
                             QStringLiteral("Añade un fallo a la tarjeta simulada (ver abajo); se puede "
                                            "repetir. Solo con --simulate."),
                             QStringLiteral("FALLO")};
    QCommandLineOption headless{QStringLiteral("auto"),
                                QStringLiteral("Hace la comprobación automática completa sin ventanas, escribe "
                                               "el resultado de cada test y termina: 0 si la tarjeta funciona, "
                                               "1 si falla un test, 2 si no se puede usar el puerto.")};
    QCommandLineOption batch{QStringLiteral("batch"),
                             QStringLiteral("Abre la ventana para comprobar un lote de tarjetas, una tras otra: "
                                            "número de la tarjeta, comprobación completa, resultado y "
                                            "historial.")};
    QCommandLineOption report{QStringLiteral("report"),
                              QStringLiteral("Con --auto: guarda un registro JSON de la comprobación en "
                                             "ARCHIVO, que se reemplaza entero al terminar."),
                              QStringLiteral("ARCHIVO")};
    QCommandLineOption picture{QStringLiteral("picture"),
                               QStringLiteral("Con --auto: guarda en ARCHIVO (PNG) el esquema de conexiones "
                                              "de la tarjeta con lo que ha fallado marcado."),
                               QStringLiteral("ARCHIVO")};
    QCommandLineOption card{QStringLiteral("card"),
                            QStringLiteral("Nombre o número de la tarjeta que se comprueba (de 1 a 64 "
                                           "caracteres), que se guarda con cada comprobación; con "
                                           "--history-list, muestra solo las de esa tarjeta."),
                            QStringLiteral("ETIQUETA")};
    QCommandLineOption history{QStringLiteral("history"),
                               QStringLiteral("Guarda las comprobaciones en el historial ARCHIVO en lugar del "
                                              "historial del usuario."),
                               QStringLiteral("ARCHIVO")};
    QCommandLineOption noHistory{QStringLiteral("no-history"),
                                 QStringLiteral("No guarda las comprobaciones en el historial.")};
    QCommandLineOption historyList{QStringLiteral("history-list"),
                                   QStringLiteral("Muestra las comprobaciones del historial, de la más "
                                                  "reciente a la más antigua, y termina.")};
    QCommandLineOption historyCsv{QStringLiteral("history-csv"),
                                  QStringLiteral("Escribe todo el historial en ARCHIVO como CSV para una hoja "
                                                 "de cálculo (- para la salida estándar) y termina."),
                                  QStringLiteral("ARCHIVO")};
    QCommandLineOption ports{QStringLiteral("ports"),
                             QStringLiteral("Muestra los puertos paralelos del ordenador: dirección, "
                                            "interrupción, quién los usa y si puede abrirlos; no toca "
                                            "ninguno.")};
    QCommandLineOption labHistory{
        QStringLiteral("lab-history"),
        QStringLiteral("Envía también las comprobaciones al historial del laboratorio, en un servidor PostgreSQL, y lo "
                       "lee con --history-list y --history-csv. CONEXIÓN son pares clave=valor de libpq "
                       "(\"service=laboratorio\" o \"host=servidor dbname=historial user=puesto07\"); la "
                       "contraseña va en ~/.pgpass. Por omisión, la clave laboratorio= de cardcheck.conf."),
        QStringLiteral("CONEXIÓN")};
    QCommandLineOption station{QStringLiteral("station"),
                               QStringLiteral("Nombre del puesto, que se guarda con cada comprobación (por "
                                              "omisión, la clave puesto= de cardcheck.conf o el nombre del "
                                              "equipo); con --history-list y --history-csv, muestra solo las "
                                              "de ese puesto."),
                               QStringLiteral("NOMBRE")};
    QCommandLineOption historySync{QStringLiteral("history-sync"),
                                   QStringLiteral("Envía al historial del laboratorio las comprobaciones que "
                                                  "esperan, dice cuántas se enviaron y cuántas esperan aún, y "
                                                  "termina: 0 si no espera ninguna, 1 si no.")};
    QCommandLineOption historyStats{
        QStringLiteral("history-stats"),
        QStringLiteral("Muestra las cifras del historial (del laboratorio, si lo hay): comprobaciones, rendimiento "
                       "de las tarjetas, conexiones que más fallan, puestos que destacan y entradas analógicas, y "
                       "termina. Con --card, un * en la etiqueta vale por cualquier texto (\"L7-*\": un lote).")};
    QCommandLineOption since{QStringLiteral("since"),
                             QStringLiteral("Con --history-stats: desde el día FECHA (AAAA-MM-DD), entero."),
                             QStringLiteral("FECHA")};
    QCommandLineOption until{QStringLiteral("until"),
                             QStringLiteral("Con --history-stats: hasta el día FECHA (AAAA-MM-DD), entero."),
                             QStringLiteral("FECHA")};
    QCommandLineOption json{QStringLiteral("json"),
                            QStringLiteral("Con --history-stats: escribe las cifras como un objeto JSON.")};

    QList<QCommandLineOption> all() const {
        return {help,    version,     port,         simulate, fault,     headless,    batch,      report,
                picture, ports,       card,         history,  noHistory, historyList, historyCsv, labHistory,
                station, historySync, historyStats, since,    until,     json};
    }
};

QString dashed(const QCommandLineOption& option) {
    return QStringLiteral("--") + option.names().constLast();
}

// The modes a set of them stands for, one bit each.
unsigned modes(std::initializer_list<Mode> list) {
    unsigned set = 0;
    for (Mode mode : list) set |= 1u << unsigned(mode);
    return set;
}

// The option that chooses the mode, if any ("" for the windows); at most one may: a mistake else.
std::variant<std::pair<Mode, QString>, QString> chosenMode(const QCommandLineParser& parser, const Options& o) {
    const std::array<std::pair<const QCommandLineOption*, Mode>, 7> modeOptions{{{&o.batch, Mode::Batch},
                                                                                 {&o.headless, Mode::Headless},
                                                                                 {&o.historyList, Mode::List},
                                                                                 {&o.historyCsv, Mode::Csv},
                                                                                 {&o.ports, Mode::Ports},
                                                                                 {&o.historySync, Mode::Sync},
                                                                                 {&o.historyStats, Mode::Stats}}};
    std::pair<Mode, QString> chosen{Mode::Window, QString()};
    for (const auto& [option, mode] : modeOptions) {
        if (!parser.isSet(*option)) continue;
        if (!chosen.second.isEmpty())
            return QStringLiteral("%1 y %2 no se pueden usar juntos.").arg(chosen.second, dashed(*option));
        chosen = {mode, dashed(*option)};
    }
    return chosen;
}

// The modes each option serves: one given for another mode is a mistake, never dropped in silence.
std::optional<QString> unservedOption(const QCommandLineParser& parser, const Options& o, Mode mode,
                                      const QString& modeOption) {
    const unsigned checking = modes({Mode::Window, Mode::Batch, Mode::Headless});
    const unsigned lab = checking | modes({Mode::List, Mode::Csv, Mode::Sync, Mode::Stats});
    const unsigned stats = modes({Mode::Stats});
    const std::array<std::pair<const QCommandLineOption*, unsigned>, 13> serves{{
        {&o.port, checking},
        {&o.simulate, checking},
        {&o.fault, checking},
        {&o.report, modes({Mode::Headless})},
        {&o.picture, modes({Mode::Headless})},
        {&o.card, modes({Mode::Window, Mode::Headless, Mode::List, Mode::Csv, Mode::Stats})},
        {&o.history, lab},
        {&o.noHistory, checking},
        {&o.labHistory, lab},
        {&o.station, lab},
        {&o.since, stats},
        {&o.until, stats},
        {&o.json, stats},
    }};
    for (const auto& [option, served] : serves) {
        if (!parser.isSet(*option) || (served >> unsigned(mode)) & 1u) continue;
        if (mode == Mode::Window) return QStringLiteral("%1 solo se puede usar con --auto.").arg(dashed(*option));
        if (option == &o.card && mode == Mode::Batch)
            return QStringLiteral("--card no se usa con --batch: el número de cada tarjeta se escribe en la ventana.");
        return QStringLiteral("%1 no se usa con %2.").arg(dashed(*option), modeOption);
    }
    return std::nullopt;
}

// The options' values, and the rules between options; a mistake, in Spanish, else.
std::optional<QString> readValues(const QCommandLineParser& parser, const Options& o, CommandLine& options) {
    options.simulate = parser.isSet(o.simulate);
    options.device = parser.isSet(o.port) ? parser.value(o.port) : PpdevPort::kDefaultDevice;
    if (options.simulate && parser.isSet(o.port))
        return QStringLiteral("--port y --simulate no se pueden usar juntos.");
    if (parser.isSet(o.fault) && !options.simulate) return QStringLiteral("--fault solo se puede usar con --simulate.");
    if (parser.isSet(o.report) && parser.value(o.report).isEmpty())
        return QStringLiteral("--report necesita el nombre de un archivo.");
    options.reportPath = parser.value(o.report);
    if (parser.isSet(o.picture) && parser.value(o.picture).isEmpty())
        return QStringLiteral("--picture necesita el nombre de un archivo.");
    options.picturePath = parser.value(o.picture);
    if (parser.isSet(o.card)) {
        if (auto problem = cardLabelProblem(parser.value(o.card))) return *problem;
        options.card = parser.value(o.card).trimmed();
    }
    options.keepHistory = !parser.isSet(o.noHistory);
    options.historyPath = parser.value(o.history);
    options.historyCsv = parser.value(o.historyCsv);
    if (parser.isSet(o.history) && options.historyPath.isEmpty())
        return QStringLiteral("--history necesita el nombre de un archivo.");
    if (parser.isSet(o.historyCsv) && options.historyCsv.isEmpty())
        return QStringLiteral("--history-csv necesita el nombre de un archivo, o - para la salida estándar.");
    if (parser.isSet(o.history) && parser.isSet(o.noHistory))
        return QStringLiteral("--history y --no-history no se pueden usar juntos.");
    if (parser.isSet(o.labHistory)) options.labHistory = parser.value(o.labHistory);
    if (parser.isSet(o.station)) options.station = parser.value(o.station);
    // Checks that are not kept locally cannot wait for the lab either.
    if (parser.isSet(o.labHistory) && parser.isSet(o.noHistory))
        return QStringLiteral("--lab-history y --no-history no se pueden usar juntos.");
    for (auto [option, day] : {std::pair{&o.since, &options.since}, {&o.until, &options.until}}) {
        if (!parser.isSet(*option)) continue;
        *day = QDate::fromString(parser.value(*option), QStringLiteral("yyyy-MM-dd"));
        if (!day->isValid())
            return QStringLiteral("%1 necesita una fecha AAAA-MM-DD, como 2026-12-07; «%2» no lo es.")
                .arg(dashed(*option), parser.value(*option));
    }
    if (options.since.isValid() && options.until.isValid() && options.since > options.until)
        return QStringLiteral("--since es posterior a --until: no queda ningún día.");
    options.json = parser.isSet(o.json);
    options.faultOptions = parser.values(o.fault);
    for (const QString& text : parser.values(o.fault)) {
        if (auto error = addFault(options.faults, text)) return *error;
    }
    return std::nullopt;
}

}  // namespace

ParsedCommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Comprueba la tarjeta de control conectada al puerto paralelo: 8 salidas por relé, "
                       "8 entradas digitales y 4 entradas analógicas."));
    const Options o;
    parser.addOptions(o.all());

    // Qt names the program by the path it was started with; the help names it as it is typed, in
    // Qt's own words, so that its translation applies to them as to the rest of its text.
    const auto qtWords = [](const char* text) { return QCoreApplication::translate("QCommandLineParser", text); };
    QString usage = parser.helpText() + u'\n' + faultSyntaxHelp() + u'\n';
    usage.replace(0, usage.indexOf(u'\n'),
                  qtWords("Usage: %1").arg(QStringLiteral("cardcheck ") + qtWords("[options]")));
    auto mistake = [&](const QString& what) { return ParsedCommandLine{std::nullopt, what + u'\n' + usage, 2}; };

    if (!parser.parse(arguments)) return mistake(parser.errorText());
    if (parser.isSet(o.help)) return {std::nullopt, usage, 0};
    if (parser.isSet(o.version)) return {std::nullopt, QStringLiteral("cardcheck " CARDCHECK_VERSION "\n"), 0};
    if (!parser.positionalArguments().isEmpty())
        return mistake(QStringLiteral("Argumento no esperado: %1").arg(parser.positionalArguments().first()));

    const auto mode = chosenMode(parser, o);
    if (auto* problem = std::get_if<QString>(&mode)) return mistake(*problem);
    CommandLine options;
    const auto& [chosen, modeOption] = std::get<std::pair<Mode, QString>>(mode);
    options.mode = chosen;
    if (auto problem = unservedOption(parser, o, options.mode, modeOption)) return mistake(*problem);
    if (auto problem = readValues(parser, o, options)) return mistake(*problem);
    return {options, QString(), 0};
}

std::optional<QString> cardLabelProblem(const QString& label) {
    const auto fault = cardLabelFault(label);
    if (!fault) return std::nullopt;
    return cardLabelMessage(*fault, LabelSource::CommandLine);
}
