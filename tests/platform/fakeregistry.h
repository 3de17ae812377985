#pragma once

#include "platform/registry.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QString>

namespace testing_support {

// A registry in memory that answers as the system's does: keys and value
// names regardless of case, kMoreData for a value larger than the offer,
// and, like a machine-wide key for an ordinary user, kAccessDenied to any
// opening that asks for write rights. Records every call and fails the test
// on a query or close of a key that is not open.
class FakeRegistry : public platform::Registry
{
public:
    struct Opening
    {
        Root root;
        QString path;
        quint32 options;
        quint32 access;
    };

    // The value name under key (below HKEY_LOCAL_MACHINE) with these bytes.
    void set(const QString &key, const QString &name, quint32 type, const QByteArray &bytes);
    // A REG_SZ as Windows stores it: the text in the 8-bit code page and a terminating NUL.
    void setString(const QString &key, const QString &name, const QString &text);
    // Opening key gives status instead.
    void failOpen(const QString &key, Status status);
    // Querying name under key gives status instead.
    void failQuery(const QString &key, const QString &name, Status status);
    // Querying name under key throws.
    void throwOnQuery(const QString &key, const QString &name);
    // What expandString puts in for %name%.
    void setEnvironment(const QString &name, const QString &value);

    const QList<Opening> &openings() const { return m_openings; }
    QStringList openedPaths() const;
    // The byte counts offered to each query.
    const QList<quint32> &offers() const { return m_offers; }
    int openCount() const { return static_cast<int>(m_open.size()); }

    Status openKey(Root root, const std::string &path, std::uint32_t options, std::uint32_t access, Key &key) override;
    Status queryValue(Key key, const std::string &name, std::uint32_t &type, std::vector<unsigned char> &buffer,
                      std::uint32_t &size) override;
    Status closeKey(Key key) override;
    std::string expandString(const std::string &value) const override;

private:
    struct Value
    {
        quint32 type = 0;
        QByteArray bytes;
        Status failure = kSuccess;
        bool throws = false;
    };
    struct KeyData
    {
        Status openFailure = kSuccess;
        QMap<QString, Value> values; // by lower-case name
    };

    QMap<QString, KeyData> m_keys; // by lower-case path
    QHash<QString, QString> m_environment;
    QMap<Key, QString> m_open;
    Key m_lastKey = 0x1000;
    QList<Opening> m_openings;
    QList<quint32> m_offers;
};

} // namespace testing_support
