// libzip, and the crypto library it brings, stay out of the process until an archive is first written or read; the
// loader refuses what is not a usable libzip.
#include "TestWindow.h"

#include "backup/LibZip.h"

#include <QFile>
#include <QTimer>

namespace {

// How many of the process's mappings come from a file whose path holds name.
int mappings(const QByteArray& name) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly)) {
        return -1;
    }
    int count = 0;
    for (const QByteArray& line : maps.readAll().split('\n')) {
        count += line.contains(name) ? 1 : 0;
    }
    return count;
}

} // namespace

class ZipLoadingTest : public QObject {
    Q_OBJECT
private slots:
    // First of all: no case before it in this process may touch an archive.
    void loadedByTheFirstBackupNotAtStart() {
        // The check does see the libraries that are loaded.
        QVERIFY(mappings("/libQt6Widgets.so") > 0);

        TestWindow t;
        t.folder.makeData();
        QVERIFY(t.start());
        t->Timer1->stop();
        QCOMPARE(mappings("/libzip.so"), 0);
        QCOMPARE(mappings("/libcrypto.so"), 0);
        QCOMPARE(mappings("/libbz2.so"), 0);

        t.platform.answer(MsgAnswer::Ok);
        t->mnuBackup_Click();
        QCOMPARE(t.platform.messages().size(), std::size_t{1});
        QCOMPARE(t.platform.messages().front().text, QStringLiteral("The database was backed up successfully."));
        QVERIFY(t.folder.exists(QStringLiteral("\\backup\\backup.dat")));
        QVERIFY(mappings("/libzip.so") > 0);
    }

    void aMissingLibraryIsReported() {
        QString error;
        QVERIFY(LibZip::load("libscribbet-no-such-library.so.1", &error) == nullptr);
        QVERIFY2(error.contains(QStringLiteral("libscribbet-no-such-library.so.1")), qPrintable(error));
    }

    void aLibraryWithoutItsFunctionsIsRefused() {
        // zlib is loaded already and has none of libzip's functions.
        QString error;
        QVERIFY(LibZip::load("libz.so.1", &error) == nullptr);
        QVERIFY2(error.contains(QStringLiteral("zip_")), qPrintable(error));
    }
};

QTEST_MAIN(ZipLoadingTest)
#include "test_zip_loading.moc"
