#pragma once

#include "search/SearchIndex.h"

#include <QAbstractTableModel>
#include <QWidget>

#include <cstdint>
#include <vector>

class QFileSystemWatcher;
class QLabel;
class QLineEdit;
class QTreeView;
class SearchService;

// The rows of the find window: "Category", "Description", "Date" and a line of the note's text around the first
// place where a word of the query stands. That line is read from the note file when the row is first shown. Rows that
// came with their key only ask for their fields when first shown, a block at a time, and stay blank until they come.
class FoundNotesModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void setAnswer(SearchAnswer answer);
    const FoundNote& note(int row) const { return m_answer.notes[static_cast<std::size_t>(row)]; }
    // The fields of the rows from firstRow on, as detailsWanted() asked for them; ignored when the rows have changed
    // since.
    void fill(int firstRow, const std::vector<FoundNote>& notes);

signals:
    void detailsWanted(int firstRow, std::vector<std::int64_t> keys) const;

private:
    static constexpr int kBlock = 100;
    SearchAnswer m_answer;
    mutable std::vector<bool> m_blockAsked;
    mutable std::vector<QString> m_excerpts;
    mutable std::vector<bool> m_excerptKnown;
};

// The line of text shown for a found note: the text around the first place where one of the folded words stands
// (longer words first), on one line, at most about width characters; the start of the text when none stands there.
QString noteExcerpt(const QString& text, const QStringList& words, int width = 80);
// The excerpt of a note file, from its first limit bytes: a note of many megabytes is not read and folded whole on
// the window's thread for one line of it. Empty when the file cannot be read.
QString fileExcerpt(const QString& path, const QStringList& words, qint64 limit = 32 * 1024);

// "Find Notes": a search field, the notes that match it (newest first) and a line saying how many. Results follow
// the typing; Enter or a double click on a result shows that note in the main window; Escape closes.
class FindWindow : public QWidget {
    Q_OBJECT
public:
    explicit FindWindow(SearchService& service, QWidget* parent = nullptr);

    // Shows the window beside the given one, with the text in the search field (kept when text is null).
    void openBeside(QWidget* mainWindow, const QString& text = QString());
    QString countText() const;
    // Asks again whenever files come or go in this folder while the window is open.
    void watchFolder(const QString& folder);

signals:
    // The user chose a found note.
    void noteChosen(std::int64_t theKey, const QString& theCategory);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ask();
    void showAnswer(const SearchAnswer& answer);
    void showCount();
    void choose(int row);

    SearchService& m_service;
    QLineEdit* txtFind = nullptr;
    QTreeView* lvwFound = nullptr;
    QLabel* lblFound = nullptr;
    FoundNotesModel* m_model = nullptr;
    QFileSystemWatcher* m_dataWatcher = nullptr;
    bool m_answered = false;
    bool m_firstPage = false;
    bool m_complete = true;
    qint64 m_waiting = 0;
};
