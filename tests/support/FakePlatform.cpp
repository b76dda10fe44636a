#include "FakePlatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

FakePlatform::~FakePlatform() = default;

int FakePlatform::messageBox(const QString& text, int style, const QString& title) {
    m_messages.push_back({text, style, title});
    if (!m_answers.empty()) {
        const int code = m_answers.front();
        m_answers.pop_front();
        return code;
    }
    if (answerer) {
        return answerer(m_messages.back());
    }
    ++m_unexpected;
    switch (style) {
    case MsgStyle::YesNoExclamation:
        return MsgAnswer::Yes;
    default:
        return MsgAnswer::Ok;
    }
}

bool FakePlatform::openFile(const QString& path) {
    openedFiles << path;
    return true;
}

bool FakePlatform::openUrl(const QString& url) {
    openedUrls << url;
    return true;
}

TrashResult FakePlatform::moveToTrash(const QString& path) {
    return fakeTrash(path, true);
}

TrashResult FakePlatform::copyToTrash(const QString& path) {
    return fakeTrash(path, false);
}

TrashResult FakePlatform::fakeTrash(const QString& path, bool move) {
    if (trash.fail) {
        return {false, trash.reason};
    }
    if (!QFileInfo::exists(path)) {
        return {false, QStringLiteral("No such file or directory")};
    }
    if (trashFolder.isEmpty()) {
        return {false, QStringLiteral("no trash folder set")};
    }
    QDir().mkpath(trashFolder);
    const QString target =
        QDir(trashFolder)
            .filePath(QString::number(trashedFiles.size()) + QLatin1Char('_') + QFileInfo(path).fileName());
    if (move ? !QFile::rename(path, target) : !QFile::copy(path, target)) {
        return {false, move ? QStringLiteral("rename failed") : QStringLiteral("copy failed")};
    }
    trashedFiles << path;
    return {true, {}};
}

std::int64_t FakePlatform::bytesAvailable(const QString& path) {
    spaceAskedFor.append(path);
    return freeBytes;
}

std::uint32_t FakePlatform::random() {
    if (!randomValues.empty()) {
        const std::uint32_t value = randomValues.front();
        randomValues.pop_front();
        return value;
    }
    // xorshift: deterministic, so a test run is repeatable.
    m_state ^= m_state << 13;
    m_state ^= m_state >> 17;
    m_state ^= m_state << 5;
    return m_state;
}
