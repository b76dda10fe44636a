#pragma once

#include <QObject>
#include <QString>

#include <optional>

class FindWindow;
class FrmMain;
class SearchService;

// Search as the program offers it: Ctrl+F in the main window opens "Find Notes" beside it, and a found note chosen
// there is shown in the main window. The index starts on its thread only once the main window has been painted, so
// that start-up neither opens an index file nor starts a thread for it.
class FindNotes : public QObject {
    Q_OBJECT
public:
    FindNotes(FrmMain& window, const QString& programFolder);
    ~FindNotes() override;

    // Opens the find window beside the main window, with text in its field when text is not null.
    void open(const QString& text = QString());
    // Opens it once the main window has been painted.
    void openWhenShown(const QString& text);
    FindWindow* findWindow() const { return m_findWindow; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FrmMain& m_window;
    QString m_programFolder;
    SearchService* m_service = nullptr;
    FindWindow* m_findWindow = nullptr;
    bool m_painted = false;
    std::optional<QString> m_openWhenShown;
};
