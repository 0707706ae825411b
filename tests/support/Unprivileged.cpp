#include "Unprivileged.h"

#include <QFile>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The user and group ids of `nobody`.
std::pair<uid_t, gid_t> nobody() {
    const passwd* user = ::getpwnam("nobody");
    return user ? std::pair(user->pw_uid, user->pw_gid) : std::pair<uid_t, gid_t>(65534, 65534);
}

} // namespace

Unprivileged::Unprivileged() {
    if (::geteuid() != 0)
        return;
    m_groups.resize(std::max(::getgroups(0, nullptr), 0));
    ::getgroups(int(m_groups.size()), m_groups.data());
    const auto [uid, gid] = nobody();
    m_ok = ::setgroups(1, &gid) == 0 && ::setegid(gid) == 0 && ::seteuid(uid) == 0;
    m_switched = true;
}

Unprivileged::~Unprivileged() {
    // The saved set-user-ID is still root's, so the ids come back.
    if (m_switched && (::seteuid(0) != 0 || ::setegid(0) != 0 ||
                       ::setgroups(m_groups.size(), m_groups.data()) != 0))
        qWarning("the test could not take back root's ids");
}

bool Unprivileged::handOver(const QString& path) {
    const auto [uid, gid] = nobody();
    return ::geteuid() != 0 || ::chown(QFile::encodeName(path).constData(), uid, gid) == 0;
}

bool Unprivileged::openUp(const QString& path) {
    return ::chmod(QFile::encodeName(path).constData(), 0755) == 0;
}
