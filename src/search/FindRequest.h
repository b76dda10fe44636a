#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// "--find [TEXT]" on the command line: the text to look for (empty when none follows); nothing when not asked for.
std::optional<QString> findRequest(const QStringList& arguments);

// The message a later start hands the running program to open the find window with a text, and back.
QByteArray findMessage(const QString& text);
std::optional<QString> findText(const QByteArray& message);
