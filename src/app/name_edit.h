// TNameEdit: the editor's name field. While it holds its prompt ("Please
// input the draw name.") the prompt reads as a placeholder: grey, and the
// first key typed (or text pasted) replaces all of it, wherever the cursor
// was. A name that is still the prompt counts as no name.
#pragma once

#include <QColor>
#include <QLineEdit>

namespace draxa {

class TNameEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit TNameEdit(QWidget* Parent = nullptr);

    // Fills the field with the prompt.
    void ShowPrompt(const QString& Prompt);
    // True while the field holds the prompt it was given.
    bool ShowsPrompt() const;
    // The name typed: empty while the prompt shows, trimmed.
    QString Name() const;

protected:
    // Focus leaves the prompt unselected, so it keeps reading as a placeholder.
    void focusInEvent(QFocusEvent* Event) override;

private:
    void Edited(const QString& Text);
    void Restyle();

    QString FPrompt;
    QString FBefore, FCurrent; // the text before and after the latest change
    QColor FNormalText;
};

} // namespace draxa
