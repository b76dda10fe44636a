// The key-file reader on any bytes, and the writer's promise: a write changes the one value it names and no other.
#include "FuzzFolder.h"

#include "storage/KeyFile.h"

#include <cstdint>
#include <map>

namespace {

using Contents = std::map<QString, std::vector<keyfile::Entry>>;

Contents readAll(const QString& path) {
    Contents contents;
    for (const QString& section : keyfile::sectionNames(path)) {
        contents[section.toCaseFolded()] = keyfile::readSection(path, section);
        keyfile::keyNames(path, section);
    }
    return contents;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString path = fuzzFolder().filePath(QStringLiteral("fuzz.dat"));
    writeWhole(path, reinterpret_cast<const char*>(data), size);
    Contents before = readAll(path);

    const QString section = QStringLiteral("category");
    const QString key = QStringLiteral("7");
    const QString value = QStringLiteral("v=[%1];").arg(size);
    if (!keyfile::writeValue(path, section, key, value)) {
        qFatal("a valid write failed");
    }
    if (keyfile::readValue(path, section, key) != value) {
        qFatal("the value written does not read back");
    }
    Contents after = readAll(path);
    // The written key is the only change: drop it from both sides (or its section, when the write added it).
    for (Contents* contents : {&before, &after}) {
        auto found = contents->find(section);
        if (found == contents->end()) {
            continue;
        }
        std::erase_if(found->second,
                      [&](const keyfile::Entry& entry) { return entry.first.trimmed().toCaseFolded() == key; });
    }
    if (before.find(section) == before.end()) {
        after.erase(section);
    }
    if (before != after) {
        qFatal("a write changed another value");
    }
    return 0;
}
