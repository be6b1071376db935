#include "store/RegistryFile.h"

#include <QByteArrayView>
#include <QHash>

#include <algorithm>
#include <memory>
#include <unordered_map>

namespace qp {

namespace regfile {

bool sameName(const QString& a, const QString& b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

}  // namespace regfile

namespace {

using regfile::ParseError;
using regfile::Parsed;
using regfile::sameName;

bool sortsBefore(const RegNode& a, const RegNode& b)
{
    const int byText = QString::compare(a.name, b.name, Qt::CaseInsensitive);
    return byText != 0 ? byText < 0 : a.name < b.name;
}

}  // namespace

const RegNode* RegNode::child(const QString& key) const
{
    // Subkeys are kept in their case-blind order, so a key with thousands of
    // siblings is found without looking at each.
    const auto at = std::lower_bound(subkeys.begin(), subkeys.end(), key, [](const RegNode& node, const QString& name) {
        return QString::compare(node.name, name, Qt::CaseInsensitive) < 0;
    });
    return at != subkeys.end() && sameName(at->name, key) ? &*at : nullptr;
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

// The keys as the parser gathers them: every key and value name found through
// an index, so that a file with tens of thousands of keys or values reads in
// linear time. The keys are put in their order once, at the end.
class ParseTree {
public:
    RegNode node;
    // Case-folded value names and where they are in node.values.
    QHash<QString, qsizetype> valueAt;

    ParseTree& child(const QString& name)
    {
        std::unique_ptr<ParseTree>& slot = m_children[name.toCaseFolded()];
        if (!slot) {
            slot = std::make_unique<ParseTree>();
            slot->node.name = name;
        }
        return *slot;
    }

    RegNode finish() &&
    {
        node.subkeys.reserve(m_children.size());
        for (auto& [folded, child] : m_children)
            node.subkeys.push_back(std::move(*child).finish());
        std::sort(node.subkeys.begin(), node.subkeys.end(), sortsBefore);
        return std::move(node);
    }

private:
    std::unordered_map<QString, std::unique_ptr<ParseTree>> m_children;
};

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
        m_result.root = std::move(m_tree).finish();
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
        m_key = &m_tree;
        for (const QString& part : m_currentPath)
            m_key = &m_key->child(part);
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

    // As RegNode::setValue.
    void store(RegValue v)
    {
        const QString folded = v.name.toCaseFolded();
        const auto known = m_key->valueAt.constFind(folded);
        if (known != m_key->valueAt.constEnd()) {
            RegValue& existing = m_key->node.values[*known];
            v.name = existing.name;
            existing = std::move(v);
            return;
        }
        m_key->valueAt.insert(folded, qsizetype(m_key->node.values.size()));
        m_key->node.values.push_back(std::move(v));
    }

    const QByteArray& m_bytes;
    const QString m_hiveName;
    Parsed m_result;
    int m_line = 0;
    bool m_sawHeader = false;
    bool m_inSection = false;
    QStringList m_currentPath;
    ParseTree m_tree;
    ParseTree* m_key = nullptr;
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

}  // namespace

namespace regfile {

RegNode& ensureKey(RegNode& root, const QStringList& parts)
{
    RegNode* node = &root;
    for (const QString& part : parts)
        node = &node->ensureChild(part);
    return *node;
}

Parsed parse(const QByteArray& bytes, Hive hive)
{
    return HiveParser(bytes, hive).run();
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

}  // namespace regfile

}  // namespace qp
