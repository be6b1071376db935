#pragma once

#include <QString>
#include <QStringList>

namespace qp {

// The writer's own words, one a line in a UTF-8 file of the settings folder,
// shared by every window of the program.
class PersonalWordList {
public:
    explicit PersonalWordList(QString path) : m_path(std::move(path)) {}

    QString path() const { return m_path; }
    // Reads the file: lines that are not words (binary data, overlong lines,
    // control characters) are passed over, and so is what lies past the
    // first few megabytes. An absent file is an empty list.
    QStringList load();
    // Adds the word to the file as it now stands (another window may have
    // added words since), written whole through a temporary file. A file
    // that held more than words is first kept beside it, as ".damaged".
    // False, with the file untouched, when it cannot be written.
    bool add(const QString& word);
    QString errorString() const { return m_error; }

    // The words of the file's bytes; `damaged` tells whether anything was passed over.
    static QStringList parse(const QByteArray& bytes, bool* damaged = nullptr);

private:
    QStringList read(bool* damaged);

    QString m_path;
    QString m_error;
};

}  // namespace qp
