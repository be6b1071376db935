#pragma once

#include "editor/DocumentSnapshot.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QThread>
#include <QTimer>

#include <functional>
#include <memory>

namespace qp {

// A copy of an unsaved document left by a program that did not close cleanly.
struct RecoveryCopy {
    QString id;            // the session that wrote it
    QString copyPath;      // the document: RTF, or text in its own encoding
    QString originalName;  // the document's file, empty for an unnamed one
    bool rich = true;
    QDateTime written;
};

// Keeps a copy of the unsaved document in the recovery folder, so that a
// crash, a kill or a power cut loses at most the last moments of typing.
//
// A change only restarts timers, so typing costs nothing. The document is
// copied at the first pause in typing (a tenth of the delay, at most two
// seconds) or, typing on, once the delay has passed since the first change
// not yet copied. The copy is taken on the GUI thread in one short pass that
// copies no text (the content of a rich document, the text of a plain one),
// so it holds one state of the document, and is built, encoded and written
// by a thread of its own, atomically, beside a small description (original
// name, kind, time). The copies of a running program are guarded by a lock on a file of
// its own, which the system releases however the program ends; copies whose
// lock is free are what a later start offers.
class RecoveryKeeper : public QObject {
    Q_OBJECT
public:
    // What the keeper asks of the document when a copy is due.
    struct Source {
        std::function<bool()> unsaved;
        std::function<DocumentSnapshot()> snapshot;
        std::function<QString()> fileName;
    };

    RecoveryKeeper(QString folder, int delayMs, Source source, QObject* parent = nullptr);
    ~RecoveryKeeper() override;

    // The longest time from a change to its copy: $QUILLPRESS_RECOVERY_DELAY_MS, else 20 s.
    static int delayFromEnvironment();

    void setEnabled(bool on);
    bool isEnabled() const { return m_enabled; }

    // The document has unsaved changes: a copy follows within the delay.
    void documentChanged();
    // The document has no unsaved changes any more (saved, discarded, new):
    // its copy goes.
    void documentClean();
    // Copies the document now and waits until it is on disk (termination signals).
    void writeNow();
    // Waits until every copy and removal handed to the writer is done.
    void flush();
    // The clean end: the copy and the lock go.
    void finish();

    // Takes over a copy left behind as this program's own, so that it stays
    // on disk until the recovered document is saved or closed cleanly.
    void adopt(const RecoveryCopy& copy);

    // The document's file, for other programs to see (empty: none). Taken
    // with the program's lock, so that it vanishes from their view however
    // this program ends.
    void setOpenFile(const QString& fileName);
    // Whether another running program has this file open.
    bool openElsewhere(const QString& fileName) const;

    // Copies in `folder` whose programs no longer run, newest first.
    static QList<RecoveryCopy> leftBehind(const QString& folder);
    // Deletes a copy left behind and its description.
    static void discard(const RecoveryCopy& copy);

Q_SIGNALS:
    // A copy is on disk (for tests and the status of the writer).
    void copyWritten(const QString& path);

private:
    void takeSnapshot();
    void onPause();
    bool lockSession();
    QString basePath() const;

    QString m_folder;
    QString m_id;
    Source m_source;
    bool m_enabled = true;
    bool m_dirty = false;
    int m_lockFd = -1;
    QTimer m_timer;  // the delay since the first change not yet copied
    QTimer m_pause;  // a pause in typing
    int m_pauseMs = 0;
    QElapsedTimer m_sinceChange;
    QThread m_thread;
    QObject* m_writer = nullptr;  // lives in m_thread

    // The newest snapshot not yet written, shared with the writer's thread.
    struct PendingCopy {
        quint64 number;
        DocumentSnapshot snapshot;
        QString base;
        QString name;
    };
    quint64 m_taken = 0;
    QMutex m_pendingLock;
    std::shared_ptr<const PendingCopy> m_pending;
};

}  // namespace qp
