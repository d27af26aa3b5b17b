#pragma once
// TrptWideStrings, the list of UTF-16 lines with an object per line that text objects, the string
// table and the exports keep their texts in, and the conversions between 8-bit text and UTF-16
// that follow a font's character set.

#include "platform/rtl/StringList.h"

#include <QByteArray>
#include <QString>

#include <vector>

class TFiler;
class TReader;

class TrptWideStrings : public TStrings {
public:
    TrptWideStrings() = default;
    ~TrptWideStrings() override;

    int Count() const override { return static_cast<int>(FWideStringList.size()); }
    // The line, or an empty text outside 0 .. Count - 1.
    QString Get(int index) const override;
    // Put and Insert replace the line at index (no line moves); at Count they append; anywhere
    // else they raise EStringListError "Wide String Out of Bounds" and change nothing.
    void Put(int index, const QString& s) override;
    void Insert(int index, const QString& s) override;
    void InsertObject(int index, const QString& s, TObject* object) override;
    // The object, or none outside the range; PutObject outside the range does nothing.
    TObject* GetObject(int index) const override;
    void PutObject(int index, TObject* object) override;
    int Add(const QString& s) override;
    int AddObject(const QString& s, TObject* object) override;
    void AddStrings(const TStrings& strings) override;
    using TStrings::AddStrings;
    void Delete(int index) override;
    void Clear() override;
    // The first line equal to s, compared exactly; -1 when none.
    int IndexOf(const QString& s) const override;
    // Moves a line and its object; Insert's replacing rule would lose a line here.
    void Move(int curIndex, int newIndex) override;

    // From another list: every line with its object.
    void Assign(const TStrings& source) override;
    // Into another list: cleared, then every line with its object, inside its update bracket.
    void AssignTo(TStrings& dest) const;

    // Without an encoding: UTF-16 little-endian when more than two bytes remain and they start
    // with FF FE, else 8-bit text in the system code page (SystemCodePage). An encoding given
    // decides instead.
    void LoadFromStream(TStream& stream, std::optional<TEncoding> encoding = std::nullopt) override;
    void LoadFromFile(const QString& fileName, std::optional<TEncoding> encoding = std::nullopt) override;
    // The rest of the stream as UTF-16 little-endian without a mark.
    void LoadFromWStream(TStream& stream);
    // The text (CR LF after every line) as UTF-16 little-endian without a mark, unless an
    // encoding is given.
    void SaveToStream(TStream& stream, std::optional<TEncoding> encoding = std::nullopt) const override;
    void SaveToFile(const QString& fileName, std::optional<TEncoding> encoding = std::nullopt) const override;

    // The list's data for the binary property stream of a holder: "UTF8W" written and read,
    // "Strings" and "UTF8" read only; present only when the list is not empty. A holder calls
    // this from its own DefineProperties.
    void DefineProperties(TFiler* filer);

protected:
    // Every line followed by CR LF.
    QString GetTextStr() const override;
    // Lines end at CR, LF, CR LF or U+2028 (one CR, then one LF, then one U+2028 are taken as
    // one break); a NUL ends the text; a final break gives no empty last line.
    void SetTextStr(const QString& text) override;

private:
    struct TEntry {
        QString FString;
        TObject* FObject = nullptr; // not owned
    };
    [[noreturn]] static void OutOfBounds();
    void ReadStrings(TReader& reader, int kind);

    std::vector<TEntry> FWideStringList;
};

// ---------------------------------------------------------------------------------------------
// Code pages

// The code page the report library takes as the system's 8-bit one (charset 1, element names of
// old single-byte files). A process setting: 1251 when the user's language id is one of the
// Cyrillic group 1049, 1058, 1059, 1087, 1067, 2092, 1088, 1064, else 1252, until set.
// SetSystemCodePage raises EConvertError for a code page that cannot be converted; 0 goes back
// to the default.
int SystemCodePage();
void SetSystemCodePage(int codePage);
// The default for a language id as above.
int DefaultCodePageOfLangID(unsigned langId);
// The OEM and Macintosh code pages that go with the system code page: 866 and 10007 beside
// 1251, 437 and 10000 otherwise.
int OemCodePage();
int MacCodePage();

// The code page of a font character set: 1 (default) the system code page, 77 (Macintosh) 2,
// 255 (OEM) 1, and the character sets of the national code pages (0 1252, 2 symbol 42,
// 128 932, 129 949, 130 1361, 134 936, 136 950, 161 1253, 162 1254, 163 1258, 177 1255,
// 178 1256, 186 1257, 204 1251, 222 874, 238 1250). Any other raises EOSError.
int CodePageOfCharset(int charset);
// The UTF-16 text of 8-bit text. A code page of 0 takes CodePageOfCharset(charset); the values
// 1 (OEM), 2 (Macintosh) and 3 (thread) stand for the code pages named so. An unknown code page
// raises EConvertError.
QString AnsiToWideText(const QByteArray& s, int charset, int codePage = 0);
// The 8-bit text in that code page; characters it cannot hold become "?".
QByteArray WideToAnsiText(const QString& ws, int charset, int codePage = 0);
// OEM text converted to the system code page, one byte per byte.
QByteArray OemToAnsiText(const QByteArray& s);
// The locale identifier for text of a character set (Japanese 1041 ... East European 1029);
// any other character set gives the user's own.
unsigned LocaleOfCharset(int charset);
