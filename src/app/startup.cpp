// Start-up: the data folder check and repair, and the window's set-up.
#include "app/FrmMain.h"

#include "app/Twips.h"
#include "backup/RestoreJournal.h"
#include "categories/CategoryBox.h"
#include "common/Files.h"
#include "common/platform/Platform.h"
#include "common/platform/SavingFile.h"
#include "storage/PendingNotes.h"

#include <QAction>
#include <QDir>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

bool FrmMain::Form_Load() {
    currentMode = 1;
    skipQuery = false;
    // A second start never gets here: the single-instance guard ends it before the window is made.
    NoSysIcon(false);
    InitializeProgram();
    if (m_ended) {
        return false;
    }
    ShowEnterView();
    FillCategoryBox();
    if (m_ended) {
        return false;
    }
    Timer1->start();
    LoadNoteList();
    return true;
}

void FrmMain::InitializeProgram() {
    // Sized and centred before anything can be said: a message of start-up appears over the window's place.
    centreOnScreen();
    const QString dataFolder = programPath(QStringLiteral("\\data"));
    // A Restore that a kill cut short is finished (the one time start-up writes over data files) or, when it had not
    // yet begun to move files, cleared away; so is a Backup's unfinished archive.
    FinishInterruptedRestores(dataFolder);
    RemoveUnfinishedBackups(programPath(QStringLiteral("\\backup")));
    if (!DirExists(dataFolder)) {
        QDir().mkpath(dataFolder);
    }
    // A key file or copy whose save a crash cut short is still whole; only its temporary file is left to clear.
    const QStringList dataFiles = {QStringLiteral("data.mdb"), QStringLiteral("category.dat"),
                                   QStringLiteral("settings.dat")};
    RemoveUnfinishedSaves(dataFolder, dataFiles);
    for (const QString& name : dataFiles) {
        const QString live = programPath(QStringLiteral("\\data\\") + name);
        // Only a missing file is made from its pristine copy. One that is there but cannot be read (another user's,
        // no permission, a link to a drive not mounted) may hold every note: it is left as it is, and whoever reads
        // it says that it cannot.
        if (!EntryExists(live)) {
            CopyFileIfPresent(sharedPath(QStringLiteral("\\original\\") + name), live);
        }
    }
    if (!FileExists(programPath(QStringLiteral("\\data\\data.mdb")))) {
        m_platform.messageBox(QStringLiteral("The database file is missing or dammaged.  Please uninstall then "
                                             "reinstall Scribbet and then restore the database."),
                              MsgStyle::Information, QStringLiteral("Scribbet"));
        skipQuery = true;
        Unload();
        return;
    }
    // A save cut short by a crash is finished or cleared before anything reads the notes.
    FinishPendingNotes(m_programFolder);
    mnuRestore->setEnabled(FileExists(programPath(QStringLiteral("\\backup\\backup.dat"))));
    LoadSettings();
    // The context menus of txtData, txtName and the category box's edit field were switched off when the
    // controls were made.
    cboChoose_Category_Click();
    if (cboChoose_Category->listCount() == 0) {
        cmdRemove_Category->setEnabled(false);
    }
    setWindowTitle(QStringLiteral("Scribbet 1.6"));
    if (cboChoose_Category->listCount() == 0) {
        cmdAdd_category->setEnabled(false);
        cmdRemove_Category->setEnabled(false);
    }
}

void FrmMain::centreOnScreen() {
    const QScreen* target = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (target == nullptr) {
        return;
    }
    const QRect screenArea = target->geometry();
    const QRect frame = frameGeometry();
    // As computed, also when the screen is smaller than the window (a negative position).
    const QPoint place(screenArea.x() + (screenArea.width() - frame.width()) / 2,
                       screenArea.y() + (screenArea.height() - frame.height()) / 2);
    move(place);
    // Until the window is on screen its frame (title bar, borders) is unknown, and the window is centred without it.
    m_centredWithoutFrame = frame.size() == size() ? std::optional<QPoint>(place) : std::nullopt;
}

void FrmMain::frameKnown() {
    // Centred once more with the frame, unless something has moved the window meanwhile.
    if (m_centredWithoutFrame && frameGeometry().size() != size()) {
        const bool stillThere = frameGeometry().topLeft() == *m_centredWithoutFrame;
        m_centredWithoutFrame.reset();
        if (stillThere) {
            centreOnScreen();
        }
    }
}
