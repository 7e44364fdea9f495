#include "app/command_line.h"

#include <algorithm>
#include <array>

#include <QCommandLineParser>
#include <QCoreApplication>

#include "card/ppdev_port.h"
#include "history/card_label.h"

ParsedCommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Comprueba la tarjeta de control conectada al puerto paralelo: 8 salidas por relé, "
                       "8 entradas digitales y 4 entradas analógicas."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Muestra esta ayuda y termina."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Muestra la versión y termina."));
    const QCommandLineOption port(
        QStringLiteral("port"),
        QStringLiteral("Dispositivo del puerto paralelo (por omisión %1).").arg(PpdevPort::kDefaultDevice),
        QStringLiteral("DISPOSITIVO"));
    const QCommandLineOption simulate(QStringLiteral("simulate"),
                                      QStringLiteral("Usa una tarjeta simulada en lugar del puerto paralelo."));
    const QCommandLineOption fault(QStringLiteral("fault"),
                                   QStringLiteral("Añade un fallo a la tarjeta simulada (ver abajo); se puede "
                                                  "repetir. Solo con --simulate."),
                                   QStringLiteral("FALLO"));
    const QCommandLineOption headless(QStringLiteral("auto"),
                                      QStringLiteral("Hace la comprobación automática completa sin ventanas, escribe "
                                                     "el resultado de cada test y termina: 0 si la tarjeta funciona, "
                                                     "1 si falla un test, 2 si no se puede usar el puerto."));
    const QCommandLineOption batch(QStringLiteral("batch"),
                                   QStringLiteral("Abre la ventana para comprobar un lote de tarjetas, una tras otra: "
                                                  "número de la tarjeta, comprobación completa, resultado y "
                                                  "historial."));
    const QCommandLineOption report(QStringLiteral("report"),
                                    QStringLiteral("Con --auto: guarda un registro JSON de la comprobación en "
                                                   "ARCHIVO, que se reemplaza entero al terminar."),
                                    QStringLiteral("ARCHIVO"));
    const QCommandLineOption picture(QStringLiteral("picture"),
                                     QStringLiteral("Con --auto: guarda en ARCHIVO (PNG) el esquema de conexiones "
                                                    "de la tarjeta con lo que ha fallado marcado."),
                                     QStringLiteral("ARCHIVO"));
    const QCommandLineOption card(QStringLiteral("card"),
                                  QStringLiteral("Nombre o número de la tarjeta que se comprueba (de 1 a 64 "
                                                 "caracteres), que se guarda con cada comprobación; con "
                                                 "--history-list, muestra solo las de esa tarjeta."),
                                  QStringLiteral("ETIQUETA"));
    const QCommandLineOption history(QStringLiteral("history"),
                                     QStringLiteral("Guarda las comprobaciones en el historial ARCHIVO en lugar del "
                                                    "historial del usuario."),
                                     QStringLiteral("ARCHIVO"));
    const QCommandLineOption noHistory(QStringLiteral("no-history"),
                                       QStringLiteral("No guarda las comprobaciones en el historial."));
    const QCommandLineOption historyList(QStringLiteral("history-list"),
                                         QStringLiteral("Muestra las comprobaciones del historial, de la más "
                                                        "reciente a la más antigua, y termina."));
    const QCommandLineOption historyCsv(QStringLiteral("history-csv"),
                                        QStringLiteral("Escribe todo el historial en ARCHIVO como CSV para una hoja "
                                                       "de cálculo (- para la salida estándar) y termina."),
                                        QStringLiteral("ARCHIVO"));
    const QCommandLineOption ports(QStringLiteral("ports"),
                                   QStringLiteral("Muestra los puertos paralelos del ordenador: dirección, "
                                                  "interrupción, quién los usa y si puede abrirlos; no toca "
                                                  "ninguno."));
    const QCommandLineOption labHistory(
        QStringLiteral("lab-history"),
        QStringLiteral("Envía también las comprobaciones al historial del laboratorio, en un servidor PostgreSQL, y lo "
                       "lee con --history-list y --history-csv. CONEXIÓN son pares clave=valor de libpq "
                       "(\"service=laboratorio\" o \"host=servidor dbname=historial user=puesto07\"); la "
                       "contraseña va en ~/.pgpass. Por omisión, la clave laboratorio= de cardcheck.conf."),
        QStringLiteral("CONEXIÓN"));
    const QCommandLineOption station(QStringLiteral("station"),
                                     QStringLiteral("Nombre del puesto, que se guarda con cada comprobación (por "
                                                    "omisión, la clave puesto= de cardcheck.conf o el nombre del "
                                                    "equipo); con --history-list y --history-csv, muestra solo las "
                                                    "de ese puesto."),
                                     QStringLiteral("NOMBRE"));
    const QCommandLineOption historySync(QStringLiteral("history-sync"),
                                         QStringLiteral("Envía al historial del laboratorio las comprobaciones que "
                                                        "esperan, dice cuántas se enviaron y cuántas esperan aún, y "
                                                        "termina: 0 si no espera ninguna, 1 si no."));
    parser.addOptions({help, version, port, simulate, fault, headless, batch, report, picture, ports, card, history,
                       noHistory, historyList, historyCsv, labHistory, station, historySync});

    // Qt names the program by the path it was started with; the help names it as it is typed, in
    // Qt's own words, so that its translation applies to them as to the rest of its text.
    const auto qtWords = [](const char* text) { return QCoreApplication::translate("QCommandLineParser", text); };
    QString usage = parser.helpText() + u'\n' + faultSyntaxHelp() + u'\n';
    usage.replace(0, usage.indexOf(u'\n'),
                  qtWords("Usage: %1").arg(QStringLiteral("cardcheck ") + qtWords("[options]")));
    auto mistake = [&](const QString& what) { return ParsedCommandLine{std::nullopt, what + u'\n' + usage, 2}; };

    if (!parser.parse(arguments)) return mistake(parser.errorText());
    if (parser.isSet(help)) return {std::nullopt, usage, 0};
    if (parser.isSet(version)) return {std::nullopt, QStringLiteral("cardcheck " CARDCHECK_VERSION "\n"), 0};
    if (!parser.positionalArguments().isEmpty())
        return mistake(QStringLiteral("Argumento no esperado: %1").arg(parser.positionalArguments().first()));

    // The option that chooses the mode, if any; at most one may.
    const std::array<std::pair<const QCommandLineOption*, Mode>, 6> modeOptions{{{&batch, Mode::Batch},
                                                                                 {&headless, Mode::Headless},
                                                                                 {&historyList, Mode::List},
                                                                                 {&historyCsv, Mode::Csv},
                                                                                 {&ports, Mode::Ports},
                                                                                 {&historySync, Mode::Sync}}};
    CommandLine options;
    QString modeOption;
    for (const auto& [option, mode] : modeOptions) {
        if (!parser.isSet(*option)) continue;
        if (!modeOption.isEmpty())
            return mistake(
                QStringLiteral("%1 y --%2 no se pueden usar juntos.").arg(modeOption, option->names().constLast()));
        modeOption = QStringLiteral("--") + option->names().constLast();
        options.mode = mode;
    }
    // The modes each option serves; an option given for another one is a mistake, not ignored.
    const auto modes = [](std::initializer_list<Mode> list) {
        unsigned set = 0;
        for (Mode mode : list) set |= 1u << unsigned(mode);
        return set;
    };
    const unsigned checking = modes({Mode::Window, Mode::Batch, Mode::Headless});
    const unsigned lab = checking | modes({Mode::List, Mode::Csv, Mode::Sync});
    const std::array<std::pair<const QCommandLineOption*, unsigned>, 10> belongs{{
        {&port, checking},
        {&simulate, checking},
        {&fault, checking},
        {&report, modes({Mode::Headless})},
        {&picture, modes({Mode::Headless})},
        {&card, modes({Mode::Window, Mode::Headless, Mode::List, Mode::Csv})},
        {&history, lab},
        {&noHistory, checking},
        {&labHistory, lab},
        {&station, lab},
    }};
    for (const auto& [option, served] : belongs) {
        if (!parser.isSet(*option) || (served >> unsigned(options.mode)) & 1u) continue;
        const QString name = QStringLiteral("--") + option->names().constLast();
        if (options.mode == Mode::Window) return mistake(QStringLiteral("%1 solo se puede usar con --auto.").arg(name));
        if (option == &card && options.mode == Mode::Batch)
            return mistake(
                QStringLiteral("--card no se usa con --batch: el número de cada tarjeta se escribe en la ventana."));
        return mistake(QStringLiteral("%1 no se usa con %2.").arg(name, modeOption));
    }

    options.simulate = parser.isSet(simulate);
    options.device = parser.isSet(port) ? parser.value(port) : PpdevPort::kDefaultDevice;
    if (options.simulate && parser.isSet(port))
        return mistake(QStringLiteral("--port y --simulate no se pueden usar juntos."));
    if (parser.isSet(fault) && !options.simulate)
        return mistake(QStringLiteral("--fault solo se puede usar con --simulate."));
    if (parser.isSet(report) && parser.value(report).isEmpty())
        return mistake(QStringLiteral("--report necesita el nombre de un archivo."));
    options.reportPath = parser.value(report);
    if (parser.isSet(picture) && parser.value(picture).isEmpty())
        return mistake(QStringLiteral("--picture necesita el nombre de un archivo."));
    options.picturePath = parser.value(picture);
    if (parser.isSet(card)) {
        if (auto problem = cardLabelProblem(parser.value(card))) return mistake(*problem);
        options.card = parser.value(card).trimmed();
    }
    options.keepHistory = !parser.isSet(noHistory);
    options.historyPath = parser.value(history);
    options.historyCsv = parser.value(historyCsv);
    if (parser.isSet(history) && options.historyPath.isEmpty())
        return mistake(QStringLiteral("--history necesita el nombre de un archivo."));
    if (parser.isSet(historyCsv) && options.historyCsv.isEmpty())
        return mistake(QStringLiteral("--history-csv necesita el nombre de un archivo, o - para la salida estándar."));
    if (parser.isSet(history) && parser.isSet(noHistory))
        return mistake(QStringLiteral("--history y --no-history no se pueden usar juntos."));
    if (parser.isSet(labHistory)) options.labHistory = parser.value(labHistory);
    if (parser.isSet(station)) options.station = parser.value(station);
    // Checks that are not kept locally cannot wait for the lab either.
    if (parser.isSet(labHistory) && parser.isSet(noHistory))
        return mistake(QStringLiteral("--lab-history y --no-history no se pueden usar juntos."));
    options.faultOptions = parser.values(fault);
    for (const QString& text : parser.values(fault)) {
        if (auto error = addFault(options.faults, text)) return mistake(*error);
    }
    return {options, QString(), 0};
}

std::optional<QString> cardLabelProblem(const QString& label) {
    const auto fault = cardLabelFault(label);
    if (!fault) return std::nullopt;
    return cardLabelMessage(*fault, LabelSource::CommandLine);
}
