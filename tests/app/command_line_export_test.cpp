// The program's export from the command line, run as a user runs it: a
// separate process, no window, a status and a message for every failure.
#include "app/drawings_store.h"
#include "common/program_run.h"
#include "foundation/streams.h"
#include "surface/draxa.h"

#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

using namespace draxa;

namespace {

using TRun = test::TProgramRun;

TRun RunProgram(const QStringList& Arguments) {
    return test::RunWithoutDisplay(QStringLiteral(DRAXA_PROGRAM), Arguments);
}

QByteArray DocumentWithABox() {
    TMyDraxa S;
    S.SetPageStyle(TPageStyle::A5);
    S.AddShapeByTool(&S, TDrawTool::SpRectangle, QStringLiteral("Box"),
                     {{40, 40}, {200, 40}, {200, 120}, {40, 120}}, 0, QString());
    TMemoryStream M;
    EXPECT_TRUE(S.SaveToStream(M));
    return M.ToByteArray();
}

} // namespace

TEST(CommandLineExport, WritesDrawingsOfTheStoreAndDocumentFiles) {
    QTemporaryDir Dir;
    ASSERT_TRUE(Dir.isValid());
    const QString Database = Dir.filePath(QStringLiteral("drawings.db"));
    const QByteArray Document = DocumentWithABox();
    {
        TDrawingsStore Store;
        ASSERT_TRUE(Store.OpenSQLite(Database));
        const QDateTime Now = QDateTime::currentDateTime();
        ASSERT_TRUE(Store.Insert(QStringLiteral("Plan"), Now, Document));
        ASSERT_TRUE(Store.Insert(QStringLiteral("Twin"), Now, Document));
        ASSERT_TRUE(Store.Insert(QStringLiteral("Twin"), Now, Document));
        ASSERT_TRUE(Store.Insert(QStringLiteral("Broken"), Now, QByteArray("not a drawing")));
    }
    const QString Pdf = Dir.filePath(QStringLiteral("plan.pdf"));
    TRun Run = RunProgram({QStringLiteral("--database"), Database, QStringLiteral("--export"), Pdf,
                           QStringLiteral("--drawing"), QStringLiteral("Plan")});
    ASSERT_EQ(Run.Status, 0) << Run.Errors.toStdString();
    QFile Written(Pdf);
    ASSERT_TRUE(Written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(Written.read(5) == "%PDF-");

    const QString DocumentFile = Dir.filePath(QStringLiteral("box.tdraxa"));
    QFile F(DocumentFile);
    ASSERT_TRUE(F.open(QIODevice::WriteOnly));
    F.write(Document);
    F.close();
    const QString Png = Dir.filePath(QStringLiteral("box.png"));
    Run = RunProgram({QStringLiteral("--export"), Png, QStringLiteral("--document"), DocumentFile,
                      QStringLiteral("--dpi"), QStringLiteral("150")});
    ASSERT_EQ(Run.Status, 0) << Run.Errors.toStdString();
    EXPECT_EQ(QImage(Png).width(), std::lround(148 * 150 / 25.4)) << "an A5 page at 150 dpi";

    const QString Svg = Dir.filePath(QStringLiteral("box.svg"));
    Run = RunProgram({QStringLiteral("--export"), Svg, QStringLiteral("--document"), DocumentFile});
    ASSERT_EQ(Run.Status, 0) << Run.Errors.toStdString();
    EXPECT_TRUE(QFile::exists(Svg));
}

TEST(CommandLineExport, FailuresEndWithAStatusAndAMessage) {
    QTemporaryDir Dir;
    ASSERT_TRUE(Dir.isValid());
    const QString Database = Dir.filePath(QStringLiteral("drawings.db"));
    {
        TDrawingsStore Store;
        ASSERT_TRUE(Store.OpenSQLite(Database));
        const QDateTime Now = QDateTime::currentDateTime();
        ASSERT_TRUE(Store.Insert(QStringLiteral("Twin"), Now, DocumentWithABox()));
        ASSERT_TRUE(Store.Insert(QStringLiteral("Twin"), Now, DocumentWithABox()));
        ASSERT_TRUE(Store.Insert(QStringLiteral("Broken"), Now, QByteArray("not a drawing")));
    }
    const QString Out = Dir.filePath(QStringLiteral("out.pdf"));
    const QString Garbage = Dir.filePath(QStringLiteral("garbage.tdraxa"));
    QFile G(Garbage);
    ASSERT_TRUE(G.open(QIODevice::WriteOnly));
    G.write("KW.j but nothing that follows makes sense");
    G.close();
    const struct {
        const char* Name;
        QStringList Arguments;
        const char* Said;
    } Cases[] = {
        {"no such drawing", {QStringLiteral("--drawing"), QStringLiteral("Missing")}, "no drawing named"},
        {"a name two drawings share", {QStringLiteral("--drawing"), QStringLiteral("Twin")}, "2 drawings"},
        {"a damaged drawing", {QStringLiteral("--drawing"), QStringLiteral("Broken")}, "cannot be read"},
        {"no such document",
         {QStringLiteral("--document"), Dir.filePath(QStringLiteral("none"))},
         "no document"},
        {"a damaged document", {QStringLiteral("--document"), Garbage}, "cannot be read"},
        {"nothing to export", {}, "--drawing NAME or --document FILE"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        const TRun Run =
            RunProgram(QStringList{QStringLiteral("--database"), Database, QStringLiteral("--export"), Out} +
                       C.Arguments);
        EXPECT_EQ(Run.Status, 1);
        EXPECT_TRUE(Run.Errors.contains(QLatin1String(C.Said))) << Run.Errors.toStdString();
        EXPECT_FALSE(QFile::exists(Out));
    }
    const QString Document = Dir.filePath(QStringLiteral("box.tdraxa"));
    QFile D(Document);
    ASSERT_TRUE(D.open(QIODevice::WriteOnly));
    D.write(DocumentWithABox());
    D.close();
    const TRun Unwritable =
        RunProgram({QStringLiteral("--export"), Dir.filePath(QStringLiteral("no/folder/x.pdf")),
                    QStringLiteral("--document"), Document});
    EXPECT_EQ(Unwritable.Status, 1);
    EXPECT_TRUE(Unwritable.Errors.contains(QStringLiteral("Cannot write")))
        << Unwritable.Errors.toStdString();
}
