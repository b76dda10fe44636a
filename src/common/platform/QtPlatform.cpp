#include "common/platform/QtPlatform.h"

#include "common/platform/FileModes.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QUrl>

#include <unistd.h>

QtPlatform::QtPlatform() {
    std::random_device device;
    std::seed_seq seed{device(), device(), device(), device(), device(), device(), device(), device()};
    m_generator.seed(seed);
}

int QtPlatform::messageBox(const QString& text, int style, const QString& title) {
    QMessageBox box(m_parent);
    box.setWindowTitle(title);
    box.setText(text);
    switch (style) {
    case MsgStyle::Information:
        box.setIcon(QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgStyle::Exclamation:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgStyle::Critical:
        box.setIcon(QMessageBox::Critical);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgStyle::OkCancelExclamation:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case MsgStyle::YesNoExclamation:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        // Closing the box is possible only with Yes or No.
        box.setEscapeButton(QMessageBox::No);
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Cancel:
        return MsgAnswer::Cancel;
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    default:
        return style == MsgStyle::OkCancelExclamation && box.clickedButton() == nullptr ? MsgAnswer::Cancel
                                                                                        : MsgAnswer::Ok;
    }
}

bool QtPlatform::openFile(const QString& path) {
    const UserFileModes userModes;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool QtPlatform::openUrl(const QString& url) {
    const UserFileModes userModes;
    return QDesktopServices::openUrl(QUrl(url));
}

TrashResult QtPlatform::moveToTrash(const QString& path) {
    if (!QFileInfo::exists(path)) {
        return {false, QStringLiteral("The file does not exist.")};
    }
    // Without the user's data folder Qt would put the file into a "files" folder of the current directory.
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty() || !QDir().mkpath(dataHome)) {
        return {false, QStringLiteral("The trash folder cannot be created.")};
    }
    QString pathInTrash;
    if (!QFile::moveToTrash(path, &pathInTrash)) {
        const QFileInfo source(path);
        return {false, source.dir().isReadable() && QFileInfo(source.absolutePath()).isWritable()
                           ? QStringLiteral("The file could not be moved to the trash.")
                           : QStringLiteral("Permission denied.")};
    }
    // A trash from which the file can be restored keeps it under files/ with its record under info/.
    const QFileInfo trashed(pathInTrash);
    const QDir trashDir = trashed.dir();
    const QString infoFile =
        trashDir.absoluteFilePath(QStringLiteral("../info/") + trashed.fileName() + QStringLiteral(".trashinfo"));
    if (!trashed.isAbsolute() || !trashed.exists() || QFileInfo::exists(path) || !QFileInfo::exists(infoFile)) {
        return {false, QStringLiteral("The file did not reach a trash folder.")};
    }
    return {true, {}};
}

TrashResult QtPlatform::copyToTrash(const QString& path) {
    // A second name for the file (or a copy of it) in a folder of its own beside it goes to the trash in its place.
    const QFileInfo source(path);
    const QTemporaryDir beside(source.absolutePath() + QStringLiteral("/.trash-copy-XXXXXX"));
    const QString copy = beside.filePath(source.fileName());
    if (!beside.isValid() || (::link(QFile::encodeName(path).constData(), QFile::encodeName(copy).constData()) != 0 &&
                              !QFile::copy(path, copy))) {
        return {false, QStringLiteral("The file could not be copied.")};
    }
    return moveToTrash(copy);
}

std::int64_t QtPlatform::bytesAvailable(const QString& path) {
    QStorageInfo storage(path);
    if (!storage.isValid()) {
        return -1;
    }
    return storage.bytesAvailable();
}

QDateTime QtPlatform::now() {
    return QDateTime::currentDateTime();
}

std::uint32_t QtPlatform::random() {
    return static_cast<std::uint32_t>(m_generator());
}
