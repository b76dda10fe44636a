#include "NotesFixture.h"

#include "categories/CategoryBox.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <stdexcept>

bool NotesFixture::start(const QStringList& categories) {
    t.folder.makeData();
    QByteArray file = "[main]\r\ntotal=" + QByteArray::number(categories.size()) + "\r\n[category]\r\n";
    for (int i = 0; i < categories.size(); ++i) {
        file += QByteArray::number(i + 1) + '=' + categories[i].toUtf8() + "\r\n";
    }
    t.folder.write(QStringLiteral("\\data\\category.dat"), file);
    t.platform.trashFolder = trash.path();
    const bool started = t.start();
    // The tests tick the clipboard watch themselves, if at all.
    t->Timer1->stop();
    return started;
}

std::vector<NoteRecord> NotesFixture::records() const {
    std::vector<NoteRecord> all;
    QString error;
    const auto db = NoteDatabase::open(t.folder.file(QStringLiteral("\\data\\data.mdb")), &error);
    if (!db || !db->forEach([&](const NoteRecord& r) { all.push_back(r); }, &error)) {
        throw std::runtime_error(error.toStdString());
    }
    return all;
}

QStringList NotesFixture::noteFiles() const {
    return QDir(t.folder.file(QStringLiteral("\\data"))).entryList({QStringLiteral("*.txt")}, QDir::Files);
}

void NotesFixture::choose(const QString& category) {
    for (int i = 0; i < t->cboChoose_Category->listCount(); ++i) {
        if (t->cboChoose_Category->item(i) == category) {
            t->selectCategory(i);
            return;
        }
    }
    throw std::runtime_error("category not listed");
}

void NotesFixture::typeCategory(const QString& category) {
    QLineEdit* edit = t->cboChoose_Category->lineEdit();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, category);
}

void NotesFixture::save(const QString& description, const QString& text) {
    t->txtName->setText(description);
    t->setNoteText(text);
    if (!t->cmdSave->isEnabled()) {
        throw std::runtime_error("Save is disabled");
    }
    QTest::mouseClick(t->cmdSave, Qt::LeftButton);
    if (t->isMinimized() || !t->isVisible()) {
        t->showNormal();
    }
}

void NotesFixture::openList() {
    QTest::mouseClick(t->cmdOpenDatabase, Qt::LeftButton);
}

namespace {

QPoint rowCentre(QTreeView* list, int row) {
    return list->visualRect(list->model()->index(row, 1)).center();
}

} // namespace

void NotesFixture::clickRow(int row) {
    QTreeView* list = t->lvwNoteDatabase;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(list, row));
    // The window may answer a click once the list has taken it.
    QCoreApplication::processEvents();
}

void NotesFixture::doubleClickRow(int row) {
    // Press and release, then the double click and its release, as the window system delivers them.
    QTreeView* list = t->lvwNoteDatabase;
    const QPoint at = rowCentre(list, row);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
    QCoreApplication::processEvents();
}

int NotesFixture::rowOf(const QString& description) {
    const QAbstractItemModel* model = t->lvwNoteDatabase->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->index(row, 1).data().toString() == description) {
            return row;
        }
    }
    return -1;
}
