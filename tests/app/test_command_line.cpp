// The command line: the program's own options, Qt's options left to Qt, and everything else refused.
#include "app/CommandLine.h"

#include <QTest>

#include <array>

namespace {

using Outcome = CommandLine::Outcome;

CommandLine parse(const QString& line, std::span<const ProgramOption> options = programOptions()) {
    return parseCommandLine(line.isEmpty() ? QStringList{} : line.split(QLatin1Char(' ')), options);
}

// The program's options plus one that takes an optional value, as an option with a search text would.
constexpr std::array kWithValue{
    ProgramOption{"help", ProgramOption::Value::None, nullptr, "Shows this help and ends."},
    ProgramOption{"look", ProgramOption::Value::Optional, "TEXT", "Looks for TEXT."},
};

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void noOptionsRunsAsBefore() {
        const CommandLine c = parse(QString());
        QCOMPARE(c.outcome, Outcome::Run);
        QVERIFY(c.given.isEmpty());
    }

    void qtOptionsAreLeftToQt() {
        // With one dash or two, their values taken along (a value that looks like an option too).
        for (const char* line : {"-platform offscreen", "--platform xcb -display :3", "-style=fusion -reverse",
                                 "-stylesheet my.qss -name scribbet -geometry 100x100+0+0 -title T -icon i.png",
                                 "-platform --version", "-qwindowtitle x -qwindowgeometry 1x1 -qwindowicon i",
                                 "-platformtheme gtk3 -platformpluginpath /p -plugin evdevtouch -session s",
                                 "-visual 33 -nograb -dograb -widgetcount -testability -qmljsdebugger=port:1"}) {
            const CommandLine c = parse(QString::fromLatin1(line));
            QVERIFY2(c.outcome == Outcome::Run, line);
            QVERIFY2(c.given.isEmpty(), line);
        }
    }

    void helpAndVersion() {
        QCOMPARE(parse(QStringLiteral("--version")).outcome, Outcome::ShowVersion);
        QCOMPARE(parse(QStringLiteral("-platform offscreen --help")).outcome, Outcome::ShowHelp);
        QCOMPARE(parse(QStringLiteral("--version --help")).outcome, Outcome::ShowHelp);
        QCOMPARE(versionText(), QStringLiteral("Scribbet 1.6\n"));
    }

    void anythingElseIsRefusedByName() {
        const struct {
            const char* line;
            const char* error;
        } cases[] = {
            {"--bogus", "unknown option '--bogus'"},
            {"--help --bogus", "unknown option '--bogus'"},
            {"-h", "unknown option '-h'"},
            {"--platform=xcb", "unknown option '--platform=xcb'"},
            {"--", "unknown option '--'"},
            {"--version=2", "option '--version' takes no value"},
            {"notes.txt", "unexpected argument 'notes.txt'"},
            {"-display :1 extra", "unexpected argument 'extra'"},
        };
        for (const auto& k : cases) {
            const CommandLine c = parse(QString::fromLatin1(k.line));
            QVERIFY2(c.outcome == Outcome::Error, k.line);
            QCOMPARE(c.error, QString::fromLatin1(k.error));
            QCOMPARE(errorText(c), QStringLiteral("scribbet: %1\nTry 'scribbet --help' for more information.\n")
                                       .arg(QString::fromLatin1(k.error)));
        }
    }

    void anOptionalValueIsTheNextWordUnlessItIsAnOption() {
        QCOMPARE(parse(QStringLiteral("--look"), kWithValue).given.value(QStringLiteral("look")), std::nullopt);
        QCOMPARE(parse(QStringLiteral("--look milk"), kWithValue).given.value(QStringLiteral("look")),
                 std::optional<QString>(QStringLiteral("milk")));
        QCOMPARE(parse(QStringLiteral("--look=-x=y"), kWithValue).given.value(QStringLiteral("look")),
                 std::optional<QString>(QStringLiteral("-x=y")));
        const CommandLine beforeQt = parse(QStringLiteral("--look -platform offscreen"), kWithValue);
        QCOMPARE(beforeQt.outcome, Outcome::Run);
        QCOMPARE(beforeQt.given.value(QStringLiteral("look")), std::nullopt);
        QVERIFY(beforeQt.isSet(QStringLiteral("look")));
        QCOMPARE(parse(QStringLiteral("--look a b"), kWithValue).error, QStringLiteral("unexpected argument 'b'"));
    }

    void helpListsEveryOptionAndTheDataFolder() {
        const QString help = helpText(QStringLiteral("/home/u/.local/share/scribbet/data"), kWithValue);
        QVERIFY(help.startsWith(QStringLiteral("Usage: scribbet [OPTION]...\n")));
        // Descriptions line up after the longest option.
        QVERIFY(help.contains(QStringLiteral("\n  --help         Shows this help and ends.\n")));
        QVERIFY(help.contains(QStringLiteral("\n  --look [TEXT]  Looks for TEXT.\n")));
        QVERIFY(help.endsWith(QStringLiteral("\nYour notes are kept in /home/u/.local/share/scribbet/data\n")));
        const QString programHelp = helpText(QStringLiteral("/x/data"));
        for (const ProgramOption& option : programOptions()) {
            const QString value = option.value == ProgramOption::Value::Optional
                                      ? QStringLiteral(" [%1]").arg(QLatin1String(option.valueName))
                                      : QString();
            QVERIFY(programHelp.contains(QStringLiteral("  --%1%2  ").arg(QLatin1String(option.name), value)));
        }
    }
};

QTEST_APPLESS_MAIN(TestCommandLine)
#include "test_command_line.moc"
