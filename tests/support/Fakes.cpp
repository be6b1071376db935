#include "support/Fakes.h"

#include <QPrinter>

#include <gtest/gtest.h>

namespace qp::test {

Answer FakeMessageService::next(Answer fallback)
{
    if (m_answers.empty()) {
        ADD_FAILURE() << "unscripted question: " << m_boxes.last().text.toStdString();
        return fallback;
    }
    const Answer answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

void FakeMessageService::information(const QString& text)
{
    m_boxes.append({Kind::Information, QStringLiteral("Information"), text});
}

Answer FakeMessageService::confirm(const QString& text, Buttons buttons)
{
    m_boxes.append({Kind::Confirm, QStringLiteral("Confirm"), text, buttons});
    return next(buttons == Buttons::YesNoCancel ? Answer::Cancel : Answer::No);
}

Answer FakeMessageService::retryNo(const QString& title, const QString& text)
{
    m_boxes.append({Kind::RetryNo, title, text});
    return next(Answer::No);
}

void FakeMessageService::error(const QString& text)
{
    m_boxes.append({Kind::Error, QStringLiteral("Error"), text});
}

void FakeMessageService::plain(const QString& text)
{
    m_boxes.append({Kind::Plain, applicationTitle(), text});
}

QStringList FakeMessageService::texts() const
{
    QStringList result;
    for (const Box& box : m_boxes)
        result << box.text;
    return result;
}

QStringList FakeMessageService::errors() const
{
    QStringList result;
    for (const Box& box : m_boxes) {
        if (box.kind == Kind::Error)
            result << box.text;
    }
    return result;
}

FileDialogResult FakeFileDialogService::open(const FileDialogRequest& request)
{
    return next(request);
}

FileDialogResult FakeFileDialogService::save(const FileDialogRequest& request)
{
    return next(request);
}

void FakeFileDialogService::choose(const QString& fileName, int filterIndex)
{
    m_results.push_back({true, fileName, filterIndex});
}

void FakeFileDialogService::cancelNext()
{
    m_results.push_back({false, {}, 0});
}

FileDialogResult FakeFileDialogService::next(const FileDialogRequest& request)
{
    m_requests.append(request);
    if (m_results.empty())
        return {};
    FileDialogResult result = m_results.front();
    m_results.pop_front();
    // A scripted result without a type entry keeps the one the dialog preselected.
    if (result.accepted && result.filterIndex == 0)
        result.filterIndex = request.filterIndex;
    return result;
}

PrintChoice FakePrintDialogService::choosePrinter(QPrinter& printer, const PrintSetup& setup, PrintRange& range,
                                                  PageSpan& pages)
{
    ++shown;
    lastSelectionAvailable = setup.selectionAvailable;
    lastSetup = setup;
    if (m_script.empty())
        return PrintChoice::Cancel;
    const Script script = m_script.front();
    m_script.pop_front();
    if (script.choice == PrintChoice::Cancel)
        return PrintChoice::Cancel;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(script.pdfPath);
    if (script.pageSize.isValid())
        printer.setPageSize(script.pageSize);
    if (m_resolution > 0)
        printer.setResolution(m_resolution);
    range = script.range;
    pages = script.pages;
    return script.choice;
}

void FakePrintDialogService::preview(QPrinter& printer, const std::function<void(QPrinter&)>& paint)
{
    ++previews;
    paint(printer);
}

bool FakePrintDialogService::useDefaultPrinter(QPrinter& printer)
{
    if (defaultPrinterPdf.isEmpty())
        return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(defaultPrinterPdf);
    return true;
}

namespace {

class FakePrintProgress final : public PrintProgress {
public:
    explicit FakePrintProgress(FakePrintDialogService& service) : m_service(service) {}
    bool advance(int page, int pageCount) override
    {
        m_service.progressShown.append({page, pageCount});
        if (m_service.onProgress)
            m_service.onProgress(page);
        return page != m_service.cancelAtPage;
    }
    bool counted(int pages) override
    {
        m_service.countsShown.append(pages);
        return pages != m_service.cancelAtCount;
    }

private:
    FakePrintDialogService& m_service;
};

}  // namespace

std::unique_ptr<PrintProgress> FakePrintDialogService::showProgress()
{
    return std::make_unique<FakePrintProgress>(*this);
}

void FakePrintDialogService::acceptTo(const QString& pdfPath, PrintRange range, const QPageSize& pageSize)
{
    m_script.push_back({PrintChoice::Print, pdfPath, range, pageSize, {}});
}

void FakePrintDialogService::acceptPagesTo(const QString& pdfPath, int from, int to)
{
    m_script.push_back({PrintChoice::Print, pdfPath, PrintRange::Pages, {}, {from, to}});
}

void FakePrintDialogService::previewTo(const QString& pdfPath, PrintRange range)
{
    m_script.push_back({PrintChoice::Preview, pdfPath, range, {}, {}});
}

void FakePrintDialogService::cancelNext()
{
    m_script.push_back({PrintChoice::Cancel, {}, PrintRange::All, {}, {}});
}

bool FakeShellService::open(const QString& path, const QString& parameters)
{
    calls.append({QStringLiteral("open"), path, parameters});
    return true;
}

bool FakeShellService::runWith(const QString& program, const QString& document)
{
    calls.append({QStringLiteral("run with"), program, document});
    return true;
}

bool FakeShellService::startProgramCopy()
{
    calls.append({QStringLiteral("copy"), {}, {}});
    return true;
}

void FakeShellService::addRecentDocument(const QString& path)
{
    recentDocuments.append(path);
}

void FakeShellService::setDefaultHandler(const QString& mimeType, bool on)
{
    calls.append({on ? QStringLiteral("default handler") : QStringLiteral("restore handler"), mimeType, {}});
    defaults.removeAll(mimeType);
    if (on)
        defaults << mimeType;
}

void FakeShellService::setSendToEntry(bool on)
{
    calls.append({QStringLiteral("send to"), {}, on ? QStringLiteral("on") : QStringLiteral("off")});
}

void FakeShellService::removeDesktopIntegration()
{
    calls.append({QStringLiteral("remove integration"), {}, {}});
}

void FakeShellService::notifyAssociationsChanged()
{
    calls.append({QStringLiteral("associations"), {}, {}});
}

}  // namespace qp::test
