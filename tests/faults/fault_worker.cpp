// Works on a program folder through the real window until it is killed: saves notes, adds categories or turns
// preferences, one after another. Each step is logged before it starts ("begin") and after it ended ("done"), so
// that the kill test knows which steps the program finished and which one was in flight.
// Usage: fault_worker MODE PROGRAM_FOLDER LOG_FILE FIRST_ID
// It prints "ready" once start-up is over and waits for a line on its input before it starts working.
#include "FakePlatform.h"
#include "KillWork.h"

#include "app/FrmMain.h"
#include "categories/CategoryBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>

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
    FakePlatform platform;
    FrmMain w(args[2], platform);
    if (!w.Form_Load()) {
        return 2;
    }
    stopOnMessage(platform, log);
    std::cout << "ready" << std::endl;
    std::string go;
    if (!std::getline(std::cin, go)) {
        return 0;
    }

    QCheckBox* boxes[] = {w.chkPopUp, w.chkStayOnTop, w.chkAppend};
    for (long id = args[4].toLong();; ++id) {
        if (mode == killwork::kSaves) {
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
            return 2;
        }
        stopOnMessage(platform, log);
        log.line(QStringLiteral("done %1").arg(id));
    }
}
