#include "app/strs_edit.h"

#include "foundation/dialogs.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace draxa {

TfrmStrings::TfrmStrings(QWidget* Parent)
    : QDialog(Parent), FlblCount(new QLabel(this)), FredStrings(new QPlainTextEdit(this)),
      FbtnClear(new QPushButton(tr("&Clear"), this)), FbtnOK(new QPushButton(tr("OK"), this)),
      FbtnCancel(new QPushButton(tr("Cancel"), this)) {
    setObjectName(QStringLiteral("frmStrings"));
    setWindowTitle(tr("String List Editor"));
    // A dialog border: title and close box, no resizing, no minimise or maximise.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(413, 261); // client area, pixels

    FlblCount->setObjectName(QStringLiteral("lblCount"));
    // As wide as the memo, so that a long count is never cut off.
    FlblCount->setGeometry(8, 4, 393, 19);
    FlblCount->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    FredStrings->setObjectName(QStringLiteral("redStrings"));
    FredStrings->setGeometry(8, 24, 393, 193);
    // Each line of the memo is one line of the text box: no soft wrapping,
    // and Tab moves on to the next control instead of typing a tab.
    FredStrings->setLineWrapMode(QPlainTextEdit::NoWrap);
    FredStrings->setTabChangesFocus(true);

    FbtnClear->setObjectName(QStringLiteral("btnClear"));
    FbtnClear->setGeometry(160, 228, 77, 25);
    FbtnOK->setObjectName(QStringLiteral("btnOK"));
    FbtnOK->setGeometry(244, 228, 77, 25);
    FbtnOK->setDefault(true);
    FbtnCancel->setObjectName(QStringLiteral("btnCancel"));
    FbtnCancel->setGeometry(328, 228, 77, 25);

    setTabOrder(FbtnClear, FbtnOK);
    setTabOrder(FbtnOK, FbtnCancel);
    setTabOrder(FbtnCancel, FredStrings);
    // The buttons come first in the tab order, but the user opens the dialog
    // to type, so the memo starts with the focus.
    FredStrings->setFocus();

    connect(FredStrings, &QPlainTextEdit::textChanged, this, &TfrmStrings::redStringsChange);
    connect(FbtnClear, &QPushButton::clicked, this, &TfrmStrings::btnClearClick);
    connect(FbtnOK, &QPushButton::clicked, this, [this] { done(mrOk); });
    connect(FbtnCancel, &QPushButton::clicked, this, &TfrmStrings::reject);

    redStringsChange();
}

QStringList TfrmStrings::GetStrings() const {
    // toPlainText turns paragraph and line separators alike into '\n'.
    QStringList Lines = FredStrings->toPlainText().split(QLatin1Char('\n'));
    if (Lines.last().isEmpty()) Lines.removeLast();
    return Lines;
}

void TfrmStrings::SetStrings(const QStringList& Lines) {
    FredStrings->setPlainText(Lines.join(QLatin1Char('\n')));
}

bool TfrmStrings::EditStrings(QStringList& Lines, QWidget* Parent) {
    TfrmStrings Dialog(Parent);
    Dialog.SetStrings(Lines);
    if (Dialogs().ExecuteModal(Dialog) != mrOk) return false;
    Lines = Dialog.GetStrings();
    return true;
}

void TfrmStrings::reject() {
    done(mrCancel);
}

void TfrmStrings::setVisible(bool Visible) {
    // Qt centres a dialog over its parent; this one goes to the middle of the
    // screen. adjustPosition without a widget does that (allowing for the
    // window frame) and marks the dialog as placed, so Qt leaves it there.
    if (Visible && !isVisible() && !testAttribute(Qt::WA_Moved)) adjustPosition(nullptr);
    QDialog::setVisible(Visible);
}

void TfrmStrings::redStringsChange() {
    const qsizetype N = GetStrings().size();
    QString Text = tr("%1 line").arg(N);
    if (N != 1) Text += QLatin1Char('s');
    FlblCount->setText(Text);
}

void TfrmStrings::btnClearClick() {
    FredStrings->clear();
    FredStrings->setFocus();
}

} // namespace draxa
