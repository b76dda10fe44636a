#pragma once

#include "common/platform/Platform.h"

#include <QWidget>

#include <random>

class QtPlatform : public Platform {
public:
    QtPlatform();

    // Message boxes are owned by this window (centred on it); may be null.
    void setParentWindow(QWidget* window) { m_parent = window; }

    int messageBox(const QString& text, int style, const QString& title) override;
    bool openFile(const QString& path) override;
    bool openUrl(const QString& url) override;
    TrashResult moveToTrash(const QString& path) override;
    TrashResult copyToTrash(const QString& path) override;
    std::int64_t bytesAvailable(const QString& path) override;
    QDateTime now() override;
    std::uint32_t random() override;

private:
    QWidget* m_parent = nullptr;
    std::mt19937 m_generator;
};
