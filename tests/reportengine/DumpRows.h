#pragma once
// Reading the dump band by band: every top-level band of a page with its objects.

#include <QList>
#include <QString>

struct TDumpObject {
    QString Class, Name, Text;
    double Left = 0, Top = 0, Width = 0, Height = 0;
};

struct TDumpBand {
    int Page = 0; // 0-based
    TDumpObject Band;
    QList<TDumpObject> Objects;
    const TDumpObject* Find(const QString& Name) const;
    QString TextOf(const QString& Name) const;
};

QList<TDumpBand> DumpBands(const QString& Dump);
// Only the bands of one class.
QList<TDumpBand> DumpBands(const QString& Dump, const QString& ClassName);
// The band names in output order, with the text of the first object in brackets when it has one.
QStringList BandTrail(const QString& Dump);
