#include "support/storehelpers.h"

#include "store/dictionary.h"
#include "store/file/files.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace testing_support {

std::optional<QString> lookUp(const QString &path, const QString &key)
{
    const std::optional<store::Entry> entry = store::Dictionary(store::Location::file(path)).find(key);
    return entry ? std::optional<QString>(entry->definition) : std::nullopt;
}

HeldLock::HeldLock(const QString &path)
{
    sqlite3_open(path.toUtf8().constData(), &m_db);
    if (sqlite3_exec(m_db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK)
        ADD_FAILURE() << "could not lock " << path.toStdString() << ": " << sqlite3_errmsg(m_db);
}

HeldLock::~HeldLock()
{
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(m_db);
}

ShortBusyTimeout::ShortBusyTimeout(int ms)
    : m_saved(store::Files::instance().busyTimeoutMs())
{
    store::Files::instance().setBusyTimeoutMs(ms);
}

ShortBusyTimeout::~ShortBusyTimeout()
{
    store::Files::instance().setBusyTimeoutMs(m_saved);
}

} // namespace testing_support
