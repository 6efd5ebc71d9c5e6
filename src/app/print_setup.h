// Page set-up for printing and PDF export: the page head and foot, the
// frame and its distances, and whether the background prints. Drawings do
// not store these, so the application keeps them for the user, in its
// settings, and puts them on the surface before anything is printed.
#pragma once

#include "surface/draxa.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

namespace draxa {

struct TPrintSettings {
    QString Head, Foot;
    TAlignment HeadAlignment = TAlignment::taCenter;
    TAlignment FootAlignment = TAlignment::taRightJustify;
    bool Border = true;
    int Left = 20, Top = 20, Right = 20, Bottom = 20; // millimetres from the sheet's edges
    bool Background = false;

    // The user's settings (the surface's own defaults until set).
    static TPrintSettings Load();
    void Save() const;
    void ApplyTo(TMyDraxa& Surface) const;
};

class TPrintSetupDialog : public QDialog {
    Q_OBJECT

public:
    explicit TPrintSetupDialog(const TPrintSettings& Settings, QWidget* Parent = nullptr);
    TPrintSettings Settings() const;

    // Asks through Dialogs(); true, with Settings changed, on OK.
    static bool Ask(TPrintSettings& Settings, QWidget* Parent);

private:
    QLineEdit* FedtHead;
    QComboBox* FcbHeadAlignment;
    QLineEdit* FedtFoot;
    QComboBox* FcbFootAlignment;
    QCheckBox* FchkBorder;
    QSpinBox* FseLeft;
    QSpinBox* FseTop;
    QSpinBox* FseRight;
    QSpinBox* FseBottom;
    QCheckBox* FchkBackground;
};

} // namespace draxa
