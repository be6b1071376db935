#pragma once

#include <QList>
#include <QStringList>
#include <QWidget>

class QLabel;
class QSizeGrip;

namespace qp {

class DocumentStatistics;
class RichEdit;

// A bar of fixed-width panels, the last stretching to the right edge. Panels
// that do not fit are cut off at the edge; they never widen the window. The
// panel that the size grip (or the edge) cuts keeps its text whole while the
// panels before it have room to spare beyond their own texts.
class StatusBar : public QWidget {
    Q_OBJECT
public:
    StatusBar(const QList<int>& widths, const QStringList& texts, QWidget* parent = nullptr);

    int panelCount() const { return int(m_panels.size()); }
    QString panelText(int panel) const;
    void setPanelText(int panel, const QString& text);
    int panelWidth(int panel) const { return m_widths.at(panel); }
    void setPanelWidth(int panel, int width);
    // Where the panel stands in the bar, for tests and hit tests.
    QRect panelGeometry(int panel) const;
    bool sizeGripShown() const { return m_sizeGripShown; }
    void setSizeGripShown(bool shown);

Q_SIGNALS:
    void clicked(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint globalPosition);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void layoutPanels();
    int shownWidth(int panel);
    int textWidth(int panel);
    void keepCutPanelReadable(QList<int>& widths, int right);

    QList<QLabel*> m_panels;
    QList<int> m_widths;
    struct Measured {
        qsizetype length = -1;
        int width = 0;
    };
    QList<Measured> m_measured;
    QSizeGrip* m_sizeGrip = nullptr;
    bool m_sizeGripShown = true;
};

// The panels of StatusBar1.
enum StatusPanel {
    PanelChars = 0, PanelWords = 1, PanelLines = 2, PanelPages = 3, PanelFileType = 4, PanelState = 5,
    PanelTypingMode = 6, PanelSpacer = 7, PanelCaret = 8, PanelCharCode = 9, PanelBytes = 10, PanelLast = 11
};

// StatusBar1 with its twelve panels in their initial state, and the one-panel message bar StatusBar3.
StatusBar* createStatusBar1(QWidget* parent);
StatusBar* createStatusBar3(QWidget* parent);

// The refresh operations: each rewrites its panels from the editor.
void refreshCounts(StatusBar& bar, DocumentStatistics& statistics);  // characters, words, bytes
void refreshLines(StatusBar& bar, const RichEdit& editor);
void refreshPages(StatusBar& bar, const RichEdit& editor, int linesPerPage);
void refreshCaretPosition(StatusBar& bar, const RichEdit& editor);
void refreshCharacterCode(StatusBar& bar, const RichEdit& editor, const DocumentStatistics& statistics);
// State 0, 1 or 2 shows "New", "Modified", "Saved"; any other leaves the panel.
void refreshStatePanel(StatusBar& bar, int state);
void refreshFileTypePanel(StatusBar& bar, const QString& label);
// The key-down hook: a bare Insert flips the typing-mode panel, as it flips the editor's mode.
void typingModeKey(StatusBar& bar, int key, Qt::KeyboardModifiers modifiers);

// Pages from lines: the line count divided by the lines per page, rounded up.
int pageEstimate(int lines, int linesPerPage);

}  // namespace qp
