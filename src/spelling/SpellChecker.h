#pragma once

#include <QString>
#include <QStringList>

#include <memory>

namespace qp {

// A spelling dictionary for one language. Words come whole, as the writer
// typed them (capitals and apostrophes included).
class SpellChecker {
public:
    virtual ~SpellChecker() = default;
    // True for a known, added or ignored word.
    virtual bool check(const QString& word) const = 0;
    // Likely corrections, the likeliest first.
    virtual QStringList suggest(const QString& word) const = 0;
    // Known from now on (the personal word list; its file is kept elsewhere).
    virtual void add(const QString& word) = 0;
    // Accepted until the program ends.
    virtual void ignore(const QString& word) = 0;
};

// The installed dictionaries of a folder ("en_US", "de_DE", ...), sorted.
QStringList installedLanguages(const QString& folder);

// The language to check in: the stored choice when it is installed, else the
// user's locale, else English (US), else the first installed; empty when
// none is installed.
QString chooseLanguage(const QString& folder, const QString& stored, const QString& localeName);

// A Hunspell dictionary of the folder; nullptr when it cannot be loaded.
std::unique_ptr<SpellChecker> createHunspellChecker(const QString& folder, const QString& language);

}  // namespace qp
