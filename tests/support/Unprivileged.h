#pragma once

#include <QString>
#include <sys/types.h>
#include <utility>
#include <vector>

// File modes stop an operator but not root. Tests that run as root take
// the effective ids of the unprivileged user `nobody` within this scope, so
// a read-only folder or a device without rights is what it is for an
// operator; the ids come back when the scope ends. Not root: nothing changes.
class Unprivileged {
public:
    Unprivileged();
    ~Unprivileged();
    Q_DISABLE_COPY(Unprivileged)

    // The ids were taken (or there was no need to).
    bool ok() const { return m_ok; }

    // Makes `path` the unprivileged user's own, so it can write there;
    // call before the scope. Nothing when the tests do not run as root.
    static bool handOver(const QString& path);
    // Lets the unprivileged user pass through `path` (a test's root folder).
    static bool openUp(const QString& path);

private:
    bool m_switched = false;
    bool m_ok = true;
    std::vector<gid_t> m_groups;
};
