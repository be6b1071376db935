#include "spelling/SpellChecker.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>

#include <hunspell.hxx>

namespace qp {

namespace {

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
