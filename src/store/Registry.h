#pragma once

#include "platform/Errors.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace qp {

enum class Hive { CurrentUser, ClassesRoot };

// "Software\\Tavlen\\Quillpress 2.0", the key every setting lives under.
QString settingsRoot();

// "HKEY_CURRENT_USER" or "HKEY_CLASSES_ROOT": the section prefix in the hive file.
QString hiveName(Hive hive);

// A write to the store that failed: the message is the store's own ("Failed
// to set data for '%s'"); the file and the system's reason say what went wrong
// where. The error box shows them after the message; closing, which must not
// stop at the error, words them its own way.
class StoreWriteError : public AppError {
public:
    StoreWriteError(QString message, QString path, QString reason)
        : AppError(std::move(message)), m_path(std::move(path)), m_reason(std::move(reason))
    {
    }
    const QString& path() const { return m_path; }
    const QString& reason() const { return m_reason; }
    // "The settings could not be written to "<file>": <reason>."
    QString details() const override;

private:
    QString m_path;
    QString m_reason;
};

struct RegNode;   // a key of a parsed hive file, private to the store
struct RegValue;  // a value of such a key

// The per-user registry: one text file per hive in registry-export format,
// HKEY_CURRENT_USER.reg and HKEY_CLASSES_ROOT.reg in one folder. Keys are
// addressed by their full path from the hive with "\\" between the names;
// key and value names compare without regard to case and keep their case.
//
// Nothing is held between operations except a parse of the file's last seen
// bytes: every operation reads the file again, so it sees what the last write
// left, whoever wrote it. Every write locks the folder (flock on the folder
// itself, so no lock file is left behind), reads the hive again under the lock,
// and replaces it atomically, so two running programs never lose each other's
// writes or leave a half-written file.
//
// A file that cannot be parsed makes every read throw an AppError naming the
// file and the line. A write never overwrites it: it keeps the damaged file
// aside under a new name, starts a fresh one, and tells the kept-aside handler.
// A file that cannot be read makes reads and writes throw, and nothing is
// overwritten.
class Registry {
public:
    explicit Registry(QString folder);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    QString folder() const;
    QString hivePath(Hive hive) const;

    // The empty path is the hive itself, which always exists.
    bool keyExists(Hive hive, const QString& key) const;
    // Creates the key and its missing ancestors; throws AppError("Failed to create key %s").
    void createKey(Hive hive, const QString& key);
    // Deletes the key with all its subkeys and values; an absent key is no error.
    void deleteKey(Hive hive, const QString& key);
    // Copies the source with its values and subkeys to the destination, then
    // deletes the source. Does nothing if the source is absent, the destination
    // exists, or one lies inside the other (the copy would be deleted with the source).
    void moveKey(Hive hive, const QString& source, const QString& destination);
    // Names in the file's order (subkeys sorted without regard to case, values as written);
    // empty for an absent key. The unnamed value is listed as "".
    QStringList subkeyNames(Hive hive, const QString& key) const;
    QStringList valueNames(Hive hive, const QString& key) const;

    // What is wrong with the hive file (damaged or unreadable), or nullopt when
    // it is fine or absent. Never throws.
    std::optional<QString> checkHive(Hive hive) const;
    // Moves a damaged or unreadable hive file aside (HKEY_CURRENT_USER.reg.damaged-YYYYMMDD-HHMMSS,
    // made unique) so that the program goes on with fresh settings. Returns the
    // new path, or an empty string when the file was fine or absent; throws
    // AppError when the file cannot be renamed.
    QString keepAside(Hive hive);

    // Told after a write has found a hive file damaged and kept it aside: what
    // was wrong with it (file and line) and the name it was kept under. It runs
    // once the write is done and the lock released.
    using KeptAsideHandler = std::function<void(const QString& damage, const QString& keptAs)>;
    void setKeptAsideHandler(KeptAsideHandler handler) { m_keptAside = std::move(handler); }

    // Told when a reader goes on with built-in values for values that the
    // file lacks (the file, the key's full path, the names missed in one
    // reading, and what the user can do to store them again). Without a
    // handler nobody is told.
    using MissingValuesHandler = std::function<void(const QString& file, const QString& key,
                                                    const QStringList& names, const QString& remedy)>;
    void setMissingValuesHandler(MissingValuesHandler handler) { m_missingValues = std::move(handler); }

private:
    friend class RegKey;
    struct Store;

    // The current parse of the hive, valid until the next operation; throws
    // AppError when the file is damaged or unreadable.
    const RegNode& load(Hive hive) const;
    // The read-modify-replace cycle under the hive's lock. `failure` is the
    // message of an error in storing the change.
    void modify(Hive hive, const std::function<void(RegNode& root)>& change, const QString& failure);
    // The cycle itself; fills `damage` and `keptAs` when it set a damaged file aside.
    void modifyLocked(Hive hive, const std::function<void(RegNode& root)>& change, const QString& failure,
                      QString& damage, QString& keptAs);

    QString m_folder;
    KeptAsideHandler m_keptAside;
    MissingValuesHandler m_missingValues;
    std::unique_ptr<Store> m_store;
};

// One open key: "open, use, close". Every call reads the hive file again.
// The empty value name is the unnamed (default) value, "@" in the file.
class RegKey {
public:
    // nullopt when the key is absent; never creates anything.
    static std::optional<RegKey> openRead(Registry& registry, Hive hive, const QString& key);
    // Creates the key and its missing ancestors. A failure shows only at the first write.
    static RegKey openWrite(Registry& registry, Hive hive, const QString& key);
    // Keys under the settings root in HKEY_CURRENT_USER: "Settings" means settingsRoot() + "\\Settings".
    static std::optional<RegKey> openSettingsRead(Registry& registry, const QString& subkey);
    static RegKey openSettingsWrite(Registry& registry, const QString& subkey);

    Hive hive() const { return m_hive; }
    QString path() const { return m_path; }

    // True whatever the value's type.
    bool valueExists(const QString& name) const;
    // Absent: "Failed to get data for '%s'"; not an integer: "Invalid data type for '%s'",
    // or "Failed to get data for '%s'" when its data is longer than the four bytes of an integer.
    int readInteger(const QString& name) const;
    // Absent: the default; present: as the required read (a wrong type still fails).
    int readInteger(const QString& name, int defaultValue) const;
    // On only when the value is 1; absent gives the default; a wrong type fails.
    bool readFlag(const QString& name, bool defaultValue) const;
    // For values the program needs and has a built-in value for, so that a
    // value missing from a hand-edited or older file never stops the reader:
    // absent, the built-in value, with the name added to `missing`; present,
    // as the required read (a wrong type still fails).
    int readInteger(const QString& name, int builtIn, QStringList& missing) const;
    bool readFlag(const QString& name, bool builtIn, QStringList& missing) const;
    // Hands the names a reading missed to the registry's missing-values
    // handler; nothing when `missing` is empty.
    void tellMissing(const QStringList& missing, const QString& remedy) const;
    // Absent: ""; not a string: "Invalid data type for '%s'".
    QString readString(const QString& name) const;

    // Failures: "Failed to set data for '%s'".
    void writeInteger(const QString& name, int value);
    void writeString(const QString& name, const QString& value);
    void writeFlag(const QString& name, bool on);  // 1 or 0
    // Several string values in one write of the file.
    void writeStrings(const QList<std::pair<QString, QString>>& namesAndValues);
    // Several integer values in one write of the file: each write replaces
    // the file, and on a journaling file system a replace waits for the disk.
    void writeIntegers(const QList<std::pair<QString, int>>& namesAndValues);
    // An absent value is no error.
    void deleteValue(const QString& name);

    QStringList valueNames() const;
    QStringList subkeyNames() const;

private:
    // The value as the file holds it now, or nullptr when it or the key is absent.
    const RegValue* find(const QString& name) const;
    // Writes the values in one rewrite of the file; a failure names the first.
    void store(const std::vector<RegValue>& values);

    RegKey(Registry& registry, Hive hive, QString path) : m_registry(&registry), m_hive(hive), m_path(std::move(path)) {}

    Registry* m_registry;
    Hive m_hive;
    QString m_path;
};

}  // namespace qp
