// Hover feedback: the "Clear" buttons over the field headings, and the logo that is underlined like a link.
#include "app/FrmMain.h"

#include "common/platform/Platform.h"

#include <QLabel>
#include <QPushButton>
#include <QUrl>

namespace {

void showLogo(QLabel* logo, const QPixmap& picture) {
    // Mouse moves come many times a second; repaint only when the picture changes.
    if (logo->pixmap().cacheKey() != picture.cacheKey()) {
        logo->setPixmap(picture);
    }
}

} // namespace

void FrmMain::imgQuarn_MouseMove() {
    if (!quarnUnderline) {
        quarnUnderline = true;
        showLogo(imgQuarn, imlQuarn[1]);
    }
}

void FrmMain::imgQuarn_Click() {
    // The flag stays set: the logo is not underlined again until the mouse has crossed a reset control.
    showLogo(imgQuarn, imlQuarn[0]);
    platform().openUrl(QUrl::fromLocalFile(sharedPath(QStringLiteral("\\about.html"))).toString());
}

void FrmMain::lblEnterOrChooseCategory_MouseMove() {
    if (currentMode == 1) {
        cmdClearCategory->show();
    }
}

void FrmMain::lblEnterName_MouseMove() {
    if (currentMode == 1) {
        cmdClearDescription->show();
    }
    quarnUnderline = false;
    showLogo(imgQuarn, imlQuarn[0]);
}

void FrmMain::lblNote_MouseMove() {
    cmdClearNote->show();
}

void FrmMain::lvwNoteDatabase_MouseMove() {
    quarnUnderline = false;
    showLogo(imgQuarn, imlQuarn[0]);
}

void FrmMain::ResetHover() {
    cmdClearCategory->hide();
    lblEnterOrChooseCategory->show();
    cmdClearDescription->hide();
    lblEnterName->show();
    cmdClearNote->hide();
    lblNote->show();
    quarnUnderline = false;
    showLogo(imgQuarn, imlQuarn[0]);
}
