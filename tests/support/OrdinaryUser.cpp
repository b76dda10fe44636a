#include "OrdinaryUser.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <algorithm>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

namespace {

struct Ids {
    uid_t uid = 65534;
    gid_t gid = 65534;
};

Ids nobody() {
    Ids ids;
    if (const passwd* user = ::getpwnam("nobody")) {
        ids.uid = user->pw_uid;
        ids.gid = user->pw_gid;
    }
    return ids;
}

void handOver(const QString& path, const Ids& ids) {
    if (::lchown(QFile::encodeName(path).constData(), ids.uid, ids.gid) != 0) {
        qFatal("cannot hand %s to the ordinary user", qPrintable(path));
    }
}

} // namespace

bool OrdinaryUser::canMakeOthersFiles() {
    return ::geteuid() == 0;
}

OrdinaryUser::OrdinaryUser(const QString& folder, const QStringList& othersFiles) {
    if (::geteuid() != 0) {
        return;
    }
    const Ids ids = nobody();
    QStringList kept;
    for (const QString& file : othersFiles) {
        kept << QDir::cleanPath(file);
    }
    handOver(folder, ids);
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = QDir::cleanPath(it.next());
        if (!kept.contains(path)) {
            handOver(path, ids);
        }
    }
    m_groups.resize(static_cast<std::size_t>(std::max(::getgroups(0, nullptr), 0)));
    if (::getgroups(static_cast<int>(m_groups.size()), m_groups.data()) < 0) {
        m_groups.clear();
    }
    // The groups first: once the user is not root, they cannot change.
    const gid_t groups[] = {ids.gid};
    if (::setgroups(1, groups) != 0 || ::setegid(ids.gid) != 0 || ::seteuid(ids.uid) != 0) {
        qFatal("cannot act as the ordinary user");
    }
    m_active = true;
}

OrdinaryUser::~OrdinaryUser() {
    if (m_active && (::seteuid(0) != 0 || ::setegid(0) != 0 || ::setgroups(m_groups.size(), m_groups.data()) != 0)) {
        qFatal("cannot become root again");
    }
}
