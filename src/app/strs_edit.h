// TfrmStrings: the small modal dialog in which the user types the lines of a
// text box ("String List Editor").
//
// The surface opens it right after a new text box is drawn; only OK hands the
// lines over. The dialog always runs through the dialog seam (Dialogs()), so
// tests answer it without a window ever blocking.
#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace draxa {

class TfrmStrings : public QDialog {
    Q_OBJECT

public:
    // A fixed-size dialog with an empty memo and the count "0 lines".
    explicit TfrmStrings(QWidget* Parent = nullptr);

    // The memo's lines, one entry per line. A line break at the very end
    // starts no further line, so "a\n" is one line and an empty memo none.
    QStringList GetStrings() const;
    // Replaces the memo's text with Lines, one per line.
    void SetStrings(const QStringList& Lines);

    // Runs the dialog modally (through Dialogs()) with Lines in the memo. On
    // OK, Lines receives the edited lines and the result is true; on Cancel,
    // Escape or the close box, Lines is left as it was and the result is false.
    static bool EditStrings(QStringList& Lines, QWidget* Parent = nullptr);

    // The controls, for the code that drives the dialog in place of a user.
    QLabel* lblCount() const { return FlblCount; }
    QPlainTextEdit* redStrings() const { return FredStrings; }
    QPushButton* btnClear() const { return FbtnClear; }
    QPushButton* btnOK() const { return FbtnOK; }
    QPushButton* btnCancel() const { return FbtnCancel; }

    // Every way of dismissing the dialog (Cancel, Escape, the close box)
    // reports mrCancel rather than QDialog::Rejected, so result() is always a
    // modal result.
    void reject() override;
    // Centres the dialog on the screen, not over its parent, unless the
    // caller has placed it.
    void setVisible(bool Visible) override;

private:
    // Shows the number of lines in the count label.
    void redStringsChange();
    // Empties the memo; the count follows through redStringsChange.
    void btnClearClick();

    QLabel* FlblCount;
    QPlainTextEdit* FredStrings;
    QPushButton* FbtnClear;
    QPushButton* FbtnOK;
    QPushButton* FbtnCancel;
};

} // namespace draxa
