#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>
#include <span>

// One option of the program's own. Each is written with two dashes (--name); an option that takes a value may
// also be written --name=VALUE.
struct ProgramOption {
    enum class Value { None, Optional };
    const char* name;
    Value value;
    const char* valueName; // shown in the help, for options that take a value
    const char* help;
};

// The options this program knows. Adding one is one entry here (CommandLine.cpp) and its paragraph in the manual
// page.
std::span<const ProgramOption> programOptions();

// What the command line asks for. Qt's own options (-platform NAME, -display NAME, ...) are left to Qt.
struct CommandLine {
    enum class Outcome { Run, ShowHelp, ShowVersion, Error };
    Outcome outcome = Outcome::Run;
    // With Error: what was wrong, naming the argument.
    QString error;
    // Every option given, by name, with its value when it had one.
    QMap<QString, std::optional<QString>> given;

    bool isSet(const QString& name) const { return given.contains(name); }
};

// arguments: everything after the program's name.
CommandLine parseCommandLine(const QStringList& arguments, std::span<const ProgramOption> options = programOptions());

// The help: usage, each option, and the folder the notes are kept in.
QString helpText(const QString& dataFolder, std::span<const ProgramOption> options = programOptions());
QString versionText();
// The lines written for a command line that cannot be run.
QString errorText(const CommandLine& commandLine);
