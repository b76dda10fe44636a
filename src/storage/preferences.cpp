// The three preferences: the check boxes Pop Up, Stay On Top and Append, kept in "\data\settings.dat".
#include "app/FrmMain.h"

#include <QCheckBox>

namespace {

const QString kSection = QStringLiteral("settings");
const QString kPopUp = QStringLiteral("popup");
const QString kStayOnTop = QStringLiteral("stayontop");
const QString kAppend = QStringLiteral("append");

void pointAt(cInifile& ini, const QString& path, const QString& key) {
    ini.setPath(path);
    ini.setSection(kSection);
    ini.setKey(key);
}

// A failed write leaves the box as it is; the file keeps its old value.
void writeSetting(cInifile& ini, const QString& path, const QString& key, const QCheckBox* box) {
    pointAt(ini, path, key);
    ini.setValue(QString::number(box->isChecked() ? 1 : 0));
}

} // namespace

void FrmMain::LoadSettings() {
    const QString path = programPath(QStringLiteral("\\data\\settings.dat"));
    // Setting a box from code runs its Click handler when the state changes, which writes the value back and, for
    // Stay On Top, puts the window above the others.
    const auto load = [&](const QString& key, QCheckBox* box) {
        pointAt(settingsIni, path, key);
        box->setChecked(cInifile::CLngDefault(settingsIni.Value(), 0) != 0);
    };
    load(kPopUp, chkPopUp);
    load(kStayOnTop, chkStayOnTop);
    load(kAppend, chkAppend);
}

void FrmMain::chkPopUp_Click() {
    writeSetting(settingsIni, programPath(QStringLiteral("\\data\\settings.dat")), kPopUp, chkPopUp);
}

void FrmMain::chkStayOnTop_Click() {
    writeSetting(settingsIni, programPath(QStringLiteral("\\data\\settings.dat")), kStayOnTop, chkStayOnTop);
    applyStayOnTop(chkStayOnTop->isChecked());
}

void FrmMain::chkAppend_Click() {
    writeSetting(settingsIni, programPath(QStringLiteral("\\data\\settings.dat")), kAppend, chkAppend);
}

void FrmMain::applyStayOnTop(bool onTop) {
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop) {
        return;
    }
    // Changing the flag recreates the native window hidden; bring it back where it was.
    const bool wasVisible = isVisible();
    const QPoint position = pos();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (wasVisible) {
        move(position);
        show();
    }
}
