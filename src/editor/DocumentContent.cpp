#include "editor/DocumentContent.h"

#include <QImage>
#include <QPixmap>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QUrl>
#include <QtGui/private/qtextdocument_p.h>

#include <algorithm>

namespace qp {

namespace {

// Detaches the format from the data it shares: any change to it does,
// and removing a property it does not have changes nothing else.
void ownData(QTextFormat& format)
{
    format.clearProperty(QTextFormat::UserProperty + 0xffff);
}

}  // namespace

std::shared_ptr<const DocumentContent> DocumentContent::of(const QTextDocument& document)
{
    std::shared_ptr<DocumentContent> content(new DocumentContent);
    const QTextDocumentPrivate* p = QTextDocumentPrivate::get(&document);
    // Shared, not copied: the document's next edit makes its own copy.
    content->m_text = p->buffer();
    content->m_runs.reserve(size_t(p->fragmentMap().numNodes()));
    int position = 0;
    for (auto it = p->begin(); it != p->end(); ++it) {
        const QTextFragmentData* fragment = it.value();
        const int length = int(fragment->size_array[0]);
        content->m_runs.push_back({position, int(fragment->stringPosition), length, fragment->format});
        position += length;
    }
    const auto& blocks = p->blockMap();
    content->m_blocks.reserve(size_t(blocks.numNodes()));
    position = 0;
    for (uint n = blocks.firstNode(); n; n = blocks.next(n)) {
        const QTextBlockData* block = blocks.fragment(n);
        const int length = int(block->size_array[0]);
        content->m_blocks.push_back({position, length, block->format});
        position += length;
    }
    content->m_characterCount = document.characterCount();
    content->m_formats = document.allFormats();
    // Formats share their data, and its lazily filled caches, with the
    // document's; the copy may be built on another thread, so it gets its own.
    for (QTextFormat& format : content->m_formats)
        ownData(format);
    content->m_firstCharFormat = document.begin().charFormatIndex();
    for (const QTextFormat& format : std::as_const(content->m_formats)) {
        if (format.isBlockFormat() && format.objectIndex() >= 0 && !content->m_lists.contains(format.objectIndex())) {
            if (const auto* list = qobject_cast<const QTextList*>(document.object(format.objectIndex()))) {
                QTextFormat listFormat = list->format();
                ownData(listFormat);
                content->m_lists.insert(format.objectIndex(), listFormat);
            }
        } else if (format.isImageFormat()) {
            const QString name = format.toImageFormat().name();
            if (content->m_pictures.contains(name))
                continue;
            QVariant picture = document.resource(QTextDocument::ImageResource, QUrl(name));
            // A pixmap belongs to the GUI thread; the copy may be built on another.
            if (picture.typeId() == QMetaType::QPixmap)
                picture = picture.value<QPixmap>().toImage();
            if (picture.isValid())
                content->m_pictures.insert(name, picture);
        }
    }
    content->m_defaultFont = document.defaultFont();
    content->m_defaultTextOption = document.defaultTextOption();
    content->m_rootFrameFormat = document.rootFrame()->frameFormat();
    ownData(content->m_rootFrameFormat);
    content->m_indentWidth = document.indentWidth();
    content->m_pageSize = document.pageSize();
    content->m_title = document.metaInformation(QTextDocument::DocumentTitle);
    content->m_url = document.metaInformation(QTextDocument::DocumentUrl);
    content->m_styleSheet = document.defaultStyleSheet();
    return content;
}

int DocumentContent::blockAt(int position) const
{
    const auto it = std::upper_bound(m_blocks.begin(), m_blocks.end(), position,
                                     [](int pos, const Block& block) { return pos < block.position; });
    return std::max(0, int(it - m_blocks.begin()) - 1);
}

int DocumentContent::runAt(int position) const
{
    const auto it = std::upper_bound(m_runs.begin(), m_runs.end(), position,
                                     [](int pos, const Run& run) { return pos < run.position; });
    return std::max(0, int(it - m_runs.begin()) - 1);
}

DocumentBuilder::DocumentBuilder(std::shared_ptr<const DocumentContent> content, QTextDocument& target, int from,
                                 int to)
    : m_content(std::move(content)), m_target(target)
{
    const DocumentContent& c = *m_content;
    m_from = std::clamp(from, 0, c.m_characterCount - 1);
    m_to = std::clamp(to, m_from, c.m_characterCount - 1);
    m_nextBlock = c.blockAt(m_from);
    m_lastBlock = c.blockAt(m_to);

    // What a clone takes along besides the text.
    m_target.rootFrame()->setFrameFormat(c.m_rootFrameFormat.toFrameFormat());
    m_target.setMetaInformation(QTextDocument::DocumentTitle, c.m_title);
    m_target.setMetaInformation(QTextDocument::DocumentUrl, c.m_url);
    m_target.setPageSize(c.m_pageSize);
    m_target.setIndentWidth(c.m_indentWidth);
    m_target.setDefaultTextOption(c.m_defaultTextOption);
    m_target.setDefaultFont(c.m_defaultFont);
    m_target.setDefaultStyleSheet(c.m_styleSheet);
    for (auto it = c.m_pictures.begin(); it != c.m_pictures.end(); ++it)
        m_target.addResource(QTextDocument::ImageResource, QUrl(it.key()), it.value());

    // The first paragraph has the format of the one the range starts in, but
    // keeps the document's first character format, as a cut clone does.
    QTextCursor cursor(&m_target);
    cursor.setBlockFormat(blockFormat(m_nextBlock));
    cursor.setBlockCharFormat(c.m_formats.value(c.m_firstCharFormat).toCharFormat());
    joinList(c.m_formats.value(c.m_blocks[size_t(m_nextBlock)].format));
}

DocumentBuilder::~DocumentBuilder() = default;

QTextBlockFormat DocumentBuilder::blockFormat(int block)
{
    QTextBlockFormat format = m_content->m_formats.value(m_content->m_blocks[size_t(block)].format).toBlockFormat();
    // The list is the target's own, joined once the paragraph is in.
    format.setObjectIndex(-1);
    return format;
}

void DocumentBuilder::joinList(const QTextFormat& original)
{
    const int index = original.objectIndex();
    if (index < 0 || !m_content->m_lists.contains(index))
        return;
    QTextCursor cursor(&m_target);
    cursor.movePosition(QTextCursor::End);
    if (QTextList* list = m_lists.value(index))
        list->add(cursor.block());
    else
        m_lists.insert(index, cursor.createList(m_content->m_lists.value(index).toListFormat()));
}

bool DocumentBuilder::append(int blocks)
{
    const DocumentContent& c = *m_content;
    QTextCursor cursor(&m_target);
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    for (; blocks > 0 && m_nextBlock <= m_lastBlock; --blocks, ++m_nextBlock) {
        const DocumentContent::Block& block = c.m_blocks[size_t(m_nextBlock)];
        const int separator = block.position + block.length - 1;
        const int start = std::max(m_from, block.position);
        const int stop = std::min(m_to, separator);
        for (int run = c.runAt(start); start < stop && run < int(c.m_runs.size()); ++run) {
            const DocumentContent::Run& r = c.m_runs[size_t(run)];
            const int a = std::max(start, r.position);
            const int b = std::min(stop, r.position + r.length);
            if (a >= stop)
                break;
            if (a < b)
                cursor.insertText(c.m_text.mid(r.stringPosition + (a - r.position), b - a),
                                  c.m_formats.value(r.format).toCharFormat());
        }
        if (separator >= m_to || m_nextBlock + 1 >= int(c.m_blocks.size()))
            continue;
        // A range that ends where a paragraph starts ends in an empty one with
        // the format of the document's last paragraph, as a cut clone does.
        const int next = c.m_blocks[size_t(m_nextBlock + 1)].position == m_to ? int(c.m_blocks.size()) - 1
                                                                               : m_nextBlock + 1;
        cursor.insertBlock(blockFormat(next), c.m_formats.value(c.m_runs[size_t(c.runAt(separator))].format).toCharFormat());
        joinList(c.m_formats.value(c.m_blocks[size_t(next)].format));
    }
    cursor.endEditBlock();
    return !done();
}

}  // namespace qp
