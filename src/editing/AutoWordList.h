#pragma once

#include <QComboBox>
#include <QFutureWatcher>
#include <QStringList>

#include <functional>

class QStringListModel;

namespace qp {

class Registry;
class RichEdit;

// The entries of an auto-word file: one a line (CR LF, CR or LF), empty lines
// kept, no entry after a final line break; a zero byte ends the text. UTF-8,
// or Windows-1252 when the bytes are not UTF-8.
QStringList autoWordEntries(const QByteArray& bytes);

// The entries in the list's alphabetic order: without regard to case, equal
// ones in the file's order.
void sortAutoWordEntries(QStringList& entries);

// What an entry puts into the text: an entry that begins with a period gives
// its characters from the sixth on, at most 1000; any other entry is whole.
QString autoWordText(const QString& entry);

// What the auto words need of the main window.
class AutoWordsHost {
public:
    virtual ~AutoWordsHost() = default;
    virtual RichEdit& editor() = 0;
    virtual Registry& registry() = 0;
    // The auto-word file to read: the user's, else the one the program ships; empty when there is none.
    virtual QString autoWordFile() = 0;
    // Where the Edit Auto Words dialog writes: always the user's folder.
    virtual QString userAutoWordFile() = 0;
    // Action_Insert_AutoWords; once enabled it stays so.
    virtual void enableAutoWord() = 0;
    // The check mark of Alphabetic Sort.
    virtual bool alphabetic() = 0;
    virtual void setAlphabetic(bool on) = 0;
    virtual bool guarded(const std::function<void()>& work) = 0;
    // The main window active and the editor focused.
    virtual void focusEditor() = 0;
};

// The auto-word list (ComboBox1): a drop-down list at the caret, hidden
// except while it is used. Its keys and mouse choose an entry; the caller
// inserts it.
class AutoWordList : public QComboBox {
    Q_OBJECT
public:
    AutoWordList(AutoWordsHost& host, QWidget* parent);
    ~AutoWordList() override;

    // Replaces the entries, sorted when alphabetic, and selects the first.
    void setEntries(QStringList entries, bool alphabetic);
    // The same from an auto-word file, read and sorted off the GUI thread: a
    // long file does not hold up the window. The entries arrive whole when
    // ready, or at once when the list is needed before (entries(), showAt());
    // a later load or setEntries replaces a load still under way; the list
    // while it shows takes them at once. A file that cannot be read by then
    // leaves the entries as they were.
    void loadEntries(const QString& path, bool alphabetic);
    // A load still under way: wait for it and take its entries.
    void finishLoading();
    bool loading() const { return m_loading; }
    QStringList entries();
    // Opens at this point of the parent, with the drop-down part open and the focus.
    void showAt(QPoint position);
    // Hides the list; the editor gets the focus back.
    void dismiss();
    // Enter, a click or a double click: the selected entry into the text.
    void choose();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void completeTyped(const QString& typed);
    void takeLoaded();
    // The entries as given, the first selected.
    void replaceEntries(QStringList entries);
    void cancelLoading();

    AutoWordsHost& m_host;
    // Typed text that begins no entry selects nothing.
    bool m_nothingSelected = false;
    bool m_replaceOnType = false;
    // The mouse is on an entry of the drop-down: what it activates is chosen.
    bool m_entryClicked = false;
    QStringListModel* m_model;
    QFutureWatcher<QStringList> m_loader;
    // A load under way whose entries are not yet in the list.
    bool m_loading = false;
};

// Loads the list from the auto-word file: enables Auto Word and replaces the
// entries (off the GUI thread, see loadEntries). Without the file nothing
// changes; a file that cannot be opened ends with "Cannot open file <path>".
void loadAutoWords(AutoWordsHost& host, AutoWordList& list);
// The start-up step: the stored sort order, then the list, when Miscellaneous exists.
void restoreAutoWords(AutoWordsHost& host, AutoWordList& list);
// Action_Insert_ChangeSortOrder.
void toggleAutoWordSort(AutoWordsHost& host, AutoWordList& list);
// Sets the order (as the toggle arrives at it), reloads and stores the order.
void applyAutoWordSort(AutoWordsHost& host, AutoWordList& list, bool alphabetic);
// Action_Insert_AutoWords: the list at the caret.
void showAutoWordList(AutoWordsHost& host, AutoWordList& list);

}  // namespace qp
