#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The message a later start hands the running program to open the find window with a text, and back.
QByteArray findMessage(const QString& text);
std::optional<QString> findText(const QByteArray& message);
