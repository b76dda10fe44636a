#pragma once

// One run of the stateful tester: the real window on a program folder of its own, driven through a sequence of
// user actions, with the invariants checked against the files after every step.
#include "FolderSnapshot.h"
#include "TestWindow.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <optional>
#include <random>
#include <vector>

enum class Action {
    Choose,
    TypeCategory,
    ClearCategory,
    AddCategory,
    RemoveCategory,
    TypeDescription,
    TypeNote,
    ClearDescription,
    ClearNote,
    Save,
    SwitchView,
    Discard,
    ClickRow,
    DoubleClickRow,
    OpenRow,
    DeleteRow,
    Sort,
    TrayMenu,
    TrayDoubleClick,
    CopyElsewhere,
    CopySecret,
    CopyInOwnFields,
    Preference,
    Backup,
    Restore,
};

// A step: what the user does, and the number from which the step draws its details (which row, what text, the
// answers to its message boxes), so that a step means the same wherever it stands in a sequence.
struct Step {
    Action action = Action::Choose;
    std::uint32_t detail = 0;
};

QString actionName(Action action);
std::optional<Action> actionNamed(const QString& name);
// "choose:123 save:456 ..." and back.
QString formatSteps(const std::vector<Step>& steps);
std::optional<std::vector<Step>> parseSteps(const QString& text);

// The actions a run may draw. Some stay out until the fix of the fault they reach is on this branch.
std::vector<Action> drawnActions();

struct Failure {
    int step = 0; // index of the step after which an invariant broke
    QString invariant;
    QString detail;
};

class Session {
public:
    explicit Session(bool trayHost);
    ~Session();

    // Plays the steps in order; the first broken invariant ends the run.
    std::optional<Failure> play(const std::vector<Step>& steps);

private:
    struct Record {
        std::int64_t key = 0;
        QString category;
        QString description;
        QString date;
        QString time;
        QString path;
    };
    struct Files {
        std::vector<Record> records; // in table order
        QStringList categories;      // names 1..total of the category file
        std::int64_t categoryTotal = 0;
        QStringList noteFiles; // *.txt in data/
    };
    enum class LastCopy { Note, Elsewhere, OwnField, Secret };

    void perform(const Step& step, std::mt19937& draw);
    // Lets the window finish what the step started (Backup and Restore included), then lets a tick of the clipboard
    // clock run, as one always does between two things a user does.
    void finishWork(std::mt19937& draw);
    std::optional<QString> tick();
    std::optional<QString> check(const QString& boxBefore);
    Files readFiles() const;
    std::vector<Record> recordsOf(const Files& files, const QString& category) const;

    bool onScreen() const;
    // Brings the window back from the tray (or from being minimised) when it is away, as a user does before using
    // it; false when it still is not on screen.
    bool reach();
    // Clicks a button the user can reach; false when it is out of reach or disabled.
    bool click(QWidget* button);
    // The mouse moves over a label (which shows the Clear button beside it).
    void hover(QWidget* label);
    void clickRow(int row, bool twice);

    TestWindow t;
    QTemporaryDir trash;
    std::optional<FolderSnapshot> programFolder;
    std::optional<FolderSnapshot> home;
    // The bytes each note file must hold, by stored path, as saved.
    QHash<QString, QByteArray> savedText;
    // Note files without a record that a Restore found in data/ and kept.
    QSet<QString> keptByRestore;
    // The category whose notes the list showed after the last step.
    QString shownCategory;
    // The last sort: the column clicked (1-based); 0 when the list has not been sorted.
    int sortColumn = 0;
    // What the step did to the list: a choice fills it for the box's text, Clear empties it; other steps may leave
    // it alone or fill it for the box's text.
    enum class ListRule { Any, ShowsTheBox, Empty };
    ListRule listRule = ListRule::Any;
    LastCopy lastCopy = LastCopy::Note;
    QString ownCopy;
    std::mt19937* answers = nullptr;
    QString stepProblem; // set by a step that saw something wrong while it ran
};
