#pragma once

#include <QDialog>

namespace qp {

// Created once, hidden, at start-up; showing and closing only show and hide it.
class TForm_InsertCharacter : public QDialog {
    Q_OBJECT
public:
    explicit TForm_InsertCharacter(QWidget* parent = nullptr);
};

}  // namespace qp
