#include "foundation/printer.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

namespace draxa {

TPrinter::TPrinter(const QString& FileName, int Dpi)
    : FWriter(std::make_unique<QPdfWriter>(FileName)), FDpi(Dpi) {
    FWriter->setResolution(Dpi);
    FWriter->setPageSize(QPageSize(QPageSize::A4));
    FWriter->setPageMargins(QMarginsF(0, 0, 0, 0));
    FCanvas.SetIsPrinter(true);
}

TPrinter::~TPrinter() {
    if (FPrinting) EndDoc();
}

void TPrinter::SetMonochrome(bool V) {
    FMonochrome = V;
    FCanvas.SetNumColors(V ? 2 : -1);
}

void TPrinter::SetLandscape(bool V) {
    FWriter->setPageOrientation(V ? QPageLayout::Landscape : QPageLayout::Portrait);
}

void TPrinter::BeginDoc() {
    if (FPrinting) return;
    FPrinting = true;
    FCanvas.SetDevice(FWriter.get());
}

void TPrinter::NewPage() {
    if (!FPrinting) return;
    // Begin painting if nothing was drawn yet, so the blank first page exists.
    FCanvas.Painter();
    FWriter->newPage();
}

void TPrinter::EndDoc() {
    if (!FPrinting) return;
    FCanvas.SetDevice(nullptr); // ending the painter writes the file
    FPrinting = false;
}

int TPrinter::PageWidth() const {
    return FWriter->width();
}
int TPrinter::PageHeight() const {
    return FWriter->height();
}

} // namespace draxa
