#pragma once

#include <QWidget>

namespace qp {

class RichEdit;

// A divider between the column's parts; dragging it reports the distance.
class ColumnDivider : public QWidget {
    Q_OBJECT
public:
    explicit ColumnDivider(QWidget* parent = nullptr);

Q_SIGNALS:
    void dragged(int dx);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    int m_lastX = 0;
};

// The main window's client area: in Writers Mode the editor stands as a
// column between two margin panels (Panel1, Splitter1, RichEdit1, Splitter2,
// Panel3, left to right, the right panel taking what is left); otherwise the
// editor fills the area. Widths are kept while the margins are hidden.
class EditorColumn : public QWidget {
    Q_OBJECT
public:
    static constexpr int DividerWidth = 4;
    static constexpr int MinimumWidth = 30;

    EditorColumn(RichEdit* editor, QWidget* parent = nullptr);

    bool writersMode() const { return m_writersMode; }
    void setWritersMode(bool on);
    int leftWidth() const { return m_left; }
    void setLeftWidth(int width);
    int editorWidth() const { return m_editor; }
    void setEditorWidth(int width);
    // What is left for the right margin; negative when the column overflows.
    int rightWidth() const { return width() - m_left - m_editor - 2 * DividerWidth; }

    QWidget* leftMargin() const { return m_panel1; }
    QWidget* rightMargin() const { return m_panel3; }
    QWidget* rightDivider() const { return m_splitter2; }

Q_SIGNALS:
    // A right click on a margin panel, at this screen point.
    void marginMenuRequested(QPoint globalPosition);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layoutParts();
    void dragLeft(int dx);
    void dragRight(int dx);

    RichEdit* m_richEdit;
    QWidget* m_panel1;
    ColumnDivider* m_splitter1;
    ColumnDivider* m_splitter2;
    QWidget* m_panel3;
    bool m_writersMode = true;
    int m_left = 30;
    int m_editor = 400;
};

}  // namespace qp
