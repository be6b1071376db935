#pragma once

#include "spelling/PersonalWordList.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

#include <memory>

class QMenu;

namespace qp {

class Registry;
class RichEdit;
class SpellChecker;
class SpellingMarks;

// Spell checking as the writer types, for one window's editor: the
// dictionary, the writer's word list, the marks in the text, the stored
// switch and language, and the spelling items of the editor's pop-up menu.
class EditorSpelling final : public QObject {
    Q_OBJECT

public:
    // The dictionary of the stored language (or the user's locale) in
    // `dictionaryFolder`; the word list in `settingsFolder`.
    EditorSpelling(RichEdit& editor, Registry& registry, const QString& dictionaryFolder,
                   const QString& settingsFolder, QObject* parent = nullptr);
    // With a checker of the caller's (tests).
    EditorSpelling(RichEdit& editor, Registry& registry, std::unique_ptr<SpellChecker> checker,
                   const QString& settingsFolder, QObject* parent = nullptr);
    ~EditorSpelling() override;

    // Whether a dictionary was found; if not, why not, in words for the user.
    bool isAvailable() const { return m_checker != nullptr; }
    QString unavailableReason() const { return m_reason; }
    QString language() const { return m_language; }

    bool isEnabled() const;
    // Reads the stored switch (on when absent) and applies it.
    void restore();
    // Switches checking on or off and stores it.
    void toggle();

    // Puts the spelling items for the misspelt word at `documentPosition` at
    // the top of `menu` (suggestions, then "Add to Dictionary" and "Ignore
    // All", each group closed by a separator), in place of those of the last call; with no
    // misspelt word there, the menu keeps only its own items. The first
    // suggestion, when there is one, is made the menu's active item.
    void prepareMenu(QMenu& menu, int documentPosition);

    SpellingMarks& marks() { return *m_marks; }
    PersonalWordList& wordList() { return m_wordList; }

Q_SIGNALS:
    // The word list could not be written.
    void failed(const QString& message);

private:
    void replaceWord(int start, int length, const QString& word);
    void addToDictionary(const QString& word);
    void ignoreAll(const QString& word);
    // Takes in the words another window added to the list.
    void reloadWordList();
    void watchWordList();

    RichEdit& m_editor;
    Registry& m_registry;
    std::unique_ptr<SpellChecker> m_checker;
    std::unique_ptr<SpellingMarks> m_marks;
    PersonalWordList m_wordList;
    QString m_language;
    QString m_reason;
    QSet<QString> m_listed;
    QFileSystemWatcher m_watcher;
};

}  // namespace qp
