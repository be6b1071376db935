#pragma once

#include <QDialog>

namespace qp {

// Created once, hidden, at start-up; showing and closing only show and hide it.
class TForm_Shortcuts : public QDialog {
    Q_OBJECT
public:
    explicit TForm_Shortcuts(QWidget* parent = nullptr);
};

}  // namespace qp
