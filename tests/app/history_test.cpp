// The windows of drawings that cannot be lost, driven as a user drives them
// over a real SQLite table: the history window from the main window and the
// editor, the editor's drafts, and the recovery of drafts left behind at
// start.
#include "app/drafts_recovery.h"
#include "app/drawings_store.h"
#include "app/edit_frm.h"
#include "app/history_window.h"
#include "app/main_frm.h"
#include "app/sql_probe.h"
#include "common/scripted_dialogs.h"
#include "foundation/streams.h"
#include "surface/draxa.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

#include <vector>

namespace draxa {
namespace {

using test::TScriptedDialogs;

std::string S(const QString& Text) {
    return Text.toStdString();
}

void AddRectangle(TEditForm& Edit, float Left) {
    TMyDraxa* D = Edit.DraxaEdit();
    ASSERT_GE(D->AddShapeByTool(
                  D, TDrawTool::SpRectangle, QString(),
                  {TMyPoint{Left, 40}, TMyPoint{Left + 30, 40}, TMyPoint{Left + 30, 90}, TMyPoint{Left, 90}},
                  0, QString()),
              0);
}

int ShapesIn(const QByteArray& Draw) {
    TMyDraxa Surface;
    TMemoryStream Stream(Draw);
    return Surface.LoadFromStream(Stream) ? Surface.ShapeCount() : -1;
}

// A drawing of Count rectangles, as the editor writes it.
QByteArray DrawingOf(int Count) {
    TMyDraxa Surface;
    for (int I = 0; I < Count; ++I)
        EXPECT_GE(Surface.AddShapeByTool(&Surface, TDrawTool::SpRectangle, QString(),
                                         {TMyPoint{10.0f + 20 * I, 10}, TMyPoint{30.0f + 20 * I, 10},
                                          TMyPoint{30.0f + 20 * I, 40}, TMyPoint{10.0f + 20 * I, 40}},
                                         0, QString()),
                  0);
    TMemoryStream Stream;
    EXPECT_TRUE(Surface.SaveToStream(Stream));
    return Stream.ToByteArray();
}

class HistoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        ASSERT_TRUE(Store.OpenSQLite(File)) << S(Store.LastError());
    }

    // The record's drawing as stored.
    TDrawingRecord Saved(int64_t Key) {
        TDrawingRecord Record;
        EXPECT_TRUE(Store.Read(Key, Record)) << S(Store.LastError());
        return Record;
    }
    // The drafts of the table, whoever wrote them.
    int DraftCount() {
        test::TOtherWriter Probe(File);
        return Probe.Row(QStringLiteral("SELECT count(*) FROM tdraxadb_drafts")).at(0).toInt();
    }

    QTemporaryDir Dir;
    QString File = Dir.filePath(QStringLiteral("tdraxadb.db"));
    TScriptedDialogs Script;
    TScopedDialogs UseScript{Script};
    TDrawingsStore Store;
};

TEST_F(HistoryTest, RestoreAndOpenAsNewRoundTripByteForByte) {
    ASSERT_TRUE(Store.Insert(QStringLiteral("Plan"), QDateTime::currentDateTime(), DrawingOf(1)));
    const int64_t Key = Store.CurrentKey();
    TMainForm Main(Store);
    // Two saves in the editor: two versions.
    for (int Save = 0; Save < 2; ++Save) {
        Script.QueueModal([&](QDialog& D) {
            auto& Edit = dynamic_cast<TEditForm&>(D);
            Edit.show();
            AddRectangle(Edit, 100.0f + 50 * Save);
            Edit.bbtnOK()->click();
            return D.result();
        });
        Main.DBNavigator1()->Button(TNavigateBtn::nbEdit)->click();
    }
    std::vector<TDrawingVersion> Versions;
    ASSERT_TRUE(Store.ListVersions(Key, Versions));
    ASSERT_EQ(Versions.size(), 2u);
    const QByteArray Oldest = Versions[1].Draw, Current = Saved(Key).Draw;

    // From the main window: the oldest version, restored.
    Script.MessageResults = {mrYes};
    Script.QueueModal([&](QDialog& D) {
        auto& History = dynamic_cast<THistoryWindow&>(D);
        EXPECT_EQ(History.lstVersions()->count(), 2);
        EXPECT_FALSE(History.ShowingDeleted());
        History.lstVersions()->setCurrentRow(1);
        EXPECT_EQ(History.Preview()->ShapeCount(), 1);
        History.btnRestore()->click();
        return D.result();
    });
    Main.btnHistory()->click();
    EXPECT_EQ(Saved(Key).Draw, Oldest);
    EXPECT_EQ(Main.MyDraxa1()->ShapeCount(), 1);
    // The drawing it replaced is the newest version now.
    ASSERT_TRUE(Store.ListVersions(Key, Versions));
    ASSERT_EQ(Versions.size(), 3u);
    EXPECT_EQ(Versions[0].Draw, Current);

    // From the editor: that one as a new drawing; the editor's record stays.
    Script.QueueModal([&](QDialog& D) {
        auto& Edit = dynamic_cast<TEditForm&>(D);
        Edit.show();
        Script.QueueModal([&](QDialog& H) {
            auto& History = dynamic_cast<THistoryWindow&>(H);
            History.lstVersions()->setCurrentRow(0);
            History.btnOpenAsNew()->click();
            return H.result();
        });
        Edit.btnHistory()->click();
        EXPECT_TRUE(Edit.isVisible());
        Edit.bbtnCancel()->click();
        return D.result();
    });
    Main.DBNavigator1()->Button(TNavigateBtn::nbEdit)->click();
    ASSERT_EQ(Store.RecordCount(), 2);
    Store.Last();
    const TDrawingRecord Copy = Saved(Store.CurrentKey());
    EXPECT_NE(Copy.Key, Key);
    EXPECT_EQ(Copy.Draw, Current);
    EXPECT_TRUE(Copy.Name.startsWith(QStringLiteral("Plan (copy of"))) << S(Copy.Name);
    EXPECT_EQ(Saved(Key).Draw, Oldest);
}

TEST_F(HistoryTest, RestoringInTheEditorAsksForItsChangesAndShowsTheVersion) {
    ASSERT_TRUE(Store.Insert(QStringLiteral("Plan"), QDateTime::currentDateTime(), DrawingOf(1)));
    const int64_t Key = Store.CurrentKey();
    TDrawingRecord Record = Saved(Key);
    ASSERT_TRUE(Store.Update(Key, Record.Revision, QStringLiteral("Plan"), QDateTime::currentDateTime(),
                             DrawingOf(3)));
    TMainForm Main(Store);
    Script.QueueModal([&](QDialog& D) {
        auto& Edit = dynamic_cast<TEditForm&>(D);
        Edit.show();
        AddRectangle(Edit, 200);
        const auto Restore = [&](TModalResult AboutChanges) {
            Script.MessageResults = {mrYes, AboutChanges};
            Script.QueueModal([&](QDialog& H) {
                dynamic_cast<THistoryWindow&>(H).btnRestore()->click();
                return H.result();
            });
            Edit.btnHistory()->click();
        };
        // No: the changes stay, nothing is written.
        Restore(mrNo);
        EXPECT_EQ(Edit.DraxaEdit()->ShapeCount(), 4);
        EXPECT_EQ(ShapesIn(Saved(Key).Draw), 3);
        // Yes: the version is the drawing, in the editor too, with nothing unsaved.
        Restore(mrYes);
        EXPECT_EQ(Edit.DraxaEdit()->ShapeCount(), 1);
        EXPECT_FALSE(Edit.HasUnsavedChanges());
        // A save from here is a plain save, no conflict.
        AddRectangle(Edit, 300);
        Edit.bbtnOK()->click();
        return D.result();
    });
    Main.DBNavigator1()->Button(TNavigateBtn::nbEdit)->click();
    EXPECT_EQ(ShapesIn(Saved(Key).Draw), 2);
    EXPECT_EQ(Script.Messages.filter(QStringLiteral("Someone else")).size(), 0);
}

TEST_F(HistoryTest, ADeletedDrawingIsBroughtBackFromTheHistory) {
    ASSERT_TRUE(Store.Insert(QStringLiteral("Kept"), QDateTime::currentDateTime(), DrawingOf(1)));
    ASSERT_TRUE(Store.Insert(QStringLiteral("Gone"), QDateTime::currentDateTime(), DrawingOf(2)));
    const QByteArray Draw = Saved(Store.CurrentKey()).Draw;
    TMainForm Main(Store);
    Main.DBNavigator1()->Button(TNavigateBtn::nbLast)->click();
    Script.MessageResults = {mrYes};
    Main.DBNavigator1()->Button(TNavigateBtn::nbDelete)->click();
    ASSERT_EQ(Store.RecordCount(), 1);

    Script.QueueModal([&](QDialog& D) {
        auto& History = dynamic_cast<THistoryWindow&>(D);
        History.ShowDeleted(true);
        EXPECT_EQ(S(History.btnRestore()->text()), "&Bring back");
        EXPECT_EQ(History.lstVersions()->count(), 1);
        EXPECT_EQ(History.Preview()->ShapeCount(), 2);
        History.btnRestore()->click();
        return D.result();
    });
    Main.btnHistory()->click();
    ASSERT_EQ(Store.RecordCount(), 2);
    EXPECT_EQ(S(Main.edtName()->text()), "Gone");
    EXPECT_EQ(Saved(Store.CurrentKey()).Draw, Draw);
}

TEST_F(HistoryTest, TheEditorKeepsADraftOfChangesOnlyAndLeavingRemovesIt) {
    ASSERT_TRUE(Store.Insert(QStringLiteral("Plan"), QDateTime::currentDateTime(), DrawingOf(1)));
    const int64_t Key = Store.CurrentKey();
    const TDrawingRecord Before = Saved(Key);
    TMainForm Main(Store);
    TEditForm& Edit = *Main.EditForm();
    Edit.SetAutosaveInterval(20);
    int Written = 0;
    Edit.OnDraftWritten = [&](const QByteArray&) { ++Written; };

    // Cancel, then No: a deliberate discard takes the draft along.
    Script.QueueModal([&](QDialog& D) {
        D.show();
        EXPECT_FALSE(Edit.WriteDraft()); // nothing changed yet
        AddRectangle(Edit, 200);
        // The timer writes it while the user edits; only once per change.
        const QDeadlineTimer Deadline(10000);
        while (Written == 0 && !Deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        EXPECT_EQ(Written, 1);
        EXPECT_FALSE(Edit.WriteDraft());
        EXPECT_EQ(DraftCount(), 1);
        EXPECT_EQ(Saved(Key).Draw, Before.Draw);
        Edit.edtName()->setText(QStringLiteral("Plan 2"));
        EXPECT_TRUE(Edit.WriteDraft());
        // Undone back to the saved drawing: no draft is needed.
        Edit.edtName()->setText(QStringLiteral("Plan"));
        Edit.DraxaEdit()->Undo();
        EXPECT_FALSE(Edit.WriteDraft());
        EXPECT_EQ(Edit.DraftId(), -1);
        EXPECT_EQ(DraftCount(), 0);
        AddRectangle(Edit, 250);
        EXPECT_TRUE(Edit.WriteDraft());
        Script.MessageResults = {mrNo};
        Edit.bbtnCancel()->click();
        return D.result();
    });
    Main.DBNavigator1()->Button(TNavigateBtn::nbEdit)->click();
    EXPECT_EQ(DraftCount(), 0);
    EXPECT_EQ(Saved(Key).Draw, Before.Draw);

    // OK: saved, and the draft goes.
    Script.QueueModal([&](QDialog& D) {
        D.show();
        AddRectangle(Edit, 200);
        EXPECT_TRUE(Edit.WriteDraft());
        Edit.bbtnOK()->click();
        return D.result();
    });
    Main.DBNavigator1()->Button(TNavigateBtn::nbEdit)->click();
    EXPECT_EQ(DraftCount(), 0);
    EXPECT_EQ(ShapesIn(Saved(Key).Draw), 2);
}

TEST_F(HistoryTest, DraftsLeftBehindAreOfferedOpenedKeptOrDiscarded) {
    ASSERT_TRUE(Store.Insert(QStringLiteral("Plan"), QDateTime::currentDateTime(), DrawingOf(1)));
    const TDrawingRecord Plan = Saved(Store.CurrentKey());
    // A program that ended with three editors' drafts left.
    {
        QProcess Ended;
        Ended.start(QStringLiteral("true"), {});
        Ended.waitForFinished();
        TDrawingsStore Crashed;
        ASSERT_TRUE(Crashed.OpenSQLite(File));
        Crashed.SetDraftOwner(TDrawingsStore::ThisDraftOwner(), Ended.processId());
        int64_t A = -1, B = -1, C = -1;
        ASSERT_TRUE(Crashed.WriteDraft(A, Plan.Key, Plan.Revision, QStringLiteral("Plan"), DrawingOf(4)));
        ASSERT_TRUE(Crashed.WriteDraft(B, -1, 0, QStringLiteral("Sketch"), DrawingOf(5)));
        ASSERT_TRUE(Crashed.WriteDraft(C, -1, 0, QStringLiteral("Scrap"), DrawingOf(6)));
    }
    // Someone saved the record after that editor read it.
    TDrawingRecord Theirs = Plan;
    ASSERT_TRUE(Store.Update(Plan.Key, Theirs.Revision, QStringLiteral("Plan"), QDateTime::currentDateTime(),
                             DrawingOf(2)));
    TMainForm Main(Store);

    const auto Choose = [](TRecoveryWindow& W, const char* Name) {
        for (int I = 0; I < W.lstDrafts()->count(); ++I)
            if (W.lstDrafts()->item(I)->text().startsWith(QLatin1String(Name)))
                W.lstDrafts()->setCurrentRow(I);
    };
    Script.QueueModal([&](QDialog& D) {
        auto& W = dynamic_cast<TRecoveryWindow&>(D);
        EXPECT_EQ(W.lstDrafts()->count(), 3);
        Choose(W, "Sketch");
        W.btnKeep()->click();
        Choose(W, "Scrap");
        Script.MessageResults = {mrYes};
        W.btnDiscard()->click();
        EXPECT_EQ(W.lstDrafts()->count(), 1);
        // Opened: the editor holds the draft, unsaved; OK meets the newer
        // save and asks; Yes keeps it as a new drawing.
        Script.QueueModal([&](QDialog& E) {
            auto& Edit = dynamic_cast<TEditForm&>(E);
            Edit.show();
            EXPECT_EQ(Edit.DraxaEdit()->ShapeCount(), 4);
            EXPECT_TRUE(Edit.HasUnsavedChanges());
            // Claimed by this program: a second one started now would not offer it.
            std::vector<TDrawingDraft> Offered;
            EXPECT_TRUE(Store.ListLeftDrafts(Offered));
            EXPECT_TRUE(Offered.empty());
            Script.MessageResults = {mrYes};
            Edit.bbtnOK()->click();
            EXPECT_TRUE(Edit.isVisible());
            Edit.edtName()->setText(QStringLiteral("Plan, recovered"));
            Edit.bbtnOK()->click();
            return E.result();
        });
        Choose(W, "Plan");
        W.btnOpen()->click();
        return D.result();
    });
    Main.OfferLeftDrafts();
    EXPECT_EQ(DraftCount(), 0);
    EXPECT_EQ(Script.Messages.filter(QStringLiteral("Someone else has saved the drawing \"Plan\"")).size(),
              1);
    std::vector<TDrawingSummary> Rows;
    ASSERT_TRUE(Store.ListDrawings(QString(), TDrawingsOrder::doName, Rows));
    ASSERT_EQ(Rows.size(), 3u);
    EXPECT_EQ(S(Rows[0].Name), "Plan");
    EXPECT_EQ(ShapesIn(Rows[0].Draw), 2);
    EXPECT_EQ(S(Rows[1].Name), "Plan, recovered");
    EXPECT_EQ(ShapesIn(Rows[1].Draw), 4);
    EXPECT_EQ(S(Rows[2].Name), "Sketch (recovered)");
    EXPECT_EQ(Rows[2].Draw, DrawingOf(5));

    // Nothing left: nothing is offered.
    Script.Calls.clear();
    Main.OfferLeftDrafts();
    EXPECT_TRUE(Script.Calls.isEmpty());
}

} // namespace
} // namespace draxa
