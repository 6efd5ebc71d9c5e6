#include "common/scripted_dialogs.h"

#include <QDialog>

namespace draxa::test {

namespace {

// Pops the next answer of Queue into FileName; an empty queue or nullopt cancels.
bool TakeFileName(std::deque<std::optional<QString>>& Queue, QString& FileName) {
    if (Queue.empty()) return false;
    const std::optional<QString> Answer = Queue.front();
    Queue.pop_front();
    if (!Answer) return false;
    FileName = *Answer;
    return true;
}

} // namespace

void TScriptedDialogs::QueueModalResult(TModalResult Result) {
    ModalAnswers.push_back([Result](QDialog&) { return Result; });
}

void TScriptedDialogs::QueueModal(std::function<TModalResult(QDialog&)> Answer) {
    ModalAnswers.push_back(std::move(Answer));
}

void TScriptedDialogs::ShowMessage(const QString& Text) {
    Calls << QStringLiteral("ShowMessage");
    Messages << Text;
}

TModalResult TScriptedDialogs::MessageDlg(const QString& Text, TMsgDlgType /*Type*/, TMsgDlgButtons Buttons) {
    Calls << QStringLiteral("MessageDlg");
    Messages << Text;
    if (MessageResults.empty()) return DismissResult(Buttons);
    const TModalResult Result = MessageResults.front();
    MessageResults.pop_front();
    return Result;
}

TModalResult TScriptedDialogs::ExecuteModal(QDialog& Dialog) {
    Calls << QStringLiteral("ExecuteModal");
    ModalTitles << Dialog.windowTitle();
    if (ModalAnswers.empty()) return mrCancel;
    const std::function<TModalResult(QDialog&)> Answer = std::move(ModalAnswers.front());
    ModalAnswers.pop_front();
    return Answer(Dialog);
}

bool TScriptedDialogs::PromptForFileName(QString& FileName, const QString& Filter, const QString& DefaultExt,
                                         const QString& Title, const QString& InitialDir) {
    Calls << QStringLiteral("PromptForFileName");
    LastFilter = Filter;
    LastDefaultExt = DefaultExt;
    LastTitle = Title;
    LastInitialDir = InitialDir;
    return TakeFileName(FileNames, FileName);
}

bool TScriptedDialogs::PromptForSaveFileName(QString& FileName, const QString& Filter,
                                             const QString& DefaultExt, const QString& Title) {
    Calls << QStringLiteral("PromptForSaveFileName");
    LastFilter = Filter;
    LastDefaultExt = DefaultExt;
    LastTitle = Title;
    return TakeFileName(SaveNames, FileName);
}

bool TScriptedDialogs::PromptForPicture(QString& FileName, const QString& InitialDir) {
    Calls << QStringLiteral("PromptForPicture");
    LastPictureDir = InitialDir;
    return TakeFileName(PictureNames, FileName);
}

bool TScriptedDialogs::EditStrings(QStringList& Lines) {
    Calls << QStringLiteral("EditStrings");
    LastEditedLines = Lines;
    if (StringEdits.empty()) return false;
    const std::optional<QStringList> Answer = StringEdits.front();
    StringEdits.pop_front();
    if (!Answer) return false;
    Lines = *Answer;
    return true;
}

void TScriptedDialogs::Terminate() {
    Calls << QStringLiteral("Terminate");
    ++TerminateCount;
}

} // namespace draxa::test
