// The desktop's trash as deleting a note and replacing a backup use it: a file reported as trashed is in a real
// trash with a record that trash-cli reads and restores from; a file no trash can take stays where it is.
#include "SmallDisk.h"

#include "common/platform/DesktopTrash.h"
#include "common/platform/QtPlatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;

// Points the user's home at a folder of the test's own, without ~/.local/share, for the life of the object.
class FreshHome {
public:
    FreshHome() : m_home(qgetenv("HOME")), m_dataHome(qgetenv("XDG_DATA_HOME")), m_cwd(QDir::currentPath()) {
        qputenv("HOME", path().toLocal8Bit());
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

    QString path() const { return m_dir.path() + QStringLiteral("/home"); }
    QString trash() const { return path() + QStringLiteral("/.local/share/Trash"); }
    // The current folder meanwhile, where a misplaced trash would appear.
    QString workPath() const { return path() + QStringLiteral("/work"); }

    // trash-cli with this home, its whole output.
    QString trashCli(const QString& command, const QStringList& arguments = {}, const QByteArray& input = {}) const {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), path());
        environment.remove(QStringLiteral("XDG_DATA_HOME"));
        process.setProcessEnvironment(environment);
        process.start(command, arguments);
        process.write(input);
        process.closeWriteChannel();
        process.waitForFinished(60000);
        return QString::fromLocal8Bit(process.readAllStandardOutput());
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_home;
    QByteArray m_dataHome;
    QString m_cwd;
};

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

int modeOf(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

// The whole record of a trashed file as the trash layout wants it.
void expectRecord(const QString& info, const QByteArray& path) {
    const QByteArray record = readFile(info);
    const QRegularExpression whole(QRegularExpression::anchoredPattern(
        QStringLiteral("\\[Trash Info\\]\nPath=") + QRegularExpression::escape(QString::fromLatin1(path)) +
        QStringLiteral("\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n")));
    QVERIFY2(whole.match(QString::fromLatin1(record)).hasMatch(), record.constData());
}

// Runs work as the ordinary user nobody in a child process; its result is the child's.
bool asNobody(const std::function<bool()>& work) {
    const pid_t child = ::fork();
    if (child == 0) {
        const bool dropped = ::setgroups(0, nullptr) == 0 && ::setresgid(kNobody, kNobody, kNobody) == 0 &&
                             ::setresuid(kNobody, kNobody, kNobody) == 0;
        ::_exit(dropped && work() ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A folder of the home on a file system of its own (a tmpfs in a mount namespace of this process), so that the
// file system's own trash is used. Without the right to mount, a folder of /dev/shm stands in where that is
// another file system than the home; the test's own entries are removed from its trash afterwards.
class OtherVolume {
public:
    explicit OtherVolume(const QString& folder) : m_disk(made(folder), 1 << 20) {
        if (m_disk.mounted()) {
            m_top = folder;
            m_path = folder;
        } else if (QFileInfo(QStringLiteral("/dev/shm")).isWritable()) {
            m_shm = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/scribbet-XXXXXX"));
            m_top = QStringLiteral("/dev/shm");
            m_path = m_shm->path();
        }
    }
    ~OtherVolume() {
        for (const QString& made : m_trashed) {
            QFile::remove(made);
        }
    }
    OtherVolume(const OtherVolume&) = delete;
    OtherVolume& operator=(const OtherVolume&) = delete;

    bool onItsOwn() const { return m_disk.mounted(); }
    QString top() const { return m_top; }
    QString path() const { return m_path; }
    // Removed again at the end, when the volume is not the test's own.
    void trashed(const QString& trash, const QString& name) {
        m_trashed << trash + QStringLiteral("/files/") + name
                  << trash + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo");
    }

private:
    static QString made(const QString& folder) {
        QDir().mkpath(folder);
        return folder;
    }

    SmallDisk m_disk;
    std::unique_ptr<QTemporaryDir> m_shm;
    QString m_top;
    QString m_path;
    QStringList m_trashed;
};

} // namespace

class TestTrash : public QObject {
    Q_OBJECT

private slots:
    // A program folder whose name holds a '%': the record's path is percent-encoded, or trash-restore would put the
    // file back in a folder that does not exist.
    void theHomeTrashKeepsARecordThatTrashCliRestoresFrom() {
        FreshHome home;
        const QString folder = home.path() + QStringLiteral("/pct%41dir");
        const QString note = folder + QStringLiteral("/data/AbCdEfGhIjKlMnOp.txt");
        writeFile(note, "to the trash\r\n");
        QtPlatform platform;
        const TrashResult moved = platform.moveToTrash(note);
        QVERIFY2(moved.ok, qPrintable(moved.reason));
        QVERIFY(!QFile::exists(note));
        // Made where it was missing, for this user alone.
        for (const QString& made : {QString(), QStringLiteral("/files"), QStringLiteral("/info")}) {
            QCOMPARE(modeOf(home.trash() + made), 0700);
        }
        QCOMPARE(readFile(home.trash() + QStringLiteral("/files/AbCdEfGhIjKlMnOp.txt")),
                 QByteArray("to the trash\r\n"));
        expectRecord(home.trash() + QStringLiteral("/info/AbCdEfGhIjKlMnOp.txt.trashinfo"),
                     QFile::encodeName(home.path()) + "/pct%2541dir/data/AbCdEfGhIjKlMnOp.txt");
        QVERIFY(QDir(home.workPath()).isEmpty());

        QVERIFY(home.trashCli(QStringLiteral("trash-list")).contains(note));
        home.trashCli(QStringLiteral("trash-restore"), {folder}, "0\n");
        QCOMPARE(readFile(note), QByteArray("to the trash\r\n"));
        QVERIFY(QDir(home.trash() + QStringLiteral("/info")).isEmpty());

        // A copy leaves the file in place; the trash holds the same file, restorable as any other.
        const TrashResult copied = platform.copyToTrash(note);
        QVERIFY2(copied.ok, qPrintable(copied.reason));
        QCOMPARE(readFile(note), QByteArray("to the trash\r\n"));
        QVERIFY(QFile::remove(note));
        home.trashCli(QStringLiteral("trash-restore"), {folder}, "0\n");
        QCOMPARE(readFile(note), QByteArray("to the trash\r\n"));

        // A second file of the same name does not take the first one's place.
        QVERIFY(platform.copyToTrash(note).ok);
        QVERIFY(platform.moveToTrash(note).ok);
        QCOMPARE(QDir(home.trash() + QStringLiteral("/files")).entryList(QDir::Files).size(), 2);
        QCOMPARE(QDir(home.trash() + QStringLiteral("/info")).entryList(QDir::Files).size(), 2);
        QCOMPARE(platform.moveToTrash(note).reason, QStringLiteral("The file does not exist."));
    }

    // No trash, no move: the file stays, and nothing is made elsewhere (Qt's own call made files/ and info/ in the
    // current folder).
    void whereNoTrashCanBeMadeTheFileStays() {
        FreshHome home;
        writeFile(home.path() + QStringLiteral("/.local/share/Trash"), "a file in the trash's place\n");
        const QString note = home.path() + QStringLiteral("/program/data/AbCdEfGhIjKlMnOp.txt");
        writeFile(note, "stays\r\n");
        QtPlatform platform;
        QVERIFY(!platform.moveToTrash(note).ok);
        QVERIFY(!platform.copyToTrash(note).ok);
        QCOMPARE(readFile(note), QByteArray("stays\r\n"));
        QVERIFY(QDir(home.workPath()).isEmpty());
        QCOMPARE(QDir(home.path() + QStringLiteral("/program/data"))
                     .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{QStringLiteral("AbCdEfGhIjKlMnOp.txt")});
    }

    // A file on another file system than the home goes to that file system's trash: the administrator's shared
    // .Trash (a real folder with the sticky bit) or the user's own .Trash-$uid, never to the home trash.
    void aFileOnAnotherFileSystemGoesToThatFileSystemsTrash() {
        FreshHome home;
        OtherVolume volume(home.path() + QStringLiteral("/volume"));
        if (volume.path().isEmpty()) {
            QSKIP("no other file system than the home's can be used here");
        }
        const QString uid = QString::number(::geteuid());
        const QString shared = volume.top() + QStringLiteral("/.Trash");
        const QString own = volume.top() + QStringLiteral("/.Trash-") + uid;
        QtPlatform platform;
        // How .Trash stands (only on a volume of the test's own), and the trash that must be used then.
        struct Case {
            const char* sharedTrash;
            QString expected;
        };
        std::vector<Case> cases{{"none", own}};
        if (volume.onItsOwn()) {
            cases = {{"none", own}, {"link", own}, {"no sticky bit", own}, {"sticky", shared + QLatin1Char('/') + uid}};
        }
        int n = 0;
        for (const Case& c : cases) {
            const QString name = QStringLiteral("note%1.txt").arg(++n);
            const QString note = volume.path() + QStringLiteral("/pct%41dir/data/") + name;
            writeFile(note, "elsewhere\r\n");
            if (QByteArray(c.sharedTrash) == "link") {
                QVERIFY(QDir().mkpath(volume.path() + QStringLiteral("/elsewhere")));
                QVERIFY(::chmod(QFile::encodeName(volume.path() + QStringLiteral("/elsewhere")).constData(), 01777) ==
                        0);
                QVERIFY(QFile::link(volume.path() + QStringLiteral("/elsewhere"), shared));
            } else if (QByteArray(c.sharedTrash) != "none") {
                QFile::remove(shared);
                QVERIFY(QDir().mkpath(shared));
                const mode_t mode = QByteArray(c.sharedTrash) == "sticky" ? 01777 : 0777;
                QVERIFY(::chmod(QFile::encodeName(shared).constData(), mode) == 0);
            }
            const TrashResult moved = platform.moveToTrash(note);
            volume.trashed(c.expected, name);
            QVERIFY2(moved.ok, qPrintable(moved.reason));
            QCOMPARE(readFile(c.expected + QStringLiteral("/files/") + name), QByteArray("elsewhere\r\n"));
            QCOMPARE(modeOf(c.expected), 0700);
            // Relative to the top of its file system, so that the volume may be mounted elsewhere.
            expectRecord(c.expected + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo"),
                         QFile::encodeName(note.mid(volume.top().size() + 1)).replace("%", "%25"));
            QVERIFY(!QFileInfo::exists(home.trash()));
            QVERIFY(QDir(volume.path() + QStringLiteral("/elsewhere")).isEmpty());

            QVERIFY(home.trashCli(QStringLiteral("trash-list")).contains(note));
            home.trashCli(QStringLiteral("trash-restore"), {note}, "0\n");
            QCOMPARE(readFile(note), QByteArray("elsewhere\r\n"));
        }
    }

    // As an ordinary user: a top folder the user cannot write to has no trash for the user unless the administrator
    // made a shared one; a move then fails and leaves the file, while a copy can still go to the home trash. A move
    // that fails after its record was written takes the record back.
    void anOrdinaryUserWithoutATrashOnTheFileSystemKeepsTheFile() {
        FreshHome home;
        OtherVolume volume(home.path() + QStringLiteral("/volume"));
        if (!volume.onItsOwn()) {
            QSKIP("needs a file system of the test's own");
        }
        // nobody reaches its home and the volume, owns its data folder and the home, but not the volume's top.
        for (QString folder = home.path(); folder.size() > 1 && folder != QDir::tempPath();
             folder = QFileInfo(folder).absolutePath()) {
            QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0755) == 0);
        }
        QVERIFY(::chmod(QFile::encodeName(volume.top()).constData(), 0755) == 0);
        const QString data = volume.path() + QStringLiteral("/data");
        const QString note = data + QStringLiteral("/AbCdEfGhIjKlMnOp.txt");
        writeFile(note, "the user's note\r\n");
        for (const QString& mine : {home.path(), data, note}) {
            QVERIFY(::chown(QFile::encodeName(mine).constData(), kNobody, kNobody) == 0);
        }

        QVERIFY(!asNobody([&note] { return putInTrash(note, TrashMode::Move).ok; }));
        QCOMPARE(readFile(note), QByteArray("the user's note\r\n"));
        QVERIFY(!QFileInfo::exists(volume.top() + QStringLiteral("/.Trash-65534")));

        QVERIFY(asNobody([&note] { return putInTrash(note, TrashMode::Copy).ok; }));
        QCOMPARE(readFile(note), QByteArray("the user's note\r\n"));
        QCOMPARE(readFile(home.trash() + QStringLiteral("/files/AbCdEfGhIjKlMnOp.txt")),
                 QByteArray("the user's note\r\n"));
        expectRecord(home.trash() + QStringLiteral("/info/AbCdEfGhIjKlMnOp.txt.trashinfo"), QFile::encodeName(note));

        const QString shared = volume.top() + QStringLiteral("/.Trash");
        QVERIFY(QDir().mkpath(shared));
        QVERIFY(::chmod(QFile::encodeName(shared).constData(), 01777) == 0);
        // A move that fails takes its record back with it.
        QVERIFY(::chmod(QFile::encodeName(data).constData(), 0555) == 0);
        QVERIFY(!asNobody([&note] { return putInTrash(note, TrashMode::Move).ok; }));
        QCOMPARE(readFile(note), QByteArray("the user's note\r\n"));
        QVERIFY(QDir(shared + QStringLiteral("/65534/info")).isEmpty());
        QVERIFY(::chmod(QFile::encodeName(data).constData(), 0755) == 0);
        QVERIFY(asNobody([&note] { return putInTrash(note, TrashMode::Move).ok; }));
        QVERIFY(!QFileInfo::exists(note));
        QCOMPARE(readFile(shared + QStringLiteral("/65534/files/AbCdEfGhIjKlMnOp.txt")),
                 QByteArray("the user's note\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestTrash)
#include "test_trash.moc"
