#pragma once
// Shared by the picture export tests: running the validators, reading tiffdump's listing, and a
// report of A4 pages built in code and prepared by the engine.

#include "report/core/rptClassReport.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// Runs a validator and returns its exit code with standard output and error merged into Output;
// a program that does not start fails the calling test (the validators are project
// dependencies) and gives -1.
int RunTool(const QString& Program, const QStringList& Arguments, QString* Output = nullptr);

// One directory of a TIFF file as tiffdump lists it.
struct TTiffDir {
    qint64 Offset = 0, Next = 0;
    // Tag number to "TYPE count<values>" as listed, e.g. 282 -> "RATIONAL (5) 1<96>".
    std::vector<std::pair<int, QString>> Entries;
    QString Entry(int Tag) const;
    bool Has(int Tag) const { return !Entry(Tag).isEmpty(); }
};
// The header's first offset and the directories in file order; an empty list when the
// listing cannot be read.
std::vector<TTiffDir> ReadTiffDump(const QString& File, qint64* FirstOffset = nullptr);

// "ImageMagick compare -metric AE a b": the number of differing pixels, -1 when it failed.
long long PixelsDiffering(const QString& A, const QString& B);
// compare -metric PSNR; 1e9 for identical pictures, -1 when it failed.
double Psnr(const QString& A, const QString& B);
// identify -format "%w %h %x %y %U": width, height, resolution and its unit.
QString Identify(const QString& File);

// A report of Pages A4 pages (10 mm margins), each with a band that holds a text with the page
// number and a filled rectangle; prepared at construction.
struct TPagesReport {
    explicit TPagesReport(int Pages, TrptSilentMode Mode = simSilent);
    std::unique_ptr<TrptReport> Report;
    bool Prepared = false;
};
