#pragma once
// The script engine's character-level scanner. It reads one token at a time from a source text;
// callers backtrack by saving and restoring Position. Everything language-specific (comments,
// quotes, hexadecimal prefix, identifier characters, keywords) comes from its properties.

#include "platform/rtl/Object.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <bitset>

// The 256 single-byte character codes allowed in identifiers.
using TscIdentifierCharset = std::bitset<256>;

// Compares ignoring the case of ASCII letters only, so names behave the same under every locale.
int CompareAsciiNoCase(QStringView a, QStringView b);

// The keyword list: kept sorted, compared ignoring (ASCII) case, without duplicates.
class TscKeywordList {
public:
    void Add(const QString& s);
    void Clear() { FItems.clear(); }
    int Count() const { return static_cast<int>(FItems.size()); }
    const QString& Strings(int index) const { return FItems.at(index); }
    // Search by halving, ignoring case.
    bool Find(const QString& s, int& index) const;
    // Exact, case-sensitive.
    bool ContainsExact(const QString& s) const { return FItems.contains(s); }

private:
    QStringList FItems;
};

class TscParser : public TObject {
public:
    TscParser();
    ~TscParser() override;

    void Clear();

    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool value) { FCaseSensitive = value; }
    const QString& CommentBlock1() const { return FCommentBlock1; }
    void SetCommentBlock1(const QString& value);
    const QString& CommentBlock2() const { return FCommentBlock2; }
    void SetCommentBlock2(const QString& value);
    const QString& CommentLine1() const { return FCommentLine1; }
    void SetCommentLine1(const QString& value) { FCommentLine1 = value; }
    const QString& CommentLine2() const { return FCommentLine2; }
    void SetCommentLine2(const QString& value) { FCommentLine2 = value; }
    const QString& HexSequence() const { return FHexSequence; }
    void SetHexSequence(const QString& value) { FHexSequence = value; }
    const TscIdentifierCharset& IdentifierCharset() const { return FIdentifierCharset; }
    void SetIdentifierCharset(const TscIdentifierCharset& value) { FIdentifierCharset = value; }
    TscKeywordList& Keywords() { return FKeywords; }
    const TscKeywordList& Keywords() const { return FKeywords; }
    const QString& SkiPChar() const { return FSkiPChar; }
    void SetSkiPChar(const QString& value) { FSkiPChar = value; }
    bool SkipEOL() const { return FSkipEOL; }
    void SetSkipEOL(bool value) { FSkipEOL = value; }
    bool SkipSpace() const { return FSkipSpace; }
    void SetSkipSpace(bool value) { FSkipSpace = value; }
    const QString& StringQuotes() const { return FStringQuotes; }
    void SetStringQuotes(const QString& value) { FStringQuotes = value; }
    bool SpecStrChar() const { return FSpecStrChar; }
    void SetSpecStrChar(bool value) { FSpecStrChar = value; }
    bool UseY() const { return FUseY; }
    void SetUseY(bool value) { FUseY = value; }
    int Position() const { return FPosition; }
    void SetPosition(int value);
    int LastPosition() const { return FLastPosition; }
    int Size() const { return FSize; }
    // The source text followed by its terminating character of code 0.
    const QString& Text() const { return FText; }
    void SetText(const QString& value);

    // Replaces the identifier characters by the low bytes of the given characters.
    void ConstructCharset(const QString& chars);

    void SkipSpaces();
    bool GetEOL();
    QString GetIdent();
    QString GetWord();
    bool IsKeyWord(const QString& word) const;
    QString GetChar();
    // The literal's value enclosed in single quotes, or an empty text.
    QString GetString();
    QString GetNumber();
    QString GetReportExprString();
    QString GetXYPosition() const;
    QString GetXYPosition(int position) const;
    // Point with X = column, Y = line.
    int GetPlainPosition(int x, int y) const;

    // A literal whose character code does not fit ("#" piece or "\x" escape) is refused: the
    // read gives an empty text and the message and position of the fault are kept here until
    // the next SetText or ClearError.
    const QString& Error() const { return FError; }
    const QString& ErrorPos() const { return FErrorPos; }
    void ClearError() {
        FError.clear();
        FErrorPos.clear();
    }

private:
    QChar Ch(int pos) const { return FText.at(pos - 1); }
    bool IsBlank(QChar c) const;
    bool IsIdentStart(QChar c) const;
    bool IsIdentPart(QChar c) const;
    bool StartsWithAt(int pos, const QString& marker) const;
    bool LineCommentAt(int pos, const QString& marker) const;
    void SkipEOLChars();
    bool ReadUnsignedInteger();
    bool ReadUnsignedReal();
    // One piece of a literal; false (position unchanged) when there is none.
    bool ReadQuotedPiece(QString& value);
    bool ReadControlPiece(QString& value);
    void SetCodeError(int at, const QString& digits);
    static void AppendCode(QString& value, uint code);

    bool FCaseSensitive = false;
    QString FCommentBlock1;
    QString FCommentBlock11, FCommentBlock12;
    QString FCommentBlock2;
    QString FCommentBlock21, FCommentBlock22;
    QString FCommentLine1, FCommentLine2;
    QString FHexSequence;
    TscIdentifierCharset FIdentifierCharset;
    TscKeywordList FKeywords;
    int FLastPosition = 1;
    int FPosition = 1;
    int FSize = 0;
    QString FSkiPChar;
    bool FSkipEOL = true;
    bool FSkipSpace = true;
    QString FStringQuotes;
    QString FText = QString(QChar(0));
    bool FUseY = true;
    QList<int> FYList;
    bool FSpecStrChar = false;
    QString FError;
    QString FErrorPos;
};
