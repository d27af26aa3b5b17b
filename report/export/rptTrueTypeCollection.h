#pragma once
// Packs one TrueType font, alone or inside a collection, into a subset for embedding: the glyphs
// the text uses keep their outlines and their numbers, every other glyph is emptied, bitmap and
// device tables are dropped, and every table gets a fresh checksum. The font data is only read;
// the subset is a new byte array.
//
// Nothing here asks the user: checksum mismatches and duplicate tables go to Problems(), which
// the export adds to its error list, since exports also run without anyone at the screen.

#include "report/export/rptTrueTypeTables.h"

#include <QList>
#include <QStringList>

#include <map>
#include <memory>
#include <vector>

enum class ChecksumFaultAction { IgnoreChecksum, ThrowException, Warn };

struct TableDirectory {
    quint32 sfntversion = 0;
    quint16 numTables = 0, searchRange = 0, entrySelector = 0, rangeShift = 0;
};

class TrueTypeFont : public TTF_Helpers {
public:
    // data is the whole file or collection; selector is where this font's directory starts.
    TrueTypeFont(const QByteArray& data, quint32 selector, ChecksumFaultAction action);
    TrueTypeFont(const TrueTypeFont&) = delete;
    TrueTypeFont& operator=(const TrueTypeFont&) = delete;

    // Reads the directory (leaving out the tags in skipTags), loads the tables the subset needs
    // and checks the checksums. May be called again; it starts afresh.
    void PrepareFont(const QStringList& skipTags);
    void AddCharacterToKeepList(quint16 glyph);
    // The subset as one complete font; the keep list is consumed, so a prepared font is packed
    // once.
    QByteArray PackFont();

    // The full name (name ID 4) of a prepared font.
    QString FullName() const;
    quint16 NumGlyphs() const;
    const QStringList& Problems() const { return FProblems; }

    // Composites deeper than this are taken for a loop in a damaged font.
    static constexpr int MaxComponentDepth = 64;

    QByteArray beginfile_ptr; // the whole data; table offsets count from its start
    ChecksumFaultAction checksum_action;
    quint32 selector_ptr; // this font's directory inside the data
    TableDirectory dir;

    CmapTableClass* cmap_table = nullptr;
    FontHeaderClass* font_header = nullptr;
    GlyphTableClass* glyph_table = nullptr;
    GlyphSubstitutionClass* gsub_table = nullptr;
    HorizontalHeaderClass* horizontal_header = nullptr;
    HorizontalMetrixClass* horizontal_metrix_table = nullptr;
    IndexToLocationClass* index_to_location = nullptr;
    KerningTableClass* kerning_table = nullptr;
    NameTableClass* name_table = nullptr;
    PostScriptClass* postscript = nullptr;
    MaximumProfileClass* profile = nullptr;
    OS2WindowsMetricsClass* windows_metrix = nullptr;
    PreProgramClass* preprogram_table = nullptr;

    // By tag, ordered as the directory is written (tags as big-endian numbers).
    std::map<quint32, std::unique_ptr<TrueTypeTable>> ListOfTables;
    std::vector<quint16> ListOfUsedGlyphs;

private:
    void ReadTableDirectory(const QStringList& skipTags);
    void LoadCoreTables();
    void CheckTablesChecksum();
    void PackGlyphs();
    std::vector<quint16> CollectKeptGlyphs();
    void WriteTableDirectory(QByteArray& out) const;
    template <class T> T* LoadTable(const char* tag, const char* missing);

    std::vector<bool> FInKeepList;
    QStringList FProblems;
    bool FPrepared = false;
};

class TrueTypeCollection : public TTF_Helpers {
public:
    TrueTypeCollection() = default;
    TrueTypeCollection(const TrueTypeCollection&) = delete;
    TrueTypeCollection& operator=(const TrueTypeCollection&) = delete;

    // A single font (00 01 00 00) or a collection ("ttcf"). The data is shared, not copied.
    void Initialize(const QByteArray& data);
    void Initialize(const char* data, qsizetype size);

    // The face the font service resolved, by its index in the file (0 for a single font).
    QByteArray PackFont(int faceIndex, const QList<quint16>& usedGlyphs);
    // The face whose full name is the report font's name with " Bold" and " Italic" as styled;
    // a single font is taken whatever its name. A collection without such a face raises, since
    // another face's outlines would not fit the glyph numbers.
    QByteArray PackFont(const QString& fontName, bool bold, bool italic, const QList<quint16>& usedGlyphs);

    int Count() const { return int(fonts_collection.size()); }
    // Problems met by the last PackFont that did not stop it (checksums, duplicate tables).
    const QStringList& Problems() const { return FProblems; }

    std::vector<std::unique_ptr<TrueTypeFont>> fonts_collection;

    static const QStringList& SkipList();
    // The name a face of the report font carries: a few localized names by their English ones,
    // then " Bold" and " Italic".
    static QString TargetName(const QString& fontName, bool bold, bool italic);

private:
    QByteArray Pack(TrueTypeFont& font, const QList<quint16>& usedGlyphs);
    QStringList FProblems;
};
