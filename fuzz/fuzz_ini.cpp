// Feeds arbitrary bytes to the INI reader as a file's content would come, then reads every
// section and key, changes a few, and checks that the rewritten text reads back the same.

#include "platform/rtl/IniFiles.h"
#include "platform/rtl/StringList.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

QStringList Read(TMemIniFile& ini) {
    QStringList out;
    TStringList sections, keys;
    ini.ReadSections(sections);
    for (int i = 0; i < sections.Count(); ++i) {
        const QString section = sections[i];
        Check(ini.SectionExists(section));
        ini.ReadSection(section, keys);
        for (int k = 0; k < keys.Count(); ++k) {
            Check(ini.ValueExists(section, keys[k]));
            out << section + QLatin1Char('|') + keys[k] + QLatin1Char('|') +
                       ini.ReadString(section, keys[k], QString());
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    TMemIniFile ini{QString()};
    ini.LoadFromBytes(bytes);
    const QStringList before = Read(ini);

    TStringList sections;
    ini.ReadSections(sections);
    for (int i = 0; i < sections.Count(); ++i) {
        const QString section = sections[i];
        (void)ini.ReadInteger(section, QStringLiteral("x"), 0);
        (void)ini.ReadBool(section, QStringLiteral("b"), false);
        (void)ini.ReadFloat(section, QStringLiteral("f"), 0);
        (void)ini.ReadDateTime(section, QStringLiteral("d"), 0);
        TStringList values;
        ini.ReadSectionValues(section, values);
    }

    // The image as lines, through a string list and back, must read the same.
    TStringList lines;
    ini.GetStrings(lines);
    TMemIniFile copy{QString()};
    copy.SetStrings(lines);
    Check(Read(copy) == before);

    // Writes, a delete and an erase, then the rewritten text must still agree with the image.
    try {
        copy.WriteString(QStringLiteral("fuzz"), QStringLiteral("k"), QStringLiteral("  v  "));
        if (sections.Count() > 0) {
            const QString first = sections[0];
            copy.WriteString(first, QStringLiteral("added"), QStringLiteral("\"q\""));
            TStringList keys;
            copy.ReadSection(first, keys);
            if (keys.Count() > 0) {
                copy.WriteString(first, keys[0], QStringLiteral("changed"));
                Check(copy.ReadString(first, keys[0], QString()) == QLatin1String("changed"));
                copy.DeleteKey(first, keys[keys.Count() - 1]);
            }
            if (sections.Count() > 1)
                copy.EraseSection(sections[sections.Count() - 1]);
        }
    } catch (const EIniFileException&) {
        // a section name read from the input may be one that cannot be written back
    }
    const QStringList after = Read(copy);
    TStringList rewritten;
    copy.GetStrings(rewritten);
    TMemIniFile reread{QString()};
    reread.SetStrings(rewritten);
    Check(Read(reread) == after);
    return 0;
}
