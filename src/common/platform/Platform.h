#pragma once

#include <QDateTime>
#include <QString>

#include <cstdint>

// Message box styles and answers, as the program's messages are written.
namespace MsgStyle {
constexpr int Information = 64;
constexpr int Exclamation = 48;
constexpr int Critical = 16;
constexpr int OkCancelExclamation = 49;
constexpr int YesNoExclamation = 52;
} // namespace MsgStyle

namespace MsgAnswer {
constexpr int Ok = 1;
constexpr int Cancel = 2;
constexpr int Yes = 6;
constexpr int No = 7;
} // namespace MsgAnswer

struct TrashResult {
    bool ok = false;
    QString reason; // why it failed, for a message; empty on success
};

// Everything the program asks of the desktop. The window and the handlers talk to the desktop only through this,
// so that tests can script the answers.
class Platform {
public:
    virtual ~Platform() = default;

    // A modal message box; returns the answer code of the button pressed.
    virtual int messageBox(const QString& text, int style, const QString& title) = 0;
    // Opens a file with the desktop's default application, or a web address in the browser.
    virtual bool openFile(const QString& path) = 0;
    virtual bool openUrl(const QString& url) = 0;
    // Moves a file to the desktop's trash, from where the user can restore it.
    virtual TrashResult moveToTrash(const QString& path) = 0;
    // Puts the file into the trash with its record, as moveToTrash does, but leaves it where it is (a hard link, or a
    // copy across file systems).
    virtual TrashResult copyToTrash(const QString& path) = 0;
    // Bytes available to this user on the file system that holds path; -1 when unknown.
    virtual std::int64_t bytesAvailable(const QString& path) = 0;
    virtual QDateTime now() = 0;
    // Uniformly distributed random bits from a well-seeded generator.
    virtual std::uint32_t random() = 0;
};
