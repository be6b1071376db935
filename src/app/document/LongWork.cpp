#include "app/document/LongWork.h"

#include "platform/Errors.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QProgressDialog>
#include <QTimer>
#include <QWindow>

#include <atomic>
#include <memory>
#include <thread>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace qp {

namespace {

LongWork* s_running = nullptr;

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}

}  // namespace

LongWork::LongWork(QWidget* owner, QString label) : m_owner(owner), m_label(std::move(label)) {}

LongWork::~LongWork()
{
    delete m_box;
}

bool LongWork::busy()
{
    return s_running != nullptr;
}

LongWork::Outcome LongWork::run(const std::function<void(Progress&)>& work)
{
    // One at a time: a second long command, should one get through, ends silently.
    if (s_running)
        cancel();
    std::exception_ptr failure;
    std::atomic<bool> finished{false};
    // A plain thread: it needs no event loop of its own, nor the memory of one.
    auto body = [&] {
        try {
            work(m_progress);
        } catch (...) {
            failure = std::current_exception();
        }
#ifdef __GLIBC__
        // What the work freed stays with this thread's allocator, out of reach
        // of the GUI thread's; handed back, it does not add to the program's size.
        malloc_trim(0);
#endif
        finished = true;
        // Wakes the wait below.
        QMetaObject::invokeMethod(this, [] {}, Qt::QueuedConnection);
    };

    QTimer showTimer;
    showTimer.setSingleShot(true);
    connect(&showTimer, &QTimer::timeout, this, &LongWork::showBox);
    QTimer progressTimer;
    connect(&progressTimer, &QTimer::timeout, this, &LongWork::updateBox);

    s_running = this;
    QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    qApp->installEventFilter(this);
    std::thread worker(body);
    showTimer.start(ShowAfter);
    progressTimer.start(100);
    // Not a QEventLoop: one would return at once once the program has been
    // asked to end, and the window would then wait for the work unpainted.
    // The worker's end comes as a queued call, which wakes the wait.
    while (!finished)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    worker.join();
    qApp->removeEventFilter(this);
    QGuiApplication::restoreOverrideCursor();
    s_running = nullptr;
    if (m_box) {
        m_box->hide();
        m_box->deleteLater();
        m_box = nullptr;
    }
    if (m_closeRequested && m_owner)
        QTimer::singleShot(0, m_owner.data(), [owner = m_owner] {
            if (owner)
                owner->close();
        });
    if (failure && !m_progress.cancelled())
        std::rethrow_exception(failure);
    return m_progress.cancelled() ? Outcome::Cancelled : Outcome::Done;
}

void LongWork::requestCancel()
{
    if (m_progress.m_cancelled.exchange(true))
        return;
    if (m_box)
        m_box->setLabelText(tr("Stopping..."));
    if (m_canceller)
        m_canceller();
}

void LongWork::showBox()
{
    if (m_box || m_progress.cancelled())
        return;
    m_box = new QProgressDialog(m_label, tr("Cancel"), 0, 100, m_owner);
    m_box->setWindowTitle(m_title);
    // Modal by this object's own event filter, not Qt's: Qt's modality would
    // also hold back the window's close button, which here has to stop the work.
    m_box->setWindowModality(Qt::NonModal);
    // Shown and closed here, not by the box's own timing.
    m_box->setAutoClose(false);
    m_box->setAutoReset(false);
    m_box->setMinimumDuration(0);
    m_box->setMinimumWidth(m_box->fontMetrics().horizontalAdvance(m_label) + 80);
    connect(m_box, &QProgressDialog::canceled, this, &LongWork::requestCancel);
    updateBox();
    m_box->show();
    m_box->activateWindow();
}

void LongWork::updateBox()
{
    if (!m_box)
        return;
    const int percent = m_progress.percent();
    if (percent < 0) {
        m_box->setRange(0, 0);  // a busy bar while the work cannot tell
        return;
    }
    m_box->setRange(0, 100);
    m_box->setValue(std::min(percent, 100));
}

bool LongWork::isInBox(QObject* object) const
{
    if (!m_box)
        return false;
    if (auto* window = qobject_cast<QWindow*>(object))
        return window == m_box->windowHandle();
    auto* widget = qobject_cast<QWidget*>(object);
    return widget && widget->window() == m_box;
}

bool LongWork::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::Close && watched == m_owner) {
        // The window stays until the work has stopped; then it closes as asked.
        event->ignore();
        m_closeRequested = true;
        requestCancel();
        return true;
    }
    if (!isUserInput(type))
        return false;
    // Seen as a shortcut's override first: accepted, the key never reaches
    // the window's own commands (Esc would otherwise be Exit).
    if (type == QEvent::ShortcutOverride || type == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        const bool closes = m_closeKeys.contains(pressed);
        if (closes || (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier)) {
            if (type == QEvent::KeyPress) {
                m_closeRequested = m_closeRequested || closes;
                requestCancel();
            }
            event->accept();
            return true;
        }
    }
    return !isInBox(watched);
}

}  // namespace qp
