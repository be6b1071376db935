#pragma once

#include "store/Registry.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The tree a hive file holds and its registry-export text format, private to the store.

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

namespace regfile {

// Key and value names compare without regard to case.
bool sameName(const QString& a, const QString& b);
// The key under `root` at the path `parts`, created with its missing ancestors.
RegNode& ensureKey(RegNode& root, const QStringList& parts);

struct ParseError {
    int line = 0;
    QString reason;
};

struct Parsed {
    RegNode root;
    std::optional<ParseError> error;
};

// Parses a hive file's bytes (UTF-8, an optional byte-order mark); the first
// fault ends the parse and is kept with its line.
Parsed parse(const QByteArray& bytes, Hive hive);
// The hive file's bytes for the tree: keys in order, each with its values.
QByteArray serialize(const RegNode& root, Hive hive);

}  // namespace regfile

}  // namespace qp
