#include "notes/RowTexts.h"

QString RowTexts::operator[](std::size_t n) const {
    if (n >= m_ends.size()) {
        return {};
    }
    const qsizetype start = n == 0 ? 0 : m_ends[n - 1];
    return QString::fromUtf8(m_text.constData() + start, m_ends[n] - start);
}

void RowTexts::append(QUtf8StringView text) {
    m_text.append(text.data(), text.size());
    m_ends.push_back(m_text.size());
}
