#pragma once

#include "common/platform/Platform.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

// A scripted desktop. Every message box is recorded; its answer comes from the queue, else from answerer when one is
// set. A message box that the test did not expect (nothing queued, no answerer) is answered with the box's first
// button and counted as unexpected.
class FakePlatform : public Platform {
public:
    struct Message {
        QString text;
        int style = 0;
        QString title;
    };
    struct Trash {
        bool fail = false; // the next moves to the trash fail
        QString reason = QStringLiteral("simulated failure");
    };

    ~FakePlatform() override;

    // Queues the answer to the next message box.
    void answer(int code) { m_answers.push_back(code); }
    const std::vector<Message>& messages() const { return m_messages; }
    int unexpectedMessages() const { return m_unexpected; }
    int pendingAnswers() const { return static_cast<int>(m_answers.size()); }
    void clearMessages() { m_messages.clear(); }

    int messageBox(const QString& text, int style, const QString& title) override;
    bool openFile(const QString& path) override;
    bool openUrl(const QString& url) override;
    TrashResult moveToTrash(const QString& path) override;
    TrashResult copyToTrash(const QString& path) override;
    std::int64_t bytesAvailable(const QString& path) override;
    QDateTime now() override { return clock; }
    std::uint32_t random() override;

    QStringList openedFiles;
    QStringList openedUrls;
    QStringList trashedFiles; // original paths of the files moved or copied to the fake trash
    QString trashFolder;      // where trashed files go; a folder of the test's own
    Trash trash;
    std::int64_t freeBytes = std::int64_t{1} << 40;
    QStringList spaceAskedFor; // the paths whose free space was asked for
    QDateTime clock = QDateTime(QDate(2026, 12, 8), QTime(14, 5, 9));
    // When not empty, random() returns these in turn before falling back to a fixed generator.
    std::deque<std::uint32_t> randomValues;
    // Answers every message box that finds the queue empty (tests that draw answers at random).
    std::function<int(const Message&)> answerer;

private:
    TrashResult fakeTrash(const QString& path, bool move);

    std::deque<int> m_answers;
    std::vector<Message> m_messages;
    int m_unexpected = 0;
    std::uint32_t m_state = 12345;
};
