#include "app/print_setup.h"

#include "app/form_support.h"
#include "foundation/dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>

namespace draxa {

namespace {

const QString KGroup = QStringLiteral("Print/");

QComboBox* AlignmentBox(const QString& Name, TAlignment Value, QWidget* Parent) {
    auto* Box = new QComboBox(Parent);
    Box->setObjectName(Name);
    Box->addItem(QObject::tr("Left"), int(TAlignment::taLeftJustify));
    Box->addItem(QObject::tr("Centre"), int(TAlignment::taCenter));
    Box->addItem(QObject::tr("Right"), int(TAlignment::taRightJustify));
    Box->setCurrentIndex(std::max(0, Box->findData(int(Value))));
    return Box;
}

QSpinBox* Distance(const QString& Name, int Value, QWidget* Parent) {
    auto* Box = new QSpinBox(Parent);
    Box->setObjectName(Name);
    Box->setRange(0, 255); // the surface keeps each in a byte
    Box->setSuffix(QObject::tr(" mm"));
    Box->setValue(Value);
    return Box;
}

TAlignment AlignmentOf(int Value, TAlignment Default) {
    switch (TAlignment(Value)) {
    case TAlignment::taLeftJustify:
    case TAlignment::taCenter:
    case TAlignment::taRightJustify:
        return TAlignment(Value);
    }
    return Default;
}

} // namespace

TPrintSettings TPrintSettings::Load() {
    const QSettings S = AppSettings();
    TPrintSettings P;
    const auto Mm = [&S](const char* Key, int Default) {
        return std::clamp(S.value(KGroup + QLatin1String(Key), Default).toInt(), 0, 255);
    };
    P.Head = S.value(KGroup + QStringLiteral("Head")).toString();
    P.Foot = S.value(KGroup + QStringLiteral("Foot")).toString();
    P.HeadAlignment = AlignmentOf(
        S.value(KGroup + QStringLiteral("HeadAlignment"), int(P.HeadAlignment)).toInt(), P.HeadAlignment);
    P.FootAlignment = AlignmentOf(
        S.value(KGroup + QStringLiteral("FootAlignment"), int(P.FootAlignment)).toInt(), P.FootAlignment);
    P.Border = S.value(KGroup + QStringLiteral("Border"), P.Border).toBool();
    P.Left = Mm("Left", P.Left);
    P.Top = Mm("Top", P.Top);
    P.Right = Mm("Right", P.Right);
    P.Bottom = Mm("Bottom", P.Bottom);
    P.Background = S.value(KGroup + QStringLiteral("Background"), P.Background).toBool();
    return P;
}

void TPrintSettings::Save() const {
    QSettings S = AppSettings();
    S.setValue(KGroup + QStringLiteral("Head"), Head);
    S.setValue(KGroup + QStringLiteral("Foot"), Foot);
    S.setValue(KGroup + QStringLiteral("HeadAlignment"), int(HeadAlignment));
    S.setValue(KGroup + QStringLiteral("FootAlignment"), int(FootAlignment));
    S.setValue(KGroup + QStringLiteral("Border"), Border);
    S.setValue(KGroup + QStringLiteral("Left"), Left);
    S.setValue(KGroup + QStringLiteral("Top"), Top);
    S.setValue(KGroup + QStringLiteral("Right"), Right);
    S.setValue(KGroup + QStringLiteral("Bottom"), Bottom);
    S.setValue(KGroup + QStringLiteral("Background"), Background);
}

void TPrintSettings::ApplyTo(TMyDraxa& Surface) const {
    Surface.SetPageHead(Head);
    Surface.SetPageFoot(Foot);
    Surface.SetPageHeadAlignment(HeadAlignment);
    Surface.SetPageFootAlignment(FootAlignment);
    Surface.SetPrintABorder(Border);
    Surface.SetPrintABordertoLeft(uint8_t(Left));
    Surface.SetPrintABordertoTop(uint8_t(Top));
    Surface.SetPrintABordertoRight(uint8_t(Right));
    Surface.SetPrintABordertoBottom(uint8_t(Bottom));
    Surface.SetPrintBackground(Background);
}

TPrintSetupDialog::TPrintSetupDialog(const TPrintSettings& Settings, QWidget* Parent)
    : QDialog(Parent), FedtHead(new QLineEdit(Settings.Head, this)),
      FcbHeadAlignment(AlignmentBox(QStringLiteral("cbHeadAlignment"), Settings.HeadAlignment, this)),
      FedtFoot(new QLineEdit(Settings.Foot, this)),
      FcbFootAlignment(AlignmentBox(QStringLiteral("cbFootAlignment"), Settings.FootAlignment, this)),
      FchkBorder(new QCheckBox(tr("Draw a &frame at these distances from the sheet's edges:"), this)),
      FseLeft(Distance(QStringLiteral("seLeft"), Settings.Left, this)),
      FseTop(Distance(QStringLiteral("seTop"), Settings.Top, this)),
      FseRight(Distance(QStringLiteral("seRight"), Settings.Right, this)),
      FseBottom(Distance(QStringLiteral("seBottom"), Settings.Bottom, this)),
      FchkBackground(new QCheckBox(tr("Print the &background colour and picture"), this)) {
    setWindowTitle(tr("Page Setup"));
    FedtHead->setObjectName(QStringLiteral("edtHead"));
    FedtFoot->setObjectName(QStringLiteral("edtFoot"));
    FchkBorder->setObjectName(QStringLiteral("chkBorder"));
    FchkBorder->setChecked(Settings.Border);
    FchkBackground->setObjectName(QStringLiteral("chkBackground"));
    FchkBackground->setChecked(Settings.Background);
    auto* Form = new QFormLayout(this);
    Form->addRow(tr("&Head:"), FedtHead);
    Form->addRow(tr("Head &placed:"), FcbHeadAlignment);
    Form->addRow(tr("F&oot:"), FedtFoot);
    Form->addRow(tr("Foot p&laced:"), FcbFootAlignment);
    Form->addRow(FchkBorder);
    Form->addRow(tr("Left:"), FseLeft);
    Form->addRow(tr("Top:"), FseTop);
    Form->addRow(tr("Right:"), FseRight);
    Form->addRow(tr("Bottom:"), FseBottom);
    Form->addRow(FchkBackground);
    auto* Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    Form->addRow(Buttons);
}

TPrintSettings TPrintSetupDialog::Settings() const {
    TPrintSettings P;
    P.Head = FedtHead->text();
    P.Foot = FedtFoot->text();
    P.HeadAlignment = TAlignment(FcbHeadAlignment->currentData().toInt());
    P.FootAlignment = TAlignment(FcbFootAlignment->currentData().toInt());
    P.Border = FchkBorder->isChecked();
    P.Left = FseLeft->value();
    P.Top = FseTop->value();
    P.Right = FseRight->value();
    P.Bottom = FseBottom->value();
    P.Background = FchkBackground->isChecked();
    return P;
}

bool TPrintSetupDialog::Ask(TPrintSettings& Settings, QWidget* Parent) {
    TPrintSetupDialog Dialog(Settings, Parent);
    if (Dialogs().ExecuteModal(Dialog) != mrOk) return false;
    Settings = Dialog.Settings();
    return true;
}

} // namespace draxa
