// Exporting a drawing from the command line, without a window:
//   tdraxa --export OUT.{png,svg,pdf,...} --drawing NAME   (a drawing of the store)
//   tdraxa --export OUT.{png,svg,pdf,...} --document FILE  (a document file)
// A picture is made at --dpi dots per inch (96 unless given).
//   tdraxa --quantities --drawing NAME | --document FILE
// prints the drawing's quantities (count, length and area per layer and
// shape class, in its unit at its scale) as CSV on standard output.
#pragma once

#include <QString>

namespace draxa {

class TDrawingsStore;

struct TExportRequest {
    QString Output;   // the file to write; its extension chooses the kind
    QString Drawing;  // the name of a drawing of the store, or
    QString Document; // a document file
    int Dpi = 96;
    bool Quantities = false; // print the quantities instead of writing Output
};

// True when the arguments ask for an export or the quantities (the program
// then needs no display: it looks before the application object exists).
bool ArgumentsAskForExport(int argc, char** argv);

// Writes the export, or the quantities to standard output. Messages that the surface would show in a box go
// to standard error instead. Returns the process's exit status: 0 when the file was written, 1 with a message
// on standard error otherwise. Store may be nullptr when a document file is exported.
int RunExport(const TExportRequest& Request, TDrawingsStore* Store);

} // namespace draxa
