#include "app/command_line_export.h"

#include "app/drawings_store.h"
#include "foundation/dialogs.h"
#include "foundation/streams.h"
#include "surface/draxa.h"

#include <QFileInfo>

#include <cstdio>
#include <cstring>
#include <vector>

namespace draxa {

namespace {

void Say(const QString& Text) {
    std::fprintf(stderr, "tdraxa: %s\n", qPrintable(Text));
}

// Without a person at the screen, what would be a box is a line on
// standard error, and every question is answered "no".
class TConsoleDialogs : public TDialogs {
public:
    void ShowMessage(const QString& Text) override { Say(Text); }
    TModalResult MessageDlg(const QString& Text, TMsgDlgType, TMsgDlgButtons) override {
        Say(Text);
        return mrCancel;
    }
    TModalResult ExecuteModal(QDialog&) override { return mrCancel; }
    bool PromptForFileName(QString&, const QString&, const QString&, const QString&,
                           const QString&) override {
        return false;
    }
    bool PromptForPicture(QString&, const QString&) override { return false; }
    void Terminate() override {}
};

// The record named exactly Name; a name several records share is refused,
// since the export could be of the wrong one.
bool FindDrawing(TDrawingsStore& Store, const QString& Name, TDrawingRecord& Record) {
    std::vector<TDrawingSummary> Found;
    if (!Store.ListDrawings(Name, TDrawingsOrder::doName, Found)) {
        Say(Store.LastError());
        return false;
    }
    std::vector<int64_t> Keys;
    for (const TDrawingSummary& S : Found)
        if (S.Name == Name) Keys.push_back(S.Key);
    if (Keys.empty()) {
        Say(QStringLiteral("There is no drawing named \"%1\".").arg(Name));
        return false;
    }
    if (Keys.size() > 1) {
        Say(QStringLiteral("%1 drawings are named \"%2\"; rename all but one to export it.")
                .arg(Keys.size())
                .arg(Name));
        return false;
    }
    if (!Store.Read(Keys.front(), Record)) {
        Say(Store.LastError());
        return false;
    }
    return true;
}

bool LoadDrawing(TMyDraxa& Surface, const TExportRequest& Request, TDrawingsStore* Store) {
    if (!Request.Document.isEmpty()) {
        if (!QFileInfo(Request.Document).isFile()) {
            Say(QStringLiteral("There is no document file %1.").arg(Request.Document));
            return false;
        }
        if (Surface.LoadFromFile(Request.Document)) return true;
        Say(QStringLiteral("%1 cannot be read: it is damaged or not a TDraxa drawing.")
                .arg(Request.Document));
        return false;
    }
    TDrawingRecord Record;
    if (!Store || !FindDrawing(*Store, Request.Drawing, Record)) return false;
    if (Record.Draw.isEmpty()) return true; // a record without a drawing exports an empty page
    try {
        TMemoryStream Stream(Record.Draw);
        if (Surface.LoadFromStream(Stream)) return true;
    } catch (const std::exception&) {
    }
    Say(QStringLiteral("The drawing \"%1\" cannot be read: its data are damaged.").arg(Request.Drawing));
    return false;
}

} // namespace

bool ArgumentsAskForExport(int argc, char** argv) {
    for (int I = 1; I < argc; ++I)
        if (std::strcmp(argv[I], "--export") == 0 || std::strncmp(argv[I], "--export=", 9) == 0 ||
            std::strcmp(argv[I], "--quantities") == 0)
            return true;
    return false;
}

int RunExport(const TExportRequest& Request, TDrawingsStore* Store) {
    const QString Option = Request.Quantities ? QStringLiteral("--quantities") : QStringLiteral("--export");
    if (Request.Drawing.isEmpty() == Request.Document.isEmpty()) {
        Say(QStringLiteral("%1 needs either --drawing NAME or --document FILE.").arg(Option));
        return 1;
    }
    TConsoleDialogs Console;
    TScopedDialogs UseConsole(Console);
    TMyDraxa Surface;
    if (!LoadDrawing(Surface, Request, Store)) return 1;
    if (Request.Quantities) {
        const QByteArray Csv = QuantitiesCsv(Surface.Quantities()).toUtf8();
        if (std::fwrite(Csv.constData(), 1, size_t(Csv.size()), stdout) != size_t(Csv.size()) ||
            std::fflush(stdout) != 0) {
            Say(QStringLiteral("The quantities could not be written to standard output."));
            return 1;
        }
        return 0;
    }

    const QString Kind = QFileInfo(Request.Output).suffix().toLower();
    QString Error;
    bool Done = false;
    if (Kind == QLatin1String("svg"))
        Done = Surface.ExportSvg(Request.Output, &Error);
    else if (Kind == QLatin1String("pdf"))
        Done = Surface.ExportPdf(Request.Output, &Error);
    else
        Done = Surface.ExportImage(Request.Output, Request.Dpi, false, &Error);
    if (!Done) {
        Say(Error);
        return 1;
    }
    return 0;
}

} // namespace draxa
