#include "editing/Tools_Statusbar.h"

#include "editor/DocumentStatistics.h"
#include "editor/RichEdit.h"

#include <QLabel>
#include <QMouseEvent>
#include <QSizeGrip>

#include <algorithm>

namespace qp {

StatusBar::StatusBar(const QList<int>& widths, const QStringList& texts, QWidget* parent)
    : QWidget(parent), m_widths(widths)
{
    Q_ASSERT(widths.size() == texts.size());
    for (const QString& text : texts) {
        auto* panel = new QLabel(text, this);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setTextFormat(Qt::PlainText);
        panel->setContentsMargins(2, 0, 2, 0);
        // Clicks belong to the bar.
        panel->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_panels << panel;
    }
    m_measured.resize(m_panels.size());
    m_sizeGrip = new QSizeGrip(this);
    setFixedHeight(QFontMetrics(font()).height() + 8);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    layoutPanels();
}

QString StatusBar::panelText(int panel) const
{
    return m_panels.at(panel)->text();
}

void StatusBar::setPanelText(int panel, const QString& text)
{
    QLabel* label = m_panels.at(panel);
    if (label->text() == text)
        return;
    // A text of another length may need another width, or may now run under the size grip.
    const bool longer = text.size() != label->text().size();
    label->setText(text);
    if (panel < m_panels.size() - 1 && (longer || shownWidth(panel) != label->width()))
        layoutPanels();
}

// A panel is as wide as it is set to be, or wider when its text needs it:
// the counts of a long book must not be cut off.
int StatusBar::shownWidth(int panel)
{
    const int width = m_widths.at(panel);
    if (width <= 0)
        return 0;
    return std::max(width, textWidth(panel));
}

// The room the panel's text needs, frame and margins included.
int StatusBar::textWidth(int panel)
{
    const QLabel* label = m_panels.at(panel);
    // Measuring is the costly part of a refresh; a count of as many digits as
    // before needs the same room (digits share one width), so it is measured again
    // only when the text's length changes.
    Measured& measured = m_measured[panel];
    if (measured.length != label->text().size()) {
        const QMargins margins = label->contentsMargins();
        measured.length = label->text().size();
        measured.width = label->text().isEmpty() ? 0
                                                 : label->fontMetrics().horizontalAdvance(label->text()) + margins.left()
                                                       + margins.right() + 2 * label->frameWidth() + 2;
    }
    return measured.width;
}

// In a narrow window (640 pixels, the first start's, or 700 with the counts
// of a long text) the panels at the right would run under the size grip or
// out of the window; the panels before them give up the room their texts do
// not need, so that as many panels as that room allows are read whole, the
// last of them first. A panel without text (the basic form's spacer) gives
// nothing: what it pushes away stays away.
void StatusBar::keepCutPanelReadable(QList<int>& widths, int right)
{
    for (int target = int(widths.size()) - 1; target >= 0; --target) {
        if (widths[target] <= 0 || m_panels.at(target)->text().isEmpty())
            continue;
        int x = 0;
        for (int i = 0; i < target; ++i)
            x += widths[i];
        const int need = x + std::min(widths[target], textWidth(target)) - right;
        if (need <= 0)
            return;
        QList<int> spare(target);
        int room = 0;
        for (int i = 0; i < target; ++i) {
            spare[i] = widths[i] > 0 && !m_panels.at(i)->text().isEmpty() ? std::max(0, widths[i] - textWidth(i)) : 0;
            room += spare[i];
        }
        if (room < need)
            continue;
        int left = need;
        for (int i = 0; i < target && left > 0; ++i) {
            const int give = spare[i] * need / room;
            widths[i] -= give;
            spare[i] -= give;
            left -= give;
        }
        for (int i = target - 1; i >= 0 && left > 0; --i) {
            const int give = std::min(spare[i], left);
            widths[i] -= give;
            left -= give;
        }
        return;
    }
}

void StatusBar::setPanelWidth(int panel, int width)
{
    m_widths[panel] = width;
    layoutPanels();
}

QRect StatusBar::panelGeometry(int panel) const
{
    return m_panels.at(panel)->geometry();
}

void StatusBar::setSizeGripShown(bool shown)
{
    m_sizeGripShown = shown;
    layoutPanels();
}

void StatusBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutPanels();
}

void StatusBar::mousePressEvent(QMouseEvent* event)
{
    Q_EMIT clicked(event->button(), event->modifiers(), event->globalPosition().toPoint());
    event->accept();
}

void StatusBar::layoutPanels()
{
    const int gripWidth = m_sizeGripShown ? m_sizeGrip->sizeHint().width() : 0;
    m_sizeGrip->setVisible(m_sizeGripShown);
    if (m_sizeGripShown)
        m_sizeGrip->setGeometry(width() - gripWidth, 0, gripWidth, height());
    const int right = width() - gripWidth;
    QList<int> widths(m_panels.size() - 1);
    for (int i = 0; i < widths.size(); ++i)
        widths[i] = shownWidth(i);
    keepCutPanelReadable(widths, right);
    int x = 0;
    for (int i = 0; i < m_panels.size(); ++i) {
        const bool last = i == m_panels.size() - 1;
        const int w = last ? std::max(0, right - x) : widths[i];
        m_panels[i]->setGeometry(x, 0, w, height());
        m_panels[i]->setVisible(w > 0 && x < right);
        x += w;
    }
}

StatusBar* createStatusBar1(QWidget* parent)
{
    auto* bar = new StatusBar({75, 75, 75, 75, 75, 75, 75, 0, 75, 75, 75, 50},
                              {QStringLiteral("Chars:"), QStringLiteral("Words:"), QStringLiteral("Lines: "),
                               QStringLiteral("Pages:"), QString(), QString(), QStringLiteral("Insert"), QString(),
                               QStringLiteral("1 : 1"), QStringLiteral("# 0"), QStringLiteral("Bytes:"), QString()},
                              parent);
    bar->setObjectName(QStringLiteral("StatusBar1"));
    return bar;
}

StatusBar* createStatusBar3(QWidget* parent)
{
    auto* bar = new StatusBar({0}, {QStringLiteral("Replacing...")}, parent);
    bar->setObjectName(QStringLiteral("StatusBar3"));
    bar->setSizeGripShown(false);
    bar->hide();
    return bar;
}

void refreshCounts(StatusBar& bar, DocumentStatistics& statistics)
{
    const TextCounts counts = statistics.selectionOrTotal();
    bar.setPanelText(PanelChars, QStringLiteral("Chars: %1").arg(counts.characters));
    bar.setPanelText(PanelWords, QStringLiteral("Words: %1").arg(counts.words));
    bar.setPanelText(PanelBytes, QStringLiteral("Bytes: %1").arg(counts.bytes));
}

void refreshLines(StatusBar& bar, const RichEdit& editor)
{
    bar.setPanelText(PanelLines, QStringLiteral("Lines: %1").arg(editor.lineCount()));
}

int pageEstimate(int lines, int linesPerPage)
{
    const int perPage = std::max(1, linesPerPage);
    return (lines + perPage - 1) / perPage;
}

void refreshPages(StatusBar& bar, const RichEdit& editor, int linesPerPage)
{
    bar.setPanelText(PanelPages, QStringLiteral("Pages: %1").arg(pageEstimate(editor.lineCount(), linesPerPage)));
}

void refreshCaretPosition(StatusBar& bar, const RichEdit& editor)
{
    const int start = editor.selStart();
    const int line = editor.lineFromChar(start);
    const int column = start - editor.lineIndex(line);
    bar.setPanelText(PanelCaret, QStringLiteral("%1 : %2").arg(line + 1).arg(column + 1));
}

void refreshCharacterCode(StatusBar& bar, const RichEdit& editor, const DocumentStatistics& statistics)
{
    bar.setPanelText(PanelCharCode, QStringLiteral("# %1").arg(statistics.characterCodeAt(editor.selStart())));
}

void refreshStatePanel(StatusBar& bar, int state)
{
    static const char* const Names[] = {"New", "Modified", "Saved"};
    if (state >= 0 && state <= 2)
        bar.setPanelText(PanelState, QString::fromLatin1(Names[state]));
}

void refreshFileTypePanel(StatusBar& bar, const QString& label)
{
    bar.setPanelText(PanelFileType, label);
}

void typingModeKey(StatusBar& bar, int key, Qt::KeyboardModifiers modifiers)
{
    // The panel follows the editor's own mode, which only a bare Insert switches.
    if (!isTypingModeKey(key, modifiers))
        return;
    const bool insert = bar.panelText(PanelTypingMode) == QLatin1String("Insert");
    bar.setPanelText(PanelTypingMode, insert ? QStringLiteral("Overwrite") : QStringLiteral("Insert"));
}

}  // namespace qp
