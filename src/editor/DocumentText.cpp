#include "editor/DocumentText.h"

#include "rtf/RtfTextProperties.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QtGui/private/qtextdocument_p.h>

#include <algorithm>

namespace qp {

QString listLabel(const QTextBlock& block)
{
    return listItemLabel(block);
}

QString plainTextOf(const QTextDocument& doc)
{
    return plainTextOf(doc, 0, doc.characterCount() - 1);
}

namespace {

bool isSeparator(QChar c)
{
    return c == QChar::ParagraphSeparator || c == QChar(0xfdd0) || c == QChar(0xfdd1);
}

bool hasLists(const QList<QTextFormat>& formats)
{
    return std::any_of(formats.begin(), formats.end(), [](const QTextFormat& f) { return f.isListFormat(); });
}

bool hasHiddenText(const QList<QTextFormat>& formats)
{
    return std::any_of(formats.begin(), formats.end(), [](const QTextFormat& f) { return isHiddenText(f); });
}

// A nested list's labels are indented by a tab for each level above it.
QString labelIndent(const QTextBlock& block)
{
    const QTextList* list = block.textList();
    return list ? QString(std::max(0, list->format().indent() - 1), QLatin1Char('\t')) : QString();
}

}  // namespace

void forEachTextRun(const QTextDocument& doc, int from, int to,
                    const std::function<void(int position, QStringView text, int formatIndex)>& visit)
{
    from = std::max(from, 0);
    to = std::min(to, doc.characterCount());
    if (from >= to)
        return;
    const QTextDocumentPrivate* p = QTextDocumentPrivate::get(&doc);
    const QString buffer = p->buffer();
    QTextDocumentPrivate::FragmentIterator it = p->find(from);
    const QTextDocumentPrivate::FragmentIterator end = p->end();
    for (int position = it.position(); it != end && position < to; ++it) {
        const QTextFragmentData* fragment = it.value();
        const int length = int(fragment->size_array[0]);
        const int start = std::max(from, position);
        const int stop = std::min(to, position + length);
        if (start < stop)
            visit(start, QStringView(buffer).mid(fragment->stringPosition + (start - position), stop - start),
                  fragment->format);
        position += length;
    }
}

QString plainTextOf(const QTextDocument& doc, int from, int to)
{
    QString text;
    if (from >= to)
        return text;
    text.reserve(to - from);
    // Without lists or tables the stored text is the plain text but for the
    // separators, and pictures are the only objects.
    const QList<QTextFormat> formats = doc.allFormats();
    if (doc.rootFrame()->childFrames().isEmpty() && !hasLists(formats) && !hasHiddenText(formats)) {
        const int last = doc.characterCount() - 1;
        forEachTextRun(doc, from, to, [&](int position, QStringView run, int formatIndex) {
            if (run.contains(QChar::ObjectReplacementCharacter) && formats.at(formatIndex).isImageFormat())
                return;
            const qsizetype at = text.size();
            text += run;
            for (qsizetype i = at; i < text.size(); ++i) {
                if (isSeparator(text.at(i)))
                    text[i] = QLatin1Char('\n');
            }
            if (position + run.size() > last && text.size() > at)
                text.chop(1);  // the document's closing separator is no paragraph break
        });
        text.replace(QChar::LineSeparator, QLatin1Char('\n'));
        return text;
    }
    for (QTextBlock block = doc.findBlock(from); block.isValid() && block.position() < to; block = block.next()) {
        if (block.position() >= from) {
            const QString label = listLabel(block);
            if (!label.isEmpty())
                text += labelIndent(block) + label + QLatin1Char('\t');
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || fragment.charFormat().isImageFormat() || isHiddenText(fragment.charFormat()))
                continue;
            const int start = std::max(from, fragment.position());
            const int end = std::min(to, fragment.position() + fragment.length());
            if (start < end)
                text += fragment.text().mid(start - fragment.position(), end - start);
        }
        const int separator = block.position() + block.length() - 1;
        if (separator >= from && separator < to && block.next().isValid())
            text += QLatin1Char('\n');
    }
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

const QTextLayout* existingLayout(const QTextBlock& block)
{
    if (!block.isValid())
        return nullptr;
    const QTextDocumentPrivate* p = QTextDocumentPrivate::get(block);
    return p->blockMap().fragment(uint(block.fragmentIndex()))->layout;
}

}  // namespace qp
