#pragma once

#include "support/QtPrinters.h"

#include "platform/FileDialogService.h"
#include "platform/MessageService.h"
#include "platform/PrintDialogService.h"
#include "platform/ShellService.h"
#include "platform/SystemServices.h"

#include <QList>
#include <QPageSize>
#include <QString>

#include <deque>

namespace qp::test {

// Records every box and answers questions from a script; an unscripted
// question fails the test and answers Cancel (or No), so nothing blocks.
class FakeMessageService : public MessageService {
public:
    enum class Kind { Information, Confirm, RetryNo, Error, Plain };
    struct Box {
        Kind kind;
        QString title;
        QString text;
        Buttons buttons = Buttons::YesNo;
    };

    void information(const QString& text) override;
    Answer confirm(const QString& text, Buttons buttons) override;
    Answer retryNo(const QString& title, const QString& text) override;
    void error(const QString& text) override;
    void plain(const QString& text) override;

    void answer(Answer next) { m_answers.push_back(next); }
    const QList<Box>& boxes() const { return m_boxes; }
    QStringList texts() const;
    QStringList errors() const;
    void clear() { m_boxes.clear(); }
    int pendingAnswers() const { return int(m_answers.size()); }

private:
    Answer next(Answer fallback);

    QList<Box> m_boxes;
    std::deque<Answer> m_answers;
};

// Answers Open and Save from a script; an unscripted dialog is cancelled.
class FakeFileDialogService : public FileDialogService {
public:
    FileDialogResult open(const FileDialogRequest& request) override;
    FileDialogResult save(const FileDialogRequest& request) override;

    void choose(const QString& fileName, int filterIndex = 0);
    void cancelNext();
    const QList<FileDialogRequest>& requests() const { return m_requests; }

private:
    FileDialogResult next(const FileDialogRequest& request);

    QList<FileDialogRequest> m_requests;
    std::deque<FileDialogResult> m_results;
};

// Accepts or cancels from a script; an accepted dialog prints to a PDF file.
class FakePrintDialogService : public PrintDialogService {
public:
    PrintChoice choosePrinter(QPrinter& printer, const PrintSetup& setup, PrintRange& range, PageSpan& pages) override;
    // Paints the preview into the PDF file the dialog chose.
    void preview(QPrinter& printer, const std::function<void(QPrinter&)>& paint) override;
    // Prints to defaultPrinterPdf; none set: no printer at all.
    bool useDefaultPrinter(QPrinter& printer) override;
    // Records the pages shown (never cleared by itself); cancels at cancelAtPage.
    std::unique_ptr<PrintProgress> showProgress() override;

    // A page size other than the printer's default (an invalid size keeps it).
    void acceptTo(const QString& pdfPath, PrintRange range = PrintRange::All, const QPageSize& pageSize = {});
    void acceptPagesTo(const QString& pdfPath, int from, int to);
    // Prints at this resolution (0: the printer's own).
    void setResolution(int dpi) { m_resolution = dpi; }
    void previewTo(const QString& pdfPath, PrintRange range = PrintRange::All);
    void cancelNext();
    int shown = 0;
    int previews = 0;
    bool lastSelectionAvailable = false;
    PrintSetup lastSetup;
    QString defaultPrinterPdf;
    // The progress display: each (page, last page) shown, and the page whose
    // Cancel is pressed (0: never). `onProgress` runs at every page.
    QList<std::pair<int, int>> progressShown;
    int cancelAtPage = 0;
    // The counts shown while counting the pages, and the count whose Cancel is pressed.
    QList<int> countsShown;
    int cancelAtCount = 0;
    std::function<void(int page)> onProgress;

private:
    struct Script {
        PrintChoice choice;
        QString pdfPath;
        PrintRange range;
        QPageSize pageSize;
        PageSpan pages;
    };
    std::deque<Script> m_script;
    int m_resolution = 0;
};

class FakeShellService : public ShellService {
public:
    struct Call {
        QString what;
        QString path;
        QString parameters;
    };
    bool open(const QString& path, const QString& parameters) override;
    // Recorded as "run with", the program as path and the document as parameters.
    bool runWith(const QString& program, const QString& document) override;
    bool startProgramCopy() override;
    void notifyAssociationsChanged() override;
    void addRecentDocument(const QString& path) override;
    void setDefaultHandler(const QString& mimeType, bool on) override;
    // The program is the default for a type from its "on" until an "off", or
    // until a test gives the type to another program.
    bool isDefaultHandler(const QString& mimeType) override { return defaults.contains(mimeType); }
    void setSendToEntry(bool on) override;
    void removeDesktopIntegration() override;
    QList<Call> calls;
    QStringList defaults;
    // Kept apart from the calls: every load and save adds one.
    QStringList recentDocuments;
};

class FakeClock : public Clock {
public:
    QDateTime now() const override { return time; }
    QDateTime time{QDate(2024, 5, 1), QTime(14, 30, 15)};
};

class FakeScreen : public ScreenInfo {
public:
    QRect screenGeometry() const override { return geometry; }
    QList<QRect> screens() const override { return QList<QRect>{geometry} + others; }
    QRect geometry{0, 0, 1920, 1080};
    // Screens beside the primary one.
    QList<QRect> others;
};

}  // namespace qp::test
