#pragma once

#include "app/WindowPlatform.h"
#include "common/platform/ProgramFolders.h"
#include "notes/RowTexts.h"
#include "storage/NoteDatabase.h"
#include "storage/cInifile.h"

#include <QPixmap>
#include <QPoint>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class CategoryBox;
class ClipboardWatcher;
class HiddenTextBox;
class NoteLayout;
class NoteListModel;
struct NoteReadResult;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSystemTrayIcon;
class QThread;
class QTimer;
class QTreeView;
class WorkProgress;

// The program's one window. Its handlers are defined in the folder of their subsystem; this header is the map.
class FrmMain : public QWidget {
    Q_OBJECT
public:
    // programFolder: the folder of the executable, without a trailing separator (the portable form).
    FrmMain(const QString& programFolder, Platform& platform, QWidget* parent = nullptr);
    // folders: where data/ and backup/ are, and where original/ and the About page are read.
    FrmMain(const ProgramFolders& folders, Platform& platform, QWidget* parent = nullptr);
    ~FrmMain() override;

    // Runs the start-up sequence; false when start-up ended the program (the window must not be shown).
    bool Form_Load();
    // True once the program has decided to end (early exit or confirmed close).
    bool hasEnded() const { return m_ended; }
    // Brings the window forward, from the tray if need be (a second start of the program asks for this).
    void bringForward();
    // The desktop session is ending: close without the exit question.
    void sessionEnding();

    const QString& programFolder() const { return m_programFolder; }
    QString programPath(const QString& suffix) const;
    // A suffix such as "\original\data.mdb" below the folder of the files shipped with the program.
    QString sharedPath(const QString& suffix) const;

    // ---- Controls (objectName = member name) ----
    QLabel* lblEnterOrChooseCategory = nullptr;
    QLabel* lblOrChoose = nullptr;
    QPushButton* cmdClearCategory = nullptr;
    CategoryBox* cboChoose_Category = nullptr;
    QPushButton* cmdAdd_category = nullptr;
    QPushButton* cmdRemove_Category = nullptr;
    QLabel* lblNumberOfCategories = nullptr;
    QLabel* lblNumberOfNotes = nullptr;
    QLabel* imgQuarn = nullptr;
    QPushButton* cmdClearDescription = nullptr;
    QLabel* lblEnterName = nullptr;
    QLabel* lblADescription = nullptr;
    QLineEdit* txtName = nullptr;
    QPushButton* cmdClearNote = nullptr;
    QLabel* lblNote = nullptr;
    QPlainTextEdit* txtData = nullptr;
    QTreeView* lvwNoteDatabase = nullptr;
    QPushButton* cmdOpenDatabase = nullptr;
    QPushButton* cmdBack = nullptr;
    QPushButton* cmdOpen = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdDeleteNote = nullptr;
    QPushButton* cmdDiscard = nullptr;
    QCheckBox* chkPopUp = nullptr;
    QCheckBox* chkStayOnTop = nullptr;
    QCheckBox* chkAppend = nullptr;
    HiddenTextBox* txtHidden = nullptr;
    QTimer* Timer1 = nullptr;
    QSystemTrayIcon* TrayIcon = nullptr; // created by the first ShowProgramInTray
    QMenu* mnuOP = nullptr;
    QAction* mnuCTRL = nullptr;
    QAction* mnuBackup = nullptr;
    QAction* mnuRestore = nullptr;
    QAction* mnuExit = nullptr;
    QPixmap imlQuarn[2]; // the logo: [0] normal, [1] underlined

    // ---- Form-level state ----
    bool loadCat = false;
    bool skipQuery = false;
    bool quarnUnderline = false;
    QString number_of_data_records;
    QString number_of_category_records;
    std::int64_t number_of_category_records_value = 0;
    int currentMode = 1;
    cInifile categoryIni;
    cInifile settingsIni;
    // Row number n of the note list leads to notePaths[n] and noteKeys[n]; element 0 is unused.
    RowTexts notePaths;
    RowTexts noteKeys;
    bool inTray = false;

    // ---- The default button (Enter presses it) ----
    QPushButton* defaultButton() const { return m_defaultButton; }
    // Makes the button the default; every other button stops being it.
    void setDefaultButton(QPushButton* button);
    // The button stops being the default (if it was).
    void clearDefaultButton(QPushButton* button);

    // ---- app/: start-up, views, exit ----
    void InitializeProgram();
    void ShowEnterView();
    void ShowDatabaseView();
    void cmdOpenDatabase_Click();
    void cmdBack_Click();
    void cmdDiscard_Click();
    // unloadMode 2: the desktop session is ending. Sets cancel to 1 to keep the window.
    void Form_QueryUnload(int& cancel, int unloadMode);
    void Form_Unload();
    // Close request from code (early exits, "&Exit"): runs the exit path.
    void Unload();

    // ---- storage/: preferences ----
    void LoadSettings();
    void chkPopUp_Click();
    void chkStayOnTop_Click();
    void chkAppend_Click();

    // ---- notes/: saving, the list, viewing, opening, deleting, sorting ----
    void setupNoteList();
    void LoadNoteList();
    void cmdSave_Click();
    void txtData_Change();
    void txtName_Change();
    void txtData_Click();
    void txtName_Click();
    void cmdClearDescription_Click();
    void cmdClearNote_Click();
    // Sets the note text from code; its Change runs only when the text differs.
    void setNoteText(const QString& text);
    QString noteText() const;
    void lvwNoteDatabase_Click();
    void lvwNoteDatabase_DblClick();
    void lvwNoteDatabase_GotFocus();
    void cmdOpen_Click();
    void ShellOpen(const QString& path);
    void cmdDeleteNote_Click();
    // column: 1-based index of the clicked heading.
    void lvwNoteDatabase_ColumnClick(int column);
    // The number of rows the list holds.
    int noteListCount() const;

    // ---- categories/: the box, counts, adding and removing ----
    void LoadCategories();
    void FillCategoryBox();
    void cboChoose_Category_Click();
    void cboChoose_Category_Change();
    void cmdClearCategory_Click();
    void cmdAdd_category_Click();
    void cmdRemove_Category_Click();
    // Selects position i of the box from code, which raises its Click as a user's choice does.
    void selectCategory(int i);
    // Sets the box's text from code, which raises its Change when the text differs.
    void setCategoryText(const QString& text);

    // ---- capture/: the clipboard watch ----
    void Timer1_Timer();
    // The clipboard changed: the resting clock ticks again.
    void clipboardChanged();
    // A read of another program's clipboard, or the layout of a large copied text, ended: the text is taken at once.
    void captureReady();
    // The last steps of viewing a note, once its text can go into the note box at once.
    void showViewedNote(const QString& description, const QString& text);
    // Views the text read from the note file of row number (or reports why it could not be read).
    void viewNoteText(int number, const QString& description, const NoteReadResult& read);
    ClipboardWatcher& clipboard() { return *m_clipboard; }

    // ---- tray/: the tray icon and menu, hover feedback and the logo ----
    void ShowProgramInTray();
    void RemoveTrayIcon();
    void NoSysIcon(bool maxIcon);
    void mnuCTRL_Click();
    void mnuExit_Click();
    void TrayIcon_DblClick();
    void TrayIcon_RightButtonDown();
    void imgQuarn_MouseMove();
    void imgQuarn_Click();
    void lblEnterOrChooseCategory_MouseMove();
    void lblEnterName_MouseMove();
    void lblNote_MouseMove();
    void lvwNoteDatabase_MouseMove();
    // The full reset run by mouse moves over the window and its plain labels and text boxes.
    void ResetHover();

    // ---- backup/: backup and restore ----
    void mnuBackup_Click();
    void mnuRestore_Click();
    // A Backup or Restore is working away from the window; nothing else may start meanwhile.
    bool longWorkRunning() const { return m_longWork != nullptr; }
    // A handler is waiting for the answer to its message box, or long work runs: nothing else may start meanwhile.
    bool handlerWaiting() const { return longWorkRunning() || m_platform.messageBoxOpen(); }

    // ---- search/: a note chosen in the find window ----
    // Shows the note as a click on its row does, in the note list of its category.
    void showFoundNote(std::int64_t theKey, const QString& theCategory);

    WindowPlatform& platform() { return m_platform; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void connectHandlers();
    void describeForScreenReaders();
    // Lets the list handle a mouse event before the window's own list handlers run.
    void forwardListEvent(QObject* viewport, QEvent* event);
    void centreOnScreen();
    // The window's frame may have become known: a window centred without it is centred again.
    void frameKnown();
    void releaseMemorySoon();
    // Runs the exit path for a close request; false when the request was cancelled.
    bool requestUnload(int unloadMode);
    void applyStayOnTop(bool onTop);
    // Runs work away from the window's thread under a modal progress window (one label per stage of the work) and
    // returns its result. Meanwhile the tray menu's items are disabled and the clipboard is not read; a close request
    // waits for answerCloseRequest, and the end of the session cancels the work where it still can.
    int runLongWork(const QStringList& stageLabels, const std::function<int(WorkProgress&)>& work);
    // After long work: when the session ended during it, ends the program now (no message) and returns true.
    bool endAfterLongWork();
    // After long work and its messages: answers a close request made during it.
    void answerCloseRequest();

    QString m_programFolder;
    QString m_sharedFolder;
    WindowPlatform m_platform;
    ClipboardWatcher* m_clipboard = nullptr;
    // Once the list is filled or a note is taken in, the memory that work freed goes back to the system when the
    // program has been quiet for a moment.
    QTimer* m_memoryRelease = nullptr;
    NoteLayout* m_noteLayout = nullptr;
    // Timer1 stopped itself because nothing was left to read; a change of the clipboard starts it again.
    bool m_timer1Resting = false;
    // The note text, rebuilt only after the note box changed: a large note is asked for many times per change.
    mutable QString m_noteText;
    mutable bool m_noteTextKnown = false;
    QPushButton* m_defaultButton = nullptr;
    NoteListModel* m_noteList = nullptr;
    // The last fill of the note list read the whole category: the rows are all its notes.
    bool m_noteListRead = false;
    // A note too large to go into the note box at once waits here while its document is laid out.
    struct PendingView {
        int number = 0;
        QString description;
        QString text;
    };
    std::optional<PendingView> m_pendingView;
    // Where start-up put the window while its frame was still unknown; empty once it was centred with the frame.
    std::optional<QPoint> m_centredWithoutFrame;
    // Large note files being read away from the window; only the read of the last click is viewed.
    std::vector<QThread*> m_noteReaders;
    std::uint64_t m_noteReadTicket = 0;
    // The progress of the Backup or Restore under way, while one is.
    WorkProgress* m_longWork = nullptr;
    bool m_closeAfterWork = false;
    bool m_sessionEndAfterWork = false;
    bool m_ended = false;
    bool m_unloaded = false;
    bool m_afterDoubleClick = false;
    bool m_forwardingListEvent = false;
    bool m_forwardingCopy = false;
};
