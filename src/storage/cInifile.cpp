#include "storage/cInifile.h"

#include <QLocale>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// A value comes back through a buffer of 255 characters, one of them the terminator.
constexpr qsizetype kValueLimit = 254;
// Key and section lists come back through a buffer of 8192 characters.
constexpr qsizetype kListBuffer = 8192;
constexpr long kTwipsPerPixel = 15;

QString cutValue(QString text) {
    if (text.size() > kValueLimit) {
        text.truncate(kValueLimit);
        // Never leave half of a surrogate pair behind.
        if (text.back().isHighSurrogate()) {
            text.chop(1);
        }
    }
    return text;
}

// Names each followed by a character 0. A list too long for the buffer keeps what fits, its last name cut and
// ended by a character 0.
QString zeroSeparated(const QStringList& names) {
    QString text;
    for (const QString& name : names) {
        text += name;
        text += QChar(0);
    }
    if (text.size() > kListBuffer - 2) {
        text.truncate(kListBuffer - 2);
        text.back() = QChar(0);
    }
    return text;
}

QStringList splitAtZeros(const QString& text, bool keepEmpty) {
    QStringList pieces;
    qsizetype from = 0;
    for (qsizetype zero = text.indexOf(QChar(0)); zero >= 0; zero = text.indexOf(QChar(0), from)) {
        const QString piece = text.mid(from, zero - from);
        if (keepEmpty || !piece.isEmpty()) {
            pieces << piece;
        }
        from = zero + 1;
    }
    return pieces;
}

int toPixels(long twips) {
    constexpr long limit = 1L << 24;
    return static_cast<int>(std::clamp(twips / kTwipsPerPixel, -limit, limit));
}

} // namespace

QString cInifile::Value() const {
    return cutValue(keyfile::readValue(m_path, m_section, m_key).value_or(m_default));
}

void cInifile::setValue(QString& value) {
    value.remove(QChar(0));
    m_lastReturnCode = keyfile::writeValue(m_path, m_section, m_key, value) ? 1 : 0;
}

void cInifile::setValue(const QString& value) {
    QString text = value;
    setValue(text);
}

std::vector<keyfile::Entry> cInifile::SectionEntries() const {
    std::vector<keyfile::Entry> entries = keyfile::readSection(m_path, m_section);
    for (keyfile::Entry& entry : entries) {
        entry.second = cutValue(std::move(entry.second));
    }
    return entries;
}

void cInifile::setValues(std::vector<keyfile::Entry> keyValues) {
    for (keyfile::Entry& entry : keyValues) {
        entry.second.remove(QChar(0));
    }
    m_lastReturnCode = keyfile::writeValues(m_path, m_section, keyValues) ? 1 : 0;
}

void cInifile::setSectionValues(std::vector<keyfile::SectionEntries> sections) {
    for (keyfile::SectionEntries& section : sections) {
        for (keyfile::Entry& entry : section.second) {
            entry.second.remove(QChar(0));
        }
    }
    m_lastReturnCode = keyfile::writeSections(m_path, sections) ? 1 : 0;
}

void cInifile::DeleteKey() {
    m_lastReturnCode = keyfile::deleteKey(m_path, m_section, m_key) ? 1 : 0;
}

void cInifile::DeleteSection() {
    m_lastReturnCode = keyfile::deleteSection(m_path, m_section) ? 1 : 0;
}

QString cInifile::INISection() const {
    return zeroSeparated(keyfile::keyNames(m_path, m_section));
}

void cInifile::setINISection(const QString& /*value*/) {
    DeleteSection();
}

QString cInifile::Sections() const {
    return zeroSeparated(keyfile::sectionNames(m_path));
}

void cInifile::EnumerateCurrentSection(QStringList& keys, long& count) const {
    keys = splitAtZeros(INISection(), true);
    count = static_cast<long>(keys.size());
}

void cInifile::EnumerateAllSections(QStringList& sections, long& count) const {
    sections = splitAtZeros(Sections(), false);
    count = static_cast<long>(sections.size());
}

void cInifile::SaveFormPosition(QWidget* window) {
    const QString keptKey = m_key;
    if (window == nullptr) {
        m_lastReturnCode = 0;
        return;
    }
    if (!window->isMinimized()) {
        const bool maximised = window->isMaximized();
        const auto write = [this](const char* key, long number) {
            m_key = QString::fromLatin1(key);
            setValue(QString::number(number));
        };
        write("Maximised", maximised ? 1 : 0);
        if (!maximised) {
            write("Left", window->x() * kTwipsPerPixel);
            write("Top", window->y() * kTwipsPerPixel);
            write("Width", window->width() * kTwipsPerPixel);
            write("Height", window->height() * kTwipsPerPixel);
        }
    }
    m_key = keptKey;
}

void cInifile::LoadFormPosition(QWidget* window, int minWidth, int minHeight) {
    if (window == nullptr) {
        return;
    }
    const QString keptKey = m_key;
    const QString keptDefault = m_default;
    m_default = QStringLiteral("FAIL");
    const auto read = [this](const char* key, long fallback) {
        m_key = QString::fromLatin1(key);
        return CLngDefault(Value(), fallback);
    };
    long left = read("Left", window->x() * kTwipsPerPixel);
    long top = read("Top", window->y() * kTwipsPerPixel);
    long width = std::max(read("Width", window->width() * kTwipsPerPixel), static_cast<long>(minWidth));
    long height = std::max(read("Height", window->height() * kTwipsPerPixel), static_cast<long>(minHeight));
    if (const QScreen* screen = window->screen()) {
        const QRect area = screen->availableGeometry();
        const long areaLeft = area.left() * kTwipsPerPixel;
        const long areaTop = area.top() * kTwipsPerPixel;
        const long areaWidth = area.width() * kTwipsPerPixel;
        const long areaHeight = area.height() * kTwipsPerPixel;
        width = std::min(width, areaWidth);
        height = std::min(height, areaHeight);
        left = std::clamp(left, areaLeft, areaLeft + areaWidth - width);
        top = std::clamp(top, areaTop, areaTop + areaHeight - height);
    }
    window->move(toPixels(left), toPixels(top));
    window->resize(toPixels(width), toPixels(height));
    if (read("Maximised", 0) != 0) {
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
    }
    m_key = keptKey;
    m_default = keptDefault;
}

long cInifile::CLngDefault(const QString& text, long fallback) {
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double number = c.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(number)) {
        return fallback;
    }
    // Halves go to the even neighbour, as the classic conversion to a whole number does.
    const double rounded = std::nearbyint(number);
    constexpr double lowest = static_cast<double>(std::numeric_limits<long>::min());
    if (rounded < lowest || rounded >= -lowest) {
        return fallback;
    }
    return static_cast<long>(rounded);
}
