#pragma once
// INI files: sections in brackets, then lines of name=value. Our own reader and writer:
//  - sections and keys stay in file order, and comments (';' or '#'), blank lines and lines
//    nobody changed are written back as they were;
//  - section and key names compare without regard to letter case (Unicode case folding, the
//    same under every locale, so Cyrillic names match too); blanks around names and values
//    are dropped, and a value enclosed in a pair of double or single quotes loses them;
//  - a line without '=' is a key with an empty value; lines before the first section belong
//    to the section with the empty name; a section that appears twice is read as one;
//  - a missing file reads as empty; a file that cannot be read or written raises
//    EIniFileException naming it;
//  - text without a byte-order mark is UTF-8 when valid, else the ANSI code page; a file is
//    written back in the encoding it was read in (UTF-8 with a mark when that encoding cannot
//    hold the new text), and a new file is UTF-8;
//  - written values that would not read back the same (blanks at the ends, enclosing quotes)
//    are quoted; names and values that cannot be stored in a line raise EIniFileException.

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Types.h"

#include <QString>

#include <memory>
#include <optional>

class TIniData;

class TCustomIniFile : public TObject {
public:
    explicit TCustomIniFile(const QString& fileName) : FFileName(fileName) {}
    ~TCustomIniFile() override = default;

    const QString& FileName() const { return FFileName; }

    virtual QString ReadString(const QString& section, const QString& ident,
                               const QString& defaultValue) = 0;
    virtual void WriteString(const QString& section, const QString& ident,
                             const QString& value) = 0;
    // The key names of a section, in file order, into the list (cleared first).
    virtual void ReadSection(const QString& section, TStrings& strings) = 0;
    // The names of all sections, in file order.
    virtual void ReadSections(TStrings& strings) = 0;
    // The section's keys as name=value lines.
    virtual void ReadSectionValues(const QString& section, TStrings& strings) = 0;
    virtual void EraseSection(const QString& section) = 0;
    virtual void DeleteKey(const QString& section, const QString& ident) = 0;
    // Writes pending changes to the file.
    virtual void UpdateFile() = 0;
    // True when the file has the section (even without keys).
    virtual bool SectionExists(const QString& section);
    virtual bool ValueExists(const QString& section, const QString& ident);

    // Decimal or hexadecimal ("$1F", "0x1F") text; anything else gives the default.
    int ReadInteger(const QString& section, const QString& ident, int defaultValue);
    void WriteInteger(const QString& section, const QString& ident, int value);
    Int64 ReadInt64(const QString& section, const QString& ident, Int64 defaultValue);
    void WriteInt64(const QString& section, const QString& ident, Int64 value);
    // Read as an integer: non-zero is true, text that is no number gives the default.
    // Written as "1" and "0".
    bool ReadBool(const QString& section, const QString& ident, bool defaultValue);
    void WriteBool(const QString& section, const QString& ident, bool value);
    // Floats, dates and times in the text form of the current locale settings; text that does
    // not convert gives the default.
    double ReadFloat(const QString& section, const QString& name, double defaultValue);
    void WriteFloat(const QString& section, const QString& name, double value);
    TDateTime ReadDate(const QString& section, const QString& name, TDateTime defaultValue);
    void WriteDate(const QString& section, const QString& name, TDateTime value);
    TDateTime ReadTime(const QString& section, const QString& name, TDateTime defaultValue);
    void WriteTime(const QString& section, const QString& name, TDateTime value);
    TDateTime ReadDateTime(const QString& section, const QString& name, TDateTime defaultValue);
    void WriteDateTime(const QString& section, const QString& name, TDateTime value);
    // Bytes as upper-case hexadecimal text. Reading writes the decoded bytes at the stream's
    // position (decoding stops at the first pair that is not hexadecimal) and returns their
    // number; a memory stream is left at the start of them, another stream after them.
    // Writing stores the stream from its position to its end and leaves the position as it was.
    int ReadBinaryStream(const QString& section, const QString& name, TStream& value);
    void WriteBinaryStream(const QString& section, const QString& name, TStream& value);

protected:
    QString FFileName;
};

// The whole file in memory: read once when created, written by UpdateFile only.
class TMemIniFile : public TCustomIniFile {
public:
    explicit TMemIniFile(const QString& fileName,
                         std::optional<TEncoding> encoding = std::nullopt);
    ~TMemIniFile() override;

    QString ReadString(const QString& section, const QString& ident,
                       const QString& defaultValue) override;
    void WriteString(const QString& section, const QString& ident, const QString& value) override;
    void ReadSection(const QString& section, TStrings& strings) override;
    void ReadSections(TStrings& strings) override;
    void ReadSectionValues(const QString& section, TStrings& strings) override;
    void EraseSection(const QString& section) override;
    void DeleteKey(const QString& section, const QString& ident) override;
    void UpdateFile() override;
    bool SectionExists(const QString& section) override;
    bool ValueExists(const QString& section, const QString& ident) override;

    // Empties the memory image.
    void Clear();
    // The memory image as the lines UpdateFile would write.
    void GetStrings(TStrings& list);
    // Replaces the memory image with the given lines.
    void SetStrings(const TStrings& list);
    // Replaces the memory image with the text of a file's bytes (as a file would be read).
    void LoadFromBytes(const QByteArray& bytes);
    // Takes a new file name, and reads that file when reload is set.
    void Rename(const QString& fileName, bool reload);
    const TEncoding& Encoding() const;

private:
    void Load();
    std::optional<TEncoding> FForcedEncoding;
    std::unique_ptr<TIniData> FData;
};

// Every call goes to the file: a read sees the file as it is on disk now (changed files are
// read again), and a write changes the file at once (written whole to a new file that then
// replaces the old one, so a failure leaves the old file intact).
class TIniFile : public TCustomIniFile {
public:
    explicit TIniFile(const QString& fileName);
    ~TIniFile() override;

    QString ReadString(const QString& section, const QString& ident,
                       const QString& defaultValue) override;
    void WriteString(const QString& section, const QString& ident, const QString& value) override;
    void ReadSection(const QString& section, TStrings& strings) override;
    void ReadSections(TStrings& strings) override;
    void ReadSectionValues(const QString& section, TStrings& strings) override;
    void EraseSection(const QString& section) override;
    void DeleteKey(const QString& section, const QString& ident) override;
    // Nothing is pending: every write is already in the file.
    void UpdateFile() override;
    bool SectionExists(const QString& section) override;
    bool ValueExists(const QString& section, const QString& ident) override;

private:
    TIniData& Current();
    void Store();
    std::unique_ptr<TIniData> FData;
    struct TStamp {
        bool Exists = false;
        Int64 Size = -1, MTimeNs = -1, Inode = -1;
        friend bool operator==(const TStamp&, const TStamp&) = default;
    };
    TStamp Stamp() const;
    std::optional<TStamp> FStamp;
};
