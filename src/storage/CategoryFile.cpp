#include "storage/CategoryFile.h"

#include "common/Files.h"

#include <map>

namespace categoryfile {
namespace {

const QString kMain = QStringLiteral("main");
const QString kTotal = QStringLiteral("total");
const QString kCategory = QStringLiteral("category");

bool allDigits(const QString& text) {
    if (text.isEmpty()) {
        return false;
    }
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return false;
        }
    }
    return true;
}

// The position a key of section "category" stands for: decimal without leading zeros; 0 for any other name.
std::int64_t positionOf(const QString& key) {
    if (!allDigits(key) || key.front() == QLatin1Char('0')) {
        return 0;
    }
    bool ok = false;
    const qlonglong position = key.toLongLong(&ok);
    return ok ? position : 0;
}

} // namespace

QString path(const QString& programFolder) {
    return ProgramPath(programFolder, QStringLiteral("\\data\\category.dat"));
}

QString readTotal(cInifile& ini, const QString& programFolder) {
    ini.setPath(path(programFolder));
    ini.setSection(kMain);
    ini.setKey(kTotal);
    ini.setDefault(QString());
    return ini.Value();
}

std::int64_t totalValue(const QString& totalText) {
    const QString text = totalText.trimmed();
    if (!allDigits(text)) {
        return 0;
    }
    bool ok = false;
    const qlonglong total = text.toLongLong(&ok);
    return ok ? total : 0;
}

QStringList readNames(cInifile& ini, const QString& programFolder, std::int64_t count) {
    ini.setPath(path(programFolder));
    ini.setSection(kCategory);
    // One pass over the keys the section holds, whatever count claims.
    std::map<std::int64_t, QString> byPosition;
    for (keyfile::Entry& entry : ini.SectionEntries()) {
        const std::int64_t position = positionOf(entry.first);
        if (position >= 1 && position <= count) {
            byPosition.emplace(position, std::move(entry.second));
        }
    }
    QStringList names;
    names.reserve(static_cast<qsizetype>(byPosition.size()));
    for (auto& [position, name] : byPosition) {
        names << std::move(name);
    }
    return names;
}

bool writeTotal(cInifile& ini, const QString& programFolder, std::int64_t total) {
    ini.setPath(path(programFolder));
    ini.setSection(kMain);
    ini.setKey(kTotal);
    ini.setValue(QString::number(total));
    return ini.Success();
}

bool writeName(cInifile& ini, const QString& programFolder, std::int64_t position, const QString& name) {
    ini.setPath(path(programFolder));
    ini.setSection(kCategory);
    ini.setKey(QString::number(position));
    ini.setValue(name);
    return ini.Success();
}

bool writeTotalAndName(cInifile& ini, const QString& programFolder, std::int64_t total, const QString& name) {
    ini.setPath(path(programFolder));
    ini.setSectionValues({{kMain, {{kTotal, QString::number(total)}}}, {kCategory, {{QString::number(total), name}}}});
    return ini.Success();
}

bool renumber(cInifile& ini, const QString& programFolder, const QStringList& names) {
    std::vector<keyfile::Entry> entries;
    entries.reserve(static_cast<std::size_t>(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i) {
        entries.emplace_back(QString::number(i + 1), names[i]);
    }
    std::vector<keyfile::SectionEntries> sections{{kMain, {{kTotal, QString::number(names.size())}}}};
    if (!entries.empty()) {
        sections.emplace_back(kCategory, std::move(entries));
    }
    ini.setPath(path(programFolder));
    ini.setSectionValues(std::move(sections));
    return ini.Success();
}

} // namespace categoryfile
