#include "platform/Registry.h"

#include "platform/Errors.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace qp {

struct RegValue {
    enum class Type { String, Integer, Other };
    QString name;
    Type type = Type::String;
    QString text;         // String: the data. Other: the data as written after '=', e.g. "hex(7):41,00".
    quint32 integer = 0;  // Integer: the 32 bits of the DWORD.
    qsizetype size = 0;   // Other: the number of data bytes.
};

struct RegNode {
    QString name;
    std::vector<RegValue> values;  // in the order they were first written
    std::vector<RegNode> subkeys;  // sorted without regard to case, as an export lists them

    const RegNode* child(const QString& key) const;
    RegNode* child(const QString& key);
    RegNode& ensureChild(const QString& key);
    void insertChild(RegNode node);
    bool removeChild(const QString& key);
    const RegValue* value(const QString& valueName) const;
    void setValue(RegValue v);
    bool removeValue(const QString& valueName);
};

namespace {

bool sameName(const QString& a, const QString& b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

bool sortsBefore(const RegNode& a, const RegNode& b)
{
    const int byText = QString::compare(a.name, b.name, Qt::CaseInsensitive);
    return byText != 0 ? byText < 0 : a.name < b.name;
}

}  // namespace

const RegNode* RegNode::child(const QString& key) const
{
    for (const RegNode& node : subkeys)
        if (sameName(node.name, key))
            return &node;
    return nullptr;
}

RegNode* RegNode::child(const QString& key)
{
    return const_cast<RegNode*>(std::as_const(*this).child(key));
}

void RegNode::insertChild(RegNode node)
{
    auto at = std::upper_bound(subkeys.begin(), subkeys.end(), node, sortsBefore);
    subkeys.insert(at, std::move(node));
}

RegNode& RegNode::ensureChild(const QString& key)
{
    if (RegNode* existing = child(key))
        return *existing;
    RegNode node;
    node.name = key;
    insertChild(std::move(node));
    return *child(key);
}

bool RegNode::removeChild(const QString& key)
{
    auto it = std::find_if(subkeys.begin(), subkeys.end(), [&](const RegNode& n) { return sameName(n.name, key); });
    if (it == subkeys.end())
        return false;
    subkeys.erase(it);
    return true;
}

const RegValue* RegNode::value(const QString& valueName) const
{
    for (const RegValue& v : values)
        if (sameName(v.name, valueName))
            return &v;
    return nullptr;
}

void RegNode::setValue(RegValue v)
{
    for (RegValue& existing : values) {
        if (sameName(existing.name, v.name)) {
            // Overwriting keeps the name as first written, as the registry does.
            v.name = existing.name;
            existing = std::move(v);
            return;
        }
    }
    values.push_back(std::move(v));
}

bool RegNode::removeValue(const QString& valueName)
{
    auto it = std::find_if(values.begin(), values.end(), [&](const RegValue& v) { return sameName(v.name, valueName); });
    if (it == values.end())
        return false;
    values.erase(it);
    return true;
}

namespace {

const QString kHeader = QStringLiteral("Windows Registry Editor Version 5.00");

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

RegNode& ensureKey(RegNode& root, const QStringList& parts)
{
    RegNode* node = &root;
    for (const QString& part : parts)
        node = &node->ensureChild(part);
    return *node;
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

// ---- The file format ----

struct ParseError {
    int line = 0;
    QString reason;
};

struct Parsed {
    RegNode root;
    std::optional<ParseError> error;
};

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// Reads a quoted text at `pos` with the escapes the writer uses; leaves `pos` after the closing quote.
bool readQuoted(const QString& s, qsizetype& pos, QString& out)
{
    if (pos >= s.size() || s[pos] != QLatin1Char('"'))
        return false;
    ++pos;
    while (pos < s.size()) {
        const QChar c = s[pos++];
        if (c == QLatin1Char('"'))
            return true;
        if (c != QLatin1Char('\\')) {
            out += c;
            continue;
        }
        if (pos >= s.size())
            return false;
        const QChar e = s[pos++];
        if (e == QLatin1Char('\\') || e == QLatin1Char('"')) {
            out += e;
        } else if (e == QLatin1Char('n')) {
            out += QLatin1Char('\n');
        } else if (e == QLatin1Char('r')) {
            out += QLatin1Char('\r');
        } else if (e == QLatin1Char('x') && pos + 1 < s.size() && hexDigit(s[pos]) >= 0 && hexDigit(s[pos + 1]) >= 0) {
            out += QChar(char16_t(hexDigit(s[pos]) * 16 + hexDigit(s[pos + 1])));
            pos += 2;
        } else {
            return false;
        }
    }
    return false;
}

QString quoted(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"')) {
            out += QLatin1Char('\\');
            out += c;
        } else if (c == QLatin1Char('\n')) {
            out += QLatin1String("\\n");
        } else if (c == QLatin1Char('\r')) {
            out += QLatin1String("\\r");
        } else if (c.unicode() < 0x20 && c != QLatin1Char('\t')) {
            // Other control characters would make the file unreadable by hand.
            out += QLatin1String("\\x") + QString::number(c.unicode(), 16).rightJustified(2, QLatin1Char('0'));
        } else {
            out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

// Binary and other typed data ("hex:", "hex(7):") is kept as written so hand-made
// entries survive; the store itself writes only strings and DWORDs.
std::optional<RegValue> readHexData(const QString& data)
{
    const qsizetype colon = data.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return std::nullopt;
    const QString prefix = data.left(colon).trimmed();
    if (prefix.compare(QLatin1String("hex"), Qt::CaseInsensitive) != 0) {
        const bool typed = prefix.startsWith(QLatin1String("hex("), Qt::CaseInsensitive) && prefix.endsWith(QLatin1Char(')'))
                           && prefix.size() > 5;
        if (!typed)
            return std::nullopt;
        for (QChar c : prefix.mid(4, prefix.size() - 5))
            if (hexDigit(c) < 0)
                return std::nullopt;
    }
    QStringList bytes;
    const QString body = data.mid(colon + 1).trimmed();
    if (!body.isEmpty()) {
        for (const QString& piece : body.split(QLatin1Char(','))) {
            const QString b = piece.trimmed();
            if (b.isEmpty() || b.size() > 2 || hexDigit(b[0]) < 0 || (b.size() == 2 && hexDigit(b[1]) < 0))
                return std::nullopt;
            bytes += b.toLower().rightJustified(2, QLatin1Char('0'));
        }
    }
    RegValue v;
    v.type = RegValue::Type::Other;
    v.text = prefix + QLatin1Char(':') + bytes.join(QLatin1Char(','));
    v.size = bytes.size();
    return v;
}

class HiveParser {
public:
    HiveParser(const QByteArray& bytes, Hive hive) : m_bytes(bytes), m_hiveName(hiveName(hive)) {}

    Parsed run()
    {
        QByteArrayView data(m_bytes);
        if (data.startsWith("\xEF\xBB\xBF"))
            data = data.sliced(3);
        if (data.trimmed().isEmpty())
            return std::move(m_result);
        qsizetype start = 0;
        while (start < data.size() && !m_result.error) {
            qsizetype end = data.indexOf('\n', start);
            if (end < 0)
                end = data.size();
            ++m_line;
            line(data.sliced(start, end - start));
            start = end + 1;
        }
        if (!m_result.error && m_continuing)
            fail(QStringLiteral("the data of the value ends in '\\' but no line follows"));
        return std::move(m_result);
    }

private:
    void fail(const QString& reason)
    {
        if (!m_result.error)
            m_result.error = ParseError{m_line, reason};
    }

    void line(QByteArrayView raw)
    {
        if (!raw.isValidUtf8())
            return fail(QStringLiteral("the line is not UTF-8 text"));
        QString text = QString::fromUtf8(raw);
        if (text.endsWith(QLatin1Char('\r')))
            text.chop(1);
        if (m_continuing)
            return continueHex(text.trimmed());

        const QString trimmed = text.trimmed();
        if (!m_sawHeader) {
            if (trimmed.isEmpty())
                return;
            if (trimmed != kHeader && trimmed != QLatin1String("REGEDIT4"))
                return fail(QStringLiteral("the first line is not \"%1\"").arg(kHeader));
            m_sawHeader = true;
            return;
        }
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')))
            return;
        if (trimmed.startsWith(QLatin1Char('[')))
            return section(trimmed);
        if (trimmed.startsWith(QLatin1Char('"')) || trimmed.startsWith(QLatin1Char('@')))
            return value(trimmed);
        fail(QStringLiteral("the line is neither a key in [brackets] nor a \"name\"=value line"));
    }

    void section(const QString& trimmed)
    {
        if (!trimmed.endsWith(QLatin1Char(']')) || trimmed.size() < 2)
            return fail(QStringLiteral("the key line does not end in ']'"));
        const QString inner = trimmed.mid(1, trimmed.size() - 2);
        if (inner.startsWith(QLatin1Char('-')))
            return fail(QStringLiteral("a key deletion ([-...]) cannot be stored"));
        const QStringList parts = inner.split(QLatin1Char('\\'));
        if (!sameName(parts.first(), m_hiveName))
            return fail(QStringLiteral("the key is not under %1").arg(m_hiveName));
        m_currentPath = parts.mid(1);
        for (const QString& part : m_currentPath)
            if (part.isEmpty())
                return fail(QStringLiteral("the key path has an empty name"));
        ensureKey(m_result.root, m_currentPath);
        m_inSection = true;
    }

    void value(const QString& trimmed)
    {
        if (!m_inSection)
            return fail(QStringLiteral("a value comes before the first key"));
        RegValue v;
        qsizetype pos = 0;
        if (trimmed[0] == QLatin1Char('@'))
            pos = 1;
        else if (!readQuoted(trimmed, pos, v.name))
            return fail(QStringLiteral("the value name is not a properly quoted text"));
        while (pos < trimmed.size() && trimmed[pos].isSpace())
            ++pos;
        if (pos >= trimmed.size() || trimmed[pos] != QLatin1Char('='))
            return fail(QStringLiteral("'=' is missing after the value name"));
        const QString data = trimmed.mid(pos + 1).trimmed();

        if (data.startsWith(QLatin1Char('"'))) {
            qsizetype at = 0;
            if (!readQuoted(data, at, v.text))
                return fail(QStringLiteral("the text is not properly quoted"));
            if (at != data.size())
                return fail(QStringLiteral("something follows the closing quote"));
            v.type = RegValue::Type::String;
            return store(std::move(v));
        }
        if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
            const QString digits = data.mid(6).trimmed();
            bool ok = digits.size() >= 1 && digits.size() <= 8;
            for (QChar c : digits)
                ok = ok && hexDigit(c) >= 0;
            if (!ok)
                return fail(QStringLiteral("a dword needs one to eight hexadecimal digits"));
            v.type = RegValue::Type::Integer;
            v.integer = digits.toUInt(nullptr, 16);
            return store(std::move(v));
        }
        if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
            m_pendingName = v.name;
            m_pendingData.clear();
            return continueHex(data);
        }
        if (data == QLatin1String("-"))
            return fail(QStringLiteral("a value deletion (=-) cannot be stored"));
        fail(QStringLiteral("the value is neither \"text\", dword: nor hex:"));
    }

    void continueHex(const QString& piece)
    {
        m_continuing = piece.endsWith(QLatin1Char('\\'));
        m_pendingData += m_continuing ? piece.chopped(1).trimmed() : piece;
        if (m_continuing)
            return;
        std::optional<RegValue> v = readHexData(m_pendingData);
        if (!v)
            return fail(QStringLiteral("the hex data is not a list of bytes such as hex:0a,ff"));
        v->name = m_pendingName;
        store(std::move(*v));
    }

    void store(RegValue v)
    {
        ensureKey(m_result.root, m_currentPath).setValue(std::move(v));
    }

    const QByteArray& m_bytes;
    const QString m_hiveName;
    Parsed m_result;
    int m_line = 0;
    bool m_sawHeader = false;
    bool m_inSection = false;
    QStringList m_currentPath;
    bool m_continuing = false;
    QString m_pendingName;
    QString m_pendingData;
};

void writeValues(QString& out, const RegNode& node)
{
    for (const RegValue& v : node.values) {
        out += v.name.isEmpty() ? QStringLiteral("@") : quoted(v.name);
        out += QLatin1Char('=');
        switch (v.type) {
        case RegValue::Type::String:
            out += quoted(v.text);
            break;
        case RegValue::Type::Integer:
            out += QLatin1String("dword:") + QString::number(v.integer, 16).rightJustified(8, QLatin1Char('0'));
            break;
        case RegValue::Type::Other:
            out += v.text;
            break;
        }
        out += QLatin1Char('\n');
    }
}

void writeKey(QString& out, const RegNode& node, const QString& path)
{
    out += QLatin1Char('[') + path + QLatin1String("]\n");
    writeValues(out, node);
    out += QLatin1Char('\n');
    for (const RegNode& sub : node.subkeys)
        writeKey(out, sub, path + QLatin1Char('\\') + sub.name);
}

QByteArray serialize(const RegNode& root, Hive hive)
{
    QString out = kHeader + QLatin1String("\n\n");
    if (!root.values.empty()) {
        out += QLatin1Char('[') + hiveName(hive) + QLatin1String("]\n");
        writeValues(out, root);
        out += QLatin1Char('\n');
    }
    for (const RegNode& sub : root.subkeys)
        writeKey(out, sub, hiveName(hive) + QLatin1Char('\\') + sub.name);
    return out.toUtf8();
}

// ---- The file on disk ----

struct FileContents {
    enum class State { Absent, Read, Unreadable };
    State state = State::Absent;
    QByteArray bytes;
    QString reason;
};

FileContents readFile(const QString& path)
{
    FileContents contents;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
            contents.state = FileContents::State::Unreadable;
            contents.reason = file.errorString();
        }
        return contents;
    }
    contents.bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        contents.state = FileContents::State::Unreadable;
        contents.reason = file.errorString();
        return contents;
    }
    contents.state = FileContents::State::Read;
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
        if (m_fd < 0)
            return;
        while (::flock(m_fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
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

private:
    int m_fd = -1;
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
            cache.parsed = HiveParser(bytes, hive).run();
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
    if (!QDir().mkpath(m_folder))
        throw AppError(failure);
    HiveLock lock(m_folder);
    if (!lock.locked())
        throw AppError(failure);

    const FileContents contents = readFile(path);
    if (contents.state == FileContents::State::Unreadable)
        throw AppError(unreadableMessage(path, contents.reason));
    const Parsed& parsed = m_store->parse(hive, contents.bytes);
    RegNode root;
    if (parsed.error) {
        keptAs = moveAside(path);
        if (keptAs.isEmpty())
            throw AppError(failure);
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
        throw AppError(failure);
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

QString RegKey::readString(const QString& name) const
{
    const RegValue* v = find(name);
    if (!v)
        return {};
    if (v->type != RegValue::Type::String)
        throw AppError(invalidType(name));
    return v->text;
}

void RegKey::store(const RegValue& value)
{
    const QStringList parts = splitPath(m_path);
    const QString failure = failedToSet(value.name);
    if (!storableKeyNames(parts))
        throw AppError(failure);
    m_registry->modify(m_hive, [&](RegNode& root) { ensureKey(root, parts).setValue(value); }, failure);
}

void RegKey::writeInteger(const QString& name, int value)
{
    RegValue v;
    v.name = name;
    v.type = RegValue::Type::Integer;
    v.integer = static_cast<quint32>(value);
    store(v);
}

void RegKey::writeString(const QString& name, const QString& value)
{
    RegValue v;
    v.name = name;
    v.type = RegValue::Type::String;
    v.text = value;
    store(v);
}

void RegKey::writeFlag(const QString& name, bool on)
{
    writeInteger(name, on ? 1 : 0);
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
