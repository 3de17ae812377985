#include "fakeregistry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

namespace testing_support {

void FakeRegistry::set(const QString &key, const QString &name, quint32 type, const QByteArray &bytes)
{
    Value &value = m_keys[key.toLower()].values[name.toLower()];
    value.type = type;
    value.bytes = bytes;
}

void FakeRegistry::setString(const QString &key, const QString &name, const QString &text)
{
    set(key, name, kString, text.toLocal8Bit() + '\0');
}

void FakeRegistry::failOpen(const QString &key, Status status)
{
    m_keys[key.toLower()].openFailure = status;
}

void FakeRegistry::failQuery(const QString &key, const QString &name, Status status)
{
    m_keys[key.toLower()].values[name.toLower()].failure = status;
}

void FakeRegistry::throwOnQuery(const QString &key, const QString &name)
{
    m_keys[key.toLower()].values[name.toLower()].throws = true;
}

void FakeRegistry::setEnvironment(const QString &name, const QString &value)
{
    m_environment[name.toLower()] = value;
}

QStringList FakeRegistry::openedPaths() const
{
    QStringList paths;
    for (const Opening &opening : m_openings)
        paths.append(opening.path);
    return paths;
}

FakeRegistry::Status FakeRegistry::openKey(Root root, const std::string &path8, std::uint32_t options,
                                           std::uint32_t access, Key &key)
{
    const QString path = QString::fromStdString(path8);
    m_openings.append({root, path, options, access});
    key = 0;
    const auto found = m_keys.constFind(path.toLower());
    if (root != kLocalMachine || found == m_keys.constEnd())
        return kFileNotFound;
    if (found->openFailure != kSuccess)
        return found->openFailure;
    if (access & (kSetValue | kCreateSubKey | kCreateLink))
        return kAccessDenied;
    key = ++m_lastKey;
    m_open.insert(key, found.key());
    return kSuccess;
}

FakeRegistry::Status FakeRegistry::queryValue(Key key, const std::string &name8, std::uint32_t &type,
                                              std::vector<unsigned char> &buffer, std::uint32_t &size)
{
    const QString name = QString::fromStdString(name8);
    m_offers.append(size);
    if (!m_open.contains(key)) {
        ADD_FAILURE() << "query on a key that is not open";
        return kInvalidHandle;
    }
    const KeyData &data = m_keys[m_open.value(key)];
    const auto found = data.values.constFind(name.toLower());
    if (found == data.values.constEnd())
        return kFileNotFound;
    if (found->throws)
        throw std::runtime_error("registry failure");
    if (found->failure != kSuccess)
        return found->failure;

    const quint32 room = qMin(size, static_cast<quint32>(buffer.size()));
    const auto needed = static_cast<quint32>(found->bytes.size());
    type = found->type;
    size = needed;
    if (needed > room)
        return kMoreData;
    std::memcpy(buffer.data(), found->bytes.constData(), needed);
    return kSuccess;
}

FakeRegistry::Status FakeRegistry::closeKey(Key key)
{
    if (m_open.remove(key) != 1) {
        ADD_FAILURE() << "close of a key that is not open";
        return kInvalidHandle;
    }
    return kSuccess;
}

std::string FakeRegistry::expandString(const std::string &value) const
{
    QString result = QString::fromStdString(value);
    for (auto it = m_environment.constBegin(); it != m_environment.constEnd(); ++it) {
        result.replace(QLatin1Char('%') + it.key() + QLatin1Char('%'), it.value(), Qt::CaseInsensitive);
    }
    return result.toStdString();
}

} // namespace testing_support
