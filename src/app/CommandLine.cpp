#include "app/CommandLine.h"

#include <array>

namespace {

constexpr std::array kOptions{
    ProgramOption{"help", ProgramOption::Value::None, nullptr, "Shows this help and ends."},
    ProgramOption{"version", ProgramOption::Value::None, nullptr, "Shows the version and ends."},
    ProgramOption{"find", ProgramOption::Value::Optional, "TEXT",
                  "Opens Find Notes, with TEXT in its search field; a running Scribbet opens it."},
};

// The options that Qt takes out of the command line itself when the application object is made: written with one
// dash or two, and those of the first list followed by their value.
constexpr std::array kQtOptionsWithValue{"platform",
                                         "platformpluginpath",
                                         "platformtheme",
                                         "plugin",
                                         "qwindowgeometry",
                                         "geometry",
                                         "qwindowtitle",
                                         "title",
                                         "qwindowicon",
                                         "icon",
                                         "session",
                                         "style",
                                         "stylesheet",
                                         "display",
                                         "name",
                                         "visual"};
constexpr std::array kQtFlags{"reverse", "testability", "widgetcount", "nograb", "dograb"};
constexpr std::array kQtOptionsJoined{"style=", "stylesheet=", "qmljsdebugger="};

template <typename List> bool listed(const List& list, const QString& name) {
    for (const char* entry : list) {
        if (name == QLatin1String(entry)) {
            return true;
        }
    }
    return false;
}

template <typename List> bool startsWithListed(const List& list, const QString& name) {
    for (const char* entry : list) {
        if (name.startsWith(QLatin1String(entry))) {
            return true;
        }
    }
    return false;
}

const ProgramOption* findOption(std::span<const ProgramOption> options, const QString& name) {
    for (const ProgramOption& option : options) {
        if (name == QLatin1String(option.name)) {
            return &option;
        }
    }
    return nullptr;
}

CommandLine failed(const QString& error) {
    CommandLine result;
    result.outcome = CommandLine::Outcome::Error;
    result.error = error;
    return result;
}

} // namespace

std::span<const ProgramOption> programOptions() {
    return kOptions;
}

CommandLine parseCommandLine(const QStringList& arguments, std::span<const ProgramOption> options) {
    CommandLine result;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument.startsWith(QLatin1String("--")) && argument.size() > 2) {
            const qsizetype equals = argument.indexOf(QLatin1Char('='));
            const QString name = argument.mid(2, equals < 0 ? -1 : equals - 2);
            if (const ProgramOption* option = findOption(options, name)) {
                if (option->value == ProgramOption::Value::None) {
                    if (equals >= 0) {
                        return failed(QStringLiteral("option '--%1' takes no value").arg(name));
                    }
                    result.given.insert(name, std::nullopt);
                } else if (equals >= 0) {
                    result.given.insert(name, argument.mid(equals + 1));
                } else if (i + 1 < arguments.size() && !arguments[i + 1].startsWith(QLatin1Char('-'))) {
                    result.given.insert(name, arguments[++i]);
                } else {
                    result.given.insert(name, std::nullopt);
                }
                continue;
            }
        }
        if (argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            const QString qtName = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
            if (listed(kQtOptionsWithValue, qtName)) {
                ++i; // Qt takes the value with it
                continue;
            }
            if (listed(kQtFlags, qtName) || startsWithListed(kQtOptionsJoined, qtName)) {
                continue;
            }
            return failed(QStringLiteral("unknown option '%1'").arg(argument));
        }
        return failed(QStringLiteral("unexpected argument '%1'").arg(argument));
    }
    if (result.isSet(QStringLiteral("help"))) {
        result.outcome = CommandLine::Outcome::ShowHelp;
    } else if (result.isSet(QStringLiteral("version"))) {
        result.outcome = CommandLine::Outcome::ShowVersion;
    }
    return result;
}

QString helpText(const QString& dataFolder, std::span<const ProgramOption> options) {
    QString text = QStringLiteral("Usage: scribbet [OPTION]...\n"
                                  "Takes notes quickly from text you copy.\n"
                                  "\n"
                                  "Options:\n");
    QStringList names;
    qsizetype width = 0;
    for (const ProgramOption& option : options) {
        QString name = QStringLiteral("--") + QLatin1String(option.name);
        if (option.value == ProgramOption::Value::Optional) {
            name += QStringLiteral(" [%1]").arg(QLatin1String(option.valueName));
        }
        width = qMax(width, name.size());
        names.append(name);
    }
    for (std::size_t i = 0; i < options.size(); ++i) {
        text += QStringLiteral("  %1  %2\n")
                    .arg(names[static_cast<qsizetype>(i)].leftJustified(width), QLatin1String(options[i].help));
    }
    text += QStringLiteral("\n"
                           "Qt's own options, such as -platform NAME and -display DISPLAY, work as in every Qt "
                           "program.\n"
                           "\n"
                           "Your notes are kept in %1\n")
                .arg(dataFolder);
    return text;
}

QString versionText() {
    return QStringLiteral("Scribbet 1.6\n");
}

QString errorText(const CommandLine& commandLine) {
    return QStringLiteral("scribbet: %1\nTry 'scribbet --help' for more information.\n").arg(commandLine.error);
}
