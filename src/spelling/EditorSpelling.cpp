#include "spelling/EditorSpelling.h"

#include "editor/EditBlock.h"
#include "editor/RichEdit.h"
#include "spelling/SpellChecker.h"
#include "spelling/SpellingMarks.h"
#include "store/Registry.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QLocale>
#include <QMenu>
#include <QTextCursor>
#include <QTextDocument>

namespace qp {

namespace {

const QString SpellingKey = QStringLiteral("Spelling");
const QString EnabledValue = QStringLiteral("SpellCheck_Enabled");
const QString LanguageValue = QStringLiteral("SpellCheck_Language");
const char* const SpellingItem = "qp_spellingItem";
constexpr int MaxSuggestions = 5;

QString storedLanguage(Registry& registry)
{
    try {
        if (const std::optional<RegKey> key = RegKey::openSettingsRead(registry, SpellingKey))
            return key->readString(LanguageValue);
    } catch (...) {
        // A damaged value is no reason to go without a dictionary: the locale's is taken.
    }
    return {};
}

QString wordListPath(const QString& settingsFolder)
{
    return QDir(settingsFolder).filePath(QStringLiteral("PersonalWords.txt"));
}

}  // namespace

EditorSpelling::EditorSpelling(RichEdit& editor, Registry& registry, const QString& dictionaryFolder,
                               const QString& settingsFolder, QObject* parent)
    : QObject(parent), m_editor(editor), m_registry(registry), m_wordList(wordListPath(settingsFolder))
{
    m_language = chooseLanguage(dictionaryFolder, storedLanguage(registry), QLocale::system().name());
    std::unique_ptr<SpellChecker> checker = createHunspellChecker(dictionaryFolder, m_language);
    if (!checker) {
        m_reason = QStringLiteral("No spelling dictionary is installed (looked in %1).")
                       .arg(QDir::toNativeSeparators(dictionaryFolder));
        return;
    }
    m_checker = std::move(checker);
    m_marks = std::make_unique<SpellingMarks>(m_editor, *m_checker);
    watchWordList();
}

EditorSpelling::EditorSpelling(RichEdit& editor, Registry& registry, std::unique_ptr<SpellChecker> checker,
                               const QString& settingsFolder, QObject* parent)
    : QObject(parent), m_editor(editor), m_registry(registry), m_checker(std::move(checker)),
      m_wordList(wordListPath(settingsFolder))
{
    m_marks = std::make_unique<SpellingMarks>(m_editor, *m_checker);
    watchWordList();
}

EditorSpelling::~EditorSpelling() = default;

void EditorSpelling::watchWordList()
{
    reloadWordList();
    // The folder tells of a list made by another window; the file of one
    // written again (a new file each time: it is replaced, never changed in place).
    const QString folder = QFileInfo(m_wordList.path()).absolutePath();
    if (QFileInfo(folder).isDir())
        m_watcher.addPath(folder);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &EditorSpelling::reloadWordList);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &EditorSpelling::reloadWordList);
}

void EditorSpelling::reloadWordList()
{
    bool added = false;
    for (const QString& word : m_wordList.load()) {
        if (!m_listed.contains(word)) {
            m_listed.insert(word);
            m_checker->add(word);
            added = true;
        }
    }
    if (QFileInfo::exists(m_wordList.path()) && !m_watcher.files().contains(m_wordList.path()))
        m_watcher.addPath(m_wordList.path());
    if (added && m_marks->isEnabled())
        m_marks->recheck();
}

bool EditorSpelling::isEnabled() const
{
    return m_marks && m_marks->isEnabled();
}

void EditorSpelling::restore()
{
    if (!m_marks)
        return;
    bool on = true;
    try {
        if (const std::optional<RegKey> key = RegKey::openSettingsRead(m_registry, SpellingKey))
            on = key->readFlag(EnabledValue, true);
    } catch (...) {
        // A damaged value must not stop the rest of start-up; checking stays on.
    }
    m_marks->setEnabled(on);
}

void EditorSpelling::toggle()
{
    if (!m_marks)
        return;
    m_marks->setEnabled(!m_marks->isEnabled());
    RegKey::openSettingsWrite(m_registry, SpellingKey).writeFlag(EnabledValue, m_marks->isEnabled());
}

void EditorSpelling::prepareMenu(QMenu& menu, int documentPosition)
{
    for (QAction* action : menu.actions()) {
        if (action->property(SpellingItem).toBool()) {
            menu.removeAction(action);
            action->deleteLater();
        }
    }
    if (!isEnabled())
        return;
    const SpellingMarks::Word word = m_marks->misspeltWordAt(documentPosition);
    if (word.length == 0)
        return;
    QList<QAction*> items;
    auto item = [&](const QString& text) {
        auto* action = new QAction(text, &menu);
        action->setProperty(SpellingItem, true);
        items.append(action);
        return action;
    };
    QStringList suggestions = m_checker->suggest(word.text);
    if (word.text.contains(QChar(0x2019))) {
        for (QString& s : suggestions)
            s.replace(QLatin1Char('\''), QChar(0x2019));
    }
    for (const QString& suggestion : suggestions.mid(0, MaxSuggestions)) {
        QAction* action = item(suggestion);
        QFont bold = action->font();
        bold.setBold(true);
        action->setFont(bold);
        connect(action, &QAction::triggered, this,
                [this, word, suggestion] { replaceWord(word.start, word.length, suggestion); });
    }
    if (!suggestions.isEmpty())
        item(QString())->setSeparator(true);
    connect(item(QStringLiteral("Add to Dictionary")), &QAction::triggered, this,
            [this, word] { addToDictionary(word.text); });
    connect(item(QStringLiteral("Ignore All")), &QAction::triggered, this, [this, word] { ignoreAll(word.text); });
    item(QString())->setSeparator(true);
    QAction* first = menu.actions().value(0);
    menu.insertActions(first, items);
    menu.setActiveAction(items.first());
}

void EditorSpelling::replaceWord(int start, int length, const QString& word)
{
    QTextDocument* doc = m_editor.document();
    if (start < 0 || start + length >= doc->characterCount())
        return;
    QTextCursor cursor(doc);
    {
        EditBlock step(cursor);
        cursor.setPosition(start);
        cursor.setPosition(start + length, QTextCursor::KeepAnchor);
        cursor.insertText(word);
        // Text typed next is a step of its own, not part of the correction.
        doc->appendUndoItem(new UndoBarrier);
    }
    m_editor.setTextCursor(cursor);
}

void EditorSpelling::addToDictionary(const QString& word)
{
    if (!m_wordList.add(word)) {
        Q_EMIT failed(m_wordList.errorString());
        return;
    }
    m_listed.insert(word);
    m_checker->add(word);
    m_marks->recheck();
}

void EditorSpelling::ignoreAll(const QString& word)
{
    m_checker->ignore(word);
    m_marks->recheck();
}

}  // namespace qp
