#include "app/strs_edit.h"

#include "common/scripted_dialogs.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <functional>

namespace draxa {
namespace {

std::string Joined(const QStringList& Lines) {
    return Lines.join(QStringLiteral(" | ")).toStdString();
}

TEST(StringListEditor, CountLabelFollowsTheMemo) {
    TfrmStrings Dialog;
    EXPECT_EQ(Dialog.lblCount()->text().toStdString(), "0 lines");

    struct TRow {
        const char* Text;
        const char* Count;
        const char* Lines;
    } Rows[] = {
        {"one", "1 line", "one"},
        {"one\ntwo", "2 lines", "one | two"},
        {"", "0 lines", ""},
        {"one\n", "1 line", "one"}, // a break at the end opens no line yet
        {"\n", "1 line", ""},       // but an empty line before it is one
        {"one\n\nthree\n", "3 lines", "one |  | three"},
    };
    for (const TRow& Row : Rows) {
        Dialog.redStrings()->setPlainText(QString::fromUtf8(Row.Text));
        EXPECT_EQ(Dialog.lblCount()->text().toStdString(), Row.Count) << Row.Text;
        EXPECT_EQ(Joined(Dialog.GetStrings()), Row.Lines) << Row.Text;
    }

    Dialog.SetStrings({QStringLiteral("x"), QStringLiteral("y")});
    EXPECT_EQ(Dialog.lblCount()->text().toStdString(), "2 lines");

    Dialog.btnClear()->click();
    EXPECT_TRUE(Dialog.redStrings()->toPlainText().isEmpty());
    EXPECT_TRUE(Dialog.GetStrings().isEmpty());
    EXPECT_EQ(Dialog.lblCount()->text().toStdString(), "0 lines");
}

TEST(StringListEditor, OkHandsBackTheEditedLines) {
    test::TScriptedDialogs Script;
    TScopedDialogs Use(Script);

    QString Seen;
    Script.QueueModal([&](QDialog& D) {
        auto& Strs = dynamic_cast<TfrmStrings&>(D);
        Seen = Strs.redStrings()->toPlainText() + QLatin1Char('/') + Strs.lblCount()->text();
        Strs.redStrings()->setPlainText(QStringLiteral("first\nsecond\n"));
        Strs.btnOK()->click();
        return D.result();
    });
    QStringList Lines{QStringLiteral("old")};
    EXPECT_TRUE(TfrmStrings::EditStrings(Lines));
    EXPECT_EQ(Seen.toStdString(), "old/1 line");
    EXPECT_EQ(Joined(Lines), "first | second");
    EXPECT_EQ(Joined(Script.ModalTitles), "String List Editor");

    // Clearing and confirming is a real answer: the text loses its lines.
    Script.QueueModal([](QDialog& D) {
        auto& Strs = dynamic_cast<TfrmStrings&>(D);
        Strs.btnClear()->click();
        Strs.btnOK()->click();
        return D.result();
    });
    EXPECT_TRUE(TfrmStrings::EditStrings(Lines));
    EXPECT_TRUE(Lines.isEmpty());
}

TEST(StringListEditor, EveryWayOutButOkKeepsTheOriginalLines) {
    struct TRow {
        const char* Name;
        std::function<void(TfrmStrings&)> Dismiss;
    } Rows[] = {
        {"Cancel", [](TfrmStrings& D) { D.btnCancel()->click(); }},
        {"Escape in the memo",
         [](TfrmStrings& D) {
             QKeyEvent Escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
             QCoreApplication::sendEvent(D.redStrings(), &Escape);
         }},
        {"close box", [](TfrmStrings& D) { D.close(); }},
    };
    for (const TRow& Row : Rows) {
        test::TScriptedDialogs Script;
        TScopedDialogs Use(Script);
        TModalResult Result = mrNone;
        Script.QueueModal([&](QDialog& D) {
            auto& Strs = dynamic_cast<TfrmStrings&>(D);
            Strs.show(); // the close box only acts on a window on screen
            Strs.redStrings()->setPlainText(QStringLiteral("changed"));
            Row.Dismiss(Strs);
            EXPECT_FALSE(Strs.isVisible()) << Row.Name;
            Result = D.result();
            return Result;
        });
        QStringList Lines{QStringLiteral("keep"), QStringLiteral("these")};
        EXPECT_FALSE(TfrmStrings::EditStrings(Lines)) << Row.Name;
        EXPECT_EQ(Result, mrCancel) << Row.Name;
        EXPECT_EQ(Joined(Lines), "keep | these") << Row.Name;
    }
}

} // namespace
} // namespace draxa
