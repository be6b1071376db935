#include "store/Registry.h"

#include "platform/Errors.h"
#include "platform/FileReading.h"
#include "store/RegistryFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace qp {

namespace {

using regfile::ensureKey;
using regfile::ParseError;
using regfile::Parsed;
using regfile::sameName;
using regfile::serialize;

QStringList splitPath(const QString& key)
{
    return key.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

// A key name must survive a trip through a "[...]" line of the file.
bool storableKeyNames(const QStringList& parts)
{
    for (const QString& part : parts)
        for (QChar c : part)
            if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
                return false;
    return true;
}

const RegNode* findKey(const RegNode& root, const QStringList& parts)
{
    const RegNode* node = &root;
    for (const QString& part : parts) {
        node = node->child(part);
        if (!node)
            return nullptr;
    }
    return node;
}

RegNode* findKey(RegNode& root, const QStringList& parts)
{
    return const_cast<RegNode*>(findKey(std::as_const(root), parts));
}

bool isInside(const QStringList& inner, const QStringList& outer)
{
    if (inner.size() < outer.size())
        return false;
    for (qsizetype i = 0; i < outer.size(); ++i)
        if (!sameName(inner[i], outer[i]))
            return false;
    return true;
}

// ---- The file on disk ----

struct FileContents {
    enum class State { Absent, Read, Unreadable };
    State state = State::Absent;
    QByteArray bytes;
    QString reason;
};

// Settings files hold a few kilobytes; past this, the file is not one of ours.
constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

FileContents readFile(const QString& path)
{
    SmallFile file = readSmallFile(path, kMaxFileBytes);
    FileContents contents;
    switch (file.state) {
    case SmallFile::State::Absent:
        break;
    case SmallFile::State::Read:
        contents.state = FileContents::State::Read;
        contents.bytes = std::move(file.bytes);
        break;
    case SmallFile::State::Refused:
        contents.state = FileContents::State::Unreadable;
        contents.reason = file.reason;
        break;
    }
    return contents;
}

QString unreadableMessage(const QString& path, const QString& reason)
{
    return QStringLiteral("The settings file '%1' cannot be read: %2.").arg(QDir::toNativeSeparators(path), reason);
}

QString damagedMessage(const QString& path, const ParseError& error)
{
    return QStringLiteral("The settings file '%1' is damaged at line %2: %3.")
        .arg(QDir::toNativeSeparators(path))
        .arg(error.line)
        .arg(error.reason);
}

// An exclusive flock on the settings folder, held for the lifetime of the
// object. Closing the descriptor releases it, also when the process dies. The
// hive files themselves are replaced by renames, so they cannot carry the lock.
class HiveLock {
public:
    explicit HiveLock(const QString& folder)
    {
        m_fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (m_fd < 0) {
            m_reason = QString::fromLocal8Bit(std::strerror(errno));
            return;
        }
        while (::flock(m_fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                m_reason = QString::fromLocal8Bit(std::strerror(errno));
                ::close(m_fd);
                m_fd = -1;
                return;
            }
        }
    }
    ~HiveLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;

    bool locked() const { return m_fd >= 0; }
    QString reason() const { return m_reason; }

private:
    int m_fd = -1;
    QString m_reason;
};

// Renames a damaged file to a name of its own beside it; empty on failure.
QString moveAside(const QString& path)
{
    const QString base = path + QLatin1String(".damaged-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = base;
    for (int n = 2; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++n)
        target = base + QLatin1Char('-') + QString::number(n);
    // QFile::rename never replaces an existing file, so a name taken meanwhile is not lost.
    return QFile::rename(path, target) ? target : QString();
}

}  // namespace

// ---- Registry ----

struct Registry::Store {
    // The last bytes seen of each hive and their parse; a file whose bytes are
    // unchanged need not be parsed again.
    struct Hive {
        bool valid = false;
        QByteArray bytes;
        Parsed parsed;
    };
    std::array<Hive, 2> hives;

    Hive& of(qp::Hive hive) { return hives[hive == qp::Hive::CurrentUser ? 0 : 1]; }

    const Parsed& parse(qp::Hive hive, const QByteArray& bytes)
    {
        Hive& cache = of(hive);
        if (!cache.valid || cache.bytes != bytes) {
            cache.parsed = regfile::parse(bytes, hive);
            cache.bytes = bytes;
            cache.valid = true;
        }
        return cache.parsed;
    }

    void remember(qp::Hive hive, QByteArray bytes, RegNode root)
    {
        Hive& cache = of(hive);
        cache.valid = true;
        cache.bytes = std::move(bytes);
        cache.parsed = Parsed{std::move(root), std::nullopt};
    }
};

QString StoreWriteError::details() const
{
    QString reason = m_reason.isEmpty() ? QStringLiteral("unknown error") : m_reason;
    if (!reason.endsWith(QLatin1Char('.')))
        reason += QLatin1Char('.');
    return QStringLiteral("The settings could not be written to \"%1\": %2").arg(QDir::toNativeSeparators(m_path), reason);
}

QString settingsRoot()
{
    return QStringLiteral("Software\\Tavlen\\Quillpress 2.0");
}

QString hiveName(Hive hive)
{
    return hive == Hive::CurrentUser ? QStringLiteral("HKEY_CURRENT_USER") : QStringLiteral("HKEY_CLASSES_ROOT");
}

Registry::Registry(QString folder) : m_folder(std::move(folder)), m_store(std::make_unique<Store>()) {}

Registry::~Registry() = default;

QString Registry::folder() const
{
    return m_folder;
}

QString Registry::hivePath(Hive hive) const
{
    return QDir(m_folder).filePath(hiveName(hive) + QLatin1String(".reg"));
}

const RegNode& Registry::load(Hive hive) const
{
    const QString path = hivePath(hive);
    const FileContents contents = readFile(path);
    if (contents.state == FileContents::State::Unreadable)
        throw AppError(unreadableMessage(path, contents.reason));
    const Parsed& parsed = m_store->parse(hive, contents.bytes);
    if (parsed.error)
        throw AppError(damagedMessage(path, *parsed.error));
    return parsed.root;
}

void Registry::modify(Hive hive, const std::function<void(RegNode&)>& change, const QString& failure)
{
    QString damage;
    QString keptAs;
    try {
        modifyLocked(hive, change, failure, damage, keptAs);
    } catch (...) {
        // The damaged file went aside even though the fresh one could not be written.
        if (!keptAs.isEmpty() && m_keptAside)
            m_keptAside(damage, keptAs);
        throw;
    }
    if (!keptAs.isEmpty() && m_keptAside)
        m_keptAside(damage, keptAs);
}

void Registry::modifyLocked(Hive hive, const std::function<void(RegNode&)>& change, const QString& failure,
                            QString& damage, QString& keptAs)
{
    const QString path = hivePath(hive);
    std::error_code made;
    std::filesystem::create_directories(std::filesystem::path(QFile::encodeName(m_folder).toStdString()), made);
    if (made)
        throw StoreWriteError(failure, m_folder, QString::fromLocal8Bit(made.message().c_str()));
    HiveLock lock(m_folder);
    if (!lock.locked())
        throw StoreWriteError(failure, m_folder, lock.reason());

    const FileContents contents = readFile(path);
    if (contents.state == FileContents::State::Unreadable)
        throw AppError(unreadableMessage(path, contents.reason));
    const Parsed& parsed = m_store->parse(hive, contents.bytes);
    RegNode root;
    if (parsed.error) {
        keptAs = moveAside(path);
        if (keptAs.isEmpty())
            throw StoreWriteError(failure, path, QStringLiteral("the damaged file could not be kept aside"));
        damage = damagedMessage(path, *parsed.error);
    } else {
        root = parsed.root;
    }

    // A change that changes nothing leaves the file as it is, hand-written comments and all.
    const bool intact = contents.state == FileContents::State::Read && !parsed.error;
    const QByteArray before = intact ? serialize(root, hive) : QByteArray();
    change(root);
    QByteArray bytes = serialize(root, hive);
    if (intact && bytes == before)
        return;
    if (contents.state == FileContents::State::Absent && root.values.empty() && root.subkeys.empty())
        return;

    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw StoreWriteError(failure, path, file.errorString());
    m_store->remember(hive, std::move(bytes), std::move(root));
}

bool Registry::keyExists(Hive hive, const QString& key) const
{
    return findKey(load(hive), splitPath(key)) != nullptr;
}

void Registry::createKey(Hive hive, const QString& key)
{
    const QStringList parts = splitPath(key);
    const QString failure = QStringLiteral("Failed to create key %1").arg(key);
    if (!storableKeyNames(parts))
        throw AppError(failure);
    if (parts.isEmpty())
        return;
    modify(hive, [&](RegNode& root) { ensureKey(root, parts); }, failure);
}

void Registry::deleteKey(Hive hive, const QString& key)
{
    const QStringList parts = splitPath(key);
    // The hive itself is never deleted; a missing file holds no key.
    if (parts.isEmpty() || !QFileInfo::exists(hivePath(hive)))
        return;
    modify(
        hive,
        [&](RegNode& root) {
            if (RegNode* parent = findKey(root, parts.mid(0, parts.size() - 1)))
                parent->removeChild(parts.last());
        },
        QStringLiteral("Failed to delete key %1").arg(key));
}

void Registry::moveKey(Hive hive, const QString& source, const QString& destination)
{
    const QStringList from = splitPath(source);
    const QStringList to = splitPath(destination);
    // Moving a key into itself or its own subtree would delete what was copied.
    if (from.isEmpty() || to.isEmpty() || isInside(to, from) || isInside(from, to))
        return;
    if (!QFileInfo::exists(hivePath(hive)))
        return;
    if (!storableKeyNames(to))
        throw AppError(QStringLiteral("Failed to create key %1").arg(destination));
    modify(
        hive,
        [&](RegNode& root) {
            const RegNode* src = findKey(std::as_const(root), from);
            if (!src || findKey(std::as_const(root), to))
                return;
            RegNode copy = *src;
            copy.name = to.last();
            ensureKey(root, to.mid(0, to.size() - 1)).insertChild(std::move(copy));
            // The insertion may have moved the source in memory: look it up again.
            if (RegNode* parent = findKey(root, from.mid(0, from.size() - 1)))
                parent->removeChild(from.last());
        },
        QStringLiteral("Failed to move key %1 to %2").arg(source, destination));
}

QStringList Registry::subkeyNames(Hive hive, const QString& key) const
{
    QStringList names;
    if (const RegNode* node = findKey(load(hive), splitPath(key)))
        for (const RegNode& sub : node->subkeys)
            names += sub.name;
    return names;
}

QStringList Registry::valueNames(Hive hive, const QString& key) const
{
    QStringList names;
    if (const RegNode* node = findKey(load(hive), splitPath(key)))
        for (const RegValue& v : node->values)
            names += v.name;
    return names;
}

std::optional<QString> Registry::checkHive(Hive hive) const
{
    try {
        load(hive);
    } catch (const AppError& error) {
        return error.message();
    }
    return std::nullopt;
}

QString Registry::keepAside(Hive hive)
{
    const QString path = hivePath(hive);
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return {};
    HiveLock lock(m_folder);
    // Another program may have replaced the file since the check; look again under the lock.
    if (!checkHive(hive))
        return {};
    const QString aside = moveAside(path);
    if (aside.isEmpty())
        throw AppError(QStringLiteral("The settings file '%1' could not be renamed to keep it aside.").arg(QDir::toNativeSeparators(path)));
    m_store->of(hive).valid = false;
    return aside;
}

// ---- RegKey ----

namespace {

QString joinSettingsKey(const QString& subkey)
{
    return subkey.isEmpty() ? settingsRoot() : settingsRoot() + QLatin1Char('\\') + subkey;
}

QString failedToGet(const QString& name)
{
    return QStringLiteral("Failed to get data for '%1'").arg(name);
}

QString invalidType(const QString& name)
{
    return QStringLiteral("Invalid data type for '%1'").arg(name);
}

QString failedToSet(const QString& name)
{
    return QStringLiteral("Failed to set data for '%1'").arg(name);
}

}  // namespace

std::optional<RegKey> RegKey::openRead(Registry& registry, Hive hive, const QString& key)
{
    if (!registry.keyExists(hive, key))
        return std::nullopt;
    return RegKey(registry, hive, key);
}

RegKey RegKey::openWrite(Registry& registry, Hive hive, const QString& key)
{
    try {
        registry.createKey(hive, key);
    } catch (const AppError&) {
        // Opening reports failure only through the first write, which tries again.
    }
    return RegKey(registry, hive, key);
}

std::optional<RegKey> RegKey::openSettingsRead(Registry& registry, const QString& subkey)
{
    return openRead(registry, Hive::CurrentUser, joinSettingsKey(subkey));
}

RegKey RegKey::openSettingsWrite(Registry& registry, const QString& subkey)
{
    return openWrite(registry, Hive::CurrentUser, joinSettingsKey(subkey));
}

const RegValue* RegKey::find(const QString& name) const
{
    const RegNode* node = findKey(m_registry->load(m_hive), splitPath(m_path));
    return node ? node->value(name) : nullptr;
}

bool RegKey::valueExists(const QString& name) const
{
    return find(name) != nullptr;
}

namespace {

int integerOf(const RegValue* v, const QString& name)
{
    if (!v)
        throw AppError(failedToGet(name));
    switch (v->type) {
    case RegValue::Type::Integer:
        return static_cast<qint32>(v->integer);
    case RegValue::Type::String:
        // Data longer than the four bytes of an integer (with the terminating zero) cannot even be fetched.
        throw AppError(v->text.size() + 1 > 4 ? failedToGet(name) : invalidType(name));
    case RegValue::Type::Other:
        throw AppError(v->size > 4 ? failedToGet(name) : invalidType(name));
    }
    throw AppError(invalidType(name));
}

}  // namespace

int RegKey::readInteger(const QString& name) const
{
    return integerOf(find(name), name);
}

int RegKey::readInteger(const QString& name, int defaultValue) const
{
    const RegValue* v = find(name);
    return v ? integerOf(v, name) : defaultValue;
}

bool RegKey::readFlag(const QString& name, bool defaultValue) const
{
    const RegValue* v = find(name);
    return v ? integerOf(v, name) == 1 : defaultValue;
}

int RegKey::readInteger(const QString& name, int builtIn, QStringList& missing) const
{
    const RegValue* v = find(name);
    if (!v) {
        missing << name;
        return builtIn;
    }
    return integerOf(v, name);
}

bool RegKey::readFlag(const QString& name, bool builtIn, QStringList& missing) const
{
    return readInteger(name, builtIn ? 1 : 0, missing) == 1;
}

void RegKey::tellMissing(const QStringList& missing, const QString& remedy) const
{
    if (missing.isEmpty() || !m_registry->m_missingValues)
        return;
    m_registry->m_missingValues(m_registry->hivePath(m_hive), hiveName(m_hive) + QLatin1Char('\\') + m_path, missing,
                                remedy);
}

QString RegKey::readString(const QString& name) const
{
    const RegValue* v = find(name);
    if (!v)
        return {};
    if (v->type != RegValue::Type::String)
        throw AppError(invalidType(name));
    return v->text;
}

void RegKey::store(const std::vector<RegValue>& values)
{
    if (values.empty())
        return;
    const QStringList parts = splitPath(m_path);
    const QString failure = failedToSet(values.front().name);
    if (!storableKeyNames(parts))
        throw AppError(failure);
    m_registry->modify(
        m_hive,
        [&](RegNode& root) {
            RegNode& node = ensureKey(root, parts);
            for (const RegValue& value : values)
                node.setValue(value);
        },
        failure);
}

namespace {

RegValue integerValue(const QString& name, int number)
{
    RegValue v;
    v.name = name;
    v.type = RegValue::Type::Integer;
    v.integer = static_cast<quint32>(number);
    return v;
}

RegValue stringValue(const QString& name, const QString& text)
{
    RegValue v;
    v.name = name;
    v.type = RegValue::Type::String;
    v.text = text;
    return v;
}

}  // namespace

void RegKey::writeInteger(const QString& name, int value)
{
    store({integerValue(name, value)});
}

void RegKey::writeString(const QString& name, const QString& value)
{
    store({stringValue(name, value)});
}

void RegKey::writeFlag(const QString& name, bool on)
{
    writeInteger(name, on ? 1 : 0);
}

void RegKey::writeStrings(const QList<std::pair<QString, QString>>& namesAndValues)
{
    std::vector<RegValue> values;
    for (const auto& [name, text] : namesAndValues)
        values.push_back(stringValue(name, text));
    store(values);
}

void RegKey::writeIntegers(const QList<std::pair<QString, int>>& namesAndValues)
{
    std::vector<RegValue> values;
    for (const auto& [name, number] : namesAndValues)
        values.push_back(integerValue(name, number));
    store(values);
}

void RegKey::deleteValue(const QString& name)
{
    if (!QFileInfo::exists(m_registry->hivePath(m_hive)))
        return;
    const QStringList parts = splitPath(m_path);
    m_registry->modify(
        m_hive,
        [&](RegNode& root) {
            if (RegNode* node = findKey(root, parts))
                node->removeValue(name);
        },
        QStringLiteral("Failed to delete value '%1'").arg(name));
}

QStringList RegKey::valueNames() const
{
    return m_registry->valueNames(m_hive, m_path);
}

QStringList RegKey::subkeyNames() const
{
    return m_registry->subkeyNames(m_hive, m_path);
}

}  // namespace qp
