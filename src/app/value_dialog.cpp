#include "app/value_dialog.h"

#include "foundation/dialogs.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QVBoxLayout>

namespace draxa {

TValueDialog::TValueDialog(const QString& Title, QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("ValueDialog"));
    setWindowTitle(Title);
    auto* Column = new QVBoxLayout(this);
    Column->addLayout(new QFormLayout);
    auto* Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    Column->addWidget(Buttons);
    connect(Buttons, &QDialogButtonBox::accepted, this, [this] { done(mrOk); });
    connect(Buttons, &QDialogButtonBox::rejected, this, [this] { done(mrCancel); });
}

QDoubleSpinBox* TValueDialog::AddValue(const QString& Name, const QString& Caption, double Value, double Min,
                                       double Max, int Decimals, const QString& Suffix) {
    auto* Box = new QDoubleSpinBox(this);
    Box->setObjectName(Name);
    Box->setDecimals(Decimals);
    Box->setRange(Min, Max);
    Box->setValue(Value);
    Box->setSuffix(Suffix);
    static_cast<QFormLayout*>(layout()->itemAt(0)->layout())->addRow(Caption, Box);
    FBoxes.push_back(Box);
    return Box;
}

double TValueDialog::Value(int Row) const {
    return FBoxes.at(size_t(Row))->value();
}

bool TValueDialog::Ask() {
    if (!FBoxes.empty()) FBoxes.front()->selectAll();
    return Dialogs().ExecuteModal(*this) == mrOk;
}

} // namespace draxa
