// TPrinter: a printing device behind the canvas layer. It prints into a PDF
// file, so printing works and can be checked on any machine. Its canvas
// reports itself as a printer's, which the shapes' painting recognises (pen
// widths scaled by the zoom, grey levels on a monochrome device).
#pragma once

#include "foundation/canvas.h"

#include <QString>

#include <memory>

class QPdfWriter;

namespace draxa {

class TPrinter {
public:
    // Prints into FileName at Dpi dots per inch.
    explicit TPrinter(const QString& FileName, int Dpi = 600);
    TPrinter(const TPrinter&) = delete;
    TPrinter& operator=(const TPrinter&) = delete;
    ~TPrinter();

    // A monochrome printer reports two colours; set it before BeginDoc.
    bool Monochrome() const { return FMonochrome; }
    void SetMonochrome(bool V);
    void SetLandscape(bool V);

    // Starts the document; the canvas draws on the first page.
    void BeginDoc();
    void NewPage();
    // Finishes and closes the file.
    void EndDoc();
    bool Printing() const { return FPrinting; }

    // The printer's canvas (device pixels at the printer's resolution).
    TCanvas& Canvas() { return FCanvas; }
    int PageWidth() const;
    int PageHeight() const;
    int Dpi() const { return FDpi; }

private:
    std::unique_ptr<QPdfWriter> FWriter;
    TCanvas FCanvas;
    int FDpi;
    bool FMonochrome = false;
    bool FPrinting = false;
};

} // namespace draxa
