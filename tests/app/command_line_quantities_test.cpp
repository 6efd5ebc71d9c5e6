// The quantities from the command line, run as a user runs it: a separate
// process without a display, the CSV on standard output, a status and a
// message for every failure.
#include "app/drawings_store.h"
#include "common/program_run.h"
#include "foundation/streams.h"
#include "surface/draxa.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace draxa;

namespace {

using TRun = test::TProgramRun;

TRun RunProgram(const QStringList& Arguments) {
    return test::RunWithoutDisplay(QStringLiteral(DRAXA_PROGRAM), Arguments);
}

// A 30 x 40 mm box at 1 : 100 in metres (12 m2) on a layer whose name needs
// quoting, and a line of an inch (2.54 m) on a hidden one.
QByteArray Plan() {
    TMyDraxa S;
    S.RenameLayer(S.CurrentLayer(), QStringLiteral("Ground, floor"));
    S.SetTheUNIT(TUnits::m);
    S.SetRatio(100);
    const float W = float(30 * 96 / 25.4), H = float(40 * 96 / 25.4);
    S.AddShapeByTool(&S, TDrawTool::SpRectangle, QStringLiteral("Hall"), {{0, 0}, {W, 0}, {W, H}, {0, H}}, 0,
                     QString());
    S.SetLayerVisible(S.AddLayer(QStringLiteral("Site"), true), false);
    S.AddShapeByTool(&S, TDrawTool::SpLine, QStringLiteral("Edge"), {{0, 0}, {96, 0}}, 0, QString());
    TMemoryStream M;
    EXPECT_TRUE(S.SaveToStream(M));
    return M.ToByteArray();
}

const char* const KPlanCsv = "layer,hidden,class,count,length,area,unit\r\n"
                             "\"Ground, floor\",no,TMyRectangle,1,,12,m\r\n"
                             "Site,yes,TMyLine,1,2.54,,m\r\n";

} // namespace

TEST(CommandLineQuantities, PrintsTheTableOfADrawingOrADocumentAsCsv) {
    QTemporaryDir Dir;
    ASSERT_TRUE(Dir.isValid());
    const QString Database = Dir.filePath(QStringLiteral("drawings.db"));
    {
        TDrawingsStore Store;
        ASSERT_TRUE(Store.OpenSQLite(Database));
        ASSERT_TRUE(Store.Insert(QStringLiteral("Plan"), QDateTime::currentDateTime(), Plan()));
    }
    TRun Run = RunProgram({QStringLiteral("--database"), Database, QStringLiteral("--quantities"),
                           QStringLiteral("--drawing"), QStringLiteral("Plan")});
    ASSERT_EQ(Run.Status, 0) << Run.Errors.toStdString();
    EXPECT_EQ(Run.Output.toStdString(), KPlanCsv);

    const QString File = Dir.filePath(QStringLiteral("plan.tdraxa"));
    QFile F(File);
    ASSERT_TRUE(F.open(QIODevice::WriteOnly));
    F.write(Plan());
    F.close();
    Run = RunProgram({QStringLiteral("--quantities"), QStringLiteral("--document"), File});
    ASSERT_EQ(Run.Status, 0) << Run.Errors.toStdString();
    EXPECT_EQ(Run.Output.toStdString(), KPlanCsv);

    const struct {
        const char* Name;
        QStringList Arguments;
        const char* Said;
    } Failures[] = {
        {"no such drawing",
         {QStringLiteral("--database"), Database, QStringLiteral("--quantities"), QStringLiteral("--drawing"),
          QStringLiteral("Missing")},
         "no drawing named"},
        {"nothing to measure",
         {QStringLiteral("--database"), Database, QStringLiteral("--quantities")},
         "--quantities needs either --drawing NAME or --document FILE"},
        {"with an export too",
         {QStringLiteral("--quantities"), QStringLiteral("--export"), Dir.filePath(QStringLiteral("x.pdf")),
          QStringLiteral("--document"), File},
         "cannot be used together"},
    };
    for (const auto& C : Failures) {
        SCOPED_TRACE(C.Name);
        Run = RunProgram(C.Arguments);
        EXPECT_EQ(Run.Status, 1);
        EXPECT_TRUE(Run.Output.isEmpty());
        EXPECT_TRUE(Run.Errors.contains(QLatin1String(C.Said))) << Run.Errors.toStdString();
    }
}
