#include "app/name_edit.h"

#include <QPalette>

#include <algorithm>

namespace draxa {

TNameEdit::TNameEdit(QWidget* Parent) : QLineEdit(Parent), FNormalText(palette().color(QPalette::Text)) {
    // textChanged comes for typing and for setText alike, textEdited for
    // typing only.
    connect(this, &QLineEdit::textChanged, this, [this](const QString& Text) {
        FBefore = FCurrent;
        FCurrent = Text;
        Restyle();
    });
    connect(this, &QLineEdit::textEdited, this, &TNameEdit::Edited);
}

void TNameEdit::ShowPrompt(const QString& Prompt) {
    FPrompt = Prompt;
    setText(Prompt);
    Restyle();
}

bool TNameEdit::ShowsPrompt() const {
    return !FPrompt.isEmpty() && text() == FPrompt;
}

QString TNameEdit::Name() const {
    return ShowsPrompt() ? QString() : text().trimmed();
}

void TNameEdit::Edited(const QString& Text) {
    // textEdited may come before or after textChanged: the text before the
    // edit is whichever of the two last seen is not the edited one.
    const QString& Before = FCurrent == Text ? FBefore : FCurrent;
    if (FPrompt.isEmpty() || Before != FPrompt) return;
    // The prompt was edited: what the edit put in is what lies between the
    // prompt's unchanged head and tail; whatever it removed goes with the
    // rest of the prompt.
    const int Max = int(std::min(Text.size(), FPrompt.size()));
    int Head = 0;
    while (Head < Max && Text[Head] == FPrompt[Head]) ++Head;
    int Tail = 0;
    while (Tail < Max - Head && Text[Text.size() - 1 - Tail] == FPrompt[FPrompt.size() - 1 - Tail]) ++Tail;
    const QString Typed = Text.mid(Head, Text.size() - Head - Tail);
    setText(Typed);
    setCursorPosition(int(Typed.size()));
}

void TNameEdit::focusInEvent(QFocusEvent* Event) {
    QLineEdit::focusInEvent(Event);
    if (ShowsPrompt()) {
        deselect();
        setCursorPosition(0);
    }
}

void TNameEdit::Restyle() {
    QPalette P = palette();
    P.setColor(QPalette::Text, ShowsPrompt() ? P.color(QPalette::PlaceholderText) : FNormalText);
    setPalette(P);
}

} // namespace draxa
