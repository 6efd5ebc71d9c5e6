// TValueDialog: a small modal dialog that asks for one or two numbers (a
// grid spacing, a page size, a drawing scale), each with its caption, range
// and unit. It runs through the dialog seam like every other dialog.
#pragma once

#include <QDialog>

#include <vector>

class QDoubleSpinBox;

namespace draxa {

class TValueDialog : public QDialog {
    Q_OBJECT

public:
    TValueDialog(const QString& Title, QWidget* Parent = nullptr);

    // Adds a row; the box is named Name, so that code standing in for the
    // user can find it.
    QDoubleSpinBox* AddValue(const QString& Name, const QString& Caption, double Value, double Min,
                             double Max, int Decimals, const QString& Suffix = QString());
    double Value(int Row) const;

    // Asks through Dialogs(); true on OK, after which Value gives what was typed.
    bool Ask();

private:
    std::vector<QDoubleSpinBox*> FBoxes;
};

} // namespace draxa
