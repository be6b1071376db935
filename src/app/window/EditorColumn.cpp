#include "app/window/EditorColumn.h"

#include "editor/RichEdit.h"

#include <QContextMenuEvent>
#include <QMouseEvent>

namespace qp {

ColumnDivider::ColumnDivider(QWidget* parent) : QWidget(parent)
{
    setCursor(Qt::SplitHCursor);
}

void ColumnDivider::mousePressEvent(QMouseEvent* event)
{
    m_lastX = int(event->globalPosition().x());
}

void ColumnDivider::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const int x = int(event->globalPosition().x());
    if (x != m_lastX)
        Q_EMIT dragged(x - m_lastX);
    m_lastX = x;
}

namespace {

QWidget* marginPanel(const QString& name, QWidget* parent)
{
    auto* panel = new QWidget(parent);
    panel->setObjectName(name);
    // Plain and borderless in the window's face colour.
    panel->setAutoFillBackground(true);
    panel->setBackgroundRole(QPalette::Window);
    return panel;
}

}  // namespace

EditorColumn::EditorColumn(RichEdit* editor, QWidget* parent)
    : QWidget(parent),
      m_richEdit(editor),
      m_panel1(marginPanel(QStringLiteral("Panel1"), this)),
      m_splitter1(new ColumnDivider(this)),
      m_splitter2(new ColumnDivider(this)),
      m_panel3(marginPanel(QStringLiteral("Panel3"), this))
{
    m_richEdit->setParent(this);
    m_splitter1->setObjectName(QStringLiteral("Splitter1"));
    m_splitter2->setObjectName(QStringLiteral("Splitter2"));
    m_panel1->installEventFilter(this);
    m_panel3->installEventFilter(this);
    connect(m_splitter1, &ColumnDivider::dragged, this, &EditorColumn::dragLeft);
    connect(m_splitter2, &ColumnDivider::dragged, this, &EditorColumn::dragRight);
    layoutParts();
}

void EditorColumn::setWritersMode(bool on)
{
    m_writersMode = on;
    layoutParts();
}

void EditorColumn::setLeftWidth(int width)
{
    m_left = width;
    layoutParts();
}

void EditorColumn::setEditorWidth(int width)
{
    m_editor = width;
    layoutParts();
}

// A drag follows the mouse but never makes the dragged part or the right
// margin narrower than the minimum.
void EditorColumn::dragLeft(int dx)
{
    const int room = rightWidth() - MinimumWidth;
    setLeftWidth(std::max(MinimumWidth, m_left + std::min(dx, std::max(0, room))));
}

void EditorColumn::dragRight(int dx)
{
    const int room = rightWidth() - MinimumWidth;
    setEditorWidth(std::max(MinimumWidth, m_editor + std::min(dx, std::max(0, room))));
}

void EditorColumn::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutParts();
}

bool EditorColumn::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == m_panel1 || watched == m_panel3) && event->type() == QEvent::ContextMenu) {
        Q_EMIT marginMenuRequested(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void EditorColumn::layoutParts()
{
    for (QWidget* part : {m_panel1, static_cast<QWidget*>(m_splitter1), static_cast<QWidget*>(m_splitter2), m_panel3})
        part->setVisible(m_writersMode);
    if (!m_writersMode) {
        m_richEdit->setGeometry(rect());
        return;
    }
    // Docked left to right as they stand; the right margin takes what is left.
    int x = 0;
    m_panel1->setGeometry(x, 0, m_left, height());
    x += m_left;
    m_splitter1->setGeometry(x, 0, DividerWidth, height());
    x += DividerWidth;
    m_richEdit->setGeometry(x, 0, m_editor, height());
    x += m_editor;
    m_splitter2->setGeometry(x, 0, DividerWidth, height());
    x += DividerWidth;
    m_panel3->setGeometry(x, 0, std::max(0, width() - x), height());
}

}  // namespace qp
