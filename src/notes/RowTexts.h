#pragma once

#include <QByteArray>
#include <QString>
#include <QUtf8StringView>

#include <cstddef>
#include <vector>

// A table of texts indexed by row number, such as the path and key of each row of the note list. The texts share one
// UTF-8 buffer: a table of separate strings cost two allocations per listed note, more than the list itself.
class RowTexts {
public:
    std::size_t size() const { return m_ends.size(); }
    // The text at index n; empty when there is none.
    QString operator[](std::size_t n) const;
    void append(QUtf8StringView text);

private:
    QByteArray m_text;
    std::vector<qsizetype> m_ends; // where each text ends in m_text
};
