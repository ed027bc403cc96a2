#include "startoptions.h"

#include <QCommandLineParser>

#include <utility>

#include "fennmereversion.h"

namespace fennmere {

namespace {

// The options QGuiApplication and QApplication read themselves, and whether
// each takes a value. They are passed on untouched.
struct CQtOption {
    const char* m_name;
    bool m_bValue;
};
constexpr CQtOption kQtOptions[] = {
    {"platform", true},  {"platformpluginpath", true}, {"platformtheme", true}, {"plugin", true},
    {"qwindowgeometry", true}, {"qwindowicon", true},  {"qwindowtitle", true},  {"reverse", false},
    {"session", true},   {"style", true},              {"stylesheet", true},    {"widgetcount", false},
    {"display", true},   {"geometry", true},           {"name", true},          {"title", true},
    {"visual", true},    {"ncols", true},              {"cmap", false},         {"nograb", false},
    {"dograb", false},   {"sync", false},
};

const CQtOption* QtOption(const QString& argument)
{
    if (!argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("--")) return nullptr;
    QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
    name = name.left(name.indexOf(QLatin1Char('=')));
    for (const CQtOption& option : kQtOptions) {
        if (name == QLatin1String(option.m_name)) return &option;
    }
    return nullptr;
}

const char kHelp[] =
    "usage: FennmereSetup [--port P] [--sensors FILE] [SETUP-FILE]\n"
    "\n"
    "Prepares, keeps and transfers the configuration of a GSM data logger.\n"
    "SETUP-FILE is opened as File Open opens it.\n"
    "\n"
    "  --port P        the communication panel's port at start: COM<n> or a\n"
    "                  device path such as /dev/ttyUSB0\n"
    "  --sensors FILE  sensor definition file read at every New (default:\n"
    "                  sensor.ini in the current directory)\n"
    "  -h, --help      show this help and exit\n"
    "  --version       show the version and exit\n"
    "\n"
    "Qt's own options (-platform, -style, ...) are passed on to Qt.\n";

}  // namespace

CStartOptions ReadStartOptions(const QStringList& arguments)
{
    CStartOptions options;
    // Qt's options out first, as QApplication would take them.
    QStringList own;
    for (int i = 0; i < arguments.size(); ++i) {
        if (i == 0) {
            options.m_qtArguments << arguments[i];
            own << arguments[i];
            continue;
        }
        if (arguments[i] == QLatin1String("--")) {
            own << arguments.mid(i);
            break;
        }
        const CQtOption* qt = QtOption(arguments[i]);
        if (qt == nullptr) {
            own << arguments[i];
            continue;
        }
        options.m_qtArguments << arguments[i];
        if (qt->m_bValue && !arguments[i].contains(QLatin1Char('=')) && i + 1 < arguments.size())
            options.m_qtArguments << arguments[++i];
    }

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption port(QStringLiteral("port"), {}, QStringLiteral("P"));
    const QCommandLineOption sensors(QStringLiteral("sensors"), {}, QStringLiteral("FILE"));
    parser.addOptions({help, version, port, sensors});
    parser.addPositionalArgument(QStringLiteral("SETUP-FILE"), {});
    if (!parser.parse(own)) {
        options.m_action = CStartOptions::EAction::Refuse;
        options.m_strText = QStringLiteral("FennmereSetup: %1\nTry 'FennmereSetup --help'.\n").arg(parser.errorText());
        return options;
    }
    if (parser.isSet(help)) {
        options.m_action = CStartOptions::EAction::Help;
        options.m_strText = QString::fromLatin1(kHelp);
        return options;
    }
    if (parser.isSet(version)) {
        options.m_action = CStartOptions::EAction::Version;
        options.m_strText = QStringLiteral("FennmereSetup " FENNMERE_VERSION "\n");
        return options;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        options.m_action = CStartOptions::EAction::Refuse;
        options.m_strText =
            QStringLiteral("FennmereSetup: one setup file at a time, not %1\nTry 'FennmereSetup --help'.\n")
                .arg(files.size());
        return options;
    }
    options.m_files = files;
    options.m_strPort = parser.value(port);
    options.m_strSensors = parser.value(sensors);
    return options;
}

}  // namespace fennmere
