// The two windows over a real SQLite table in a temporary folder, driven the
// way a user drives them: navigator buttons, the editor's buttons and
// fields, and the scripted dialog seam standing in for every box and picker.
#include "app/drawings_list.h"
#include "app/drawings_store.h"
#include "app/edit_frm.h"
#include "app/form_support.h"
#include "app/main_frm.h"
#include "app/sql_probe.h"
#include "common/control_helpers.h"
#include "common/scripted_dialogs.h"
#include "foundation/busy_wait.h"
#include "foundation/picture_files.h"
#include "foundation/streams.h"
#include "shapes/image.h"
#include "surface/draxa.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace draxa {
namespace {

using test::TScriptedDialogs;

std::string S(const QString& Text) {
    return Text.toStdString();
}

// A record as another program reads it straight from the file.
struct TRow {
    qint64 RowId = 0;
    QString Name;
    QDateTime LastUpdate;
    QByteArray Draw;
};

std::vector<TRow> ReadRows(const QString& File) {
    std::vector<TRow> Rows;
    const QString Connection = QStringLiteral("app-test-probe");
    {
        QSqlDatabase Db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Connection);
        Db.setDatabaseName(File);
        EXPECT_TRUE(Db.open());
        QSqlQuery Q(Db);
        EXPECT_TRUE(
            Q.exec(QStringLiteral("SELECT rowid, Name, LastUpdate, Draw FROM tdraxadb ORDER BY rowid")));
        while (Q.next())
            Rows.push_back({Q.value(0).toLongLong(), Q.value(1).toString(),
                            QDateTime::fromString(Q.value(2).toString(), Qt::ISODateWithMs),
                            Q.value(3).toByteArray()});
    }
    QSqlDatabase::removeDatabase(Connection);
    return Rows;
}

// The four corners AddShapeByTool takes for a box.
TArrMyPoint Box(float Left, float Top, float Right, float Bottom) {
    return {TMyPoint{Left, Top}, TMyPoint{Right, Top}, TMyPoint{Right, Bottom}, TMyPoint{Left, Bottom}};
}

// A document stream holding Count rectangles.
QByteArray DrawingOf(int Count) {
    TMyDraxa Surface;
    for (int I = 0; I < Count; ++I)
        EXPECT_GE(Surface.AddShapeByTool(&Surface, TDrawTool::SpRectangle, QString(),
                                         Box(10.0f + 20 * I, 10, 30.0f + 20 * I, 40), 0, QString()),
                  0);
    TMemoryStream Stream;
    EXPECT_TRUE(Surface.SaveToStream(Stream));
    return Stream.ToByteArray();
}

// How many shapes the stored drawing holds; -1 when it cannot be read.
int ShapesIn(const QByteArray& Draw) {
    TMyDraxa Surface;
    TMemoryStream Stream(Draw);
    return Surface.LoadFromStream(Stream) ? Surface.ShapeCount() : -1;
}

void AddRectangle(TEditForm& Edit, float Left) {
    TMyDraxa* D = Edit.DraxaEdit();
    ASSERT_GE(
        D->AddShapeByTool(D, TDrawTool::SpRectangle, QString(), Box(Left, 40, Left + 90, 110), 0, QString()),
        0);
}

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        ASSERT_TRUE(Store.OpenSQLite(File)) << S(Store.LastError());
    }

    // Presses a navigator button as the user does.
    static void Press(TMainForm& Main, TNavigateBtn Which) {
        QToolButton* B = Main.DBNavigator1()->Button(Which);
        ASSERT_TRUE(B->isEnabled());
        B->click();
    }

    // The next editor session: Steps fills the editor, then OK or Cancel is
    // pressed as given; the session's modal result is returned.
    void QueueEditor(std::function<void(TEditForm&)> Steps, bool PressOk) {
        Script.QueueModal([Steps, PressOk](QDialog& D) {
            auto& Edit = dynamic_cast<TEditForm&>(D);
            Steps(Edit);
            (PressOk ? Edit.bbtnOK() : Edit.bbtnCancel())->click();
            return D.result();
        });
    }

    QTemporaryDir Dir;
    QString File = Dir.filePath(QStringLiteral("tdraxadb.db"));
    TScriptedDialogs Script;
    TScopedDialogs UseScript{Script};
    TDrawingsStore Store;
};

TEST_F(AppTest, InsertingAndEditingADrawingWritesOneRecord) {
    TMainForm Main(Store);
    EXPECT_EQ(S(Main.edtName()->text()), "");

    // Insert: the editor opens on an empty drawing in "new" mode.
    const QDateTime Before = QDateTime::currentDateTimeUtc();
    QueueEditor(
        [](TEditForm& Edit) {
            EXPECT_EQ(S(Edit.edtName()->text()), "Please input the draw name.");
            EXPECT_EQ(Edit.DraxaEdit()->Tag(), TEditForm::TagNew);
            EXPECT_EQ(Edit.DraxaEdit()->ShapeCount(), 0);
            Edit.edtName()->setText(QStringLiteral("Garden plan"));
            AddRectangle(Edit, 40);
        },
        true);
    Press(Main, TNavigateBtn::nbInsert);
    const QDateTime After = QDateTime::currentDateTimeUtc();

    std::vector<TRow> Rows = ReadRows(File);
    ASSERT_EQ(Rows.size(), 1u);
    EXPECT_EQ(S(Rows[0].Name), "Garden plan");
    EXPECT_TRUE(Rows[0].LastUpdate >= Before && Rows[0].LastUpdate <= After)
        << S(Rows[0].LastUpdate.toString());
    EXPECT_EQ(ShapesIn(Rows[0].Draw), 1);
    EXPECT_EQ(S(Script.Messages.join('|')), "Save success!");
    EXPECT_FALSE(Main.EditForm()->isVisible());
    // The main window shows the new record.
    EXPECT_EQ(S(Main.edtName()->text()), "Garden plan");
    EXPECT_FALSE(Main.edtLastUpdate()->text().isEmpty());
    ASSERT_EQ(Main.MyDraxa1()->ShapeCount(), 1);
    EXPECT_EQ(S(Main.MyDraxa1()->ShapeByIndex(0)->ClassName()), "TMyRectangle");

    // A later record, so that a rewrite which deleted and re-added the row
    // could not come back under the same row key.
    ASSERT_TRUE(Store.Insert(QStringLiteral("Later"), QDateTime::currentDateTime(), DrawingOf(3)));
    Press(Main, TNavigateBtn::nbRefresh);
    Press(Main, TNavigateBtn::nbFirst);

    // Edit: the editor opens on that drawing in "existing" mode; OK rewrites
    // the same row in place.
    QueueEditor(
        [](TEditForm& Edit) {
            EXPECT_EQ(S(Edit.edtName()->text()), "Garden plan");
            EXPECT_EQ(Edit.DraxaEdit()->Tag(), TEditForm::TagExisting);
            EXPECT_EQ(Edit.DraxaEdit()->ShapeCount(), 1);
            Edit.edtName()->setText(QStringLiteral("Garden plan, final"));
            AddRectangle(Edit, 200);
        },
        true);
    Press(Main, TNavigateBtn::nbEdit);

    const std::vector<TRow> Edited = ReadRows(File);
    ASSERT_EQ(Edited.size(), 2u);
    EXPECT_EQ(Edited[0].RowId, Rows[0].RowId);
    EXPECT_EQ(S(Edited[0].Name), "Garden plan, final");
    EXPECT_GE(Edited[0].LastUpdate, Rows[0].LastUpdate);
    EXPECT_EQ(ShapesIn(Edited[0].Draw), 2);
    EXPECT_EQ(ShapesIn(Edited[1].Draw), 3);
    EXPECT_EQ(Main.MyDraxa1()->ShapeCount(), 2);
    EXPECT_EQ(S(Main.edtName()->text()), "Garden plan, final");
    EXPECT_EQ(S(Script.Messages.join('|')), "Save success!|Save success!");
}

TEST_F(AppTest, CancelWritesNothing) {
    ASSERT_TRUE(Store.Insert(QStringLiteral("Kept"), QDateTime::currentDateTime(), DrawingOf(1)));
    TMainForm Main(Store);
    const std::vector<TRow> Before = ReadRows(File);

    QueueEditor([](TEditForm& Edit) { AddRectangle(Edit, 40); }, false);
    Press(Main, TNavigateBtn::nbInsert);
    EXPECT_EQ(ReadRows(File).size(), 1u);

    QueueEditor(
        [](TEditForm& Edit) {
            Edit.edtName()->setText(QStringLiteral("Changed"));
            AddRectangle(Edit, 200);
        },
        false);
    Press(Main, TNavigateBtn::nbEdit);
    const std::vector<TRow> After = ReadRows(File);
    ASSERT_EQ(After.size(), 1u);
    EXPECT_EQ(S(After[0].Name), "Kept");
    EXPECT_EQ(After[0].Draw, Before[0].Draw);
    EXPECT_TRUE(Script.Messages.isEmpty());
    EXPECT_EQ(S(Main.edtName()->text()), "Kept");
}

TEST_F(AppTest, NavigatorMovesAndDeletesAfterConfirmation) {
    for (const char* Name : {"one", "two", "three"})
        ASSERT_TRUE(Store.Insert(QString::fromLatin1(Name), QDateTime::currentDateTime(), DrawingOf(1)));
    TMainForm Main(Store);
    TDBNavigator& Nav = *Main.DBNavigator1();
    EXPECT_EQ(S(Main.edtName()->text()), "one");
    EXPECT_FALSE(Nav.Button(TNavigateBtn::nbPrior)->isEnabled());

    struct TStep {
        TNavigateBtn Button;
        const char* Shows;
    } Steps[] = {
        {TNavigateBtn::nbNext, "two"},  {TNavigateBtn::nbLast, "three"},  {TNavigateBtn::nbPrior, "two"},
        {TNavigateBtn::nbFirst, "one"}, {TNavigateBtn::nbRefresh, "one"},
    };
    for (const TStep& Step : Steps) {
        Nav.Button(Step.Button)->click();
        EXPECT_EQ(S(Main.edtName()->text()), Step.Shows) << int(Step.Button);
    }
    Nav.Button(TNavigateBtn::nbLast)->click();
    EXPECT_FALSE(Nav.Button(TNavigateBtn::nbNext)->isEnabled());

    // "No" keeps the record; "Yes" deletes it and the window moves on.
    Script.MessageResults = {mrNo};
    Press(Main, TNavigateBtn::nbDelete);
    EXPECT_EQ(S(Script.Messages.join('|')), "Delete record?");
    EXPECT_EQ(ReadRows(File).size(), 3u);
    EXPECT_EQ(S(Main.edtName()->text()), "three");

    Script.MessageResults = {mrYes};
    Press(Main, TNavigateBtn::nbDelete);
    std::vector<TRow> Rows = ReadRows(File);
    ASSERT_EQ(Rows.size(), 2u);
    EXPECT_EQ(S(Rows[1].Name), "two");
    EXPECT_EQ(S(Main.edtName()->text()), "two"); // the deleted record was the last one

    Script.MessageResults = {mrYes, mrYes};
    Press(Main, TNavigateBtn::nbDelete);
    Press(Main, TNavigateBtn::nbDelete);
    EXPECT_TRUE(ReadRows(File).empty());
    EXPECT_EQ(S(Main.edtName()->text()), "");
    EXPECT_EQ(Main.MyDraxa1()->ShapeCount(), 0);
    EXPECT_FALSE(Nav.Button(TNavigateBtn::nbDelete)->isEnabled());
    EXPECT_FALSE(Nav.Button(TNavigateBtn::nbEdit)->isEnabled());
}

TEST_F(AppTest, DamagedOrEmptyDrawingsShowNothingAndLoseNothing) {
    const QByteArray Damaged = DrawingOf(2).left(300) + QByteArray("\xff\xff\xff\x7f garbage", 12);
    ASSERT_TRUE(Store.Insert(QStringLiteral("Good"), QDateTime::currentDateTime(), DrawingOf(2)));
    ASSERT_TRUE(Store.Insert(QStringLiteral("Broken"), QDateTime::currentDateTime(), Damaged));
    ASSERT_TRUE(Store.Insert(QStringLiteral("Blank"), QDateTime::currentDateTime(), QByteArray()));
    TMainForm Main(Store);
    EXPECT_EQ(Main.MyDraxa1()->ShapeCount(), 2);
    EXPECT_TRUE(Script.Messages.isEmpty());

    // A damaged drawing: the user hears which record it is, and the window
    // does not go on showing the previous record's drawing.
    Press(Main, TNavigateBtn::nbNext);
    ASSERT_EQ(Script.Messages.size(), 1);
    EXPECT_TRUE(Script.Messages[0].contains(QStringLiteral("\"Broken\""))) << S(Script.Messages[0]);
    EXPECT_EQ(S(Main.edtName()->text()), "Broken");
    EXPECT_EQ(Main.MyDraxa1()->ShapeCount(), 0);

    // It cannot be edited either: the editor stays shut rather than offer to
    // overwrite the record with an empty drawing.
    Press(Main, TNavigateBtn::nbEdit);
    EXPECT_EQ(Script.Messages.size(), 2);
    EXPECT_FALSE(Script.Calls.contains(QStringLiteral("ExecuteModal")));
    EXPECT_EQ(ReadRows(File)[1].Draw, Damaged);

    // An empty blob is an empty drawing, with no complaint.
    Press(Main, TNavigateBtn::nbPrior);
    EXPECT_EQ(Main.MyDraxa1()->ShapeCount(), 2);
    Press(Main, TNavigateBtn::nbLast);
    EXPECT_EQ(S(Main.edtName()->text()), "Blank");
    EXPECT_EQ(Main.MyDraxa1()->ShapeCount(), 0);
    EXPECT_EQ(Script.Messages.size(), 2); // nothing since "Broken"
}

TEST_F(AppTest, ToolButtonsFollowTheSurface) {
    TMainForm Main(Store);
    TEditForm& Edit = *Main.EditForm();
    TMyDraxa& D = *Edit.DraxaEdit();
    EXPECT_EQ(Edit.ToolButtons()->buttons().size(), 14);
    EXPECT_TRUE(Edit.ToolButtons()->exclusive());
    EXPECT_TRUE(Edit.sbtnSelecting()->isChecked());

    Edit.ToolButton(TDrawTool::SpEllipse)->click();
    EXPECT_EQ(D.ShapeTool(), TDrawTool::SpEllipse);
    Edit.ToolButton(TDrawTool::SpRectangle)->click();
    EXPECT_EQ(D.ShapeTool(), TDrawTool::SpRectangle);
    EXPECT_FALSE(Edit.sbtnSelecting()->isChecked());

    // Drawing with the mouse: the surface returns to selecting by itself and
    // the selecting button goes down with it.
    test::TMouseDriver Mouse(D);
    Mouse.Drag(TPoint{40, 40}, TPoint{150, 110});
    EXPECT_EQ(D.ShapeCount(), 1);
    EXPECT_EQ(D.ShapeTool(), TDrawTool::SpSelecting);
    EXPECT_TRUE(Edit.sbtnSelecting()->isChecked());
    EXPECT_FALSE(Edit.ToolButton(TDrawTool::SpRectangle)->isChecked());
}

TEST_F(AppTest, LoadReadsADocumentFileAndKeepsTheEditorsMode) {
    // A document whose stored Tag is neither mode.
    TMyDraxa Source;
    Source.SetTag(7);
    ASSERT_GE(
        Source.AddShapeByTool(&Source, TDrawTool::SpRectangle, QString(), Box(5, 5, 50, 50), 0, QString()),
        0);
    TMemoryStream Stream;
    ASSERT_TRUE(Source.SaveToStream(Stream));
    const QString Document = Dir.filePath(QStringLiteral("plan.tdraxa"));
    ASSERT_TRUE(Stream.SaveToFile(Document));
    const QString NotADocument = Dir.filePath(QStringLiteral("notes.tdraxa"));
    ASSERT_TRUE(TMemoryStream(QByteArray("just some notes")).SaveToFile(NotADocument));

    AppSettings().remove(TEditForm::DocumentFolderKey);
    TMainForm Main(Store);
    Script.FileNames = {Document, NotADocument};
    QueueEditor(
        [&](TEditForm& Edit) {
            Edit.btnLoad()->click();
            EXPECT_EQ(Edit.DraxaEdit()->ShapeCount(), 1);
            EXPECT_EQ(Edit.DraxaEdit()->Tag(), TEditForm::TagNew);
            EXPECT_TRUE(Script.Messages.isEmpty());
            // The first time in the user's documents, then where the last document was.
            EXPECT_EQ(S(Script.LastInitialDir),
                      S(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)));

            Edit.btnLoad()->click();
            EXPECT_EQ(Edit.DraxaEdit()->ShapeCount(), 1);
            ASSERT_EQ(Script.Messages.size(), 1);
            EXPECT_TRUE(Script.Messages[0].contains(QStringLiteral("notes.tdraxa"))) << S(Script.Messages[0]);
            Edit.edtName()->setText(QStringLiteral("Loaded"));
        },
        true);
    Press(Main, TNavigateBtn::nbInsert);

    EXPECT_EQ(S(Script.LastFilter), "TDraxa files (*.tdraxa)");
    EXPECT_EQ(S(Script.LastInitialDir), S(Dir.path()));
    // Still "new": OK added a record.
    const std::vector<TRow> Rows = ReadRows(File);
    ASSERT_EQ(Rows.size(), 1u);
    EXPECT_EQ(S(Rows[0].Name), "Loaded");
    EXPECT_EQ(ShapesIn(Rows[0].Draw), 1);
}

TEST_F(AppTest, NewImageAsksForItsPicture) {
    QImage Picture(6, 4, QImage::Format_RGB888);
    Picture.fill(Qt::darkGreen);
    const QString Good = Dir.filePath(QStringLiteral("leaf.bmp"));
    ASSERT_TRUE(Picture.save(Good, "BMP"));
    const QString Unsupported = Dir.filePath(QStringLiteral("scan.pcx"));
    ASSERT_TRUE(TMemoryStream(QByteArray("\x0A\x05\x01 a scanned page")).SaveToFile(Unsupported));
    const QString Damaged = Dir.filePath(QStringLiteral("torn.bmp"));
    ASSERT_TRUE(TMemoryStream(QByteArray("BM not really a bitmap")).SaveToFile(Damaged));

    TMainForm Main(Store);
    TEditForm& Edit = *Main.EditForm();
    TMyDraxa& D = *Edit.DraxaEdit();
    Script.PictureNames = {Good, Unsupported, Damaged, std::nullopt};

    struct TCase {
        const char* Name;
        bool GetsPicture;
        QString Message; // what the message must say; empty for no message
    } Cases[] = {
        {"a readable bitmap", true, QString()},
        {"an unsupported type", false, QStringLiteral("\"PCX\": ") + Unsupported},
        {"a damaged bitmap", false, Damaged},
        {"a cancelled dialog", false, QString()},
    };
    test::TMouseDriver Mouse(D);
    int Left = 20;
    for (const TCase& Case : Cases) {
        Script.Messages.clear();
        // Drawn with the image tool, as the user does: the surface reports
        // the new shape and the editor asks for its picture.
        Edit.ToolButton(TDrawTool::SpImage)->click();
        Mouse.Drag(TPoint{Left, 20}, TPoint{Left + 60, 60});
        Left += 90;
        ASSERT_GT(D.ShapeCount(), 0) << Case.Name;
        auto* Image = dynamic_cast<TMyImage*>(D.ShapeByIndex(D.ShapeCount() - 1));
        ASSERT_NE(Image, nullptr) << Case.Name;
        EXPECT_EQ(!Image->Bitmap().Empty(), Case.GetsPicture) << Case.Name;
        if (!Case.Message.isEmpty()) {
            ASSERT_EQ(Script.Messages.size(), 1) << Case.Name;
            EXPECT_TRUE(Script.Messages[0].contains(Case.Message)) << S(Script.Messages[0]);
        } else {
            EXPECT_TRUE(Script.Messages.isEmpty()) << Case.Name << ": " << S(Script.Messages.join('|'));
        }
    }
    EXPECT_EQ(Script.Calls.count(QStringLiteral("PromptForPicture")), 4);

    // Any other new shape asks for nothing.
    Edit.ToolButton(TDrawTool::SpRectangle)->click();
    Mouse.Drag(TPoint{100, 120}, TPoint{150, 170});
    EXPECT_EQ(Script.Calls.count(QStringLiteral("PromptForPicture")), 4);
}

// The cursor the application shows over every window, if it overrides it.
Qt::CursorShape OverrideCursor() {
    const QCursor* Cursor = QGuiApplication::overrideCursor();
    return Cursor ? Cursor->shape() : Qt::ArrowCursor;
}

TEST_F(AppTest, APictureLoadsOffTheGuiThreadAndCanBeCancelled) {
    // A metafile that takes the helper seconds to draw, and a bitmap.
    const QString Slow = Dir.filePath(QStringLiteral("slow.wmf"));
    ASSERT_TRUE(TMemoryStream(test::HugePolygonWmf()).SaveToFile(Slow));
    const QString Quick = Dir.filePath(QStringLiteral("leaf.bmp"));
    ASSERT_TRUE(test::FilledImage(6, 4, qRgb(0, 100, 0)).save(Quick, "BMP"));

    TMainForm Main(Store);
    TEditForm& Edit = *Main.EditForm();
    TMyDraxa& D = *Edit.DraxaEdit();
    struct TCase {
        const char* Name;
        QString File;
        bool Cancel;
        bool GetsPicture;
    } Cases[] = {
        {"cancelled while it loads", Slow, true, false},
        {"left to load", Quick, false, true},
    };
    test::TMouseDriver Mouse(D);
    int Left = 20;
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        Script.Messages.clear();
        Script.PictureNames = {Case.File};
        int Calls = 0;
        bool Loading = false;
        Qt::CursorShape Cursor = Qt::ArrowCursor;
        // Runs from the event loop the editor keeps going during the load.
        Edit.OnPictureLoading = [&] {
            ++Calls;
            Loading = Edit.PictureLoading();
            Cursor = OverrideCursor();
            if (Case.Cancel) Edit.CancelPictureLoad();
        };
        Edit.ToolButton(TDrawTool::SpImage)->click();
        Mouse.Drag(TPoint{Left, 20}, TPoint{Left + 60, 60});
        Left += 90;
        EXPECT_EQ(Calls, 1);
        EXPECT_TRUE(Loading);
        EXPECT_EQ(Cursor, Qt::BusyCursor);
        auto* Image = dynamic_cast<TMyImage*>(D.ShapeByIndex(D.ShapeCount() - 1));
        ASSERT_NE(Image, nullptr);
        EXPECT_EQ(!Image->Bitmap().Empty(), Case.GetsPicture);
        // A cancel is the user's own choice: nothing to tell.
        EXPECT_TRUE(Script.Messages.isEmpty()) << S(Script.Messages.join('|'));
        EXPECT_FALSE(Edit.PictureLoading());
        EXPECT_EQ(OverrideCursor(), Qt::ArrowCursor);
    }
}

TEST_F(AppTest, AHeldLockKeepsTheWindowsRunningUnderABusyCursor) {
    Store.OnLockWait = BusyWaitHandler();
    TMainForm Main(Store);
    test::TOtherWriter Other(File);
    ASSERT_TRUE(Other.Exec(QStringLiteral("BEGIN IMMEDIATE")));
    // A timer can only fire while the save waits if the GUI thread keeps
    // handling events; it ends the other program's write.
    Qt::CursorShape Cursor = Qt::ArrowCursor;
    QTimer::singleShot(200, [&] {
        Cursor = OverrideCursor();
        Other.Exec(QStringLiteral("ROLLBACK"));
    });
    QueueEditor(
        [](TEditForm& Edit) {
            Edit.edtName()->setText(QStringLiteral("Patient"));
            AddRectangle(Edit, 40);
        },
        true);
    Press(Main, TNavigateBtn::nbInsert);
    const std::vector<TRow> Rows = ReadRows(File);
    ASSERT_EQ(Rows.size(), 1u);
    EXPECT_EQ(S(Rows[0].Name), "Patient");
    EXPECT_EQ(S(Script.Messages.join('|')), "Save success!");
    EXPECT_EQ(Cursor, Qt::BusyCursor);
    EXPECT_EQ(OverrideCursor(), Qt::ArrowCursor);
}

// ---- saves that meet someone else's, or cannot be written ----------------------

TEST_F(AppTest, TwoEditorsOfOneRecordGetOneSuccessAndOneConflict) {
    ASSERT_TRUE(Store.Insert(QStringLiteral("Plan"), QDateTime::currentDateTime(), DrawingOf(1)));
    TDrawingsStore TheirStore;
    ASSERT_TRUE(TheirStore.OpenSQLite(File));
    TMainForm Main(Store), Theirs(TheirStore);
    // Another program opens the same record, adds Count rectangles and saves.
    const auto TheyAdd = [&](int Count) {
        QueueEditor(
            [Count](TEditForm& Edit) {
                for (int I = 0; I < Count; ++I) AddRectangle(Edit, 40.0f + 100 * I);
            },
            true);
        Press(Theirs, TNavigateBtn::nbEdit);
    };

    Script.QueueModal([&](QDialog& D) {
        auto& Edit = dynamic_cast<TEditForm&>(D);
        AddRectangle(Edit, 200);
        TheyAdd(2);

        // Told, nothing written, the drawing still open; Cancel goes back to it.
        Script.MessageResults = {mrCancel};
        Edit.bbtnOK()->click();
        EXPECT_EQ(Script.Messages.size(), 2);
        EXPECT_TRUE(Script.Messages.value(1).startsWith(
            QStringLiteral("Someone else has saved the drawing \"Plan\"")))
            << S(Script.Messages.value(1));
        EXPECT_EQ(Edit.DraxaEdit()->ShapeCount(), 2);
        EXPECT_EQ(ShapesIn(ReadRows(File)[0].Draw), 3);

        // No: the drawing as saved now replaces it, and OK then saves over it.
        TheyAdd(1);
        Script.MessageResults = {mrNo};
        Edit.bbtnOK()->click();
        EXPECT_EQ(Edit.DraxaEdit()->ShapeCount(), 4);
        EXPECT_EQ(Edit.DraxaEdit()->Tag(), TEditForm::TagExisting);
        AddRectangle(Edit, 300);
        Edit.bbtnOK()->click();
        return D.result();
    });
    Press(Main, TNavigateBtn::nbEdit);
    EXPECT_EQ(ShapesIn(ReadRows(File)[0].Draw), 5);

    // Yes: kept as a new drawing, saved under another name; theirs stays.
    Script.QueueModal([&](QDialog& D) {
        auto& Edit = dynamic_cast<TEditForm&>(D);
        AddRectangle(Edit, 20);
        TheyAdd(1);
        Script.MessageResults = {mrYes};
        Edit.bbtnOK()->click();
        EXPECT_EQ(Edit.DraxaEdit()->Tag(), TEditForm::TagNew);
        Edit.edtName()->setText(QStringLiteral("Plan, my version"));
        Edit.bbtnOK()->click();
        return D.result();
    });
    Press(Main, TNavigateBtn::nbEdit);
    const std::vector<TRow> Rows = ReadRows(File);
    ASSERT_EQ(Rows.size(), 2u);
    EXPECT_EQ(S(Rows[0].Name), "Plan");
    EXPECT_EQ(ShapesIn(Rows[0].Draw), 6);
    EXPECT_EQ(S(Rows[1].Name), "Plan, my version");
    EXPECT_EQ(ShapesIn(Rows[1].Draw), 6);
    EXPECT_EQ(Script.Messages.filter(QStringLiteral("Someone else")).size(), 3);
}

TEST_F(AppTest, ASaveThatCannotBeWrittenKeepsTheEditorAndItsDrawing) {
    // A short wait for the lock keeps the test quick.
    Store.Close();
    ASSERT_TRUE(Store.OpenSQLite(File, 50));
    ASSERT_TRUE(Store.Insert(QStringLiteral("Plan"), QDateTime::currentDateTime(), DrawingOf(1)));
    TMainForm Main(Store);
    test::TOtherWriter Other(File);
    struct TCase {
        const char* Name;
        std::function<bool()> Block, Unblock;
        const char* Told;
        int Added; // rectangles the drawing grows by
    } Cases[] = {
        {"another program holds the lock", [&] { return Other.Exec(QStringLiteral("BEGIN IMMEDIATE")); },
         [&] { return Other.Exec(QStringLiteral("ROLLBACK")); }, "another program is writing", 2},
        // The file may not grow beyond its present size.
        {"the disk is full", [&] { return test::LimitStorePages(File, 1); },
         [&] { return test::LimitStorePages(File, 1000000); }, "is full", 100},
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        Script.Messages.clear();
        const std::vector<TRow> Before = ReadRows(File);
        Script.QueueModal([&](QDialog& D) {
            auto& Edit = dynamic_cast<TEditForm&>(D);
            for (int I = 0; I < Case.Added; ++I) AddRectangle(Edit, 10.0f + 3 * I);
            const int Shapes = Edit.DraxaEdit()->ShapeCount();
            EXPECT_TRUE(Case.Block());
            Edit.bbtnOK()->click();
            EXPECT_EQ(Script.Messages.size(), 1);
            EXPECT_TRUE(Script.Messages.join('|').contains(QLatin1String(Case.Told)))
                << S(Script.Messages.join('|'));
            EXPECT_EQ(Edit.DraxaEdit()->ShapeCount(), Shapes);
            EXPECT_EQ(ReadRows(File)[0].Draw, Before[0].Draw);
            // Once the obstacle is gone the same drawing saves.
            EXPECT_TRUE(Case.Unblock());
            Edit.bbtnOK()->click();
            EXPECT_EQ(ShapesIn(ReadRows(File)[0].Draw), Shapes);
            return D.result();
        });
        Press(Main, TNavigateBtn::nbEdit);
        EXPECT_EQ(S(Script.Messages.last()), "Save success!");
    }
}

// ---- handlers that fail, presses that lose the mouse -------------------------------

TEST_F(AppTest, WhatASurfaceHandlerThrowsIsToldAndTheEditorGoesOn) {
    TMainForm Main(Store);
    TEditForm& Edit = *Main.EditForm();
    TMyDraxa& D = *Edit.DraxaEdit();
    // Each broken handler fails once, as a passing fault would.
    int Shots = 0;
    const auto Boom = [&Shots] {
        if (Shots > 0) {
            --Shots;
            throw std::runtime_error("boom");
        }
    };
    const TShapeAdded EditorsOwn = D.OnShapeAdded;
    struct TCase {
        const char* Name;
        std::function<void()> Break, Mend;
        const char* Told;
    } Cases[] = {
        {"press", [&] { D.OnMouseDown = [&](QObject*, TMouseButton, TShiftState, int, int) { Boom(); }; },
         [&] { D.OnMouseDown = nullptr; }, "Handling the mouse press on the drawing failed: boom"},
        {"move", [&] { D.OnMouseMove = [&](QObject*, TShiftState, int, int) { Boom(); }; },
         [&] { D.OnMouseMove = nullptr; }, "Handling the mouse move on the drawing failed: boom"},
        {"shape added", [&] { D.OnShapeAdded = [&](TMyShape*&, int) { Boom(); }; },
         [&] { D.OnShapeAdded = EditorsOwn; }, "Handling the mouse release on the drawing failed: boom"},
        // Painting runs first thing in the press, to clear the screen of outlines.
        {"paint", [&] { D.OnPaint = [&](QObject*) { Boom(); }; }, [&] { D.OnPaint = nullptr; },
         "Handling the mouse press on the drawing failed: boom"},
    };
    test::TMouseDriver Mouse(D);
    int Left = 10;
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        Script.Messages.clear();
        D.Invalidate();
        Shots = 1;
        Case.Break();
        Edit.ToolButton(TDrawTool::SpRectangle)->click();
        Mouse.Drag(TPoint{Left, 20}, TPoint{Left + 40, 60});
        EXPECT_EQ(S(Script.Messages.join('|')), Case.Told);
        EXPECT_FALSE(D.MouseIsDown());
        EXPECT_FALSE(D.CursorConfinement());
        EXPECT_FALSE(D.PaintBusy());

        // The surface works as before.
        Case.Mend();
        const int Count = D.ShapeCount();
        Edit.ToolButton(TDrawTool::SpRectangle)->click();
        Mouse.Drag(TPoint{Left, 120}, TPoint{Left + 40, 160});
        EXPECT_EQ(D.ShapeCount(), Count + 1);
        D.Repaint();
        EXPECT_GT(test::CountScreenPixels(D, Rect(Left, 120, Left + 41, 161), clBlack), 0);
        EXPECT_EQ(Script.Messages.size(), 1);
        Left += 90;
    }
}

TEST_F(AppTest, APressThatLosesTheMouseEndsWithoutAHalfShape) {
    TMainForm Main(Store);
    TEditForm& Edit = *Main.EditForm();
    TMyDraxa& D = *Edit.DraxaEdit();
    test::TMouseDriver Mouse(D);
    const auto Send = [&](QEvent::Type Type) {
        QEvent Event(Type);
        QCoreApplication::sendEvent(&D, &Event);
    };
    struct TCase {
        const char* Name;
        std::function<void()> TakeTheMouse; // during the drag
    } Cases[] = {
        {"the window is deactivated", [&] { Send(QEvent::WindowDeactivate); }},
        // A handler opens a modal window: it deactivates ours from inside the handler.
        {"a handler opens a modal window",
         [&] {
             D.OnMouseMove = [&](QObject*, TShiftState, int, int) {
                 D.OnMouseMove = nullptr;
                 Send(QEvent::WindowDeactivate);
             };
             Mouse.Move(80, 80);
         }},
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        Edit.ToolButton(TDrawTool::SpRectangle)->click();
        D.Repaint();
        const QImage Before = D.ScreenImage().copy();
        Mouse.Press(20, 20);
        Mouse.Move(60, 60);
        Case.TakeTheMouse();
        EXPECT_FALSE(D.MouseIsDown());
        EXPECT_FALSE(D.CursorConfinement());
        Mouse.Release(100, 100); // it arrives after all: nothing comes of it
        EXPECT_EQ(D.ShapeCount(), 0);
        D.RenderNow();
        EXPECT_TRUE(D.ScreenImage() == Before) << "the outline stays behind";
        // The next drag draws a rectangle of its own, with nothing left over.
        Mouse.Drag(TPoint{200, 140}, TPoint{260, 200});
        ASSERT_EQ(D.ShapeCount(), 1);
        EXPECT_EQ(D.ShapeByIndex(0)->GetPoint(0), (TMyPoint{200, 140}));
        D.Clear();
    }

    // A polyline keeps the vertices of its earlier clicks and goes on.
    Edit.ToolButton(TDrawTool::SpPolyLine)->click();
    Mouse.Click(20, 20);
    Mouse.Click(100, 20);
    Mouse.Press(100, 100);
    Send(QEvent::WindowDeactivate);
    Mouse.Release(100, 100);
    EXPECT_EQ(D.ShapeCount(), 0);
    Mouse.DoubleClick(20, 100);
    ASSERT_EQ(D.ShapeCount(), 1);
    EXPECT_EQ(D.ShapeByIndex(0)->GetPoint(0), (TMyPoint{20, 20}));
    EXPECT_EQ(D.ShapeByIndex(0)->GetPoint(1), (TMyPoint{100, 20}));
}

// The list beside the navigator: search, order, following the navigator
// both ways, and a double-click to edit.
TEST_F(AppTest, TheListOfDrawingsSearchesSortsAndFollowsTheNavigator) {
    const QDateTime Noon(QDate(2024, 3, 1), QTime(12, 0));
    ASSERT_TRUE(Store.Insert(QStringLiteral("Pump house"), Noon, DrawingOf(1)));
    ASSERT_TRUE(Store.Insert(QStringLiteral("Garden"), Noon.addDays(2), DrawingOf(2)));
    ASSERT_TRUE(Store.Insert(QStringLiteral("Pump room"), Noon.addDays(1), DrawingOf(3)));
    TMainForm Main(Store);
    TDrawingsList& List = *Main.DrawingsList();
    QListWidget& Rows = *List.lstDrawings();
    const auto Names = [&] {
        QStringList N;
        for (int I = 0; I < Rows.count(); ++I) N << Rows.item(I)->toolTip();
        return S(N.join(QLatin1Char('|')));
    };
    EXPECT_NE(Main.minimumSize(), Main.maximumSize()) << "resizable";
    EXPECT_EQ(Names(), "Garden|Pump house|Pump room");
    EXPECT_FALSE(Rows.item(0)->icon().isNull()) << "a picture of each drawing";
    EXPECT_EQ(S(Rows.currentItem()->toolTip()), "Pump house") << "the navigator's record";

    List.edtSearch()->setText(QStringLiteral("PUMP"));
    EXPECT_EQ(Names(), "Pump house|Pump room");
    List.cbSort()->setCurrentIndex(1);
    emit List.cbSort()->activated(1);
    EXPECT_EQ(Names(), "Pump room|Pump house") << "newest first";

    // Choosing a row shows it; the navigator moves the row.
    Rows.setCurrentRow(0);
    EXPECT_EQ(S(Main.edtName()->text()), "Pump room");
    EXPECT_EQ(Main.MyDraxa1()->ShapeCount(), 3);
    Press(Main, TNavigateBtn::nbFirst);
    EXPECT_EQ(S(Rows.currentItem()->toolTip()), "Pump house");
    Press(Main, TNavigateBtn::nbNext);
    EXPECT_EQ(Rows.currentItem(), nullptr) << "Garden is not listed";

    // A double-click edits; a new name is listed at once.
    QueueEditor([](TEditForm& Edit) { Edit.edtName()->setText(QStringLiteral("Pump shed")); }, true);
    emit Rows.itemDoubleClicked(Rows.item(1));
    EXPECT_EQ(S(Main.edtName()->text()), "Pump shed");
    EXPECT_EQ(Names(), "Pump shed|Pump room");
    EXPECT_EQ(S(Rows.currentItem()->toolTip()), "Pump shed");
}

TEST_F(AppTest, TheMainWindowOpensAsItWasLeft) {
    AppSettings().remove(TMainForm::GeometryKey);
    TDrawingsStore Second;
    ASSERT_TRUE(Second.OpenSQLite(File));
    {
        TMainForm First(Store);
        First.show();
        First.resize(1000, 600);
        First.close();
    }
    TMainForm Again(Second);
    EXPECT_EQ(Again.size(), QSize(1000, 600));
    AppSettings().remove(TMainForm::GeometryKey);
}

} // namespace
} // namespace draxa
