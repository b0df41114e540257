#pragma once

#include <QSpinBox>

namespace rentabo {

// A number box with arrows that reports only the arrows (and the arrow keys, page keys and wheel
// that step it). Typing a number changes nothing until the next step, which starts from the
// typed number: the count it stores is always one the child reached with the arrows.
class ArrowSpinBox final : public QSpinBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ArrowSpinBox)
public:
    using QSpinBox::QSpinBox;

    void stepBy(int steps) override {
        QSpinBox::stepBy(steps);
        Q_EMIT arrowClicked(value());
    }

Q_SIGNALS:
    void arrowClicked(int position);
};

}  // namespace rentabo
