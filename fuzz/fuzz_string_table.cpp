// libFuzzer target over the report string table's loader (language files, built-in tables): any
// bytes either load or raise "Invalid file format" or a conversion error, and a load that raises
// leaves every text and the script engine's messages as they were.
#include "platform/rtl/Exceptions.h"
#include "platform/sys/Program.h"
#include "report/core/rptRes.h"
#include "report/core/rptXML.h"
#include "script/sc_iconst.h"

#include <QDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // An empty program folder: the table's language scan finds nothing.
    const QString folder = QDir::tempPath() + QStringLiteral("/korvel_fuzz_string_table");
    QDir().mkpath(folder);
    SetProgramFolder(folder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TrptResources table;
    table.AddW(QStringLiteral("clPageOf"), QStringLiteral("Page %d of %d"));
    table.AddW(QStringLiteral("SForError"), QStringLiteral("kept"));
    table.UpdateSCResources();
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        table.AddXML(bytes);
    } catch (const Exception& e) {
        const bool expected = e.InheritsFrom(QStringLiteral("TrptInvalidXMLException")) ||
                              e.InheritsFrom(QStringLiteral("EConvertError"));
        if (!expected || table.Count() != 2 || table.Get(QStringLiteral("CLPAGEOF")) != QLatin1String("Page %d of %d") ||
            SForError != QLatin1String("kept"))
            __builtin_trap();
        return 0;
    }
    // A load that went through copied the table's text into the engine.
    if (SForError != table.Get(QStringLiteral("SForError"))) __builtin_trap();
    return 0;
}
