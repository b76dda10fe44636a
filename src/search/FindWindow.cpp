#include "search/FindWindow.h"

#include "search/Fold.h"
#include "search/SearchService.h"

#include <QFile>
#include <QFileSystemWatcher>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QScreen>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

int FoundNotesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_answer.notes.size());
}

int FoundNotesModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 4;
}

QVariant FoundNotesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) {
        return {};
    }
    const auto row = static_cast<std::size_t>(index.row());
    const FoundNote& found = m_answer.notes[row];
    if (!found.detailed) {
        const auto block = row / kBlock;
        if (!m_blockAsked[block]) {
            m_blockAsked[block] = true;
            const std::size_t first = block * kBlock;
            std::vector<std::int64_t> keys;
            for (std::size_t i = first; i < std::min(first + kBlock, m_answer.notes.size()); ++i) {
                keys.push_back(m_answer.notes[i].theKey);
            }
            emit detailsWanted(static_cast<int>(first), std::move(keys));
        }
        return {};
    }
    switch (index.column()) {
    case 0:
        return found.theCategory;
    case 1:
        return found.theDescription;
    case 2:
        return found.theDate;
    default:
        break;
    }
    if (!m_excerptKnown[row]) {
        m_excerptKnown[row] = true;
        if (!found.noteFile.isEmpty()) {
            m_excerpts[row] = fileExcerpt(found.noteFile, m_answer.words);
        }
    }
    return m_excerpts[row];
}

QVariant FoundNotesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    static const char* const headings[] = {"Category", "Description", "Date", "Text"};
    return section >= 0 && section < 4 ? QString::fromLatin1(headings[section]) : QVariant();
}

void FoundNotesModel::setAnswer(SearchAnswer answer) {
    beginResetModel();
    m_answer = std::move(answer);
    m_excerpts.assign(m_answer.notes.size(), QString());
    m_excerptKnown.assign(m_answer.notes.size(), false);
    m_blockAsked.assign((m_answer.notes.size() + kBlock - 1) / kBlock, false);
    endResetModel();
}

void FoundNotesModel::fill(int firstRow, const std::vector<FoundNote>& notes) {
    const auto first = static_cast<std::size_t>(firstRow);
    if (first + notes.size() > m_answer.notes.size() || notes.empty()) {
        return;
    }
    for (std::size_t i = 0; i < notes.size(); ++i) {
        if (m_answer.notes[first + i].theKey != notes[i].theKey) {
            return;
        }
    }
    for (std::size_t i = 0; i < notes.size(); ++i) {
        if (notes[i].detailed) {
            m_answer.notes[first + i] = notes[i];
        }
    }
    emit dataChanged(index(firstRow, 0), index(firstRow + static_cast<int>(notes.size()) - 1, columnCount() - 1));
}

QString noteExcerpt(const QString& text, const QStringList& words, int width) {
    std::vector<qsizetype> origins;
    const QString folded = foldForSearch(text, &origins);
    QStringList longestFirst = words;
    std::stable_sort(longestFirst.begin(), longestFirst.end(),
                     [](const QString& a, const QString& b) { return a.size() > b.size(); });
    qsizetype at = -1;
    qsizetype end = -1;
    for (const QString& word : longestFirst) {
        const qsizetype found = folded.indexOf(word);
        if (found >= 0 && (at < 0 || origins[static_cast<std::size_t>(found)] < at)) {
            at = origins[static_cast<std::size_t>(found)];
            end = origins[static_cast<std::size_t>(found + word.size())];
        }
    }
    qsizetype start = 0;
    if (at > width / 3) {
        start = at - width / 3;
        // Begin at a word where one is near.
        const qsizetype blank = text.indexOf(QLatin1Char(' '), start);
        if (blank >= 0 && blank < at && blank - start < 12) {
            start = blank + 1;
        }
    }
    const qsizetype stop = std::min(text.size(), std::max(start + width, end));
    QString line = text.mid(start, stop - start).simplified();
    if (start > 0) {
        line.prepend(QStringLiteral("..."));
    }
    if (stop < text.size()) {
        line.append(QStringLiteral("..."));
    }
    return line;
}

QString fileExcerpt(const QString& path, const QStringList& words, qint64 limit) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QByteArray bytes = file.read(limit + 1);
    const bool cut = bytes.size() > limit;
    if (cut) {
        // Cut where a character starts, not inside one.
        qsizetype end = limit;
        while (end > 0 && (static_cast<unsigned char>(bytes.at(end)) & 0xc0) == 0x80) {
            --end;
        }
        bytes.truncate(end);
    }
    QString line = noteExcerpt(QString::fromUtf8(bytes), words);
    if (cut && !line.endsWith(QStringLiteral("..."))) {
        line.append(QStringLiteral("..."));
    }
    return line;
}

FindWindow::FindWindow(SearchService& service, QWidget* parent) : QWidget(parent, Qt::Window), m_service(service) {
    setObjectName(QStringLiteral("FindWindow"));
    setWindowTitle(QStringLiteral("Find Notes"));
    txtFind = new QLineEdit(this);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    txtFind->setAccessibleName(QStringLiteral("Find"));
    txtFind->setClearButtonEnabled(true);
    m_model = new FoundNotesModel(this);
    lvwFound = new QTreeView(this);
    lvwFound->setObjectName(QStringLiteral("lvwFound"));
    lvwFound->setAccessibleName(QStringLiteral("Found Notes"));
    lvwFound->setModel(m_model);
    lvwFound->setRootIsDecorated(false);
    lvwFound->setItemsExpandable(false);
    lvwFound->setUniformRowHeights(true);
    lvwFound->setSelectionMode(QAbstractItemView::SingleSelection);
    lvwFound->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwFound->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwFound->setAllColumnsShowFocus(true);
    lvwFound->header()->setStretchLastSection(true);
    const int widths[] = {110, 170, 70};
    for (int column = 0; column < 3; ++column) {
        lvwFound->header()->resizeSection(column, widths[column]);
    }
    lblFound = new QLabel(this);
    lblFound->setObjectName(QStringLiteral("lblFound"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtFind);
    layout->addWidget(lvwFound, 1);
    layout->addWidget(lblFound);
    resize(560, 420);

    connect(txtFind, &QLineEdit::textChanged, this, &FindWindow::ask);
    connect(txtFind, &QLineEdit::returnPressed, this, [this] {
        const QModelIndex current = lvwFound->currentIndex();
        choose(current.isValid() ? current.row() : 0);
    });
    connect(lvwFound, &QAbstractItemView::activated, this, [this](const QModelIndex& index) { choose(index.row()); });
    connect(&m_service, &SearchService::answered, this, &FindWindow::showAnswer);
    connect(m_model, &FoundNotesModel::detailsWanted, &m_service, &SearchService::readDetails);
    connect(&m_service, &SearchService::detailsRead, m_model, &FoundNotesModel::fill);
    connect(&m_service, &SearchService::progress, this, [this](qint64 waiting) {
        m_waiting = waiting;
        // The index became complete: what is shown may lack notes indexed since.
        if (waiting == 0 && !m_complete && isVisible()) {
            ask();
        }
        showCount();
    });
    // A note saved or deleted while the window is open shows at once.
    auto* watcher = new QFileSystemWatcher(this);
    connect(watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        if (isVisible() && !txtFind->text().trimmed().isEmpty()) {
            ask();
        }
    });
    m_dataWatcher = watcher;
    showCount();
}

void FindWindow::watchFolder(const QString& folder) {
    m_dataWatcher->addPath(folder);
}

void FindWindow::openBeside(QWidget* mainWindow, const QString& text) {
    if (!text.isNull()) {
        txtFind->setText(text);
    }
    if (!isVisible() && mainWindow != nullptr) {
        const QRect main = mainWindow->frameGeometry();
        const QRect screen = (mainWindow->screen() != nullptr ? mainWindow->screen() : QGuiApplication::primaryScreen())
                                 ->availableGeometry();
        QPoint place(main.right() + 8, main.top());
        if (place.x() + width() > screen.right()) {
            place.setX(std::max(screen.left(), main.left() - 8 - frameGeometry().width()));
        }
        place.setY(std::clamp(place.y(), screen.top(), std::max(screen.top(), screen.bottom() - height())));
        move(place);
    }
    show();
    raise();
    activateWindow();
    txtFind->setFocus();
    txtFind->selectAll();
    ask();
}

void FindWindow::ask() {
    const QString query = txtFind->text();
    if (searchWords(query).isEmpty()) {
        m_answered = false;
        m_model->setAnswer(SearchAnswer{});
        showCount();
        return;
    }
    m_service.find(query);
}

void FindWindow::showAnswer(const SearchAnswer& answer) {
    // An answer to text typed over since is not shown: the answer to the text now in the field follows.
    if (answer.query != txtFind->text()) {
        return;
    }
    const std::int64_t chosen =
        lvwFound->currentIndex().isValid() ? m_model->note(lvwFound->currentIndex().row()).theKey : -1;
    m_answered = true;
    m_firstPage = answer.firstPage;
    m_complete = answer.complete;
    m_waiting = answer.waiting;
    m_model->setAnswer(answer);
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (m_model->note(row).theKey == chosen) {
            lvwFound->setCurrentIndex(m_model->index(row, 0));
            break;
        }
    }
    showCount();
}

QString FindWindow::countText() const {
    return lblFound->text();
}

void FindWindow::showCount() {
    QString text;
    if (!m_answered) {
        text = QStringLiteral("Type a word, or part of one, to find the notes that hold it.");
    } else {
        const int n = m_model->rowCount();
        text = m_firstPage ? QStringLiteral("%1 or more notes match.").arg(n)
               : n == 0    ? QStringLiteral("No notes match.")
               : n == 1    ? QStringLiteral("1 note matches.")
                           : QStringLiteral("%1 notes match.").arg(n);
    }
    if (m_waiting > 0) {
        text += m_waiting == 1
                    ? QStringLiteral("  Still indexing: 1 note to go, which may match too.")
                    : QStringLiteral("  Still indexing: %1 notes to go, which may match too.").arg(m_waiting);
    }
    lblFound->setText(text);
}

void FindWindow::choose(int row) {
    if (row < 0 || row >= m_model->rowCount()) {
        return;
    }
    const FoundNote& found = m_model->note(row);
    // A row whose fields have not come yet is blank: nothing to choose on it yet.
    if (found.detailed) {
        emit noteChosen(found.theKey, found.theCategory);
    }
}

void FindWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
