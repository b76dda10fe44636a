#include "app/FrmMain.h"

#include "app/HiddenTextBox.h"
#include "app/Twips.h"
#include "capture/NoteLayout.h"
#include "categories/CategoryBox.h"
#include "common/Files.h"
#include "common/platform/Allocator.h"
#include "common/platform/ClipboardWatcher.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QColor>
#include <QFontDatabase>
#include <QHeaderView>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QTreeView>

namespace {

constexpr unsigned kWindowColour = 0x0099FBF5;

// A PNG of the resources. Read with its format fixed: left to guess, Qt loads every image plugin (and the SVG and
// JPEG libraries with them) to ask each whether it reads PNG, which made start-up slower and larger.
QPixmap readPng(const QString& path) {
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}
constexpr unsigned kFieldColour = 0x00BBFBF2;

QColor fromBgr(unsigned bgr) {
    return QColor(static_cast<int>(bgrRed(bgr)), static_cast<int>(bgrGreen(bgr)), static_cast<int>(bgrBlue(bgr)));
}

// The first of the families that is installed, else all of them (the style hint then decides). Naming only one
// that exists spares the font system a search for substitutes of each missing name, milliseconds at every start.
QStringList installedFamily(const QStringList& families) {
    for (const QString& family : families) {
        if (QFontDatabase::hasFamily(family)) {
            return {family};
        }
    }
    return families;
}

// Arial where it is installed, else its metric twin Liberation Sans.
const QStringList& arialFamily() {
    static const QStringList family = installedFamily({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    return family;
}

// Point sizes of the design at 96 logical dpi, as pixel sizes so that layout and lettering scale together.
QFont arial(double points, bool bold) {
    QFont font;
    font.setFamilies(arialFamily());
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(static_cast<int>(points * 96.0 / 72.0 + 0.5));
    font.setBold(bold);
    return font;
}

QFont roundedBold() {
    static const QStringList family = QFontDatabase::hasFamily(QStringLiteral("Arial Rounded MT Bold"))
                                          ? QStringList{QStringLiteral("Arial Rounded MT Bold")}
                                          : arialFamily();
    QFont font = arial(8.25, true);
    font.setFamilies(family);
    return font;
}

void paint(QWidget* widget, unsigned bgr) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, fromBgr(bgr));
    palette.setColor(QPalette::Base, fromBgr(bgr));
    palette.setColor(QPalette::Button, fromBgr(bgr));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

template <typename T> T* named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

FrmMain::FrmMain(const QString& programFolder, Platform& platform, QWidget* parent)
    : FrmMain(ProgramFolders::portable(programFolder), platform, parent) {}

FrmMain::FrmMain(const ProgramFolders& folders, Platform& platform, QWidget* parent)
    : QWidget(parent), m_programFolder(folders.programFolder), m_sharedFolder(folders.sharedFolder),
      m_platform(platform) {
    setObjectName(QStringLiteral("FrmMain"));
    buildControls();
    setupNoteList();
    connectHandlers();
}

FrmMain::~FrmMain() {
    // Nothing may reach the handlers of a window being taken apart (a focused category box reports a choice as
    // it loses the focus).
    qApp->removeEventFilter(this);
    cboChoose_Category->blockSignals(true);
    cboChoose_Category->lineEdit()->blockSignals(true);
    // A note file still being read is waited for: its thread must not outlive the window.
    for (QThread* reader : m_noteReaders) {
        reader->wait();
        delete reader;
    }
    // The window goes without an unload only in tests and at a forced end; the tray icon goes with it.
    if (!m_unloaded) {
        Form_Unload();
    }
}

void FrmMain::releaseMemorySoon() {
    m_memoryRelease->start();
}

QString FrmMain::programPath(const QString& suffix) const {
    return ProgramPath(m_programFolder, suffix);
}

QString FrmMain::sharedPath(const QString& suffix) const {
    return ProgramPath(m_sharedFolder, suffix);
}

void FrmMain::buildControls() {
    setWindowTitle(QStringLiteral("Scribbet 1.6"));
    QIcon icon;
    for (const int size : {16, 32, 48, 64}) {
        icon.addPixmap(readPng(QStringLiteral(":/icons/hicolor/%1x%1/apps/scribbet.png").arg(size)));
    }
    setWindowIcon(icon);
    setFixedSize(twipsToPixels(4815), twipsToPixels(5475));
    paint(this, kWindowColour);
    setFont(arial(8.25, false));

    auto label = [this](const char* name, const QString& caption, QRect geometry, const QFont& font) {
        auto* l = named(new QLabel(caption, this), name);
        l->setGeometry(geometry);
        l->setFont(font);
        l->setAttribute(Qt::WA_TranslucentBackground);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return l;
    };
    auto button = [this](const char* name, const QString& caption, QRect geometry, const QFont& font) {
        auto* b = named(new QPushButton(caption, this), name);
        b->setGeometry(geometry);
        b->setFont(font);
        b->setAutoDefault(false);
        paint(b, kWindowColour);
        return b;
    };
    auto checkBox = [this](const char* name, const QString& caption, QRect geometry) {
        auto* c = named(new QCheckBox(caption, this), name);
        c->setGeometry(geometry);
        c->setFont(arial(8.25, true));
        paint(c, kWindowColour);
        return c;
    };

    lblEnterOrChooseCategory =
        label("lblEnterOrChooseCategory", QStringLiteral("Enter"), twipsRect(360, 90, 570, 255), roundedBold());
    lblOrChoose =
        label("lblOrChoose", QStringLiteral("or Choose a Category"), twipsRect(945, 90, 2160, 255), roundedBold());
    cboChoose_Category = named(new CategoryBox(this), "cboChoose_Category");
    cboChoose_Category->setGeometry(twipsRect(360, 315, 4095, 330));
    cboChoose_Category->setFont(arial(8.25, false));
    paint(cboChoose_Category, kFieldColour);
    cmdAdd_category = button("cmdAdd_category", QStringLiteral("Add"), twipsRect(2700, 690, 855, 240), font());
    cmdRemove_Category =
        button("cmdRemove_Category", QStringLiteral("Remove"), twipsRect(3600, 690, 855, 240), arial(8.25, true));
    lblNumberOfCategories =
        label("lblNumberOfCategories", QString(), twipsRect(360, 630, 2055, 255), arial(8.25, true));
    lblNumberOfNotes = label("lblNumberOfNotes", QString(), twipsRect(360, 825, 2055, 255), arial(8.25, true));
    imgQuarn = named(new QLabel(this), "imgQuarn");
    imgQuarn->setGeometry(twipsRect(2445, 1065, 2085, 300));
    imgQuarn->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    imgQuarn->setCursor(Qt::PointingHandCursor);
    imlQuarn[0] = readPng(QStringLiteral(":/images/logo.png"));
    imlQuarn[1] = readPng(QStringLiteral(":/images/logo-underlined.png"));
    imgQuarn->setPixmap(imlQuarn[0]);
    lblEnterName =
        label("lblEnterName", QStringLiteral("Enter a Description"), twipsRect(360, 1140, 555, 255), roundedBold());
    lblADescription =
        label("lblADescription", QStringLiteral("a Description"), twipsRect(945, 1140, 1320, 255), roundedBold());
    txtName = named(new QLineEdit(this), "txtName");
    txtName->setGeometry(twipsRect(360, 1365, 4095, 375));
    txtName->setFont(arial(9.75, false));
    txtName->setMaxLength(std::numeric_limits<int>::max());
    paint(txtName, kFieldColour);
    lblNote = label("lblNote", QStringLiteral("Note"), twipsRect(360, 1785, 495, 210), roundedBold());
    txtData = named(new QPlainTextEdit(this), "txtData");
    txtData->setGeometry(twipsRect(375, 2010, 4095, 2415));
    // Plain text: no kerning, and no shaping where the script reads as well without it (Latin); a line a megabyte
    // long then lays out in a fraction of the time.
    QFont noteFont = arial(8.25, false);
    noteFont.setKerning(false);
    noteFont.setStyleStrategy(QFont::PreferNoShaping);
    txtData->setFont(noteFont);
    // Both scroll bars and no wrapping: long unbroken lines stay cheap to lay out.
    txtData->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtData->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtData->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    paint(txtData, kFieldColour);
    m_noteLayout = new NoteLayout(txtData);
    // First of the box's change handlers: the note text is brought up to date before any other handler asks for it.
    connect(txtData, &QPlainTextEdit::textChanged, this,
            [this] { m_noteTextKnown = m_noteLayout->shownText(m_noteText); });
    lvwNoteDatabase = named(new QTreeView(this), "lvwNoteDatabase");
    lvwNoteDatabase->setGeometry(twipsRect(360, 1365, 4095, 3045));
    lvwNoteDatabase->setFont(arial(9, false));
    paint(lvwNoteDatabase, kFieldColour);
    lvwNoteDatabase->hide();

    // The "Clear" buttons lie over their label words and show only under the mouse.
    cmdClearCategory =
        button("cmdClearCategory", QStringLiteral("Clear"), twipsRect(345, 75, 555, 225), arial(6, false));
    cmdClearDescription =
        button("cmdClearDescription", QStringLiteral("Clear"), twipsRect(345, 1125, 555, 225), arial(6, false));
    cmdClearNote = button("cmdClearNote", QStringLiteral("Clear"), twipsRect(345, 1770, 555, 225), arial(6, false));
    for (QPushButton* clear : {cmdClearCategory, cmdClearDescription, cmdClearNote}) {
        clear->hide();
    }

    cmdOpenDatabase =
        button("cmdOpenDatabase", QStringLiteral("Open Database"), twipsRect(345, 4515, 1575, 375), arial(8.25, true));
    cmdBack = button("cmdBack", QStringLiteral("Enter Note"), twipsRect(345, 4515, 1185, 375), arial(8.25, true));
    cmdOpen = button("cmdOpen", QStringLiteral("Open"), twipsRect(1605, 4515, 900, 375), arial(8.25, true));
    cmdOpen->setEnabled(false);
    cmdSave = button("cmdSave", QStringLiteral("Save"), twipsRect(2580, 4515, 900, 375), arial(8.25, true));
    cmdDeleteNote =
        button("cmdDeleteNote", QStringLiteral("Delete"), twipsRect(2580, 4515, 900, 375), arial(8.25, true));
    cmdDiscard = button("cmdDiscard", QStringLiteral("Minimize"), twipsRect(3555, 4515, 900, 375), arial(8.25, true));
    chkPopUp = checkBox("chkPopUp", QStringLiteral("Pop Up"), twipsRect(360, 5010, 1170, 315));
    chkPopUp->setChecked(true);
    chkStayOnTop = checkBox("chkStayOnTop", QStringLiteral("Stay On Top"), twipsRect(1687, 5010, 1530, 330));
    chkAppend = checkBox("chkAppend", QStringLiteral("Append"), twipsRect(3570, 5010, 1260, 315));
    txtHidden = named(new HiddenTextBox(this), "txtHidden");
    txtHidden->setGeometry(twipsRect(4560, 1380, 255, 495));

    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setInterval(250);
    m_clipboard = new ClipboardWatcher(this);
    m_memoryRelease = new QTimer(this);
    m_memoryRelease->setSingleShot(true);
    m_memoryRelease->setInterval(2000);
    connect(m_memoryRelease, &QTimer::timeout, this, [] { releaseFreedMemory(); });

    mnuOP = named(new QMenu(this), "mnuOP");
    mnuCTRL = named(mnuOP->addAction(QString()), "mnuCTRL");
    named(mnuOP->addSeparator(), "spe1");
    mnuBackup = named(mnuOP->addAction(QStringLiteral("Backup")), "mnuBackup");
    mnuRestore = named(mnuOP->addAction(QStringLiteral("Restore")), "mnuRestore");
    named(mnuOP->addSeparator(), "spe2");
    mnuExit = named(mnuOP->addAction(QStringLiteral("&Exit")), "mnuExit");
    mnuOP->setDefaultAction(mnuCTRL);

    // The list lies above "Note", which neither view hides; the Clear buttons above their labels.
    lvwNoteDatabase->raise();
    for (QPushButton* clear : {cmdClearCategory, cmdClearDescription, cmdClearNote}) {
        clear->raise();
    }

    // No context menus in the three edit fields; editing and clipboard keys work as before.
    txtName->setContextMenuPolicy(Qt::NoContextMenu);
    txtData->setContextMenuPolicy(Qt::NoContextMenu);

    describeForScreenReaders();

    // Tab order of the design.
    const QList<QWidget*> tabOrder = {cboChoose_Category,
                                      cmdAdd_category,
                                      cmdRemove_Category,
                                      txtName,
                                      txtData,
                                      lvwNoteDatabase,
                                      cmdOpenDatabase,
                                      cmdBack,
                                      cmdOpen,
                                      cmdSave,
                                      cmdDiscard,
                                      chkPopUp,
                                      chkStayOnTop,
                                      chkAppend,
                                      cmdDeleteNote,
                                      cmdClearNote,
                                      cmdClearDescription,
                                      cmdClearCategory};
    for (int i = 1; i < tabOrder.size(); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }
}

void FrmMain::describeForScreenReaders() {
    // Buttons, check boxes and labels are announced by their own captions; fields without one get a name.
    const std::pair<QWidget*, const char*> names[] = {
        {cboChoose_Category, "Category"}, {txtName, "Description"},     {txtData, "Note"},
        {lvwNoteDatabase, "Notes"},       {imgQuarn, "About Scribbet"},
    };
    for (const auto& [widget, name] : names) {
        widget->setAccessibleName(QString::fromLatin1(name));
    }
    const std::pair<QWidget*, const char*> descriptions[] = {
        {cboChoose_Category, "Choose a category, or type a new one"},
        {cmdAdd_category, "Adds the typed category to the list"},
        {cmdRemove_Category, "Removes the chosen category when it holds no notes"},
        {lblNumberOfCategories, "Position of the chosen category and number of categories"},
        {lblNumberOfNotes, "Notes listed in this category and notes in all"},
        {imgQuarn, "Opens the page about Scribbet"},
        {txtName, "The note's one-line description"},
        {txtData, "The note's text; copied text arrives here"},
        {lvwNoteDatabase, "The notes of the chosen category with their date and time"},
        {cmdOpenDatabase, "Shows the saved notes"},
        {cmdBack, "Returns to writing a note"},
        {cmdOpen, "Opens the selected note in the text editor"},
        {cmdSave, "Saves the note under its category"},
        {cmdDeleteNote, "Moves the selected note to the trash"},
        {cmdDiscard, "Hides the window to the tray"},
        {chkPopUp, "Brings the window forward when text is copied"},
        {chkStayOnTop, "Keeps the window above other windows"},
        {chkAppend, "Adds copied text to the note instead of replacing it"},
        {cmdClearCategory, "Empties the category box"},
        {cmdClearDescription, "Empties the description"},
        {cmdClearNote, "Empties the note text"},
    };
    for (const auto& [widget, description] : descriptions) {
        widget->setAccessibleDescription(QString::fromLatin1(description));
    }
    // Each heading names the field below it.
    lblEnterOrChooseCategory->setBuddy(cboChoose_Category);
    lblOrChoose->setBuddy(cboChoose_Category);
    lblEnterName->setBuddy(txtName);
    lblADescription->setBuddy(txtName);
    lblNote->setBuddy(txtData);
}

void FrmMain::connectHandlers() {
    connect(cmdOpenDatabase, &QPushButton::clicked, this, &FrmMain::cmdOpenDatabase_Click);
    connect(cmdBack, &QPushButton::clicked, this, &FrmMain::cmdBack_Click);
    connect(cmdDiscard, &QPushButton::clicked, this, &FrmMain::cmdDiscard_Click);
    connect(cmdSave, &QPushButton::clicked, this, &FrmMain::cmdSave_Click);
    connect(cmdOpen, &QPushButton::clicked, this, &FrmMain::cmdOpen_Click);
    connect(cmdDeleteNote, &QPushButton::clicked, this, &FrmMain::cmdDeleteNote_Click);
    connect(cmdAdd_category, &QPushButton::clicked, this, &FrmMain::cmdAdd_category_Click);
    connect(cmdRemove_Category, &QPushButton::clicked, this, &FrmMain::cmdRemove_Category_Click);
    connect(cmdClearCategory, &QPushButton::clicked, this, &FrmMain::cmdClearCategory_Click);
    connect(cmdClearDescription, &QPushButton::clicked, this, &FrmMain::cmdClearDescription_Click);
    connect(cmdClearNote, &QPushButton::clicked, this, &FrmMain::cmdClearNote_Click);
    // A check box's handler runs whenever its state changes, from a click or from code.
    connect(chkPopUp, &QCheckBox::toggled, this, &FrmMain::chkPopUp_Click);
    connect(chkStayOnTop, &QCheckBox::toggled, this, &FrmMain::chkStayOnTop_Click);
    connect(chkAppend, &QCheckBox::toggled, this, &FrmMain::chkAppend_Click);
    connect(txtName, &QLineEdit::textChanged, this, &FrmMain::txtName_Change);
    connect(txtData, &QPlainTextEdit::textChanged, this, &FrmMain::txtData_Change);
    connect(cboChoose_Category, &CategoryBox::userSelected, this, &FrmMain::cboChoose_Category_Click);
    connect(cboChoose_Category, &CategoryBox::userEdited, this, &FrmMain::cboChoose_Category_Change);
    connect(lvwNoteDatabase->header(), &QHeaderView::sectionClicked, this,
            [this](int section) { lvwNoteDatabase_ColumnClick(section + 1); });
    connect(Timer1, &QTimer::timeout, this, &FrmMain::Timer1_Timer);
    connect(m_clipboard, &ClipboardWatcher::clipboardChanged, this, &FrmMain::clipboardChanged);
    connect(m_clipboard, &ClipboardWatcher::contentRead, this, &FrmMain::captureReady);
    connect(m_noteLayout, &NoteLayout::prepared, this, &FrmMain::captureReady);
    connect(mnuCTRL, &QAction::triggered, this, &FrmMain::mnuCTRL_Click);
    connect(mnuBackup, &QAction::triggered, this, &FrmMain::mnuBackup_Click);
    connect(mnuRestore, &QAction::triggered, this, &FrmMain::mnuRestore_Click);
    connect(mnuExit, &QAction::triggered, this, &FrmMain::mnuExit_Click);

    // Clicks, double clicks, focus and mouse moves that the widgets do not report as signals.
    // One application-wide filter: key presses are seen before the focused widget takes them.
    for (QWidget* tracked :
         {static_cast<QWidget*>(this), static_cast<QWidget*>(txtName), txtData->viewport(), lvwNoteDatabase->viewport(),
          static_cast<QWidget*>(imgQuarn), static_cast<QWidget*>(lblEnterOrChooseCategory),
          static_cast<QWidget*>(lblOrChoose), static_cast<QWidget*>(lblEnterName),
          static_cast<QWidget*>(lblADescription), static_cast<QWidget*>(lblNote),
          static_cast<QWidget*>(lblNumberOfCategories), static_cast<QWidget*>(lblNumberOfNotes)}) {
        tracked->setMouseTracking(true);
    }
    // A label passes the moves it ignores on to the window, whose own move handler would undo the hover at once.
    for (QWidget* hover :
         {static_cast<QWidget*>(imgQuarn), static_cast<QWidget*>(lblEnterOrChooseCategory),
          static_cast<QWidget*>(lblEnterName), static_cast<QWidget*>(lblNote), lvwNoteDatabase->viewport()}) {
        hover->setAttribute(Qt::WA_NoMousePropagation);
    }
    qApp->installEventFilter(this);
}

void FrmMain::setDefaultButton(QPushButton* button) {
    if (m_defaultButton != nullptr && m_defaultButton != button) {
        m_defaultButton->setDefault(false);
    }
    m_defaultButton = button;
    if (button != nullptr) {
        button->setDefault(true);
    }
}

void FrmMain::clearDefaultButton(QPushButton* button) {
    if (m_defaultButton == button && button != nullptr) {
        button->setDefault(false);
        m_defaultButton = nullptr;
    }
}

bool FrmMain::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Cut)) && watched->isWidgetType() &&
            !m_forwardingCopy) {
            // A copy in the program's own fields (the note box, the description, the category box, the list) is
            // the user's own: the clipboard watch must not take it for text copied elsewhere.
            const ClipboardWatcher::OwnCopy own(*m_clipboard);
            m_forwardingCopy = true;
            QCoreApplication::sendEvent(watched, event);
            m_forwardingCopy = false;
            return true;
        }
        // Enter presses the focused button, or else the window's default button.
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
            (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
            break;
        }
        QWidget* focus = QApplication::focusWidget();
        if (focus == nullptr || (focus != this && !isAncestorOf(focus)) || watched != focus) {
            break;
        }
        if (auto* pressed = qobject_cast<QPushButton*>(focus); pressed != nullptr && pressed->isEnabled()) {
            pressed->click();
            return true;
        }
        if (m_defaultButton != nullptr && m_defaultButton->isVisible() && m_defaultButton->isEnabled()) {
            m_defaultButton->click();
            return true;
        }
        break;
    }
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) {
            break;
        }
        if (watched == txtData->viewport()) {
            txtData_Click();
        } else if (watched == txtName) {
            txtName_Click();
        } else if (watched == imgQuarn &&
                   imgQuarn->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
            imgQuarn_Click();
        } else if (watched == lvwNoteDatabase->viewport() && !m_forwardingListEvent) {
            // The list settles its selection first; the release that ends a double click is no click of its own.
            forwardListEvent(watched, event);
            if (m_afterDoubleClick) {
                m_afterDoubleClick = false;
            } else {
                lvwNoteDatabase_Click();
            }
            return true;
        }
        break;
    case QEvent::MouseButtonDblClick:
        if (watched == lvwNoteDatabase->viewport() && !m_forwardingListEvent &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            forwardListEvent(watched, event);
            m_afterDoubleClick = true;
            lvwNoteDatabase_DblClick();
            return true;
        }
        break;
    case QEvent::Move:
    case QEvent::Resize:
        if (watched == this) {
            frameKnown();
        }
        break;
    case QEvent::FocusIn:
        if (watched == lvwNoteDatabase) {
            lvwNoteDatabase_GotFocus();
        }
        break;
    case QEvent::MouseMove:
        if (watched == imgQuarn) {
            imgQuarn_MouseMove();
        } else if (watched == lblEnterOrChooseCategory) {
            lblEnterOrChooseCategory_MouseMove();
        } else if (watched == lblEnterName) {
            lblEnterName_MouseMove();
        } else if (watched == lblNote) {
            lblNote_MouseMove();
        } else if (watched == lvwNoteDatabase->viewport()) {
            lvwNoteDatabase_MouseMove();
        } else if (watched == this || watched == lblOrChoose || watched == lblADescription ||
                   watched == lblNumberOfCategories || watched == lblNumberOfNotes || watched == txtName ||
                   watched == txtData->viewport()) {
            ResetHover();
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void FrmMain::forwardListEvent(QObject* viewport, QEvent* event) {
    m_forwardingListEvent = true;
    QCoreApplication::sendEvent(viewport, event);
    m_forwardingListEvent = false;
}

void FrmMain::bringForward() {
    if (m_ended) {
        return;
    }
    if (isMinimized()) {
        showNormal();
    } else {
        show();
    }
    raise();
    activateWindow();
}
