#include "spelling/PersonalWordList.h"

#include <QByteArrayView>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

namespace qp {

namespace {

// A list of words is small; anything bigger is not one, and only its start is read.
constexpr qint64 ReadLimit = 4 * 1024 * 1024;
constexpr int LongestWord = 100;

bool isWord(const QString& word)
{
    if (word.isEmpty() || word.size() > LongestWord)
        return false;
    for (const QChar c : word) {
        if (c.isSpace() || c.category() == QChar::Other_Control || c == QChar::ReplacementCharacter)
            return false;
    }
    return true;
}

}  // namespace

QStringList PersonalWordList::parse(const QByteArray& bytes, bool* damaged)
{
    QStringList words;
    QSet<QString> seen;
    bool passedOver = false;
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        // A decoder keeps a sequence cut short at the end for the next piece
        // and reports no error: the line's bytes are checked whole instead.
        const bool utf8 = QByteArrayView(line).isValidUtf8();
        const QString word = QString::fromUtf8(line).trimmed();
        if (!utf8 || !isWord(word)) {
            passedOver = true;
            continue;
        }
        if (!seen.contains(word)) {
            seen.insert(word);
            words.append(word);
        }
    }
    if (damaged)
        *damaged = passedOver;
    return words;
}

QStringList PersonalWordList::read(bool* damaged)
{
    *damaged = false;
    QFile file(m_path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = file.read(ReadLimit);
    if (!file.atEnd()) {
        // Cut at the last whole line; the rest is not read.
        bytes.truncate(bytes.lastIndexOf('\n') + 1);
        *damaged = true;
    }
    bool passedOver = false;
    QStringList words = parse(bytes, &passedOver);
    *damaged = *damaged || passedOver;
    return words;
}

QStringList PersonalWordList::load()
{
    bool damaged = false;
    return read(&damaged);
}

bool PersonalWordList::add(const QString& word)
{
    m_error.clear();
    if (!isWord(word)) {
        m_error = QStringLiteral("\"%1\" cannot be added to the word list.").arg(word);
        return false;
    }
    bool damaged = false;
    QStringList words = read(&damaged);
    if (words.contains(word))
        return true;
    if (damaged) {
        const QString keep = m_path + QStringLiteral(".damaged");
        QFile::remove(keep);
        if (!QFile::copy(m_path, keep)) {
            m_error = QStringLiteral("The word list \"%1\" could not be kept aside before it is written.").arg(m_path);
            return false;
        }
    }
    words.append(word);
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        m_error = QStringLiteral("The word list \"%1\" cannot be written: %2").arg(m_path, file.errorString());
        return false;
    }
    file.write(words.join(QLatin1Char('\n')).toUtf8() + '\n');
    if (!file.commit()) {
        m_error = QStringLiteral("The word list \"%1\" cannot be written: %2").arg(m_path, file.errorString());
        return false;
    }
    return true;
}

}  // namespace qp
