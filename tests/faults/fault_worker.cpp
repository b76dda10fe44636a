// Works on a program folder through the real window until it is killed: saves notes, saves and deletes them, adds
// categories or turns preferences, one after another. Each step is logged before it starts ("begin") and after it ended
// ("done"), so that the kill test knows which steps the program finished and which one was in flight. Usage:
// fault_worker MODE PROGRAM_FOLDER LOG_FILE FIRST_ID It prints "ready" once start-up is over and waits for a line on
// its input before it starts working.
#include "FakePlatform.h"
#include "KillWork.h"

#include "app/FrmMain.h"
#include "categories/CategoryBox.h"
#include "common/platform/DesktopTrash.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeView>

#include <cstdio>
#include <iostream>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

// One write per line with O_APPEND: whatever the moment of the kill, the log holds only whole lines.
class Log {
public:
    explicit Log(const QString& path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600)) {}
    ~Log() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;
    bool ok() const { return m_fd >= 0; }
    void line(const QString& text) const {
        const QByteArray bytes = (text + QLatin1Char('\n')).toUtf8();
        if (::write(m_fd, bytes.constData(), static_cast<std::size_t>(bytes.size())) != bytes.size()) {
            std::_Exit(4);
        }
    }

private:
    int m_fd;
};

// A message box means a step failed; the test reads the reason in the log.
void stopOnMessage(const FakePlatform& platform, const Log& log) {
    if (!platform.messages().empty()) {
        log.line(QStringLiteral("message ") + platform.messages().front().text.simplified());
        std::_Exit(3);
    }
}

// Scripted messages, the desktop's real trash.
class TrashingPlatform : public FakePlatform {
public:
    TrashResult moveToTrash(const QString& path) override { return putInTrash(path, TrashMode::Move); }
    TrashResult copyToTrash(const QString& path) override { return putInTrash(path, TrashMode::Copy); }
};

// Selects the listed row of a description as a click does; false when no row shows it.
bool selectRow(FrmMain& w, const QString& description) {
    const QAbstractItemModel* model = w.lvwNoteDatabase->model();
    for (int row = 0; model != nullptr && row < model->rowCount(); ++row) {
        if (model->index(row, 1).data().toString() == description) {
            w.lvwNoteDatabase->selectionModel()->select(model->index(row, 0), QItemSelectionModel::ClearAndSelect |
                                                                                  QItemSelectionModel::Rows);
            w.lvwNoteDatabase_Click();
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 5) {
        std::cerr << "usage: fault_worker MODE PROGRAM_FOLDER LOG_FILE FIRST_ID\n";
        return 2;
    }
    const QString mode = args[1];
    const Log log(args[3]);
    if (!log.ok()) {
        return 2;
    }
    TrashingPlatform platform;
    FrmMain w(args[2], platform);
    if (!w.Form_Load()) {
        return 2;
    }
    stopOnMessage(platform, log);
    QCheckBox* boxes[] = {w.chkPopUp, w.chkStayOnTop, w.chkAppend};
    // One step; false when the worker must stop.
    const auto step = [&](long id) {
        if (mode == killwork::kDeletes && id % 2 == 0) {
            if (!selectRow(w, killwork::description(id - 1))) {
                log.line(QStringLiteral("message the note to delete is not listed"));
                return false;
            }
            platform.answer(MsgAnswer::Ok);
            platform.answer(MsgAnswer::Ok);
            log.line(QStringLiteral("begin %1 delete %2").arg(id).arg(id - 1));
            w.cmdDeleteNote_Click();
            // The question and the trash's message are expected; anything else stops the worker.
            if (platform.messages().size() != 2 || platform.pendingAnswers() != 0 ||
                platform.messages().back().text !=
                    QStringLiteral("The selected note has been moved to the Windows Recycle Bin.")) {
                log.line(QStringLiteral("message the delete ended with: ") +
                         platform.messages().back().text.simplified());
                return false;
            }
            platform.clearMessages();
        } else if (mode == killwork::kBackups || mode == killwork::kRestores) {
            const bool backup = mode == killwork::kBackups;
            const QString archive = w.programPath(QStringLiteral("\\backup\\backup.dat"));
            const QString& name = killwork::kArchiveNames[id % 2];
            if (!backup) {
                // The archive of this step takes the backup's name in one step, before the restore begins.
                const QString source = w.programPath(QStringLiteral("\\archives\\") + name + QStringLiteral(".dat"));
                QFile::remove(archive + QStringLiteral(".next"));
                if (!QFile::copy(source, archive + QStringLiteral(".next")) ||
                    std::rename(QFile::encodeName(archive + QStringLiteral(".next")).constData(),
                                QFile::encodeName(archive).constData()) != 0) {
                    log.line(QStringLiteral("message the archive could not be put in place"));
                    return false;
                }
            }
            const bool replacing = QFile::exists(archive);
            platform.answer(MsgAnswer::Ok);
            if (!backup || replacing) {
                platform.answer(MsgAnswer::Ok);
            }
            log.line(QStringLiteral("begin %1 %2").arg(id).arg(backup ? QString() : name));
            backup ? w.mnuBackup_Click() : w.mnuRestore_Click();
            const QString done = backup ? QStringLiteral("The database was backed up successfully.")
                                        : QStringLiteral("The database was restored successfully.");
            if (platform.pendingAnswers() != 0 || platform.messages().empty() ||
                platform.messages().back().text != done) {
                log.line(QStringLiteral("message the step ended with: ") +
                         (platform.messages().empty() ? QString() : platform.messages().back().text.simplified()));
                return false;
            }
            platform.clearMessages();
        } else if (mode == killwork::kSaves || mode == killwork::kDeletes) {
            w.setCategoryText(killwork::kNoteCategory);
            w.txtName->setText(killwork::description(id));
            w.setNoteText(killwork::noteText(id));
            log.line(QStringLiteral("begin %1").arg(id));
            w.cmdSave_Click();
        } else if (mode == killwork::kCategories) {
            w.setCategoryText(killwork::categoryName(id));
            log.line(QStringLiteral("begin %1").arg(id));
            w.cmdAdd_category_Click();
        } else if (mode == killwork::kPreferences) {
            QCheckBox* box = boxes[id % 3];
            const bool checked = !box->isChecked();
            log.line(QStringLiteral("begin %1 %2 %3").arg(id).arg(id % 3).arg(checked ? 1 : 0));
            box->setChecked(checked);
        } else {
            return false;
        }
        stopOnMessage(platform, log);
        log.line(QStringLiteral("done %1").arg(id));
        return true;
    };
    long id = args[4].toLong();
    // Deletes begin with a note to delete, saved before the kill can come, so that kills land in deletes.
    if (mode == killwork::kDeletes && !step(id | 1)) {
        return 3;
    }
    id = mode == killwork::kDeletes ? (id | 1) + 1 : id;
    std::cout << "ready" << std::endl;
    std::string go;
    if (!std::getline(std::cin, go)) {
        return 0;
    }
    for (;; ++id) {
        if (!step(id)) {
            return 3;
        }
    }
}
