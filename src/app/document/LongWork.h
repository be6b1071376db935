#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <chrono>
#include <exception>
#include <functional>

class QProgressDialog;
class QWidget;

namespace qp {

// Work that may take seconds (converting a Word file, reading a big file):
// it runs on a worker thread while the window keeps painting. After half a
// second a progress box with Cancel shows over the owner. Cancel, Esc,
// the owner's close box or one of its close keys ask the work to stop; the
// work is then waited for, so nothing is left running, and a close asked for
// meanwhile is carried out once it has ended. Until then the program's
// windows take no input but the box's own: the box is modal, by this
// object's event filter.
class LongWork : public QObject {
    Q_OBJECT
public:
    // Shared between the worker and the GUI thread.
    class Progress {
    public:
        // 0 to 100; below 0 while the work cannot tell.
        void setPercent(int percent) { m_percent.store(percent, std::memory_order_relaxed); }
        int percent() const { return m_percent.load(std::memory_order_relaxed); }
        // Set once the user has asked to stop: work that can look, stops.
        bool cancelled() const { return m_cancelled.load(); }

    private:
        friend class LongWork;
        std::atomic<int> m_percent{-1};
        std::atomic<bool> m_cancelled{false};
    };

    enum class Outcome { Done, Cancelled };

    static constexpr std::chrono::milliseconds ShowAfter{500};

    LongWork(QWidget* owner, QString label);
    ~LongWork() override;
    LongWork(const LongWork&) = delete;
    LongWork& operator=(const LongWork&) = delete;

    // Called on the GUI thread, once, when the user asks to stop; for work
    // that cannot look at Progress::cancelled (a converter's own cancel).
    void setCanceller(std::function<void()> canceller) { m_canceller = std::move(canceller); }
    // The box's title; the program's name unless set.
    void setTitle(QString title) { m_title = std::move(title); }
    // Keys that close the owner (its Exit command's), besides the close box.
    void setCloseKeys(QList<QKeySequence> keys) { m_closeKeys = std::move(keys); }

    // Runs `work` on a worker thread and returns once it has ended: Cancelled
    // when the user asked to stop, whatever the work made of it. What the
    // work throws is thrown here, on the calling thread.
    Outcome run(const std::function<void(Progress&)>& work);

    // Whether some long work is under way: the program then starts nothing else.
    static bool busy();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void requestCancel();
    void showBox();
    void updateBox();
    bool isInBox(QObject* object) const;

    QPointer<QWidget> m_owner;
    QString m_label;
    QString m_title = QStringLiteral("Quillpress");
    std::function<void()> m_canceller;
    QList<QKeySequence> m_closeKeys;
    Progress m_progress;
    QProgressDialog* m_box = nullptr;
    bool m_closeRequested = false;
};

}  // namespace qp
