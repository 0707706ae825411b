#include "Unprivileged.h"

#include <QFile>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Ids {
    uid_t uid;
    gid_t gid;
};

Ids nobody() {
    const passwd* user = ::getpwnam("nobody");
    return user ? Ids{user->pw_uid, user->pw_gid} : Ids{65534, 65534};
}

} // namespace

Unprivileged::Unprivileged() {
    if (::geteuid() != 0)
        return;
    const int count = ::getgroups(0, nullptr);
    m_groups.resize(count > 0 ? count : 0);
    if (count > 0)
        ::getgroups(count, m_groups.data());
    const Ids ids = nobody();
    m_ok = ::setgroups(1, &ids.gid) == 0 && ::setegid(ids.gid) == 0 && ::seteuid(ids.uid) == 0;
    m_switched = true;
}

Unprivileged::~Unprivileged() {
    if (!m_switched)
        return;
    // The saved set-user-ID is still root's, so the ids come back.
    [[maybe_unused]] const int uid = ::seteuid(0);
    [[maybe_unused]] const int gid = ::setegid(0);
    [[maybe_unused]] const int groups = ::setgroups(m_groups.size(), m_groups.data());
}

bool Unprivileged::handOver(const QString& path) {
    if (::geteuid() != 0)
        return true;
    const Ids ids = nobody();
    return ::chown(QFile::encodeName(path).constData(), ids.uid, ids.gid) == 0;
}

bool Unprivileged::openUp(const QString& path) {
    return ::chmod(QFile::encodeName(path).constData(), 0755) == 0;
}
