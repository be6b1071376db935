#pragma once

#include "app/document/Recovery.h"

#include <QDialog>
#include <QList>

#include <functional>

class QLabel;
class QListWidget;
class QPushButton;

namespace qp {

// What the window needs: opening a copy in the main window (false when that
// did not happen), and a Yes/No question.
struct RecoverDocumentsHost {
    std::function<bool(const RecoveryCopy&)> open;
    std::function<bool(const QString& question)> confirm;
};

// "Recover Documents": the copies of unsaved documents that a program which
// did not close cleanly left behind. Each can be opened, kept for a later
// start, or discarded after a question; nothing goes without the user.
class TForm_RecoverDocuments : public QDialog {
    Q_OBJECT
public:
    TForm_RecoverDocuments(RecoverDocumentsHost host, QWidget* parent);

    void showCopies(const QList<RecoveryCopy>& copies);
    const QList<RecoveryCopy>& copies() const { return m_copies; }

private:
    void openSelected();
    void discardSelected();
    void refreshList();
    int selectedRow() const;

    RecoverDocumentsHost m_host;
    QList<RecoveryCopy> m_copies;
    QLabel* m_intro = nullptr;
    QListWidget* m_list = nullptr;
    QPushButton* m_open = nullptr;
    QPushButton* m_keep = nullptr;
    QPushButton* m_discard = nullptr;
};

// How a copy is listed: the document's name and folder (or "Unnamed
// document"), and when the copy was made.
QString recoveryCopyCaption(const RecoveryCopy& copy);

}  // namespace qp
