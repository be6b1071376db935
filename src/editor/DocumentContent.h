#pragma once

#include <QFont>
#include <QHash>
#include <QList>
#include <QSizeF>
#include <QString>
#include <QTextFormat>
#include <QTextOption>
#include <QVariant>

#include <memory>
#include <vector>

class QTextDocument;
class QTextList;

namespace qp {

// What a document holds at one moment, as plain data: its text store (shared
// with the document until one of them changes, so taking it copies nothing),
// its runs and paragraphs with their format numbers, the formats, lists,
// pictures and document settings. Taking it is one quick pass on the GUI
// thread; the document itself is left alone. A copy of the document, or of
// part of it, is then built from it on any thread, a few paragraphs at a time
// if need be (DocumentBuilder), and is the same as a clone cut to that part.
class DocumentContent {
public:
    static std::shared_ptr<const DocumentContent> of(const QTextDocument& document);

    // As QTextDocument::characterCount(): the text and the closing separator.
    int characterCount() const { return m_characterCount; }
    int blockCount() const { return int(m_blocks.size()); }

private:
    friend class DocumentBuilder;
    DocumentContent() = default;

    struct Run {
        int position;  // in the document
        int stringPosition;  // in m_text
        int length;
        int format;
    };
    struct Block {
        int position;
        int length;  // with its separator
        int format;
    };
    int blockAt(int position) const;
    int runAt(int position) const;

    QString m_text;
    std::vector<Run> m_runs;
    std::vector<Block> m_blocks;
    QList<QTextFormat> m_formats;
    int m_firstCharFormat = -1;  // the first paragraph's own character format
    int m_characterCount = 1;
    QHash<int, QTextFormat> m_lists;  // list formats by the document's object number
    QHash<QString, QVariant> m_pictures;  // by name; images only, never pixmaps
    QFont m_defaultFont;
    QTextOption m_defaultTextOption;
    QTextFormat m_rootFrameFormat;
    qreal m_indentWidth = 40;
    QSizeF m_pageSize;
    QString m_title;
    QString m_url;
    QString m_styleSheet;
};

// Builds a document from content: positions [from, to) of the original, as
// a clone of it with the rest cut away would hold them. The target document
// belongs to the calling thread and should be new and empty.
class DocumentBuilder {
public:
    DocumentBuilder(std::shared_ptr<const DocumentContent> content, QTextDocument& target, int from, int to);
    ~DocumentBuilder();
    DocumentBuilder(const DocumentBuilder&) = delete;
    DocumentBuilder& operator=(const DocumentBuilder&) = delete;

    // Adds up to `blocks` more paragraphs; false once the whole range is in.
    bool append(int blocks);
    void appendAll() { while (append(4096)) {} }
    bool done() const { return m_nextBlock > m_lastBlock; }
    // The length the target has when done.
    int length() const { return m_to - m_from; }

private:
    QTextBlockFormat blockFormat(int block);
    void joinList(const QTextFormat& original);

    std::shared_ptr<const DocumentContent> m_content;
    QTextDocument& m_target;
    int m_from;
    int m_to;
    int m_nextBlock;
    int m_lastBlock;
    // The target's lists by the original's object numbers.
    QHash<int, QTextList*> m_lists;
};

}  // namespace qp
