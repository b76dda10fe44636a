// The clipboard watch: text copied in another program becomes the note being written.
#include "app/FrmMain.h"

#include "app/HiddenTextBox.h"
#include "categories/CategoryBox.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>

namespace {

// A minimised window counts as put aside: without a tray, that is where the window goes instead.
bool onScreen(const QWidget* window) {
    return window->isVisible() && !window->isMinimized();
}

} // namespace

void FrmMain::Timer1_Timer() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    // Outside a capture the clipboard holds the note text (every change of the note puts it there), so an unchanged
    // clipboard costs one read and one comparison.
    if (clipboard->text() == noteText()) {
        return;
    }
    txtHidden->setText(noteText());
    const QMimeData* content = clipboard->mimeData();
    if (content != nullptr && content->hasText()) {
        const QString copied = clipboard->text();
        if (!copied.isEmpty()) {
            txtName->setText(QString());
            currentMode = 1;
            ShowEnterView();
            setDefaultButton(cmdSave);
            if (!chkAppend->isChecked()) {
                setNoteText(copied);
            } else {
                // The note box keeps "\n" line ends; the note file gets CR LF when it is written.
                setNoteText(noteText() + QLatin1Char('\n') + copied);
                clipboard->clear();
                clipboard->setText(noteText());
            }
            if (chkPopUp->isChecked()) {
                // Straight to the screen, not through NoSysIcon: the tray item keeps its caption.
                if (isMinimized()) {
                    showNormal();
                } else {
                    show();
                }
                raise();
                activateWindow();
                cboChoose_Category->setFocus();
                setDefaultButton(cmdOpenDatabase);
            }
        }
    }
    if (!onScreen(this) && txtHidden->text() != noteText() && chkPopUp->isChecked()) {
        NoSysIcon(true);
    }
    QCoreApplication::processEvents();
}
