// The window while a Backup and a Restore of many notes work away from it: a probe that should run every 10 ms
// measures how long the event loop kept it waiting while the progress window showed (the reload after a Restore,
// which has the note list's own figures, aside). The suite reports the longest wait beside the longest handler,
// which the progress window's own event loop makes as long as the work.
#include "FaultFigures.h"
#include "TestWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>

namespace {

// SCRIBBET_LONG_WORK_NOTES sets another count.
int noteCount() {
    bool ok = false;
    const int count = qEnvironmentVariableIntValue("SCRIBBET_LONG_WORK_NOTES", &ok);
    return ok && count > 0 ? count : figures::kSanitized ? 5000 : 100000;
}

constexpr int kProbeMs = 10;

// How late the probe ran at worst while the progress window was on screen.
class StallProbe {
public:
    StallProbe() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
        m_clock.start();
        m_timer.start(kProbeMs);
    }
    qint64 worstMs() const { return m_worst; }

private:
    void tick() {
        const qint64 now = m_clock.elapsed();
        if (progressShown()) {
            m_worst = std::max(m_worst, now - m_last - kProbeMs);
        }
        m_last = now;
    }
    static bool progressShown() {
        const QWidgetList windows = QApplication::topLevelWidgets();
        return std::any_of(windows.begin(), windows.end(), [](const QWidget* w) {
            return w->objectName() == QStringLiteral("frmProgress") && w->isVisible();
        });
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_worst = 0;
};

} // namespace

class TestLongWork : public QObject {
    Q_OBJECT
private slots:
    void cleanupTestCase() { figures::reportLongestHandler(); }

    void backupAndRestoreLeaveTheWindowAnswering() {
        TestWindow t;
        t.folder.makeData();
        for (int i = 0; i < noteCount(); ++i) {
            t.folder.write(QStringLiteral("\\data\\Note%1.txt").arg(i, 12, 10, QLatin1Char('0')),
                           QByteArray("A note of a few words, as most are. ").repeated(1 + i % 8));
        }
        QTemporaryDir trash;
        t.platform.trashFolder = trash.path();
        QVERIFY(t.start());
        t->Timer1->stop();
        const StallProbe probe;
        t.platform.answer(MsgAnswer::Ok);
        {
            const figures::HandlerTimer timer;
            t->mnuBackup_Click();
        }
        QCOMPARE(t.platform.messages().back().text, QStringLiteral("The database was backed up successfully."));
        t.platform.answer(MsgAnswer::Ok);
        t.platform.answer(MsgAnswer::Ok);
        {
            const figures::HandlerTimer timer;
            t->mnuRestore_Click();
        }
        QCOMPARE(t.platform.messages().back().text, QStringLiteral("The database was restored successfully."));
        QCOMPARE(t.platform.unexpectedMessages(), 0);
        figures::add(QStringLiteral("stall_ms"), probe.worstMs());
        figures::add(figures::kCases, 1);
    }
};

QTEST_MAIN(TestLongWork)
#include "test_long_work.moc"
