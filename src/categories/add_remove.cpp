// Adding and removing categories: the category file is renumbered in the box's sorted order after each change.
#include "app/FrmMain.h"

#include "categories/CategoryBox.h"
#include "categories/CategoryText.h"
#include "categories/CountCaption.h"
#include "common/platform/Platform.h"
#include "storage/CategoryFile.h"

#include <QLabel>
#include <QPushButton>
#include <QStringList>

namespace {

QStringList itemsOf(const CategoryBox* box) {
    QStringList items;
    items.reserve(box->listCount());
    for (int i = 0; i < box->listCount(); ++i) {
        items << box->item(i);
    }
    return items;
}

} // namespace

void FrmMain::cmdAdd_category_Click() {
    const QString name = CollapseSpaces(cboChoose_Category->text());
    if (name.isEmpty()) {
        return;
    }
    // A name the category file would change or cut is refused before anything is written.
    const QString problem = CategoryNameProblem(cboChoose_Category->text());
    if (!problem.isEmpty()) {
        m_platform.messageBox(problem, MsgStyle::Exclamation, QStringLiteral("Error"));
        cboChoose_Category->setFocus();
        return;
    }
    // Set only once something will be added: the Click raised while the box refills must not refresh the list.
    loadCat = false;
    for (int i = 0; i < cboChoose_Category->listCount(); ++i) {
        if (cboChoose_Category->item(i) == name) {
            selectCategory(i);
            cboChoose_Category_Click();
            m_platform.messageBox(QStringLiteral("That category already exists.  "), MsgStyle::Exclamation,
                                  QStringLiteral("Scribbet"));
            cmdAdd_category->setEnabled(false);
            cboChoose_Category->setFocus();
            return;
        }
    }
    LoadCategories();
    if (hasEnded()) {
        return;
    }
    // Stored as typed: the collapsed form only finds duplicates.
    const QString kept = cboChoose_Category->text();
    if (!categoryfile::writeTotalAndName(categoryIni, m_programFolder, number_of_category_records_value + 1, kept)) {
        // Nothing was written (a full or read-only disk): the typed name stays in the box, and Add with it. No
        // refill follows to swallow a Click, so the next choice in the box is a choice again.
        loadCat = true;
        return;
    }
    FillCategoryBox();
    if (hasEnded()) {
        return;
    }
    setCategoryText(kept);
    categoryfile::renumber(categoryIni, m_programFolder, itemsOf(cboChoose_Category));
    cmdAdd_category->setEnabled(false);
    selectCategory(0);
    cboChoose_Category_Click();
}

void FrmMain::cmdRemove_Category_Click() {
    if (m_platform.messageBox(QStringLiteral("Are you sure you want to remove the selected category?"),
                              MsgStyle::OkCancelExclamation, QStringLiteral("Scribbet")) != MsgAnswer::Ok) {
        return;
    }
    const QString name = cboChoose_Category->text();
    // The item that moves up into a removed place is not looked at: of two equal names one stays.
    for (int i = 0; i < cboChoose_Category->listCount(); ++i) {
        if (cboChoose_Category->item(i) == name) {
            cboChoose_Category->removeAt(i);
        }
    }
    categoryfile::renumber(categoryIni, m_programFolder, itemsOf(cboChoose_Category));
    FillCategoryBox();
    if (hasEnded()) {
        return;
    }
    if (cboChoose_Category->listCount() == 0) {
        cmdRemove_Category->setEnabled(false);
    }
}
