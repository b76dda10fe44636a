#include "Session.h"

#include "categories/CategoryBox.h"
#include "tray/TrayHost.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCollator>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTextCursor>
#include <QTime>
#include <QTimer>
#include <QTreeView>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <array>
#include <utility>

namespace {

struct Named {
    Action action;
    const char* name;
    int weight; // how often a run draws it, against the others
};

constexpr std::array kActions = {
    Named{Action::Choose, "choose", 8},
    Named{Action::TypeCategory, "type-category", 5},
    Named{Action::ClearCategory, "clear-category", 3},
    Named{Action::AddCategory, "add-category", 4},
    Named{Action::RemoveCategory, "remove-category", 3},
    Named{Action::TypeDescription, "type-description", 10},
    Named{Action::TypeNote, "type-note", 10},
    Named{Action::ClearDescription, "clear-description", 1},
    Named{Action::ClearNote, "clear-note", 1},
    Named{Action::Save, "save", 12},
    Named{Action::SwitchView, "switch-view", 6},
    Named{Action::Discard, "discard", 1},
    Named{Action::ClickRow, "click-row", 6},
    Named{Action::DoubleClickRow, "double-click-row", 2},
    Named{Action::OpenRow, "open-row", 2},
    Named{Action::DeleteRow, "delete-row", 4},
    Named{Action::Sort, "sort", 4},
    Named{Action::TrayMenu, "tray-menu", 6},
    Named{Action::TrayDoubleClick, "tray-double-click", 4},
    Named{Action::CopyElsewhere, "copy-elsewhere", 3},
    Named{Action::CopySecret, "copy-secret", 1},
    Named{Action::CopyInOwnFields, "copy-in-own-fields", 3},
    Named{Action::Preference, "preference", 2},
    Named{Action::Backup, "backup", 1},
    Named{Action::Restore, "restore", 1},
};

const QStringList kCategories = {QStringLiteral("Apple"),       QStringLiteral("apple"),  QStringLiteral("Banana"),
                                 QStringLiteral("Work  notes"), QStringLiteral(" Apple"), QStringLiteral("Caf\u00e9"),
                                 QStringLiteral("Zed")};
const QStringList kDescriptions = {QStringLiteral("Shopping"), QStringLiteral("a"), QStringLiteral("Meeting notes"),
                                   QStringLiteral("x y")};
const QStringList kNoteWords = {QStringLiteral("milk"), QStringLiteral("eggs and bread"), QStringLiteral(" "),
                                QStringLiteral("Z\u00fcrich"), QStringLiteral("42")};
const QStringList kCopies = {QStringLiteral("copied"), QStringLiteral("line one\nline two"), QStringLiteral("milk"),
                             QStringLiteral("Stra\u00dfe \u2014 12")};

QString pick(const QStringList& list, std::mt19937& draw) {
    return list[static_cast<qsizetype>(draw() % static_cast<std::uint32_t>(list.size()))];
}

int below(int n, std::mt19937& draw) {
    return n <= 0 ? 0 : static_cast<int>(draw() % static_cast<std::uint32_t>(n));
}

bool chance(int inN, std::mt19937& draw) {
    return below(inN, draw) == 0;
}

// Blanks (spaces only) removed at both ends, as the box's text is compared.
QString trimSpaces(const QString& text) {
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text[from] == QLatin1Char(' ')) {
        ++from;
    }
    while (to > from && text[to - 1] == QLatin1Char(' ')) {
        --to;
    }
    return text.mid(from, to - from);
}

// The bytes of a note file for the text of the note box: CR LF at every line end and after the last line.
QByteArray fileBytes(const QString& text) {
    QString stored = text;
    stored.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return (stored + QStringLiteral("\r\n")).toUtf8();
}

// The note text a file holds, as the note box shows it.
QString fileText(const QByteArray& bytes) {
    QString text = QString::fromUtf8(bytes);
    if (text.endsWith(QStringLiteral("\r\n"))) {
        text.chop(2);
    }
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

// Types text as key presses; letters beyond ASCII come as the text of a key the keyboard does not name.
void typeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 128) {
            QTest::keyClick(widget, static_cast<char>(c.unicode()));
        } else {
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
}

QClipboard* clipboard() {
    return QGuiApplication::clipboard();
}

QString column(const char* text) {
    return QString::fromUtf8(text == nullptr ? "" : text);
}

struct ListRow {
    int number = 0;
    QString description;
    QString date;
    QString time;
    bool operator==(const ListRow&) const = default;
};

std::vector<ListRow> rowsOf(const QTreeView* list) {
    std::vector<ListRow> rows;
    const QAbstractItemModel* model = list->model();
    for (int r = 0; r < model->rowCount(); ++r) {
        const auto cell = [&](int c) { return model->data(model->index(r, c)).toString(); };
        rows.push_back({cell(0).toInt(), cell(1), cell(2), cell(3)});
    }
    return rows;
}

// Compares two rows by the column a header click sorts.
int compareBy(int sortColumn, const ListRow& a, const ListRow& b) {
    const auto order = [](const auto& x, const auto& y) { return x < y ? -1 : (y < x ? 1 : 0); };
    switch (sortColumn) {
    case 1:
        return order(a.number, b.number);
    case 2: {
        // The list's text sort, like the list views of the desktop, ignores case.
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        return collator.compare(a.description, b.description);
    }
    case 3: {
        const auto date = [](const QString& text) { return QDate::fromString(text, QStringLiteral("MM/dd/yy")); };
        return order(date(a.date), date(b.date));
    }
    default: {
        const auto time = [](const QString& text) { return QTime::fromString(text, QStringLiteral("h:mm:ss AP")); };
        return order(time(a.time), time(b.time));
    }
    }
}

QString describeRows(const std::vector<ListRow>& rows) {
    QStringList parts;
    for (const ListRow& row : rows) {
        parts << QStringLiteral("%1 %2").arg(row.number).arg(row.description);
    }
    return QLatin1Char('[') + parts.join(QStringLiteral(", ")) + QLatin1Char(']');
}

} // namespace

QString actionName(Action action) {
    for (const Named& named : kActions) {
        if (named.action == action) {
            return QString::fromLatin1(named.name);
        }
    }
    return {};
}

std::optional<Action> actionNamed(const QString& name) {
    for (const Named& named : kActions) {
        if (name == QLatin1String(named.name)) {
            return named.action;
        }
    }
    return std::nullopt;
}

QString formatSteps(const std::vector<Step>& steps) {
    QStringList parts;
    for (const Step& step : steps) {
        parts << actionName(step.action) + QLatin1Char(':') + QString::number(step.detail);
    }
    return parts.join(QLatin1Char(' '));
}

std::optional<std::vector<Step>> parseSteps(const QString& text) {
    std::vector<Step> steps;
    for (const QString& part : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const qsizetype colon = part.indexOf(QLatin1Char(':'));
        bool number = false;
        const std::optional<Action> action = actionNamed(part.left(colon));
        const std::uint32_t detail = part.mid(colon + 1).toUInt(&number);
        if (colon < 0 || !action || !number) {
            return std::nullopt;
        }
        steps.push_back({*action, detail});
    }
    return steps;
}

std::vector<Action> drawnActions() {
    std::vector<Action> drawn;
    for (const Named& named : kActions) {
        drawn.insert(drawn.end(), static_cast<std::size_t>(named.weight), named.action);
    }
    return drawn;
}

Session::Session(bool trayHost) {
    setTrayHostForTesting(trayHost);
    clipboard()->clear();
    t.platform.trashFolder = trash.path();
    t.platform.answerer = [this](const FakePlatform::Message& message) {
        std::mt19937& draw = *answers;
        switch (message.style) {
        case MsgStyle::OkCancelExclamation:
            return chance(3, draw) ? MsgAnswer::Cancel : MsgAnswer::Ok;
        case MsgStyle::YesNoExclamation:
            return chance(2, draw) ? MsgAnswer::No : MsgAnswer::Yes;
        default:
            return MsgAnswer::Ok;
        }
    };
}

Session::~Session() {
    setTrayHostForTesting(std::nullopt);
}

bool Session::onScreen() const {
    return t.window->isVisible() && !t.window->isMinimized();
}

bool Session::reach() {
    if (!onScreen()) {
        // The user brings the window back first, as the desktop allows.
        if (t->TrayIcon != nullptr && t->TrayIcon->isVisible()) {
            t->TrayIcon_DblClick();
        } else {
            t->bringForward();
        }
        QCoreApplication::processEvents();
    }
    return onScreen();
}

bool Session::click(QWidget* button) {
    if (!reach() || !button->isVisible() || !button->isEnabled()) {
        return false;
    }
    QTest::mouseClick(button, Qt::LeftButton);
    return true;
}

void Session::hover(QWidget* label) {
    if (reach()) {
        const QPoint at = label->rect().center();
        QMouseEvent move(QEvent::MouseMove, at, label->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(label, &move);
    }
}

void Session::clickRow(int row, bool twice) {
    QTreeView* list = t->lvwNoteDatabase;
    const QPoint at = list->visualRect(list->model()->index(row, 1)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    if (twice) {
        // The double click and its release, as the window system delivers them.
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
    }
}

std::optional<Failure> Session::play(const std::vector<Step>& steps) {
    std::mt19937 startDraw(0);
    answers = &startDraw;
    // A user who has made a few categories already.
    t.folder.makeData();
    t.folder.write(QStringLiteral("\\data\\category.dat"),
                   "[main]\r\ntotal=3\r\n[category]\r\n1=Apple\r\n2=Banana\r\n3=Work  notes\r\n");
    if (!t.start()) {
        return Failure{-1, QStringLiteral("start-up"), QStringLiteral("the program ended at start-up")};
    }
    // The tester ticks the clipboard clock itself, once after every step.
    t->Timer1->stop();
    programFolder.emplace(t.folder.path(), QStringList{QStringLiteral("data"), QStringLiteral("backup")});
    home.emplace(QDir::homePath(), QStringList{QStringLiteral("run"), QStringLiteral(".local/share/Trash")});
    shownCategory = trimSpaces(t->cboChoose_Category->text());

    for (std::size_t i = 0; i < steps.size(); ++i) {
        const QString boxBefore = t->cboChoose_Category->text();
        std::mt19937 draw(steps[i].detail);
        answers = &draw;
        stepProblem.clear();
        listRule = ListRule::Any;
        perform(steps[i], draw);
        if (qEnvironmentVariableIntValue("SCRIBBET_STATEFUL_TRACE") == 1) {
            std::fprintf(stderr, "%zu %s: box \"%s\", %d rows, \"%s\", \"%s\", remove %s, mode %d, on screen %s\n",
                         i + 1, qPrintable(actionName(steps[i].action)), qPrintable(t->cboChoose_Category->text()),
                         t->noteListCount(), qPrintable(t->lblNumberOfNotes->text()),
                         qPrintable(t->lblNumberOfCategories->text()),
                         t->cmdRemove_Category->isEnabled() ? "on" : "off", t->currentMode, onScreen() ? "yes" : "no");
        }
        QString broken;
        if (!stepProblem.isEmpty()) {
            broken = stepProblem;
        } else if (const std::optional<QString> taken =
                       steps[i].action == Action::CopyElsewhere ? std::nullopt : tick()) {
            broken = *taken;
        } else if (steps[i].action == Action::CopyElsewhere) {
            t->Timer1_Timer();
            QCoreApplication::processEvents();
        }
        if (broken.isEmpty()) {
            if (const std::optional<QString> problem = check(boxBefore)) {
                broken = *problem;
            }
        }
        if (!broken.isEmpty()) {
            const qsizetype colon = broken.indexOf(QLatin1Char(':'));
            return Failure{static_cast<int>(i), broken.left(colon), broken.mid(colon + 1).trimmed()};
        }
    }
    return std::nullopt;
}

std::optional<QString> Session::tick() {
    // Outside a capture the clipboard holds the note, or text the program's own fields put there: no tick may take
    // either into the note.
    const QString note = t->noteText();
    const QString description = t->txtName->text();
    t->Timer1_Timer();
    QCoreApplication::processEvents();
    if (t->noteText() != note || t->txtName->text() != description) {
        return QStringLiteral("capture without a copy elsewhere: the note \"%1\" (description \"%2\") became \"%3\" "
                              "(description \"%4\")")
            .arg(note, description, t->noteText(), t->txtName->text());
    }
    return std::nullopt;
}

void Session::finishWork(std::mt19937& draw) {
    // The program shows that work is under way with the wait cursor, and with a progress dialog for work that runs
    // away from the window's thread; the step lasts until both are gone. A progress dialog may be cancelled.
    QElapsedTimer clock;
    clock.start();
    bool cancelled = false;
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QProgressDialog* progress = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QProgressDialog*>(widget); dialog != nullptr && dialog->isVisible()) {
                progress = dialog;
            }
        }
        if (progress != nullptr && !cancelled && chance(2, draw)) {
            progress->cancel();
            cancelled = true;
        }
        if (progress == nullptr && QGuiApplication::overrideCursor() == nullptr) {
            return;
        }
        if (clock.elapsed() > 120000) {
            stepProblem = QStringLiteral("work never ended: the step still showed its work after two minutes");
            return;
        }
    }
}

void Session::perform(const Step& step, std::mt19937& draw) {
    FrmMain& w = t.w();
    CategoryBox* box = w.cboChoose_Category;
    switch (step.action) {
    case Action::Choose:
        if (reach() && box->listCount() > 0) {
            const int i = below(box->listCount(), draw);
            box->setCurrentIndex(i);
            emit box->activated(i);
            listRule = ListRule::ShowsTheBox;
        }
        break;
    case Action::TypeCategory:
        if (reach()) {
            // Typing in the box does not reload the list.
            const std::vector<ListRow> rows = rowsOf(w.lvwNoteDatabase);
            QLineEdit* edit = box->lineEdit();
            if (chance(2, draw)) {
                edit->selectAll();
            } else {
                edit->end(false);
            }
            typeText(edit, pick(kCategories, draw));
            if (rowsOf(w.lvwNoteDatabase) != rows) {
                stepProblem = QStringLiteral("list rows: typing \"%1\" in the box changed the list from %2 to %3")
                                  .arg(box->text(), describeRows(rows), describeRows(rowsOf(w.lvwNoteDatabase)));
            }
        }
        break;
    case Action::ClearCategory:
        hover(w.lblEnterOrChooseCategory);
        if (click(w.cmdClearCategory)) {
            listRule = ListRule::Empty;
        }
        break;
    case Action::AddCategory:
        click(w.cmdAdd_category);
        break;
    case Action::RemoveCategory:
        click(w.cmdRemove_Category);
        break;
    case Action::TypeDescription:
        if (reach() && !w.txtName->isVisible()) {
            click(w.cmdBack); // to the enter-note view first
        }
        if (w.txtName->isVisible()) {
            if (chance(3, draw)) {
                w.txtName->selectAll();
            }
            typeText(w.txtName, pick(kDescriptions, draw));
        }
        break;
    case Action::TypeNote:
        if (reach() && !w.txtData->isVisible()) {
            click(w.cmdBack);
        }
        if (w.txtData->isVisible()) {
            if (chance(3, draw)) {
                QTest::keyClick(w.txtData, Qt::Key_Return);
            }
            typeText(w.txtData, pick(kNoteWords, draw));
        }
        break;
    case Action::ClearDescription:
        hover(w.lblEnterName);
        click(w.cmdClearDescription);
        break;
    case Action::ClearNote:
        hover(w.lblNote);
        click(w.cmdClearNote);
        break;
    case Action::Save: {
        // Notes saved at different moments, so that sorting by date and time has something to order.
        t.platform.clock = t.platform.clock.addSecs(below(3 * 86400, draw));
        const QString text = w.noteText();
        const Files before = readFiles();
        click(w.cmdSave);
        finishWork(draw);
        for (const Record& record : readFiles().records) {
            const bool added = std::none_of(before.records.begin(), before.records.end(),
                                            [&](const Record& old) { return old.key == record.key; });
            if (added) {
                savedText.insert(record.path, fileBytes(text));
            }
        }
        break;
    }
    case Action::SwitchView:
        if (w.cmdOpenDatabase->isVisible()) {
            click(w.cmdOpenDatabase);
        } else {
            click(w.cmdBack);
        }
        break;
    case Action::Discard:
        click(w.cmdDiscard);
        break;
    case Action::ClickRow:
    case Action::DoubleClickRow:
    case Action::OpenRow:
    case Action::DeleteRow: {
        if (!reach() || !w.lvwNoteDatabase->isVisible() || w.noteListCount() == 0) {
            break;
        }
        const int row = below(w.noteListCount(), draw);
        const std::vector<ListRow> rows = rowsOf(w.lvwNoteDatabase);
        const int number = rows[static_cast<std::size_t>(row)].number;
        const Files before = readFiles();
        // Bringing the window back may have filled the list for the box's text.
        const auto shows = [&](const std::vector<Record>& records) {
            return records.size() == rows.size() && std::all_of(rows.begin(), rows.end(), [&](const ListRow& shown) {
                       return shown.number >= 1 && static_cast<std::size_t>(shown.number) <= records.size() &&
                              records[static_cast<std::size_t>(shown.number - 1)].description == shown.description;
                   });
        };
        std::vector<Record> listed = recordsOf(before, shownCategory);
        if (!shows(listed)) {
            listed = recordsOf(before, trimSpaces(box->text()));
        }
        if (number < 1 || static_cast<std::size_t>(number) > listed.size()) {
            break; // the invariant after the last step has already judged the rows
        }
        const Record& record = listed[static_cast<std::size_t>(number - 1)];
        const int opened = static_cast<int>(t.platform.openedFiles.size());
        clickRow(row, step.action == Action::DoubleClickRow);
        if (step.action == Action::ClickRow) {
            const QString text = fileText(t.folder.read(record.path));
            if (w.noteText() != text || w.txtName->text() != record.description) {
                stepProblem =
                    QStringLiteral("a row shows another note: row %1 (number %2) shows \"%3\" (description \"%4\"), "
                                   "its note \"%5\" holds \"%6\"")
                        .arg(row)
                        .arg(number)
                        .arg(w.noteText(), w.txtName->text(), record.description, text);
            }
        }
        if (step.action == Action::OpenRow) {
            click(w.cmdOpen);
        }
        if (step.action == Action::DoubleClickRow || step.action == Action::OpenRow) {
            const QStringList files = t.platform.openedFiles.mid(opened);
            if (files != QStringList{t.folder.file(record.path)}) {
                stepProblem = QStringLiteral("a row opens another note: row %1 (number %2) opened %3 instead of %4")
                                  .arg(row)
                                  .arg(number)
                                  .arg(files.join(QLatin1Char(',')), record.path);
            }
        }
        if (step.action == Action::DeleteRow) {
            click(w.cmdDeleteNote);
            finishWork(draw);
            const std::vector<Record> after = readFiles().records;
            for (const Record& old : before.records) {
                const bool gone =
                    std::none_of(after.begin(), after.end(), [&](const Record& now) { return now.key == old.key; });
                if (gone && old.key != record.key) {
                    stepProblem = QStringLiteral("a row deletes another note: row %1 (number %2, \"%3\") removed "
                                                 "\"%4\"")
                                      .arg(row)
                                      .arg(number)
                                      .arg(record.description, old.description);
                }
            }
        }
        break;
    }
    case Action::Sort:
        if (reach() && w.lvwNoteDatabase->isVisible()) {
            QHeaderView* header = w.lvwNoteDatabase->header();
            const int c = below(4, draw);
            QTest::mouseClick(
                header->viewport(), Qt::LeftButton, {},
                QPoint(header->sectionViewportPosition(c) + header->sectionSize(c) / 2, header->height() / 2));
            sortColumn = c + 1;
        }
        break;
    case Action::TrayMenu:
        if (w.TrayIcon != nullptr && w.TrayIcon->isVisible()) {
            w.mnuCTRL->trigger();
        } else if (w.isMinimized() || !w.isVisible()) {
            // Without a tray the window is only minimised; starting the program again brings it back.
            w.bringForward();
        } else {
            w.showMinimized();
        }
        break;
    case Action::TrayDoubleClick:
        if (w.TrayIcon != nullptr && w.TrayIcon->isVisible()) {
            w.TrayIcon_DblClick();
        }
        break;
    case Action::CopyElsewhere:
        clipboard()->setText(chance(4, draw) ? w.noteText() : pick(kCopies, draw));
        lastCopy = LastCopy::Elsewhere;
        break;
    case Action::CopySecret: {
        auto* data = new QMimeData;
        data->setText(QStringLiteral("hunter2-") + QString::number(below(100, draw)));
        data->setData(QStringLiteral("x-kde-passwordManagerHint"), "secret");
        clipboard()->setMimeData(data);
        lastCopy = LastCopy::Secret;
        break;
    }
    case Action::CopyInOwnFields: {
        if (!reach()) {
            break;
        }
        QWidget* field = nullptr;
        switch (below(3, draw)) {
        case 0:
            if (w.txtData->isVisible() && !w.noteText().isEmpty()) {
                const int length = static_cast<int>(w.noteText().size());
                QTextCursor cursor(w.txtData->document());
                cursor.setPosition(below(length, draw));
                cursor.setPosition(cursor.position() + 1 + below(length - cursor.position(), draw),
                                   QTextCursor::KeepAnchor);
                w.txtData->setTextCursor(cursor);
                field = w.txtData;
            }
            break;
        case 1:
            if (w.txtName->isVisible() && !w.txtName->text().isEmpty()) {
                w.txtName->selectAll();
                field = w.txtName;
            }
            break;
        default:
            if (!box->text().isEmpty()) {
                box->lineEdit()->selectAll();
                field = box->lineEdit();
            }
            break;
        }
        if (field != nullptr) {
            QTest::keyClick(field, Qt::Key_C, Qt::ControlModifier);
            QCoreApplication::processEvents();
            lastCopy = LastCopy::OwnField;
            ownCopy = clipboard()->text();
        }
        break;
    }
    case Action::Preference: {
        QCheckBox* boxes[] = {w.chkPopUp, w.chkStayOnTop, w.chkAppend};
        click(boxes[below(3, draw)]);
        break;
    }
    case Action::Backup:
    case Action::Restore: {
        QAction* item = step.action == Action::Backup ? w.mnuBackup : w.mnuRestore;
        if (w.TrayIcon == nullptr || !w.TrayIcon->isVisible() || !item->isEnabled()) {
            break;
        }
        const QStringList filesBefore = readFiles().noteFiles;
        item->trigger();
        finishWork(draw);
        if (step.action == Action::Restore) {
            const Files after = readFiles();
            for (const QString& name : filesBefore) {
                const bool recorded = std::any_of(after.records.begin(), after.records.end(), [&](const Record& r) {
                    return r.path == QStringLiteral("\\data\\") + name;
                });
                if (!recorded && after.noteFiles.contains(name)) {
                    keptByRestore.insert(name);
                }
            }
        }
        break;
    }
    }
    finishWork(draw);
}

Session::Files Session::readFiles() const {
    Files files;
    sqlite3* db = nullptr;
    const QByteArray path = QFile::encodeName(t.folder.file(QStringLiteral("\\data\\data.mdb")));
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db,
                               "SELECT theKey, theCategory, theDescription, theDate, theTime, thePath FROM data "
                               "ORDER BY theKey",
                               -1, &statement, nullptr) == SQLITE_OK) {
            while (sqlite3_step(statement) == SQLITE_ROW) {
                const auto text = [&](int i) {
                    return column(reinterpret_cast<const char*>(sqlite3_column_text(statement, i)));
                };
                files.records.push_back(
                    {sqlite3_column_int64(statement, 0), text(1), text(2), text(3), text(4), text(5)});
            }
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);

    // The category file, read as plainly as it is written: [main] total=N, [category] 1..N.
    QHash<QString, QString> names;
    QString section;
    const QByteArray bytes = t.folder.read(QStringLiteral("\\data\\category.dat"));
    for (QByteArray line : bytes.split('\n')) {
        line = line.trimmed();
        if (line.startsWith('[') && line.endsWith(']')) {
            section = QString::fromUtf8(line.mid(1, line.size() - 2)).trimmed().toLower();
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals < 0) {
            continue;
        }
        const QString key = QString::fromUtf8(line.left(equals)).trimmed().toLower();
        const QString value = QString::fromUtf8(line.mid(equals + 1));
        if (section == QLatin1String("main") && key == QLatin1String("total")) {
            files.categoryTotal = value.trimmed().toLongLong();
        } else if (section == QLatin1String("category") && !names.contains(key)) {
            names.insert(key, value);
        }
    }
    for (std::int64_t i = 1; i <= files.categoryTotal; ++i) {
        files.categories << names.value(QString::number(i));
    }
    files.noteFiles = QDir(t.folder.file(QStringLiteral("\\data")))
                          .entryList({QStringLiteral("*.txt")}, QDir::Files | QDir::Hidden | QDir::System);
    return files;
}

std::vector<Session::Record> Session::recordsOf(const Files& files, const QString& category) const {
    std::vector<Record> listed;
    for (const Record& record : files.records) {
        if (!category.isEmpty() && record.category == category) {
            listed.push_back(record);
        }
    }
    return listed;
}

std::optional<QString> Session::check(const QString& boxBefore) {
    FrmMain& w = t.w();
    const Files files = readFiles();
    const std::vector<ListRow> rows = rowsOf(w.lvwNoteDatabase);
    const QString box = w.cboChoose_Category->text();

    // The rows are exactly the records of the category last chosen, each under its own number (its place among
    // them in table order), in table order or in the order of the last sort.
    const auto rowsShow = [&](const QString& category) {
        const std::vector<Record> listed = recordsOf(files, category);
        if (rows.size() != listed.size()) {
            return false;
        }
        std::vector<bool> seen(listed.size() + 1, false);
        for (const ListRow& row : rows) {
            if (row.number < 1 || static_cast<std::size_t>(row.number) > listed.size() ||
                seen[static_cast<std::size_t>(row.number)]) {
                return false;
            }
            seen[static_cast<std::size_t>(row.number)] = true;
            const Record& record = listed[static_cast<std::size_t>(row.number - 1)];
            if (row.description != record.description || row.date != record.date || row.time != record.time) {
                return false;
            }
        }
        return true;
    };
    QStringList candidates;
    switch (listRule) {
    case ListRule::ShowsTheBox:
        candidates = {trimSpaces(box)};
        break;
    case ListRule::Empty:
        candidates = {QString()};
        break;
    case ListRule::Any:
        // The step either left the list alone or filled it for the box's text.
        candidates = {shownCategory, trimSpaces(box), trimSpaces(boxBefore)};
        break;
    }
    const auto shown = std::find_if(candidates.begin(), candidates.end(), rowsShow);
    if (shown == candidates.end()) {
        return QStringLiteral("list rows: the list shows %1, the category last chosen (\"%2\") has %3 notes")
            .arg(describeRows(rows), candidates.front())
            .arg(recordsOf(files, candidates.front()).size());
    }
    shownCategory = *shown;
    bool tableOrder = true;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        tableOrder = tableOrder && rows[i].number == static_cast<int>(i) + 1;
    }
    if (!tableOrder && sortColumn != 0) {
        bool ascending = true;
        bool descending = true;
        for (std::size_t i = 1; i < rows.size(); ++i) {
            const int order = compareBy(sortColumn, rows[i - 1], rows[i]);
            ascending = ascending && order <= 0;
            descending = descending && order >= 0;
        }
        tableOrder = ascending || descending;
    }
    if (!tableOrder) {
        return QStringLiteral("list order: %1 is neither in table order nor sorted by column %2")
            .arg(describeRows(rows))
            .arg(sortColumn);
    }

    // Both count labels match the files.
    const auto total = static_cast<std::int64_t>(files.records.size());
    const QString notes = total == 0 ? QStringLiteral("No Notes")
                                     : QStringLiteral("%1 / %2 %3")
                                           .arg(rows.size())
                                           .arg(total)
                                           .arg(total == 1 ? QStringLiteral("Note") : QStringLiteral("Notes"));
    if (w.lblNumberOfNotes->text() != notes) {
        return QStringLiteral("note count: the label reads \"%1\", the files say \"%2\"")
            .arg(w.lblNumberOfNotes->text(), notes);
    }
    const QString categoryLabel = w.lblNumberOfCategories->text();
    bool counted = false;
    if (files.categoryTotal == 0) {
        counted = categoryLabel == QLatin1String("No Categories");
    } else {
        const QString tail =
            QStringLiteral(" / %1 %2")
                .arg(files.categoryTotal)
                .arg(files.categoryTotal == 1 ? QStringLiteral("Category") : QStringLiteral("Categories"));
        bool number = false;
        const int position = categoryLabel.left(categoryLabel.indexOf(QLatin1Char(' '))).toInt(&number);
        counted = categoryLabel.endsWith(tail) &&
                  categoryLabel.size() == categoryLabel.indexOf(QLatin1Char(' ')) + tail.size() && number &&
                  position >= 0 && position <= files.categoryTotal;
    }
    if (!counted) {
        return QStringLiteral("category count: the label reads \"%1\", the category file holds %2")
            .arg(categoryLabel)
            .arg(files.categoryTotal);
    }

    // "Remove" only for a category without notes.
    if (w.cmdRemove_Category->isEnabled()) {
        const bool hasNotes = std::any_of(files.records.begin(), files.records.end(), [&](const Record& record) {
            return record.category == box || record.category == trimSpaces(box);
        });
        if (box.isEmpty() || hasNotes) {
            return QStringLiteral("remove enabled: \"Remove\" is enabled for \"%1\", which has notes or is empty")
                .arg(box);
        }
    }

    // Every record's file exists with its text; no note file without a record.
    for (const Record& record : files.records) {
        const QString path = t.folder.file(record.path);
        if (!QFile::exists(path)) {
            return QStringLiteral("note file: the file of \"%1\" (%2) is missing").arg(record.description, record.path);
        }
        if (savedText.contains(record.path) && t.folder.read(record.path) != savedText.value(record.path)) {
            return QStringLiteral("note file: the file of \"%1\" (%2) holds \"%3\", saved was \"%4\"")
                .arg(record.description, record.path, QString::fromUtf8(t.folder.read(record.path)),
                     QString::fromUtf8(savedText.value(record.path)));
        }
    }
    for (const QString& name : files.noteFiles) {
        const bool recorded = std::any_of(files.records.begin(), files.records.end(), [&](const Record& record) {
            return record.path == QStringLiteral("\\data\\") + name;
        });
        if (!recorded && !keptByRestore.contains(name)) {
            return QStringLiteral("note file: %1 in data/ has no record").arg(name);
        }
    }
    const QDir pending(t.folder.file(QStringLiteral("\\data\\.pending")));
    if (pending.exists() && !pending.isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        return QStringLiteral("note file: a save left its note in data/.pending");
    }

    // Nothing written outside the program's own places.
    const QStringList outside =
        FolderSnapshot(t.folder.path(), {QStringLiteral("data"), QStringLiteral("backup")})
            .changesSince(*programFolder) +
        FolderSnapshot(QDir::homePath(), {QStringLiteral("run"), QStringLiteral(".local/share/Trash")})
            .changesSince(*home);
    if (!outside.isEmpty()) {
        return QStringLiteral("writes outside: %1").arg(outside.join(QStringLiteral(", ")));
    }

    // Outside a capture the clipboard holds the note, unless the last copy was made in the program's own fields or
    // was a password manager's secret.
    const QString held = clipboard()->text();
    if (held == w.noteText()) {
        lastCopy = LastCopy::Note;
    } else if (lastCopy == LastCopy::Secret || (lastCopy == LastCopy::OwnField && held == ownCopy)) {
        // The copy stays until the note changes.
    } else {
        return QStringLiteral("clipboard: it holds \"%1\", the note is \"%2\"").arg(held, w.noteText());
    }

    // No failure reported to the user: every note operation here has what it needs.
    const std::vector<FakePlatform::Message>& messages = t.platform.messages();
    for (const FakePlatform::Message& message : messages) {
        if (message.style == MsgStyle::Critical ||
            message.text.contains(QStringLiteral("error"), Qt::CaseInsensitive)) {
            return QStringLiteral("message: \"%1\"").arg(message.text);
        }
    }
    t.platform.clearMessages();
    return std::nullopt;
}
