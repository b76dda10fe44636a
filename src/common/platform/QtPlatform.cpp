#include "common/platform/QtPlatform.h"

#include "common/platform/DesktopTrash.h"
#include "common/platform/FileModes.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QUrl>

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
    return putInTrash(path, TrashMode::Move);
}

TrashResult QtPlatform::copyToTrash(const QString& path) {
    return putInTrash(path, TrashMode::Copy);
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
