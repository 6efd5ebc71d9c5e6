// A stand-in for the user at the dialog seam: records every call and answers
// from queues the test fills. It never shows a window and never blocks; an
// empty queue answers as a user who dismisses the dialog would.
//
//   TScriptedDialogs Script;
//   TScopedDialogs Use(Script);
//   Script.FileNames.push_back("/tmp/a.tdraxa");     // the next open dialog picks this
//   Script.QueueModal([](QDialog& D) { ...; return mrOk; });
//   ... run the code ...
//   EXPECT_EQ(Script.Messages, QStringList{"Save success!"});
#pragma once

#include "foundation/dialogs.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

namespace draxa::test {

class TScriptedDialogs : public TDialogs {
public:
    // ---- answers, consumed front first ----

    // Results of MessageDlg; when empty, DismissResult(Buttons).
    std::deque<TModalResult> MessageResults;
    // Stand-ins for the user of a modal dialog: each may fill the dialog's
    // fields and returns its modal result. When empty, mrCancel.
    std::deque<std::function<TModalResult(QDialog&)>> ModalAnswers;
    // Files chosen in the open dialog; nullopt (or an empty queue) cancels.
    std::deque<std::optional<QString>> FileNames;
    // Files chosen in the save dialog; nullopt (or an empty queue) cancels.
    std::deque<std::optional<QString>> SaveNames;
    // Files chosen in the picture dialog; nullopt (or an empty queue) cancels.
    std::deque<std::optional<QString>> PictureNames;
    // Lines confirmed in the string list editor; nullopt (or an empty queue) cancels.
    std::deque<std::optional<QStringList>> StringEdits;

    void QueueModalResult(TModalResult Result);
    void QueueModal(std::function<TModalResult(QDialog&)> Answer);

    // ---- records ----

    // One line per call, in order: "ShowMessage", "MessageDlg", "ExecuteModal",
    // "PromptForFileName", "PromptForSaveFileName", "PromptForPicture",
    // "EditStrings", "Terminate".
    QStringList Calls;
    // Texts of ShowMessage and MessageDlg, in order.
    QStringList Messages;
    // Window titles of the dialogs run modally, in order.
    QStringList ModalTitles;
    // Arguments of the last PromptForFileName or PromptForSaveFileName:
    // filter, default extension, title, initial folder (open only).
    QString LastFilter, LastDefaultExt, LastTitle, LastInitialDir;
    // Initial folder of the last PromptForPicture.
    QString LastPictureDir;
    // The lines the last EditStrings started with.
    QStringList LastEditedLines;
    int TerminateCount = 0;

    void ShowMessage(const QString& Text) override;
    TModalResult MessageDlg(const QString& Text, TMsgDlgType Type, TMsgDlgButtons Buttons) override;
    TModalResult ExecuteModal(QDialog& Dialog) override;
    bool PromptForFileName(QString& FileName, const QString& Filter, const QString& DefaultExt,
                           const QString& Title, const QString& InitialDir) override;
    bool PromptForSaveFileName(QString& FileName, const QString& Filter, const QString& DefaultExt,
                               const QString& Title) override;
    bool PromptForPicture(QString& FileName, const QString& InitialDir) override;
    bool EditStrings(QStringList& Lines) override;
    // Only records: the test goes on running.
    void Terminate() override;
};

} // namespace draxa::test
