// The desktop's trash as deleting a note uses it: a file reported as trashed can be restored from the trash.
#include "common/Files.h"
#include "common/platform/QtPlatform.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Points the user's home at a folder of the test's own, without ~/.local/share, for the life of the object.
class FreshHome {
public:
    FreshHome() : m_home(qgetenv("HOME")), m_dataHome(qgetenv("XDG_DATA_HOME")), m_cwd(QDir::currentPath()) {
        qputenv("HOME", m_dir.path().toLocal8Bit());
        qunsetenv("XDG_DATA_HOME");
        QDir().mkpath(workPath());
        QDir::setCurrent(workPath());
    }
    ~FreshHome() {
        QDir::setCurrent(m_cwd);
        qputenv("HOME", m_home);
        qputenv("XDG_DATA_HOME", m_dataHome);
    }
    FreshHome(const FreshHome&) = delete;
    FreshHome& operator=(const FreshHome&) = delete;

    QString path() const { return m_dir.path(); }
    // The current folder meanwhile, where a misplaced trash would appear.
    QString workPath() const { return m_dir.path() + QStringLiteral("/work"); }

private:
    QTemporaryDir m_dir;
    QByteArray m_home;
    QByteArray m_dataHome;
    QString m_cwd;
};

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestTrash : public QObject {
    Q_OBJECT

private slots:
    void aTrashedFileCanBeRestoredEvenWithoutADataFolder() {
        FreshHome home;
        QTemporaryDir data;
        const QString note = data.path() + QStringLiteral("/AbCdEfGhIjKlMnOp.txt");
        writeFile(note, "to the trash\r\n");
        QtPlatform platform;
        QString reason;
        QVERIFY2(RecycleFile(platform, note, &reason), qPrintable(reason));
        QVERIFY(!QFile::exists(note));
        // Where the user's trash keeps it: the file and the record that restores it to its place.
        const QString trash = home.path() + QStringLiteral("/.local/share/Trash");
        QCOMPARE(QFile(trash + QStringLiteral("/files/AbCdEfGhIjKlMnOp.txt")).size(), qint64{14});
        QFile info(trash + QStringLiteral("/info/AbCdEfGhIjKlMnOp.txt.trashinfo"));
        QVERIFY(info.open(QIODevice::ReadOnly));
        QVERIFY(info.readAll().contains("Path=" + QFile::encodeName(note)));
        QVERIFY(!QDir(home.workPath()).exists(QStringLiteral("files")));
    }

    void aMissingFileIsNotReportedAsTrashed() {
        FreshHome home;
        QtPlatform platform;
        QString reason;
        QVERIFY(!RecycleFile(platform, home.path() + QStringLiteral("/gone.txt"), &reason));
        QVERIFY(!reason.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTrash)
#include "test_trash.moc"
