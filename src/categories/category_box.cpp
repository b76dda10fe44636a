// The category box: filling it from the category file, its Click and Change, Clear, and the count captions.
#include "app/FrmMain.h"

#include "categories/CategoryBox.h"
#include "categories/CategoryText.h"
#include "categories/CountCaption.h"
#include "common/Files.h"
#include "common/platform/Platform.h"
#include "notes/NoteListModel.h"
#include "storage/CategoryFile.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

namespace {

void setCaption(QLabel* label, const std::optional<QString>& caption) {
    if (caption) {
        label->setText(*caption);
    }
}

} // namespace

void FrmMain::LoadCategories() {
    if (!FileExists(categoryfile::path(m_programFolder))) {
        m_platform.messageBox(QStringLiteral("The category file is missing or dammaged.  Please uninstall then "
                                             "reinstall Scribbet."),
                              MsgStyle::Information, QStringLiteral("Scribbet"));
        skipQuery = true;
        Unload();
        return;
    }
    number_of_category_records = categoryfile::readTotal(categoryIni, m_programFolder);
    number_of_category_records_value = categoryfile::totalValue(number_of_category_records);
    // A single category reads 1 / 1 whatever is selected; more are counted from the selection.
    const std::optional<double> count = CountValue(number_of_category_records);
    const std::int64_t position = count && *count == 1 ? 1 : cboChoose_Category->listIndex() + 1;
    setCaption(lblNumberOfCategories, CategoryCountCaption(position, number_of_category_records));
}

void FrmMain::FillCategoryBox() {
    cboChoose_Category->clearAll();
    LoadCategories();
    if (hasEnded()) {
        return;
    }
    cboChoose_Category->addSortedAll(
        categoryfile::readNames(categoryIni, m_programFolder, number_of_category_records_value));
    if (cboChoose_Category->listCount() > 0) {
        selectCategory(0);
    } else {
        // No category is left to remove (after a restore too, which refills the box without a Remove of its own).
        cmdRemove_Category->setEnabled(false);
    }
}

void FrmMain::cboChoose_Category_Click() {
    const QString text = cboChoose_Category->text();
    if (text.isEmpty()) {
        cmdRemove_Category->setEnabled(false);
    }
    if (!loadCat) {
        loadCat = true;
        return;
    }
    LoadNoteList();
    for (int i = 0; i < cboChoose_Category->listCount(); ++i) {
        if (cboChoose_Category->item(i) == text) {
            cmdAdd_category->setEnabled(false);
            break;
        }
    }
    if (noteListCount() == 0 && !text.isEmpty()) {
        cmdOpen->setEnabled(false);
        cmdDeleteNote->setEnabled(false);
    }
    // A category that still has notes cannot be removed; nor can one whose notes could not be read, which may
    // have some (removed, they would be listed under no category).
    cmdRemove_Category->setEnabled(noteListCount() == 0 && !text.isEmpty() && m_noteListRead);
    loadCat = true;
    if (lvwNoteDatabase->isVisibleTo(this)) {
        cboChoose_Category->setFocus();
    }
    setCaption(lblNumberOfCategories,
               CategoryCountCaption(cboChoose_Category->listIndex() + 1, number_of_category_records));
}

void FrmMain::cboChoose_Category_Change() {
    cmdRemove_Category->setEnabled(false);
    cmdAdd_category->setEnabled(!TrimSpaces(cboChoose_Category->text()).isEmpty());
    cmdSave->setEnabled(!TrimSpaces(txtName->text()).isEmpty() && !TrimSpaces(noteText()).isEmpty() &&
                        !TrimSpaces(cboChoose_Category->text()).isEmpty());
    clearDefaultButton(cmdOpenDatabase);
}

void FrmMain::cmdClearCategory_Click() {
    clearDefaultButton(cmdOpenDatabase);
    setCategoryText(QString());
    setCaption(lblNumberOfCategories, CategoryCountCaption(0, number_of_category_records));
    if (number_of_data_records.isEmpty()) {
        number_of_data_records = QStringLiteral("0");
    }
    setCaption(lblNumberOfNotes, NoteCountCaption(0, number_of_data_records));
    m_noteList->clear();
}

void FrmMain::selectCategory(int i) {
    cboChoose_Category->setListIndex(i);
    cboChoose_Category_Click();
}

void FrmMain::setCategoryText(const QString& text) {
    if (cboChoose_Category->text() != text) {
        cboChoose_Category->setText(text);
        cboChoose_Category_Change();
    }
}
