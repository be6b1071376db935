#include "format/Window_TextSpecifications.h"

#include "platform/Fonts.h"
#include "platform/MessageService.h"
#include "store/DialogPosition.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace qp {

namespace {

const QString kDefaultTab = QStringLiteral("Default");

// The installed families and "Default", in the order a sorted list shows them.
QStringList fontNameItems()
{
    QStringList names = fontFamilies();
    names << kDefaultTab;
    names.removeDuplicates();
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return names;
}

QComboBox* editableCombo(QWidget* parent, const char* name)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->setEditable(true);
    // What is typed is the value, letter by letter: no completion, no new items.
    combo->setCompleter(nullptr);
    combo->setInsertPolicy(QComboBox::NoInsert);
    return combo;
}

Qt::CheckState checkState(const CharFormat& format, FontStyle style, CharAttribute attribute)
{
    if (!format.uniform.testFlag(attribute))
        return Qt::PartiallyChecked;
    return format.styles.testFlag(style) ? Qt::Checked : Qt::Unchecked;
}

}  // namespace

TForm_TextSpecifications::TForm_TextSpecifications(std::unique_ptr<FormatHost> host, QWidget* parent)
    : QDialog(parent), m_host(std::move(host))
{
    setObjectName(QStringLiteral("TForm_TextSpecifications"));
    setWindowTitle(QStringLiteral("Text Specifications"));
    setModal(false);
    // A fixed dialog frame: a close button and no more, above every other window.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    buildControls();
    connectControls();
}

TForm_TextSpecifications::~TForm_TextSpecifications() = default;

void TForm_TextSpecifications::buildControls()
{
    auto* font = new QGroupBox(QStringLiteral(" Font "), this);
    font->setObjectName(QStringLiteral("GroupBox1"));
    ComboBox1 = editableCombo(font, "ComboBox1");
    ComboBox1->setEditText(QStringLiteral("Verdana"));
    ComboBox1->setMinimumContentsLength(22);
    ComboBox1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ComboBox2 = editableCombo(font, "ComboBox2");
    for (const int size : {8, 9, 10, 11, 12, 14, 16, 18, 20, 24})
        ComboBox2->addItem(QString::number(size));
    ComboBox2->setMaxVisibleItems(10);
    ComboBox2->setEditText(QStringLiteral("10"));
    ComboBox2->setMinimumContentsLength(4);
    auto* nameLabel = new QLabel(QStringLiteral("Name:"), font);
    nameLabel->setBuddy(ComboBox1);
    auto* sizeLabel = new QLabel(QStringLiteral("Size: "), font);
    sizeLabel->setBuddy(ComboBox2);
    auto* fontGrid = new QGridLayout(font);
    fontGrid->addWidget(nameLabel, 0, 0);
    fontGrid->addWidget(ComboBox1, 0, 1);
    fontGrid->addWidget(sizeLabel, 1, 0);
    fontGrid->addWidget(ComboBox2, 1, 1, Qt::AlignLeft);
    fontGrid->setColumnStretch(1, 1);

    auto* format = new QGroupBox(QStringLiteral(" Format "), this);
    format->setObjectName(QStringLiteral("GroupBox2"));
    CheckBox1 = new QCheckBox(QStringLiteral("&Bold"), format);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox2 = new QCheckBox(QStringLiteral("&Italic"), format);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox3 = new QCheckBox(QStringLiteral("&Underline"), format);
    CheckBox3->setObjectName(QStringLiteral("CheckBox3"));
    RadioButton1 = new QRadioButton(QStringLiteral("Align &Left"), format);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton2 = new QRadioButton(QStringLiteral("Align &Right"), format);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    RadioButton3 = new QRadioButton(QStringLiteral("&Center"), format);
    RadioButton3->setObjectName(QStringLiteral("RadioButton3"));
    auto* formatGrid = new QGridLayout(format);
    formatGrid->addWidget(CheckBox1, 0, 0);
    formatGrid->addWidget(CheckBox2, 1, 0);
    formatGrid->addWidget(CheckBox3, 2, 0);
    formatGrid->addWidget(RadioButton1, 0, 1);
    formatGrid->addWidget(RadioButton2, 1, 1);
    formatGrid->addWidget(RadioButton3, 2, 1);

    auto* tabs = new QGroupBox(QStringLiteral(" Tabs "), this);
    tabs->setObjectName(QStringLiteral("GroupBox3"));
    ComboBox3 = editableCombo(tabs, "ComboBox3");
    for (const int size : {10, 20, 30, 40, 50, 60})
        ComboBox3->addItem(QString::number(size));
    ComboBox3->addItem(kDefaultTab);
    ComboBox3->setCurrentIndex(ComboBox3->count() - 1);
    ComboBox3->setMinimumContentsLength(8);
    auto* tabLabel = new QLabel(QStringLiteral("Tab size:"), tabs);
    tabLabel->setBuddy(ComboBox3);
    auto* tabRow = new QHBoxLayout(tabs);
    tabRow->addWidget(tabLabel);
    tabRow->addWidget(ComboBox3);
    tabRow->addStretch();

    Button1 = new QPushButton(QStringLiteral("&OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("&Default"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);

    auto* main = new QVBoxLayout(this);
    main->addWidget(font);
    main->addWidget(format);
    main->addWidget(tabs);
    main->addLayout(buttons);
    // A fixed dialog border, never smaller than its contents.
    main->setSizeConstraint(QLayout::SetFixedSize);

    QWidget::setTabOrder(ComboBox1, ComboBox2);
    QWidget::setTabOrder(ComboBox2, CheckBox1);
    QWidget::setTabOrder(CheckBox1, CheckBox2);
    QWidget::setTabOrder(CheckBox2, CheckBox3);
    QWidget::setTabOrder(CheckBox3, RadioButton1);
    QWidget::setTabOrder(RadioButton1, RadioButton2);
    QWidget::setTabOrder(RadioButton2, RadioButton3);
    QWidget::setTabOrder(RadioButton3, ComboBox3);
    QWidget::setTabOrder(ComboBox3, Button1);
    QWidget::setTabOrder(Button1, Button2);
}

void TForm_TextSpecifications::connectControls()
{
    connect(ComboBox1, &QComboBox::editTextChanged, this, [this] { run([this] { applyName(); }); });
    connect(ComboBox2, &QComboBox::editTextChanged, this, [this] { run([this] { applySize(); }); });
    connect(CheckBox1, &QCheckBox::clicked, this,
            [this] { run([this] { applyStyle(CheckBox1, CharAttribute::Bold, FontStyle::Bold); }); });
    connect(CheckBox2, &QCheckBox::clicked, this,
            [this] { run([this] { applyStyle(CheckBox2, CharAttribute::Italic, FontStyle::Italic); }); });
    connect(CheckBox3, &QCheckBox::clicked, this,
            [this] { run([this] { applyStyle(CheckBox3, CharAttribute::Underline, FontStyle::Underline); }); });
    connect(RadioButton1, &QRadioButton::clicked, this,
            [this] { run([this] { applyAlignment(RadioButton1, ParagraphAlignment::Left); }); });
    connect(RadioButton2, &QRadioButton::clicked, this,
            [this] { run([this] { applyAlignment(RadioButton2, ParagraphAlignment::Right); }); });
    connect(RadioButton3, &QRadioButton::clicked, this,
            [this] { run([this] { applyAlignment(RadioButton3, ParagraphAlignment::Center); }); });
    connect(ComboBox3, &QComboBox::editTextChanged, this, [this] { run([this] { applyTabSize(); }); });
    connect(Button1, &QPushButton::clicked, this, &QWidget::close);
    connect(Button2, &QPushButton::clicked, this, [this] { run([this] { defaultClicked(); }); });

    // Ctrl+H opens the window from the main window and closes it from here.
    auto* closeKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_H), this);
    connect(closeKey, &QShortcut::activated, this, &QWidget::close);
}

void TForm_TextSpecifications::run(const std::function<void()>& work)
{
    m_host->guarded(work);
}

// ---------------------------------------------------------------- showing and refreshing

void TForm_TextSpecifications::showDialog()
{
    if (!isVisible())
        show();
    raise();
    activateWindow();
}

void TForm_TextSpecifications::refresh()
{
    m_refreshed = false;
    // A new visit: what the user changes now is a step of its own.
    m_changes.clear();
    m_step.reset();
    RichEdit& editor = m_host->editor();
    const CharFormat character = editor.selectionCharFormat();
    const ParagraphFormat paragraph = editor.selectionParagraphFormat();
    const QString name = character.uniform.testFlag(CharAttribute::Name) ? character.fontName : QString();
    const QString size =
        character.uniform.testFlag(CharAttribute::Size) ? QString::number(wholePoints(character.sizePoints)) : QString();

    if (ComboBox1->count() == 0)
        ComboBox1->addItems(fontNameItems());
    ComboBox1->setEditText(name);
    ComboBox2->setEditText(size);

    for (const auto& [box, style, attribute] :
         {std::tuple{CheckBox1, FontStyle::Bold, CharAttribute::Bold},
          std::tuple{CheckBox2, FontStyle::Italic, CharAttribute::Italic},
          std::tuple{CheckBox3, FontStyle::Underline, CharAttribute::Underline}}) {
        const Qt::CheckState state = checkState(character, style, attribute);
        // Only the refresh makes a box grey; a click never does.
        box->setTristate(state == Qt::PartiallyChecked);
        box->setCheckState(state);
    }

    RadioButton1->setChecked(paragraph.alignment == ParagraphAlignment::Left);
    RadioButton2->setChecked(paragraph.alignment == ParagraphAlignment::Right);
    RadioButton3->setChecked(paragraph.alignment == ParagraphAlignment::Center);

    // Showing the stops is no change of them: only the user's edits apply.
    const int tab = paragraph.tabStops.isEmpty() ? 0 : wholePoints(paragraph.tabStops.first());
    ComboBox3->setEditText(tab == 0 ? kDefaultTab : QString::number(tab));

    ComboBox1->setFocus();
    m_refreshed = true;
}

void TForm_TextSpecifications::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    run([this] {
        restoreDialogPosition(m_host->registry(), *this, textSpecificationsKey(), m_host->rememberDialogPosition(),
                              m_host->mainWindowFrame());
    });
}

void TForm_TextSpecifications::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous())
        savePosition();
}

void TForm_TextSpecifications::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isVisible())
        return;
    if (isActiveWindow())
        run([this] { refresh(); });
    else
        savePosition();
}

void TForm_TextSpecifications::savePosition()
{
    run([this] { saveDialogPosition(m_host->registry(), *this, textSpecificationsKey()); });
}

// ---------------------------------------------------------------- live apply

bool TForm_TextSpecifications::appliesFrom(const QWidget* control) const
{
    const QWidget* focus = QApplication::focusWidget();
    return m_refreshed && focus && (focus == control || control->isAncestorOf(focus));
}

void TForm_TextSpecifications::applyChange(const QObject* control, std::function<void(RichEdit&)> change)
{
    RichEdit& editor = m_host->editor();
    const bool ownStepIsLast =
        m_step && m_step->steps == editor.undoSteps() && m_step->revision == editor.revision();
    if (!ownStepIsLast && m_step) {
        // Something else changed the document since: the earlier changes stay a step of their own.
        m_changes.clear();
    }
    const auto same = std::find_if(m_changes.begin(), m_changes.end(),
                                   [control](const auto& entry) { return entry.first == control; });
    if (same != m_changes.end())
        m_changes.erase(same);
    m_changes.emplace_back(control, std::move(change));

    if (ownStepIsLast)
        editor.takeBackLastStep();
    const int stepsBefore = editor.undoSteps();
    {
        const UndoStep step(editor);
        for (const auto& entry : m_changes)
            entry.second(editor);
    }
    if (editor.undoSteps() > stepsBefore)
        m_step = StepMark{editor.undoSteps(), editor.revision()};
    else
        m_step.reset();
}

void TForm_TextSpecifications::applyName()
{
    if (!appliesFrom(ComboBox1))
        return;
    CharFormat format;
    format.fontName = ComboBox1->currentText();
    applyChange(ComboBox1, [format](RichEdit& editor) { editor.setSelectionCharFormat(format, CharAttribute::Name); });
}

void TForm_TextSpecifications::applySize()
{
    if (!appliesFrom(ComboBox2))
        return;
    CharFormat format;
    format.sizePoints = wholeNumberFromText(ComboBox2->currentText());
    applyChange(ComboBox2, [format](RichEdit& editor) { editor.setSelectionCharFormat(format, CharAttribute::Size); });
}

void TForm_TextSpecifications::applyStyle(QCheckBox* box, CharAttribute attribute, FontStyle style)
{
    // A grey box clicked turns ticked; from then on it has two states only.
    box->setTristate(false);
    if (!appliesFrom(box))
        return;
    CharFormat format;
    format.styles.setFlag(style, box->checkState() == Qt::Checked);
    applyChange(box, [format, attribute](RichEdit& editor) { editor.setSelectionCharFormat(format, attribute); });
}

void TForm_TextSpecifications::applyAlignment(QRadioButton* button, ParagraphAlignment alignment)
{
    if (!button->isChecked() || !appliesFrom(button))
        return;
    ParagraphFormat format;
    format.alignment = alignment;
    // The three buttons set one attribute: the last one clicked is the change.
    applyChange(RadioButton1, [format](RichEdit& editor) {
        editor.setSelectionParagraphFormat(format, ParagraphAttribute::Alignment);
    });
}

void TForm_TextSpecifications::applyTabSize()
{
    if (!appliesFrom(ComboBox3))
        return;
    const QString text = ComboBox3->currentText();
    const int points = text == kDefaultTab ? 0 : wholeNumberFromText(text);
    applyChange(ComboBox3, [points](RichEdit& editor) { setTabSpacing(editor, points); });
}

// ---------------------------------------------------------------- the default format

DefaultFormat TForm_TextSpecifications::currentValues() const
{
    DefaultFormat format;
    format.fontName = ComboBox1->currentText();
    format.fontSize = wholeNumberFromText(ComboBox2->currentText());
    // A grey box counts as off.
    format.bold = CheckBox1->checkState() == Qt::Checked;
    format.italic = CheckBox2->checkState() == Qt::Checked;
    format.underline = CheckBox3->checkState() == Qt::Checked;
    format.alignLeft = RadioButton1->isChecked();
    format.alignRight = RadioButton2->isChecked();
    format.alignCenter = RadioButton3->isChecked();
    const QString tab = ComboBox3->currentText();
    format.tabSize = tab == kDefaultTab ? 0 : wholeNumberFromText(tab);
    return format;
}

void TForm_TextSpecifications::saveAsDefault()
{
    writeDefaultFormat(m_host->registry(), currentValues());
}

void TForm_TextSpecifications::defaultClicked()
{
    saveAsDefault();
    m_host->messages().information(QStringLiteral("Current values saved as default."));
}

}  // namespace qp
