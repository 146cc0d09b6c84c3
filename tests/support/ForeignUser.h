#pragma once

#include <QString>

#include <sys/types.h>

// An account of its own, for tests that need a folder someone else owns: made
// with useradd (no home, no login) when the tests run as root, removed with
// userdel when the object goes. Elsewhere it does not exist, and whyNot() says
// why, for the skip message.
class ForeignUser
{
public:
    ForeignUser();
    ~ForeignUser();
    ForeignUser(const ForeignUser&) = delete;
    ForeignUser& operator=(const ForeignUser&) = delete;

    bool exists() const { return m_made; }
    QString whyNot() const { return m_whyNot; }
    // Makes the account the owner of path; false when it cannot.
    bool give(const QString& path) const;

private:
    QString m_name;
    uid_t m_uid = 0;
    gid_t m_gid = 0;
    bool m_made = false;
    QString m_whyNot;
};
