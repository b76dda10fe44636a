// Search: the index against a plain scan of every note, through the program's own changes and changes made outside
// it; the find window as a user drives it; and a start-up that leaves the index alone until the window is painted.
#include "NotesFixture.h"
#include "OrdinaryUser.h"

#include "app/CommandLine.h"
#include "categories/CategoryBox.h"
#include "search/FindNotes.h"
#include "search/FindRequest.h"
#include "search/FindWindow.h"
#include "search/Fold.h"
#include "search/SearchIndex.h"
#include "search/SearchService.h"
#include "storage/NoteFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include <algorithm>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

namespace {

// Words of several scripts, with accents, letters that fold to two, and marks that fold away.
const QStringList kWords = {
    QStringLiteral("café"),       QStringLiteral("naïve"),  QStringLiteral("Straße"),   QStringLiteral("ÉCOLE"),
    QStringLiteral("Ærøskøbing"), QStringLiteral("could"),  QStringLiteral("milk"),     QStringLiteral("bread"),
    QStringLiteral("Йогурт"),     QStringLiteral("привет"), QStringLiteral("ещё"),      QStringLiteral("СЪЕШЬ"),
    QStringLiteral("ΣΟΦΙΑ"),      QStringLiteral("σοφία"),  QStringLiteral("ὀδυσσεύς"), QStringLiteral("東京"),
    QStringLiteral("日本語"),     QStringLiteral("검색"),   QStringLiteral("ひらがな"), QStringLiteral("שָׁלוֹם"),
    QStringLiteral("עברית"),      QStringLiteral("مرحبا"),  QStringLiteral("الْعَرَبِيَّة"),  QStringLiteral("ﬁsh"),
};
const QStringList kCategories = {QStringLiteral("Work"), QStringLiteral("Küche"), QStringLiteral("Дом"),
                                 QStringLiteral("旅行")};

QString randomText(QRandomGenerator& random, int words) {
    QString text;
    for (int i = 0; i < words; ++i) {
        if (i > 0) {
            text += random.bounded(8) == 0 ? QStringLiteral("\n") : QStringLiteral(" ");
        }
        text += kWords.at(random.bounded(kWords.size()));
    }
    return text;
}

// The answer a plain scan of every record and note file gives.
std::vector<std::int64_t> scan(const NotesFixture& f, const QString& query) {
    const QStringList words = searchWords(query);
    std::vector<std::int64_t> keys;
    if (words.isEmpty()) {
        return keys;
    }
    for (const NoteRecord& record : f.records()) {
        const QString category = foldForSearch(record.theCategory);
        const QString description = foldForSearch(record.theDescription);
        const NoteReadResult read = readNoteFile(f.t.folder.file(record.thePath));
        const QString body = read.ok ? foldForSearch(read.text) : QString();
        const bool all = std::all_of(words.begin(), words.end(), [&](const QString& word) {
            return category.contains(word) || description.contains(word) ||
                   (characterCount(word) >= 3 && body.contains(word));
        });
        if (all) {
            keys.push_back(record.theKey);
        }
    }
    std::sort(keys.rbegin(), keys.rend());
    return keys;
}

std::vector<std::int64_t> keysOf(const SearchAnswer& answer) {
    std::vector<std::int64_t> keys;
    for (const FoundNote& note : answer.notes) {
        keys.push_back(note.theKey);
    }
    return keys;
}

// A query drawn from the notes themselves: a piece of a field of a random note, in some other case or spelling,
// sometimes two pieces of different notes.
QString randomQuery(QRandomGenerator& random, const NotesFixture& f) {
    const std::vector<NoteRecord> records = f.records();
    QStringList parts;
    const int count = 1 + random.bounded(3) / 2;
    for (int i = 0; i < count; ++i) {
        const NoteRecord& record = records.at(random.bounded(static_cast<int>(records.size())));
        const int field = random.bounded(3);
        QString text = field == 0   ? record.theCategory
                       : field == 1 ? record.theDescription
                                    : readNoteFile(f.t.folder.file(record.thePath)).text;
        text = text.simplified();
        if (text.isEmpty()) {
            text = QStringLiteral("zz");
        }
        const int length = 1 + random.bounded(6);
        const int start = random.bounded(std::max(1, static_cast<int>(text.size()) - length + 1));
        QString part = text.mid(start, length).trimmed();
        switch (random.bounded(4)) {
        case 0:
            part = part.toUpper();
            break;
        case 1:
            part = foldForSearch(part);
            break;
        default:
            break;
        }
        parts.append(part.isEmpty() ? QStringLiteral("x") : part);
    }
    return parts.join(QLatin1Char(' '));
}

void addNotes(NotesFixture& f, QRandomGenerator& random, int count) {
    const std::unique_ptr<NoteDatabase> db = NoteDatabase::open(f.t.folder.file(QStringLiteral("\\data\\data.mdb")));
    QVERIFY(db);
    for (int i = 0; i < count; ++i) {
        NoteRecord record;
        record.theDate = QStringLiteral("01/02/26");
        record.theTime = QStringLiteral("9:00:00 AM");
        // A few categories are not in the category file.
        record.theCategory = random.bounded(6) == 0 ? QStringLiteral("Lost и found")
                                                    : kCategories.at(random.bounded(kCategories.size()));
        record.theDescription = randomText(random, 1 + random.bounded(3));
        record.thePath = QStringLiteral("\\data\\gen%1.txt").arg(i);
        QVERIFY(writeNoteFile(f.t.folder.file(record.thePath), randomText(random, 3 + random.bounded(30))).ok);
        QVERIFY(db->add(record));
    }
}

// Seconds of processor time the thread called name has used in this process.
double threadSeconds(const QString& name) {
    for (const QString& task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(task));
        QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(task));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == name.toUtf8() &&
            stat.open(QIODevice::ReadOnly)) {
            // The fields after the name: state is the first, user and system time the 12th and 13th.
            const QList<QByteArray> fields = stat.readAll().split(')').last().trimmed().split(' ');
            return double(fields.at(11).toLongLong() + fields.at(12).toLongLong()) / double(sysconf(_SC_CLK_TCK));
        }
    }
    return -1;
}

} // namespace

class TestSearch : public QObject {
    Q_OBJECT
private slots:
    void startUpLeavesTheIndexUntilThePaint() {
        NotesFixture f;
        f.t.folder.makeData();
        const int opened = SearchIndex::filesOpened();
        const int threads = SearchService::threadsStarted();
        f.t.window = std::make_unique<FrmMain>(f.t.folder.path(), f.t.platform);
        FindNotes finder(*f.t.window, f.t.folder.path());
        QVERIFY(f.t->Form_Load());
        f.t->show();
        QCOMPARE(SearchIndex::filesOpened(), opened);
        QCOMPARE(SearchService::threadsStarted(), threads);
        QVERIFY(QTest::qWaitForWindowExposed(f.t.window.get()));
        QTRY_COMPARE(SearchService::threadsStarted(), threads + 1);
        QTRY_VERIFY(SearchIndex::filesOpened() > opened);
        // Owner-only, in the user's cache, never in the data folder.
        const QString folder = SearchIndex::folderFor(f.t.folder.path());
        QVERIFY(folder.startsWith(QDir::homePath() + QStringLiteral("/.cache/scribbet/")));
        QTRY_VERIFY(QFile::exists(folder + QStringLiteral("/index.sqlite")));
        const auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                            QFile::WriteOther | QFile::ExeOther;
        QCOMPARE(QFile::permissions(folder) & (others | QFile::ReadOwner | QFile::ExeOwner),
                 QFile::ReadOwner | QFile::ExeOwner);
        QCOMPARE(QFile::permissions(folder + QStringLiteral("/index.sqlite")) & (others | QFile::ReadOwner),
                 QFile::ReadOwner);
    }

    // Words fold alike in notes and queries.
    void folding() {
        QCOMPARE(foldForSearch(QStringLiteral("Élan STRASSE Straße ẞ Йод ΣΟΦΙΑς ﬁ e\u0301")),
                 QStringLiteral("elan strasse strasse ss иод σοφιασ fi e"));
        std::vector<qsizetype> origins;
        const QString text = QStringLiteral("Aßé");
        QCOMPARE(foldForSearch(text, &origins), QStringLiteral("asse"));
        QCOMPARE(origins, (std::vector<qsizetype>{0, 1, 1, 2, 3}));
        QCOMPARE(noteExcerpt(QStringLiteral("Ein Weg.\nDie STRASSE ist lang"), {QStringLiteral("straße")}, 80),
                 QStringLiteral("Ein Weg. Die STRASSE ist lang"));
        // A long note's excerpt comes from its start; a match there is shown, and the line says the text goes on.
        QTemporaryDir dir;
        const QString note = dir.filePath(QStringLiteral("long.txt"));
        QFile file(note);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("Щука в реке\r\n").toUtf8());
        file.write(QString(100000, QChar(0x6771)).toUtf8());
        file.close();
        QCOMPARE(fileExcerpt(note, {QStringLiteral("река")}),
                 QStringLiteral("Щука в реке ") + QString(67, QChar(0x6771)) + QStringLiteral("..."));
        QCOMPARE(fileExcerpt(note, {QStringLiteral("реке")}, 25),
                 QStringLiteral("Щука в реке ") + QChar(0x6771) + QStringLiteral("..."));
        QCOMPARE(fileExcerpt(dir.filePath(QStringLiteral("none.txt")), {QStringLiteral("реке")}), QString());
    }

    void indexAgreesWithAPlainScan() {
        NotesFixture f;
        QVERIFY(f.start(kCategories + QStringList{QStringLiteral("Empty")}));
        QRandomGenerator random(20261208);
        addNotes(f, random, 120);
        SearchIndex index(f.t.folder.path());
        QVERIFY(index.open());
        QVERIFY(index.waiting() == 120);
        while (index.work(50) > 0) {
        }
        const auto check = [&](const char* step, int queries) {
            for (const QString& fixed : {QStringLiteral("e"), QStringLiteral("SS"), QStringLiteral("и"),
                                         QStringLiteral("ould"), QStringLiteral("Σοφ"), QStringLiteral("東京"),
                                         QStringLiteral("שלום"), QStringLiteral("العربية"), QStringLiteral("fi")}) {
                const SearchAnswer answer = index.find(fixed);
                QVERIFY2(answer.complete, step);
                QVERIFY2(keysOf(answer) == scan(f, fixed), qPrintable(QStringLiteral("%1: %2").arg(step, fixed)));
            }
            for (int i = 0; i < queries; ++i) {
                const QString query = randomQuery(random, f);
                const SearchAnswer answer = index.find(query);
                QVERIFY2(answer.complete, step);
                QVERIFY2(keysOf(answer) == scan(f, query), qPrintable(QStringLiteral("%1: %2").arg(step, query)));
            }
        };
        check("built", 150);
        QVERIFY(!index.find(QStringLiteral("ould")).notes.empty());
        QVERIFY(!index.find(QStringLiteral("и")).notes.empty());

        // Saves through the window.
        f.typeCategory(QStringLiteral("Work"));
        f.save(QStringLiteral("Quarterly plan"), QStringLiteral("Ровно в полдень, naïvely, Zyxwv"));
        f.t->setCategoryText(QStringLiteral("Neue Küche"));
        f.save(QStringLiteral("Grüße"), QStringLiteral("Qwertz grüßt"));
        QCOMPARE(index.find(QStringLiteral("zyxw")).notes.size(), std::size_t{1});
        QCOMPARE(index.find(QStringLiteral("GRUSSE")).notes.size(), std::size_t{1});
        check("after saves", 40);

        // Deletes through the window.
        f.choose(QStringLiteral("Work"));
        f.openList();
        for (int i = 0; i < 3; ++i) {
            f.clickRow(0);
            f.t.platform.answer(MsgAnswer::Ok);
            f.t.platform.answer(MsgAnswer::Ok);
            f.t->cmdDeleteNote_Click();
        }
        check("after deletes", 40);

        // A category removed.
        f.choose(QStringLiteral("Empty"));
        QVERIFY(f.t->cmdRemove_Category->isEnabled());
        f.t.platform.answer(MsgAnswer::Ok);
        f.t->cmdRemove_Category_Click();
        QVERIFY(!f.t.folder.read(QStringLiteral("\\data\\category.dat")).contains("Empty"));
        check("after a category removal", 20);

        // A note file written over by another program, twice within the same moment.
        const NoteRecord edited = f.records().front();
        f.t.folder.write(edited.thePath, "Plumbago\r\n");
        QCOMPARE(keysOf(index.find(QStringLiteral("plumbago"))), std::vector<std::int64_t>{edited.theKey});
        f.t.folder.write(edited.thePath, "Marigold\r\n");
        QCOMPARE(keysOf(index.find(QStringLiteral("marigold"))), std::vector<std::int64_t>{edited.theKey});
        QVERIFY(index.find(QStringLiteral("plumbago")).notes.empty());
        check("after an edit outside", 20);

        // Backup, more changes, restore: the index follows the restored folder.
        f.t.platform.answer(MsgAnswer::Ok);
        f.t->mnuBackup_Click();
        f.typeCategory(QStringLiteral("Later"));
        f.save(QStringLiteral("After the backup"), QStringLiteral("Hollyhock"));
        f.t.folder.write(f.records().at(1).thePath, "Snapdragon\r\n");
        QCOMPARE(index.find(QStringLiteral("hollyhock")).notes.size(), std::size_t{1});
        f.t.platform.answer(MsgAnswer::Ok);
        f.t.platform.answer(MsgAnswer::Ok);
        f.t->mnuRestore_Click();
        // The restore wrote back the note changed since the backup and the database (the other notes held the
        // archived bytes and stayed as they were): the next search sees both.
        QVERIFY(index.find(QStringLiteral("hollyhock")).notes.empty());
        QVERIFY(index.find(QStringLiteral("snapdragon")).notes.empty());
        check("after a restore", 40);
    }

    // The index is made afresh when damaged, and a closed program's missed edits are found when it opens.
    void damagedOrStaleIndexIsRebuilt() {
        NotesFixture f;
        QVERIFY(f.start(kCategories));
        QRandomGenerator random(7);
        addNotes(f, random, 20);
        {
            SearchIndex index(f.t.folder.path());
            QVERIFY(index.open());
            while (index.work(50) > 0) {
            }
        }
        // Edited while no index was open, with the same size: only the file's time tells.
        const NoteRecord record = f.records().at(3);
        QByteArray bytes = f.t.folder.read(record.thePath);
        bytes.replace(0, 5, "Tulip");
        QTest::qWait(20);
        f.t.folder.write(record.thePath, bytes);
        {
            SearchIndex index(f.t.folder.path());
            QVERIFY(index.open());
            QVERIFY(keysOf(index.find(QStringLiteral("tulip"))) == scan(f, QStringLiteral("tulip")));
            QCOMPARE(keysOf(index.find(QStringLiteral("tulip"))).size(), std::size_t{1});
        }
        // Rewritten with the same size and its modification time set back, as copying tools that keep times do.
        const NoteRecord kept = f.records().at(5);
        QFile keptFile(f.t.folder.file(kept.thePath));
        const QDateTime hourAgo = QDateTime::currentDateTime().addSecs(-3600);
        QVERIFY(keptFile.open(QIODevice::ReadWrite) &&
                keptFile.setFileTime(hourAgo, QFileDevice::FileModificationTime));
        keptFile.close();
        {
            SearchIndex index(f.t.folder.path());
            QVERIFY(index.open());
            while (index.work(50) > 0) {
            }
        }
        bytes = f.t.folder.read(kept.thePath);
        bytes.replace(0, 5, "Lupin");
        f.t.folder.write(kept.thePath, bytes);
        QVERIFY(keptFile.open(QIODevice::ReadWrite) &&
                keptFile.setFileTime(hourAgo, QFileDevice::FileModificationTime));
        keptFile.close();
        {
            SearchIndex index(f.t.folder.path());
            QVERIFY(index.open());
            QCOMPARE(keysOf(index.find(QStringLiteral("lupin"))), std::vector<std::int64_t>{kept.theKey});
        }
        // The same data folder reached through a link from another program folder: the same index, not rebuilt.
        QTemporaryDir linked;
        QVERIFY(QFile::link(f.t.folder.file(QStringLiteral("\\data")), linked.filePath(QStringLiteral("data"))));
        QCOMPARE(SearchIndex::folderFor(linked.path()), SearchIndex::folderFor(f.t.folder.path()));
        // A second name keeps the file's inode taken while the index is opened: a file made afresh has another.
        const QByteArray indexFile =
            QFile::encodeName(SearchIndex::folderFor(f.t.folder.path()) + QStringLiteral("/index.sqlite"));
        const QByteArray held = QFile::encodeName(linked.filePath(QStringLiteral("held")));
        QCOMPARE(::link(indexFile.constData(), held.constData()), 0);
        {
            SearchIndex index(linked.path());
            QVERIFY(index.open());
            QVERIFY(keysOf(index.find(QStringLiteral("ould"))) == scan(f, QStringLiteral("ould")));
        }
        struct stat before {};
        struct stat after {};
        QVERIFY(::stat(held.constData(), &before) == 0 && ::stat(indexFile.constData(), &after) == 0);
        QCOMPARE(after.st_ino, before.st_ino);
        QFile file(SearchIndex::folderFor(f.t.folder.path()) + QStringLiteral("/index.sqlite"));
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.write(QByteArray(8192, 'x'));
        file.close();
        SearchIndex index(f.t.folder.path());
        QVERIFY(index.open());
        QCOMPARE(index.waiting(), 20);
        while (index.work(50) > 0) {
        }
        QVERIFY(keysOf(index.find(QStringLiteral("ould"))) == scan(f, QStringLiteral("ould")));
    }

    // A cache that takes no more writes: indexing rests between tries instead of spinning, queries are still
    // answered, and the index is completed once writes go through again.
    void indexingRestsWhileTheCacheTakesNoWrites() {
        NotesFixture f;
        QVERIFY(f.start(kCategories));
        QRandomGenerator random(11);
        addNotes(f, random, 300);
        {
            SearchIndex index(f.t.folder.path());
            QVERIFY(index.open());
            QCOMPARE(index.waiting(), 300);
        }
        // From here on no file of this process grows past 64 KB: the index's first step does.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit usual{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &usual), 0);
        rlimit small = usual;
        small.rlim_cur = 64 * 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const auto restore = qScopeGuard([&usual] { setrlimit(RLIMIT_FSIZE, &usual); });
        SearchService service(f.t.folder.path());
        qint64 waiting = -1;
        connect(&service, &SearchService::progress, &service, [&waiting](qint64 left) { waiting = left; });
        std::optional<SearchAnswer> answer;
        connect(&service, &SearchService::answered, &service, [&answer](const SearchAnswer& a) { answer = a; });
        service.start();
        QTest::qWait(2500);
        const double busy = threadSeconds(QStringLiteral("search"));
        QVERIFY(busy >= 0);
        QVERIFY2(busy < 0.5, qPrintable(QStringLiteral("the search thread was busy for %1 s of 2.5 s").arg(busy)));
        QVERIFY(waiting > 0);
        service.find(QStringLiteral("ould"));
        QTRY_VERIFY_WITH_TIMEOUT(answer.has_value(), 1000);
        QVERIFY(!answer->complete);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &usual), 0);
        QTRY_COMPARE_WITH_TIMEOUT(waiting, 0, 10000);
        answer.reset();
        service.find(QStringLiteral("ould"));
        QTRY_VERIFY_WITH_TIMEOUT(answer.has_value() && answer->complete, 5000);
        QVERIFY(keysOf(*answer) == scan(f, QStringLiteral("ould")));
    }

    // Where the cache cannot hold an index (a file in the way, a folder the user may not write), one in memory
    // answers as the kept one would, and nothing is written.
    void anIndexInMemoryWhereTheCacheCannotHoldOne() {
        NotesFixture f;
        QVERIFY(f.start(kCategories));
        QRandomGenerator random(11);
        addNotes(f, random, 30);
        const QByteArray cacheHome = qgetenv("XDG_CACHE_HOME");
        const auto restore = qScopeGuard([&cacheHome] { qputenv("XDG_CACHE_HOME", cacheHome); });
        const auto answersFromMemory = [&f, &random](const char* how) {
            SearchIndex index(f.t.folder.path());
            QVERIFY2(index.open(), how);
            QCOMPARE(index.waiting(), 30);
            while (index.work(50) > 0) {
            }
            for (int i = 0; i < 20; ++i) {
                const QString query = randomQuery(random, f);
                const SearchAnswer answer = index.find(query);
                QVERIFY2(answer.complete && keysOf(answer) == scan(f, query), qPrintable(query));
            }
        };
        const QString cache = f.t.folder.path() + QStringLiteral("/cache");
        QVERIFY(QDir().mkpath(cache));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache));
        f.t.folder.write(QStringLiteral("\\cache\\scribbet"), "not a folder");
        answersFromMemory("a file in the way");
        QCOMPARE(QDir(cache).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("scribbet")});
        f.t.folder.remove(QStringLiteral("\\cache\\scribbet"));
        QVERIFY(QFile::setPermissions(cache, QFile::ReadOwner | QFile::ExeOwner));
        {
            const OrdinaryUser user(f.t.folder.path());
            answersFromMemory("a cache folder that may not be written");
        }
        QVERIFY(QDir(cache).isEmpty());
    }

    // Many matches: the newest go on screen first, and a newer query stops the reading of the rest.
    void manyMatchesComeNewestFirst() {
        NotesFixture f;
        QVERIFY(f.start(kCategories));
        {
            const std::unique_ptr<NoteDatabase> db =
                NoteDatabase::open(f.t.folder.file(QStringLiteral("\\data\\data.mdb")));
            for (int i = 0; i < 2100; ++i) {
                QVERIFY(db->add({QStringLiteral("01/01/26"), QStringLiteral("1:00:00 AM"), QStringLiteral("Work"),
                                 QStringLiteral("Batch %1").arg(i), QStringLiteral("\\data\\none.txt"), 0}));
            }
        }
        SearchIndex index(f.t.folder.path());
        QVERIFY(index.open());
        while (index.work(500) > 0) {
        }
        std::vector<SearchAnswer> pages;
        const SearchAnswer whole =
            index.find(QStringLiteral("BATCH"), [&pages](const SearchAnswer& page) { pages.push_back(page); });
        QCOMPARE(whole.notes.size(), std::size_t{2100});
        QVERIFY(!whole.firstPage);
        QCOMPARE(pages.size(), std::size_t{1});
        QVERIFY(pages[0].firstPage);
        std::vector<std::int64_t> newest = keysOf(whole);
        newest.resize(pages[0].notes.size());
        QCOMPARE(keysOf(pages[0]), newest);
        QCOMPARE(whole.notes.front().theDescription, QStringLiteral("Batch 2099"));
        const SearchAnswer stopped = index.find(QStringLiteral("batch"), {}, [] { return true; });
        QVERIFY(stopped.firstPage && stopped.notes.size() < whole.notes.size());
        // Past the first page only the keys come; their fields are read when asked for.
        QVERIFY(whole.notes[SearchAnswer::kFirstPage - 1].detailed && !whole.notes[SearchAnswer::kFirstPage].detailed);
        const std::vector<FoundNote> later = index.details({whole.notes[2099].theKey, whole.notes[150].theKey, -5});
        QCOMPARE(later[0].theDescription, QStringLiteral("Batch 0"));
        QCOMPARE(later[1].theDescription, QStringLiteral("Batch 1949"));
        QVERIFY(later[1].detailed && !later[2].detailed && later[2].theKey == -5);

        // In the window: the count is whole at once, and a row far down shows its fields once they come.
        SearchService service(f.t.folder.path());
        FindWindow window(service);
        window.openBeside(nullptr, QStringLiteral("batch 1"));
        auto* list = window.findChild<QTreeView*>(QStringLiteral("lvwFound"));
        QTRY_COMPARE(window.countText(), QStringLiteral("1290 notes match."));
        QCOMPARE(list->model()->index(0, 1).data().toString(), QStringLiteral("Batch 2091"));
        QCOMPARE(list->model()->index(1289, 1).data().toString(), QString());
        QTRY_COMPARE(list->model()->index(1289, 1).data().toString(), QStringLiteral("Batch 1"));
        QTRY_COMPARE(list->model()->index(1000, 0).data().toString(), QStringLiteral("Work"));
        // While notes wait to be indexed, the line says how many.
        emit service.progress(1);
        QCOMPARE(window.countText(),
                 QStringLiteral("1290 notes match.  Still indexing: 1 note to go, which may match too."));
        emit service.progress(2);
        QCOMPARE(window.countText(),
                 QStringLiteral("1290 notes match.  Still indexing: 2 notes to go, which may match too."));
    }

    // Ctrl+F, typing, Enter: the main window shows the note as a click on its row does, also for a category that
    // is not in the category file.
    void findWindowShowsTheChosenNote() {
        NotesFixture f;
        QVERIFY(f.start(kCategories));
        FindNotes finder(f.t.w(), f.t.folder.path());
        f.typeCategory(QStringLiteral("Work"));
        f.save(QStringLiteral("Older"), QStringLiteral("Zinnia first"));
        f.typeCategory(QStringLiteral("Work"));
        f.save(QStringLiteral("Newer"), QStringLiteral("Zinnia second\nline two"));
        {
            const std::unique_ptr<NoteDatabase> db =
                NoteDatabase::open(f.t.folder.file(QStringLiteral("\\data\\data.mdb")));
            QVERIFY(
                writeNoteFile(f.t.folder.file(QStringLiteral("\\data\\stray.txt")), QStringLiteral("Zinnia stray")).ok);
            QVERIFY(db->add({QStringLiteral("01/01/26"), QStringLiteral("1:00:00 AM"), QStringLiteral("Unlisted"),
                             QStringLiteral("Stray"), QStringLiteral("\\data\\stray.txt"), 0}));
        }
        f.t->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.t.window.get()));
        QTest::keyClick(f.t.window.get(), Qt::Key_F, Qt::ControlModifier);
        FindWindow* find = finder.findWindow();
        QVERIFY(find != nullptr && find->isVisible());
        QCOMPARE(find->windowTitle(), QStringLiteral("Find Notes"));
        auto* field = find->findChild<QLineEdit*>(QStringLiteral("txtFind"));
        auto* list = find->findChild<QTreeView*>(QStringLiteral("lvwFound"));
        QTest::keyClicks(field, QStringLiteral("ZINN"));
        QTRY_COMPARE(find->countText(), QStringLiteral("3 notes match."));
        QCOMPARE(list->model()->index(0, 1).data().toString(), QStringLiteral("Stray"));
        QCOMPARE(list->model()->index(1, 1).data().toString(), QStringLiteral("Newer"));
        QCOMPARE(list->model()->index(1, 3).data().toString(), QStringLiteral("Zinnia second line two"));
        QTest::keyClicks(field, QStringLiteral("ia sec"));
        QTRY_COMPARE(find->countText(), QStringLiteral("1 note matches."));
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(f.t->currentMode, 2);
        QCOMPARE(f.t->cboChoose_Category->text(), QStringLiteral("Work"));
        QCOMPARE(f.t->noteListCount(), 2);
        QCOMPARE(f.t->lvwNoteDatabase->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(f.t->lvwNoteDatabase->selectionModel()->selectedRows().front().row(), 1);
        QCOMPARE(f.t->txtName->text(), QStringLiteral("Newer"));
        QCOMPARE(f.t->noteText(), QStringLiteral("Zinnia second\nline two"));
        QCOMPARE(f.t->cmdBack->text(), QStringLiteral("View Note"));
        QVERIFY(f.t->cmdDeleteNote->isEnabled());

        // A category missing from the file goes into the box as typed text.
        finder.open(QStringLiteral("stray"));
        QTRY_COMPARE(list->model()->index(0, 1).data().toString(), QStringLiteral("Stray"));
        QCOMPARE(find->countText(), QStringLiteral("1 note matches."));
        emit list->activated(list->model()->index(0, 0));
        QCOMPARE(f.t->cboChoose_Category->text(), QStringLiteral("Unlisted"));
        QCOMPARE(f.t->cboChoose_Category->listIndex(), -1);
        QCOMPARE(f.t->noteText(), QStringLiteral("Zinnia stray"));
        QTest::keyClick(find, Qt::Key_Escape);
        QVERIFY(!find->isVisible());
    }

    void findRequestOnTheCommandLine() {
        const CommandLine bare = parseCommandLine({QStringLiteral("--find")});
        QCOMPARE(bare.outcome, CommandLine::Outcome::Run);
        QCOMPARE(bare.given.value(QStringLiteral("find")), std::nullopt);
        QCOMPARE(parseCommandLine({QStringLiteral("--find"), QStringLiteral("milk tea")})
                     .given.value(QStringLiteral("find")),
                 QStringLiteral("milk tea"));
        QCOMPARE(parseCommandLine({QStringLiteral("--find=-x")}).given.value(QStringLiteral("find")),
                 QStringLiteral("-x"));
        QCOMPARE(findText(findMessage(QStringLiteral("Grüße\nzwei"))), QStringLiteral("Grüße\nzwei"));
        QCOMPARE(findText(QByteArray()), std::nullopt);
    }
};

QTEST_MAIN(TestSearch)
#include "test_search.moc"
