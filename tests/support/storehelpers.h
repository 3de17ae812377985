#pragma once

// Small store actions several tests share.

#include <QString>

#include <optional>

struct sqlite3;

namespace testing_support {

// Looks key up the way the main window does: open, find, close. Gives the
// definition found, or nothing.
std::optional<QString> lookUp(const QString &path, const QString &key);

// Another program holding the dictionary's exclusive lock while it lives.
class HeldLock
{
public:
    explicit HeldLock(const QString &path);
    ~HeldLock();
    HeldLock(const HeldLock &) = delete;
    HeldLock &operator=(const HeldLock &) = delete;

private:
    sqlite3 *m_db = nullptr;
};

// Makes the store's engine wait only briefly for a lock while it lives, so
// that tests of a held lock do not wait the program's full five seconds.
class ShortBusyTimeout
{
public:
    explicit ShortBusyTimeout(int ms = 50);
    ~ShortBusyTimeout();
    ShortBusyTimeout(const ShortBusyTimeout &) = delete;
    ShortBusyTimeout &operator=(const ShortBusyTimeout &) = delete;

private:
    int m_saved = 0;
};

} // namespace testing_support
