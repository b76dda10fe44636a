// The archive and folder functions on their own: what goes into the zip, what comes back out, and the moves that put
// unpacked files into place.
#include "backup/Archive.h"
#include "backup/BackupRestore.h"
#include "backup/FolderSize.h"

#include "FolderContents.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

#include <sys/stat.h>

namespace {

// A data folder with what a backup must not miss: hidden files, nested folders, an empty file, and files larger
// than one read (incompressible and highly compressible).
void fillSampleFolder(const QString& folder) {
    // Larger than the archive writer's buffer, so that its header is rewritten on disk.
    QByteArray noise(1536 * 1024, '\0');
    QRandomGenerator generator(7);
    generator.fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    QVERIFY(writeFile(folder + QStringLiteral("/data.mdb"), noise));
    QVERIFY(writeFile(folder + QStringLiteral("/category.dat"), "[main]\r\ntotal=0\r\n"));
    QVERIFY(writeFile(folder + QStringLiteral("/.hidden"), "secret"));
    QVERIFY(writeFile(folder + QStringLiteral("/empty.txt"), ""));
    QVERIFY(writeFile(folder + QStringLiteral("/sub/.deep/note.txt"), QByteArray(1024 * 1024, 'a')));
}

// The file's inode number, links not followed; 0 when there is nothing.
quint64 inode(const QString& path) {
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_ino : 0;
}

QString run(const QString& program, const QStringList& arguments, const QString& workingFolder = {}) {
    if (QStandardPaths::findExecutable(program).isEmpty()) {
        return QStringLiteral("missing");
    }
    QProcess process;
    process.setWorkingDirectory(workingFolder);
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        return QStringLiteral("failed: ") + QString::fromLocal8Bit(process.readAllStandardError()) +
               QString::fromLocal8Bit(process.readAllStandardOutput());
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

} // namespace

class ArchiveTest : public QObject {
    Q_OBJECT
private slots:
    void getPathRoot_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("root");
        QTest::newRow("drive letter") << QStringLiteral("C:\\x") << QStringLiteral("C:\\");
        QTest::newRow("network path") << QStringLiteral("\\\\server\\share") << QStringLiteral("\\");
        QTest::newRow("no separator") << QStringLiteral("abc") << QString();
        QTest::newRow("unix path") << QStringLiteral("/home/x") << QStringLiteral("/");
        QTest::newRow("relative with slash") << QStringLiteral("ab/c\\d") << QStringLiteral("ab/");
    }
    void getPathRoot() {
        QFETCH(QString, path);
        QFETCH(QString, root);
        QCOMPARE(GetPathRoot(path), root);
    }

    void folderSizeCountsHiddenAndNestedFiles() {
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(QStringLiteral("a.txt")), "abc"));
        QVERIFY(writeFile(dir.filePath(QStringLiteral(".hidden")), "12345"));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("sub/.deep/b.txt")), "1234567"));
        QDir(dir.path()).mkpath(QStringLiteral("emptyfolder"));
        QCOMPARE(GetFolderSize(dir.path()), 15.0);
        QCOMPARE(GetFolderSize(dir.filePath(QStringLiteral("missing"))), 0.0);
    }

    void archiveHoldsEveryFileAndUnpacksToTheSame() {
        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("data"));
        fillSampleFolder(data);
        // Too large to be deflated whole ahead of the archive: streamed while the small files go on beside it.
        QVERIFY(writeFile(data + QStringLiteral("/sub/long.txt"), QByteArray("a long note\n").repeated(6 << 20)));
        const QString archive = dir.filePath(QStringLiteral("backup.dat"));
        QString error;
        QVERIFY2(writeFolderArchive(data, archive, &error), qPrintable(error));

        const QString tested = run(QStringLiteral("unzip"), {QStringLiteral("-t"), archive});
        if (tested == QStringLiteral("missing")) {
            QSKIP("unzip is not installed");
        }
        QVERIFY2(tested.contains(QStringLiteral("No errors detected")), qPrintable(tested));
        const QStringList names = run(QStringLiteral("zipinfo"), {QStringLiteral("-1"), archive})
                                      .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(names, QStringList({QStringLiteral(".hidden"), QStringLiteral("category.dat"),
                                     QStringLiteral("data.mdb"), QStringLiteral("empty.txt"),
                                     QStringLiteral("sub/.deep/note.txt"), QStringLiteral("sub/long.txt")}));
        // Deflated: the compressible megabytes shrink to little.
        QVERIFY(QFileInfo(archive).size() < (1536 + 512) * 1024);

        const QString out = dir.filePath(QStringLiteral("out"));
        QDir().mkpath(out);
        const ExtractResult extracted = extractArchive(archive, out, 128 * 1024 * 1024);
        QVERIFY2(extracted.status == ExtractResult::Extracted, qPrintable(extracted.error));
        QCOMPARE(folderContents(out), folderContents(data));
        QCOMPARE(extracted.files.size(), 6);
    }

    void nothingToArchiveFails() {
        QTemporaryDir dir;
        const QString archive = dir.filePath(QStringLiteral("backup.dat"));
        QVERIFY(!writeFolderArchive(dir.filePath(QStringLiteral("missing")), archive));
        QDir().mkpath(dir.filePath(QStringLiteral("empty/sub")));
        QVERIFY(!writeFolderArchive(dir.filePath(QStringLiteral("empty")), archive));
        QVERIFY(!QFileInfo::exists(archive));
    }

    // A link in the folder is not followed (it may lead anywhere), and a file whose name cannot be stored as it is
    // makes the archive fail rather than go missing from it.
    void linksAreLeftOutAndUnreadableNamesFail() {
        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("data"));
        QVERIFY(writeFile(data + QStringLiteral("/a.txt"), "kept"));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("secret.txt")), "outside"));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("secret.txt")), data + QStringLiteral("/link.txt")));
        QVERIFY(QFile::link(dir.path(), data + QStringLiteral("/folderlink")));
        QCOMPARE(GetFolderSize(data), 4.0);
        const QString archive = dir.filePath(QStringLiteral("backup.dat"));
        QVERIFY(writeFolderArchive(data, archive));
        const QString out = dir.filePath(QStringLiteral("out"));
        QDir().mkpath(out);
        QCOMPARE(extractArchive(archive, out, 1 << 20).status, ExtractResult::Extracted);
        QCOMPARE(folderContents(out), (QMap<QString, QByteArray>{{QStringLiteral("a.txt"), "kept"}}));

        QVERIFY(QFile::remove(archive));
        // "café" in Latin-1: not valid UTF-8.
        const QByteArray raw = QFile::encodeName(data) + "/caf\xe9.txt";
        std::FILE* file = std::fopen(raw.constData(), "w");
        QVERIFY(file != nullptr && std::fclose(file) == 0);
        QString error;
        QVERIFY(!writeFolderArchive(data, archive, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFileInfo::exists(archive));
    }

    void infoZipArchiveUnpacks() {
        QTemporaryDir dir;
        const QString data = dir.filePath(QStringLiteral("data"));
        fillSampleFolder(data);
        const QString archive = dir.filePath(QStringLiteral("infozip.zip"));
        const QString zipped =
            run(QStringLiteral("zip"),
                {QStringLiteral("-r"), QStringLiteral("-9"), QStringLiteral("-q"), archive, QStringLiteral(".")}, data);
        if (zipped == QStringLiteral("missing")) {
            QSKIP("zip is not installed");
        }
        QVERIFY2(!zipped.startsWith(QStringLiteral("failed")), qPrintable(zipped));
        const QString out = dir.filePath(QStringLiteral("out"));
        QDir().mkpath(out);
        const ExtractResult extracted = extractArchive(archive, out, 3 * 1024 * 1024);
        QVERIFY2(extracted.status == ExtractResult::Extracted, qPrintable(extracted.error));
        QCOMPARE(folderContents(out), folderContents(data));
        // Info-ZIP lists the folders too.
        QVERIFY(extracted.folders.contains(QStringLiteral("sub/.deep")));
    }

    // A restore over a folder leaves the files that hold the archive's bytes already where they are and writes the
    // others; whatever the folder held, afterwards every archived file has its archived bytes as a plain file, the
    // other files stay, and nothing outside the folder changes. Checked over random folders against the archive.
    void restoreOverAFolderWritesOnlyWhatDiffers() {
        for (quint32 seed = 1; seed <= 8; ++seed) {
            QRandomGenerator random(seed);
            QTemporaryDir dir;
            const QString data = dir.filePath(QStringLiteral("data"));
            const QString target = dir.filePath(QStringLiteral("target"));
            const QString outside = dir.filePath(QStringLiteral("outside"));
            const auto bytes = [&random](int length) {
                QByteArray text(length, '\0');
                for (char& c : text) {
                    c = static_cast<char>('a' + random.bounded(3));
                }
                return text;
            };
            QMap<QString, QByteArray> archived;
            // Enough files for every core to take its share.
            for (int i = 0; i < 300; ++i) {
                const QString name =
                    (i % 7 == 0 ? QStringLiteral("sub/") : QString()) + QStringLiteral("%1.txt").arg(i);
                archived.insert(name, bytes(random.bounded(3) == 0 ? 0 : random.bounded(1, 3000)));
                QVERIFY(writeFile(data + QLatin1Char('/') + name, archived[name]));
            }
            const QString archive = dir.filePath(QStringLiteral("backup.dat"));
            QVERIFY(writeFolderArchive(data, archive));

            QMap<QString, QByteArray> others;
            QMap<QString, QByteArray> outsideFiles;
            QMap<QString, quint64> keptInodes; // files with the archived bytes already
            for (auto it = archived.cbegin(); it != archived.cend(); ++it) {
                const QString path = target + QLatin1Char('/') + it.key();
                const QString elsewhere = outside + QStringLiteral("/%1").arg(outsideFiles.size());
                switch (random.bounded(6)) {
                case 0: // the same bytes
                    QVERIFY(writeFile(path, it.value()));
                    keptInodes.insert(it.key(), inode(path));
                    break;
                case 1: { // as long, other bytes
                    QByteArray changed = it.value();
                    if (!changed.isEmpty()) {
                        changed[random.bounded(changed.size())] = 'z';
                    }
                    QVERIFY(writeFile(path, changed.isEmpty() ? QByteArray("z") : changed));
                    break;
                }
                case 2: // longer
                    QVERIFY(writeFile(path, it.value() + "more"));
                    break;
                case 3: // a link to a file elsewhere with the same bytes: replaced, the file elsewhere untouched
                    QVERIFY(writeFile(elsewhere, it.value()));
                    outsideFiles.insert(elsewhere, it.value());
                    QDir().mkpath(QFileInfo(path).absolutePath());
                    QVERIFY(QFile::link(elsewhere, path));
                    break;
                default: // missing
                    break;
                }
            }
            const QString other = QStringLiteral("other %1.txt").arg(seed);
            QVERIFY(writeFile(target + QLatin1Char('/') + other, "not in the archive"));
            others.insert(other, "not in the archive");

            QCOMPARE(restoreData(archive, target, std::int64_t{1} << 30), RestoreResult::Restored);
            QMap<QString, QByteArray> expected = archived;
            expected.insert(others);
            QCOMPARE(folderContents(target), expected);
            for (auto it = archived.cbegin(); it != archived.cend(); ++it) {
                const QFileInfo info(target + QLatin1Char('/') + it.key());
                QVERIFY2(info.isFile() && !info.isSymLink(), qPrintable(it.key()));
                if (keptInodes.contains(it.key())) {
                    QCOMPARE(inode(info.filePath()), keptInodes[it.key()]);
                }
            }
            for (auto it = outsideFiles.cbegin(); it != outsideFiles.cend(); ++it) {
                QCOMPARE(folderContents(QFileInfo(it.key()).absolutePath()).value(QFileInfo(it.key()).fileName()),
                         it.value());
            }
            QVERIFY(
                QDir(dir.path()).entryList({QStringLiteral(".restore-*")}, QDir::AllEntries | QDir::Hidden).isEmpty());
        }
    }

    void moveIntoPlaceUndoesEarlierMovesWhenOneFails() {
        QTemporaryDir dir;
        const QString staged = dir.filePath(QStringLiteral("staged"));
        const QString target = dir.filePath(QStringLiteral("target"));
        const QString displaced = dir.filePath(QStringLiteral("displaced"));
        QDir().mkpath(displaced);
        QVERIFY(writeFile(staged + QStringLiteral("/a.txt"), "new a"));
        QVERIFY(writeFile(staged + QStringLiteral("/c.txt"), "new c"));
        QVERIFY(writeFile(target + QStringLiteral("/a.txt"), "old a"));
        // b.txt was never staged: its move fails after a.txt and c.txt have moved.
        QVERIFY(!moveIntoPlace(staged, target,
                               {QStringLiteral("a.txt"), QStringLiteral("c.txt"), QStringLiteral("b.txt")}, {},
                               displaced));
        QCOMPARE(folderContents(target), (QMap<QString, QByteArray>{{QStringLiteral("a.txt"), "old a"}}));
    }

    void moveIntoPlaceRefusesLinksAndFolders() {
        QTemporaryDir dir;
        const QString staged = dir.filePath(QStringLiteral("staged"));
        const QString target = dir.filePath(QStringLiteral("target"));
        const QString outside = dir.filePath(QStringLiteral("outside"));
        QDir().mkpath(outside);
        QDir().mkpath(target + QStringLiteral("/folder.txt"));
        QVERIFY(QFile::link(outside, target + QStringLiteral("/link")));
        QVERIFY(writeFile(staged + QStringLiteral("/link/x.txt"), "through the link"));
        QVERIFY(writeFile(staged + QStringLiteral("/folder.txt"), "over a folder"));
        QVERIFY(writeFile(staged + QStringLiteral("/a.txt"), "new a"));

        QVERIFY(
            !moveIntoPlace(staged, target, {QStringLiteral("a.txt"), QStringLiteral("link/x.txt")}, {}, dir.path()));
        QVERIFY(
            !moveIntoPlace(staged, target, {QStringLiteral("a.txt"), QStringLiteral("folder.txt")}, {}, dir.path()));
        QVERIFY(!moveIntoPlace(staged, target, {}, {QStringLiteral("link/sub")}, dir.path()));
        QVERIFY(QDir(outside).isEmpty());
        QVERIFY(!QFileInfo::exists(target + QStringLiteral("/a.txt")));
        QVERIFY(QFileInfo(target + QStringLiteral("/folder.txt")).isDir());
    }
};

QTEST_MAIN(ArchiveTest)
#include "test_archive.moc"
