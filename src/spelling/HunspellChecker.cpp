#include "spelling/SpellChecker.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>

#include <hunspell.hxx>

#include <algorithm>
#include <vector>

namespace qp {

namespace {

// Edits between two words, a swap of neighbours counting as one edit (the
// typist's commonest slip).
int editDistance(const QString& a, const QString& b)
{
    const qsizetype n = a.size(), m = b.size();
    std::vector<std::vector<int>> d(std::size_t(n + 1), std::vector<int>(std::size_t(m + 1)));
    for (qsizetype i = 0; i <= n; ++i)
        d[std::size_t(i)][0] = int(i);
    for (qsizetype j = 0; j <= m; ++j)
        d[0][std::size_t(j)] = int(j);
    for (qsizetype i = 1; i <= n; ++i) {
        for (qsizetype j = 1; j <= m; ++j) {
            const auto I = std::size_t(i), J = std::size_t(j);
            const int cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[I][J] = std::min({d[I - 1][J] + 1, d[I][J - 1] + 1, d[I - 1][J - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[I][J] = std::min(d[I][J], d[I - 2][J - 2] + 1);
        }
    }
    return d[std::size_t(n)][std::size_t(m)];
}

// Hunspell's own order puts a dropped letter as high as swapped ones ("Teh"
// gives "Te" before "The"); the fewest edits come first, and among those
// the same letters in another order, Hunspell's order kept otherwise.
void rankSuggestions(const QString& word, QStringList& suggestions)
{
    auto letters = [](const QString& s) {
        QString sorted = s.toLower();
        std::sort(sorted.begin(), sorted.end());
        return sorted;
    };
    const QString lower = word.toLower();
    const QString wordLetters = letters(word);
    auto key = [&](const QString& s) {
        return std::pair(editDistance(lower, s.toLower()), letters(s) == wordLetters ? 0 : 1);
    };
    std::stable_sort(suggestions.begin(), suggestions.end(),
                     [&](const QString& x, const QString& y) { return key(x) < key(y); });
}

// Hunspell takes words in the dictionary's own encoding (most are UTF-8).
class HunspellChecker final : public SpellChecker {
public:
    HunspellChecker(const QString& aff, const QString& dic)
        : m_hunspell(QFile::encodeName(aff).constData(), QFile::encodeName(dic).constData())
    {
        const QByteArray encoding = QByteArray::fromStdString(m_hunspell.get_dict_encoding());
        m_encoder = QStringEncoder(encoding.isEmpty() ? "UTF-8" : encoding.constData());
        m_decoder = QStringDecoder(encoding.isEmpty() ? "UTF-8" : encoding.constData());
        if (!m_encoder.isValid() || !m_decoder.isValid()) {
            m_encoder = QStringEncoder(QStringEncoder::Latin1);
            m_decoder = QStringDecoder(QStringDecoder::Latin1);
        }
    }

    bool check(const QString& word) const override
    {
        if (m_ignored.contains(word))
            return true;
        return m_hunspell.spell(encode(word));
    }

    QStringList suggest(const QString& word) const override
    {
        QStringList list;
        for (const std::string& s : m_hunspell.suggest(encode(word)))
            list.append(m_decoder.decode(QByteArrayView(s.data(), qsizetype(s.size()))));
        rankSuggestions(word, list);
        return list;
    }

    void add(const QString& word) override { m_hunspell.add(encode(word)); }
    void ignore(const QString& word) override { m_ignored.insert(word); }

private:
    std::string encode(const QString& word) const
    {
        // The curly apostrophe is what writers type; the dictionaries know the straight one.
        QString w = word;
        w.replace(QChar(0x2019), QLatin1Char('\''));
        const QByteArray bytes = m_encoder.encode(w);
        return bytes.toStdString();
    }

    // Hunspell's lookups are logically const but not declared so.
    mutable Hunspell m_hunspell;
    mutable QStringEncoder m_encoder;
    mutable QStringDecoder m_decoder;
    QSet<QString> m_ignored;
};

}  // namespace

QStringList installedLanguages(const QString& folder)
{
    QStringList languages;
    const QDir dir(folder);
    for (const QFileInfo& aff : dir.entryInfoList({QStringLiteral("*.aff")}, QDir::Files | QDir::Readable, QDir::Name)) {
        if (QFileInfo(dir.filePath(aff.completeBaseName() + QStringLiteral(".dic"))).isFile())
            languages.append(aff.completeBaseName());
    }
    return languages;
}

QString chooseLanguage(const QString& folder, const QString& stored, const QString& localeName)
{
    const QStringList installed = installedLanguages(folder);
    for (const QString& candidate : {stored, localeName, QStringLiteral("en_US")}) {
        if (!candidate.isEmpty() && installed.contains(candidate))
            return candidate;
    }
    return installed.value(0);
}

std::unique_ptr<SpellChecker> createHunspellChecker(const QString& folder, const QString& language)
{
    const QDir dir(folder);
    const QString aff = dir.filePath(language + QStringLiteral(".aff"));
    const QString dic = dir.filePath(language + QStringLiteral(".dic"));
    if (language.isEmpty() || !QFileInfo(aff).isFile() || !QFileInfo(dic).isFile())
        return nullptr;
    return std::make_unique<HunspellChecker>(aff, dic);
}

}  // namespace qp
