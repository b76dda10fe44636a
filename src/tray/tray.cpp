// The tray icon and its menu: where the window goes when it is put aside, and how it comes back.
#include "app/FrmMain.h"
#include "tray/TrayHost.h"

#include <QAction>
#include <QCursor>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSystemTrayIcon>

// The icon and the logo are compiled into the static core library, where nothing refers to them and the linker
// would drop them. This reference keeps them, and registers them before main(), ahead of the window that loads them.
static int registerPictures() {
    Q_INIT_RESOURCE(resources);
    return 0;
}
static const int g_picturesRegistered = registerPictures();

namespace {
std::optional<bool> g_trayHostForTesting;
} // namespace

bool trayHostAvailable() {
    if (g_trayHostForTesting.has_value()) {
        return *g_trayHostForTesting;
    }
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void setTrayHostForTesting(std::optional<bool> available) {
    g_trayHostForTesting = available;
}

void FrmMain::ShowProgramInTray() {
    inTray = true;
    if (TrayIcon == nullptr) {
        TrayIcon = new QSystemTrayIcon(windowIcon(), this);
        TrayIcon->setObjectName(QStringLiteral("TrayIcon"));
        TrayIcon->setToolTip(QStringLiteral("Scribbet 1.6"));
        // No setContextMenu: the menu is opened by the handler below, which also makes its first item the default.
        connect(TrayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            // A Backup or Restore under way, or a message box waiting for its answer: nothing else starts until it
            // has ended.
            if (handlerWaiting()) {
                return;
            }
            if (reason == QSystemTrayIcon::DoubleClick) {
                TrayIcon_DblClick();
            } else if (reason == QSystemTrayIcon::Context) {
                TrayIcon_RightButtonDown();
            }
        });
    }
    // Adding the icon again while it is in the tray changes nothing.
    TrayIcon->show();
}

void FrmMain::RemoveTrayIcon() {
    inTray = false;
    if (TrayIcon == nullptr) {
        return;
    }
    TrayIcon->hide();
    // Later: the icon may be the sender of the signal that led here.
    TrayIcon->deleteLater();
    TrayIcon = nullptr;
}

void FrmMain::NoSysIcon(bool maxIcon) {
    if (maxIcon) {
        if (isMinimized()) {
            showNormal();
        } else {
            show();
        }
        txtData->setFocus();
        mnuCTRL->setText(QStringLiteral("Minimize"));
        return;
    }
    // Start-up puts the window aside before it is first shown; minimising it then would leave it minimised when it
    // appears, so a window not yet on screen is only kept hidden.
    if (!trayHostAvailable() && isVisible()) {
        showMinimized();
    } else {
        hide();
    }
    ShowProgramInTray();
    mnuCTRL->setText(QStringLiteral("O&pen"));
}

void FrmMain::mnuCTRL_Click() {
    // inTray, not the caption, decides: after start-up, a double click or a pop-up capture the window is on screen
    // with inTray still set, and the item then shows it once more before it hides it.
    if (!inTray) {
        NoSysIcon(inTray);
        inTray = true;
        return;
    }
    NoSysIcon(inTray);
    inTray = false;
    ShowDatabaseView();
    cmdBack->setText(QStringLiteral("Enter Note"));
    txtName->setText(QString());
    setNoteText(QString());
    cboChoose_Category_Click();
    setDefaultButton(cmdBack);
}

void FrmMain::mnuExit_Click() {
    Unload();
}

void FrmMain::TrayIcon_DblClick() {
    NoSysIcon(true);
    ShowDatabaseView();
    cboChoose_Category_Click();
    setDefaultButton(cmdBack);
}

void FrmMain::TrayIcon_RightButtonDown() {
    mnuOP->setDefaultAction(mnuCTRL);
    mnuOP->popup(QCursor::pos());
}
