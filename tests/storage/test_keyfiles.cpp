// Key files: the reader and writer beneath cInifile, cInifile itself and the category file.
#include "StorageTests.h"

#include "storage/CategoryFile.h"
#include "storage/KeyFile.h"
#include "storage/cInifile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <limits>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

ino_t inodeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

cInifile pointedAt(const QString& path, const QString& section, const QString& key) {
    cInifile ini;
    ini.setPath(path);
    ini.setSection(section);
    ini.setKey(key);
    return ini;
}

} // namespace

class TestKeyFiles : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString file(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void missingEntriesReadAsDefaultAndCreateNothing() {
        const QString path = file(QStringLiteral("missing.dat"));
        cInifile ini = pointedAt(path, QStringLiteral("main"), QStringLiteral("total"));
        QCOMPARE(ini.Value(), QString());
        ini.setDefault(QStringLiteral("none"));
        QCOMPARE(ini.Value(), QStringLiteral("none"));
        QVERIFY(!QFile::exists(path));
        QCOMPARE(ini.LastReturnCode(), 0L);
        QVERIFY(!ini.Success());

        writeBytes(path, "[main]\r\ntotal=4\r\n");
        ini.setSection(QStringLiteral("other"));
        QCOMPARE(ini.Value(), QStringLiteral("none"));
        ini.setSection(QStringLiteral("main"));
        ini.setKey(QStringLiteral("count"));
        QCOMPARE(ini.Value(), QStringLiteral("none"));
        QCOMPARE(readBytes(path), QByteArray("[main]\r\ntotal=4\r\n"));
    }

    void writeCreatesFileSectionAndKey() {
        const QString path = file(QStringLiteral("new.dat"));
        cInifile ini = pointedAt(path, QStringLiteral("main"), QStringLiteral("total"));
        ini.setValue(QStringLiteral("3"));
        QVERIFY(ini.Success());
        QVERIFY(ini.LastReturnCode() != 0);
        QCOMPARE(readBytes(path), QByteArray("[main]\r\ntotal=3\r\n"));

        ini.setSection(QStringLiteral("category"));
        ini.setKey(QStringLiteral("1"));
        ini.setValue(QStringLiteral("Work"));
        QCOMPARE(readBytes(path), QByteArray("[main]\r\ntotal=3\r\n[category]\r\n1=Work\r\n"));
        QCOMPARE(ini.Value(), QStringLiteral("Work"));
    }

    void failedWriteShowsOnlyInTheReturnCode() {
        cInifile ini = pointedAt(file(QStringLiteral("a.dat")), QStringLiteral("s"), QStringLiteral("k"));
        ini.setValue(QStringLiteral("1"));
        QVERIFY(ini.Success());
        const QString noFolder = file(QStringLiteral("no/such/folder/b.dat"));
        ini.setPath(noFolder);
        ini.setValue(QStringLiteral("1"));
        QVERIFY(!ini.Success());
        QCOMPARE(ini.LastReturnCode(), 0L);
        QVERIFY(!QDir(file(QStringLiteral("no"))).exists());
    }

    void valueIsReadBackCutTo254Characters() {
        const QString path = file(QStringLiteral("long.dat"));
        cInifile ini = pointedAt(path, QStringLiteral("category"), QStringLiteral("1"));
        const QString ascii = QString(300, QLatin1Char('x'));
        ini.setValue(ascii);
        QVERIFY(readBytes(path).contains(ascii.toUtf8()));
        QCOMPARE(ini.Value(), ascii.left(254));

        const QString accented = QString(300, QChar(0x00E9));
        ini.setValue(accented);
        QCOMPARE(ini.Value(), accented.left(254));
        QCOMPARE(ini.Value().size(), 254);
    }

    void characterZeroIsRemovedBeforeTheWrite() {
        const QString path = file(QStringLiteral("nul.dat"));
        cInifile ini = pointedAt(path, QStringLiteral("category"), QStringLiteral("1"));
        QString name = QStringLiteral("Wo") + QChar(0) + QStringLiteral("rk") + QChar(0);
        ini.setValue(name);
        QCOMPARE(name, QStringLiteral("Work"));
        QVERIFY(!readBytes(path).contains('\0'));
        QCOMPARE(ini.Value(), QStringLiteral("Work"));
    }

    void namesMatchWithoutRegardToCaseOrBlanks() {
        const QString path = file(QStringLiteral("case.dat"));
        // Behind a UTF-8 byte order mark, as some editors save.
        writeBytes(path, "\xEF\xBB\xBF[ Settings ]\r\n  PopUp  = 1\r\n");
        cInifile ini = pointedAt(path, QStringLiteral("settings"), QStringLiteral("POPUP"));
        // The value is everything after "=", blanks included.
        QCOMPARE(ini.Value(), QStringLiteral(" 1"));
        ini.setValue(QStringLiteral("0"));
        QCOMPARE(readBytes(path), QByteArray("\xEF\xBB\xBF[ Settings ]\r\n  PopUp  =0\r\n"));
    }

    void writeChangesOneLineAndKeepsTheRest() {
        const QString path = file(QStringLiteral("mixed.dat"));
        const QByteArray before = "; comment before any section\n"
                                  "\r\n"
                                  "[main]\r\n"
                                  "total=2\n"
                                  "# another comment\r\n"
                                  "unknown=keep me\r\n"
                                  "a line without an equals sign\r\n"
                                  "\r\n"
                                  "[category]\n"
                                  "1=Banana\n"
                                  "2=cherry";
        writeBytes(path, before);
        cInifile ini = pointedAt(path, QStringLiteral("main"), QStringLiteral("total"));
        ini.setValue(QStringLiteral("3"));
        QByteArray expected = before;
        expected.replace("total=2\n", "total=3\n");
        QCOMPARE(readBytes(path), expected);

        // A new key goes after the section's last non-blank line, before the blank line that ends it.
        ini.setKey(QStringLiteral("added"));
        ini.setValue(QStringLiteral("yes"));
        expected.replace("without an equals sign\r\n", "without an equals sign\r\nadded=yes\r\n");
        QCOMPARE(readBytes(path), expected);

        // The last line had no line end: it gets one before the new line.
        ini.setSection(QStringLiteral("category"));
        ini.setKey(QStringLiteral("3"));
        ini.setValue(QStringLiteral("date"));
        expected += "\r\n3=date\r\n";
        QCOMPARE(readBytes(path), expected);
        ini.setKey(QStringLiteral("2"));
        QCOMPARE(ini.Value(), QStringLiteral("cherry"));
    }

    void repeatedSectionsAndKeysUseTheFirst() {
        const QString path = file(QStringLiteral("dup.dat"));
        writeBytes(path, "[s]\r\nk=first\r\nk=second\r\n[S]\r\nk=third\r\nonly=here\r\n");
        cInifile ini = pointedAt(path, QStringLiteral("s"), QStringLiteral("k"));
        QCOMPARE(ini.Value(), QStringLiteral("first"));
        ini.setKey(QStringLiteral("only"));
        QCOMPARE(ini.Value(), QString());
        ini.setKey(QStringLiteral("k"));
        ini.setValue(QStringLiteral("new"));
        QCOMPARE(readBytes(path), QByteArray("[s]\r\nk=new\r\nk=second\r\n[S]\r\nk=third\r\nonly=here\r\n"));
    }

    void longLinesAndForeignBytesSurviveARewrite() {
        const QString path = file(QStringLiteral("odd.dat"));
        const QByteArray longValue(2 * 1024 * 1024, 'v');
        const QByteArray before = "[s]\r\nlong=" + longValue + "\r\nbad=\xff\xfe\xc3(\r\n; \x80\x81 comment\r\nk=1\r\n";
        writeBytes(path, before);
        cInifile ini = pointedAt(path, QStringLiteral("s"), QStringLiteral("long"));
        QCOMPARE(ini.Value(), QString(254, QLatin1Char('v')));
        ini.setKey(QStringLiteral("bad"));
        QVERIFY(ini.Value().contains(QChar::ReplacementCharacter));
        ini.setKey(QStringLiteral("k"));
        ini.setValue(QStringLiteral("2"));
        QByteArray expected = before;
        expected.replace("k=1\r\n", "k=2\r\n");
        QCOMPARE(readBytes(path), expected);
    }

    void valuesAndNamesThatCannotBeStoredAreRefused() {
        const QString path = file(QStringLiteral("refuse.dat"));
        writeBytes(path, "[s]\r\nk=1\r\n");
        const struct {
            const char* section;
            const char* key;
            const char* value;
        } cases[] = {{"s", "k", "two\nlines"}, {"s", "k", "cr\rinside"}, {"s", "a=b", "1"},
                     {"s", "", "1"},           {"s", "  ", "1"},         {"s]x", "k", "1"}};
        for (const auto& c : cases) {
            cInifile ini = pointedAt(path, QString::fromLatin1(c.section), QString::fromLatin1(c.key));
            ini.setValue(QString::fromLatin1(c.value));
            QVERIFY2(!ini.Success(), c.value);
            QCOMPARE(readBytes(path), QByteArray("[s]\r\nk=1\r\n"));
        }
    }

    void writesReplaceTheFileWholeAndLeaveNoTemporaryFiles() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("settings.dat"));
        writeBytes(path, "[settings]\r\npopup=1\r\n");
        const ino_t before = inodeOf(path);
        cInifile ini = pointedAt(path, QStringLiteral("settings"), QStringLiteral("popup"));
        ini.setValue(QStringLiteral("0"));
        QVERIFY(ini.Success());
        // Renamed over the old file, not rewritten in place.
        QVERIFY(inodeOf(path) != before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 QStringList{QStringLiteral("settings.dat")});
    }

    void readOnlyFileIsLeftAlone() {
        // Permissions do not bind root: CTest runs this test as an ordinary user.
        QVERIFY2(::geteuid() != 0, "run as an ordinary user (tests/support/as-ordinary-user.sh)");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("settings.dat"));
        writeBytes(path, "[settings]\r\npopup=1\r\n");
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
        cInifile ini = pointedAt(path, QStringLiteral("settings"), QStringLiteral("popup"));
        ini.setValue(QStringLiteral("0"));
        QVERIFY(!ini.Success());
        QCOMPARE(readBytes(path), QByteArray("[settings]\r\npopup=1\r\n"));
    }

    void everyAccessGoesToTheFile() {
        const QString path = file(QStringLiteral("shared.dat"));
        cInifile reader = pointedAt(path, QStringLiteral("s"), QStringLiteral("k"));
        cInifile writer = pointedAt(path, QStringLiteral("s"), QStringLiteral("k"));
        writer.setValue(QStringLiteral("1"));
        QCOMPARE(reader.Value(), QStringLiteral("1"));
        writeBytes(path, "[s]\r\nk=changed elsewhere\r\n");
        QCOMPARE(reader.Value(), QStringLiteral("changed elsewhere"));
    }

    void listsAndDeletions() {
        const QString path = file(QStringLiteral("lists.dat"));
        writeBytes(path, "[a]\r\nx=1\r\n=empty name\r\ny=2\r\n[]\r\n[b]\r\nz=3\r\n");
        cInifile ini = pointedAt(path, QStringLiteral("a"), QStringLiteral("x"));
        const QChar zero(0);
        QCOMPARE(ini.INISection(), QStringLiteral("x") + zero + zero + QStringLiteral("y") + zero);
        QCOMPARE(ini.Sections(), QStringLiteral("a") + zero + zero + QStringLiteral("b") + zero);

        QStringList names;
        long count = 0;
        ini.EnumerateCurrentSection(names, count);
        QCOMPARE(names, (QStringList{QStringLiteral("x"), QString(), QStringLiteral("y")}));
        QCOMPARE(count, 3L);
        ini.EnumerateAllSections(names, count);
        QCOMPARE(names, (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
        QCOMPARE(count, 2L);

        ini.DeleteKey();
        QVERIFY(ini.Success());
        QCOMPARE(readBytes(path), QByteArray("[a]\r\n=empty name\r\ny=2\r\n[]\r\n[b]\r\nz=3\r\n"));
        ini.setSection(QStringLiteral("B"));
        ini.DeleteSection();
        QCOMPARE(readBytes(path), QByteArray("[a]\r\n=empty name\r\ny=2\r\n[]\r\n"));
        ini.setSection(QStringLiteral("a"));
        ini.setINISection(QStringLiteral("ignored"));
        QVERIFY(ini.Success());
        QCOMPARE(readBytes(path), QByteArray("[]\r\n"));

        ini.setPath(file(QStringLiteral("absent.dat")));
        QCOMPARE(ini.INISection(), QString());
        ini.EnumerateAllSections(names, count);
        QCOMPARE(count, 0L);
        ini.DeleteKey();
        QVERIFY(!QFile::exists(file(QStringLiteral("absent.dat"))));
    }

    void conversionToAWholeNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<long>("expected");
        QTest::newRow("plain") << "12" << 12L;
        QTest::newRow("blanks") << " 7 " << 7L;
        QTest::newRow("negative") << "-3" << -3L;
        QTest::newRow("fraction up") << "2.6" << 3L;
        QTest::newRow("fraction down") << "0.4" << 0L;
        QTest::newRow("half to even") << "2.5" << 2L;
        QTest::newRow("exponent") << "1e3" << 1000L;
        QTest::newRow("empty") << "" << -1L;
        QTest::newRow("text") << "abc" << -1L;
        QTest::newRow("trailing text") << "5x" << -1L;
        QTest::newRow("too large") << "99999999999999999999999" << -1L;
        QTest::newRow("infinite") << "inf" << -1L;
    }
    void conversionToAWholeNumber() {
        QFETCH(QString, text);
        QFETCH(long, expected);
        QCOMPARE(cInifile::CLngDefault(text, -1), expected);
    }

    void formPositionRoundTripsInTwips() {
        const QString path = file(QStringLiteral("form.dat"));
        QWidget window;
        window.move(100, 50);
        window.resize(300, 200);
        cInifile ini = pointedAt(path, QStringLiteral("form"), QStringLiteral("kept"));
        ini.SaveFormPosition(&window);
        QCOMPARE(ini.Key(), QStringLiteral("kept"));
        const auto value = [&](const char* key) {
            return keyfile::readValue(path, QStringLiteral("form"), QString::fromLatin1(key)).value_or(QString());
        };
        QCOMPARE(value("Left"), QStringLiteral("1500"));
        QCOMPARE(value("Top"), QStringLiteral("750"));
        QCOMPARE(value("Width"), QStringLiteral("4500"));
        QCOMPARE(value("Height"), QStringLiteral("3000"));
        QCOMPARE(value("Maximised"), QStringLiteral("0"));

        QWidget other;
        ini.setDefault(QStringLiteral("keep"));
        ini.LoadFormPosition(&other, 6000, 0);
        QCOMPARE(other.pos(), QPoint(100, 50));
        QCOMPARE(other.size(), QSize(400, 200)); // the minimum width of 6000 twips
        QCOMPARE(ini.Key(), QStringLiteral("kept"));
        QCOMPARE(ini.Default(), QStringLiteral("keep"));

        // A position far off the screen is brought back onto it.
        keyfile::writeValue(path, QStringLiteral("form"), QStringLiteral("Left"), QStringLiteral("-9999999"));
        ini.LoadFormPosition(&other);
        QVERIFY(other.x() >= other.screen()->availableGeometry().left());
    }

    void categoryTotal_data() {
        QTest::addColumn<QByteArray>("total");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("zero") << QByteArray("0") << qint64{0};
        QTest::newRow("twelve") << QByteArray("12") << qint64{12};
        QTest::newRow("beyond 16 bits") << QByteArray("40000") << qint64{40000};
        QTest::newRow("blanks") << QByteArray(" 5 ") << qint64{5};
        QTest::newRow("negative") << QByteArray("-1") << qint64{0};
        QTest::newRow("fraction") << QByteArray("3.5") << qint64{0};
        QTest::newRow("text") << QByteArray("abc") << qint64{0};
        QTest::newRow("empty") << QByteArray("") << qint64{0};
        QTest::newRow("beyond 64 bits") << QByteArray("99999999999999999999") << qint64{0};
    }
    void categoryTotal() {
        QFETCH(QByteArray, total);
        QFETCH(qint64, expected);
        QTemporaryDir program;
        QVERIFY(QDir(program.path()).mkpath(QStringLiteral("data")));
        const QString path = categoryfile::path(program.path());
        const QByteArray bytes = "[main]\r\ntotal=" + total + "\r\n[category]\r\n1=a\r\n2=b\r\n";
        writeBytes(path, bytes);
        cInifile ini;
        const QString text = categoryfile::readTotal(ini, program.path());
        QCOMPARE(text, QString::fromLatin1(total));
        QCOMPARE(categoryfile::totalValue(text), expected);
        categoryfile::readNames(ini, program.path(), categoryfile::totalValue(text));
        QCOMPARE(readBytes(path), bytes);
    }

    void categoryNamesStopAtTheTotalAndSkipGaps() {
        QTemporaryDir program;
        QVERIFY(QDir(program.path()).mkpath(QStringLiteral("data")));
        const QString path = categoryfile::path(program.path());
        cInifile ini;
        QCOMPARE(categoryfile::readTotal(ini, program.path()), QString());
        QCOMPARE(categoryfile::readNames(ini, program.path(), 5), QStringList());
        QVERIFY(!QFile::exists(path));

        writeBytes(path, "[main]\r\ntotal=3\r\n[category]\r\n5=e\r\n3=c\r\n01=x\r\n1=a\r\n4=d\r\n");
        QCOMPARE(categoryfile::readNames(ini, program.path(), 3), (QStringList{"a", "c"}));
        // A huge total reads only what the file holds.
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(categoryfile::readNames(ini, program.path(), std::numeric_limits<std::int64_t>::max()),
                 (QStringList{"a", "c", "d", "e"}));
        QVERIFY(timer.elapsed() < 1000);
    }

    void addingAndRemovingRenumbersTheList() {
        QTemporaryDir program;
        QVERIFY(QDir(program.path()).mkpath(QStringLiteral("data")));
        const QString path = categoryfile::path(program.path());
        writeBytes(path, "[main]\r\ntotal=2\r\n[category]\r\n1=Banana\r\n2=cherry\r\n");
        cInifile ini;

        // Adding apple: the count and the new name first, then the sorted list.
        QVERIFY(categoryfile::writeTotal(ini, program.path(), 3));
        QVERIFY(categoryfile::writeName(ini, program.path(), 3, QStringLiteral("apple")));
        QVERIFY(categoryfile::renumber(ini, program.path(), {"apple", "Banana", "cherry"}));
        QCOMPARE(readBytes(path), QByteArray("[main]\r\ntotal=3\r\n[category]\r\n1=apple\r\n2=Banana\r\n3=cherry\r\n"));

        // Removing Banana leaves a stale key 3 that readers never reach.
        QVERIFY(categoryfile::renumber(ini, program.path(), {"apple", "cherry"}));
        QCOMPARE(readBytes(path), QByteArray("[main]\r\ntotal=2\r\n[category]\r\n1=apple\r\n2=cherry\r\n3=cherry\r\n"));
        const QString total = categoryfile::readTotal(ini, program.path());
        QCOMPARE(total, QStringLiteral("2"));
        QCOMPARE(categoryfile::readNames(ini, program.path(), categoryfile::totalValue(total)),
                 (QStringList{"apple", "cherry"}));

        QVERIFY(categoryfile::renumber(ini, program.path(), {}));
        QCOMPARE(categoryfile::readTotal(ini, program.path()), QStringLiteral("0"));
    }

    void manyCategoriesBeyond16Bits() {
        QTemporaryDir program;
        QVERIFY(QDir(program.path()).mkpath(QStringLiteral("data")));
        QStringList names;
        for (int i = 0; i < 40000; ++i) {
            names << QStringLiteral("category %1").arg(i, 5, 10, QLatin1Char('0'));
        }
        cInifile ini;
        QElapsedTimer timer;
        timer.start();
        QVERIFY(categoryfile::renumber(ini, program.path(), names));
        const QString total = categoryfile::readTotal(ini, program.path());
        QCOMPARE(total, QStringLiteral("40000"));
        QCOMPARE(categoryfile::readNames(ini, program.path(), categoryfile::totalValue(total)), names);
        QVERIFY(timer.elapsed() < 5000);
    }
};

int runKeyFileTests(int argc, char** argv) {
    TestKeyFiles tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "test_keyfiles.moc"
