#pragma once

#include "format/Tools_Format.h"

#include <QDialog>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;

namespace qp {

// The modeless Text Specifications window: shows the font and paragraph
// attributes of the selection each time it becomes active, puts every change
// the user makes on the selection at once, and stores its values as the
// default format. Created once, hidden, at start-up; showing and closing
// only show and hide it.
class TForm_TextSpecifications : public QDialog {
    Q_OBJECT
public:
    TForm_TextSpecifications(std::unique_ptr<FormatHost> host, QWidget* parent);
    ~TForm_TextSpecifications() override;

    // Action_Format_TextSpecifications: shows the window, or brings it to the front.
    void showDialog();
    // Fills the controls from the selection (done on every activation).
    void refresh();
    // The values the controls hold, as the default format; throws on a field
    // that is not a whole number.
    DefaultFormat currentValues() const;
    // Stores currentValues() (the Default button, without its message).
    void saveAsDefault();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildControls();
    void connectControls();
    // Changes the user makes apply only after a refresh and only from the focused control.
    bool appliesFrom(const QWidget* control) const;
    void applyName();
    void applySize();
    void applyStyle(QCheckBox* box, CharAttribute attribute, FontStyle style);
    void applyAlignment(QRadioButton* button, ParagraphAlignment alignment);
    void applyTabSize();
    // Puts a change of one control on the selection. The changes of one visit
    // to the window make one undo step: the step of the earlier changes is
    // taken back and made again together with this one.
    void applyChange(const QObject* control, std::function<void(RichEdit&)> change);
    void defaultClicked();
    void savePosition();
    void run(const std::function<void()>& work);

    std::unique_ptr<FormatHost> m_host;
    // The refreshing flag: off while the controls are filled from the selection.
    bool m_refreshed = false;
    // The changes of this visit, the latest of each control, in their order.
    std::vector<std::pair<const QObject*, std::function<void(RichEdit&)>>> m_changes;
    // Where the editor's undo stack stood after the visit's step was made;
    // nothing when the changes made no step (formats for the caret only).
    struct StepMark {
        int steps;
        int revision;
    };
    std::optional<StepMark> m_step;
    QComboBox* ComboBox1 = nullptr;  // Name
    QComboBox* ComboBox2 = nullptr;  // Size
    QCheckBox* CheckBox1 = nullptr;  // Bold
    QCheckBox* CheckBox2 = nullptr;  // Italic
    QCheckBox* CheckBox3 = nullptr;  // Underline
    QRadioButton* RadioButton1 = nullptr;  // Align Left
    QRadioButton* RadioButton2 = nullptr;  // Align Right
    QRadioButton* RadioButton3 = nullptr;  // Center
    QComboBox* ComboBox3 = nullptr;  // Tab size
    QPushButton* Button1 = nullptr;  // OK
    QPushButton* Button2 = nullptr;  // Default
};

}  // namespace qp
