#pragma once

#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <vector>

// Permission cases run as an ordinary user, also when the suite runs as root (as CI does), for whom no permission
// bit counts. As root, an OrdinaryUser hands the folder given (with everything in it but othersFiles, which stay
// root's: another user's) to the user "nobody" and makes the process act as that user while it lives; only the
// effective ids change, so that the test is root again afterwards. As any other user it changes nothing.
class OrdinaryUser {
public:
    explicit OrdinaryUser(const QString& folder, const QStringList& othersFiles = {});
    ~OrdinaryUser();
    OrdinaryUser(const OrdinaryUser&) = delete;
    OrdinaryUser& operator=(const OrdinaryUser&) = delete;

    // Whether othersFiles really belong to another user (the test runs as root).
    static bool canMakeOthersFiles();

private:
    bool m_active = false;
    std::vector<gid_t> m_groups;
};
