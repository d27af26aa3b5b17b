#pragma once
// Byte streams (memory, file, string) and the text encodings that string lists and INI files
// read and write with.

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Types.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

// ---------------------------------------------------------------------------------------------
// Text encodings

// A character encoding with an optional byte-order mark. Names are those the converter knows
// ("UTF-8", "UTF-16LE", "windows-1251", ...). Text that an 8-bit encoding cannot hold is written
// as "?", and bytes that are not valid in the encoding are read as U+FFFD.
class TEncoding {
public:
    TEncoding(); // UTF-8 without a byte-order mark

    static TEncoding UTF8();             // UTF-8 with the mark EF BB BF
    static TEncoding UTF8WithoutBOM();
    static TEncoding Unicode();          // UTF-16 little-endian with the mark FF FE
    static TEncoding BigEndianUnicode(); // UTF-16 big-endian with the mark FE FF
    // The system's ANSI code page (see AnsiCodePage), no mark.
    static TEncoding ANSI();
    // By name; "UTF-8" has no mark, "UTF-16"/"UTF-16LE"/"UTF-16BE" have one. Unknown names raise
    // EConvertError.
    static TEncoding GetEncoding(const QString& name);
    // By Windows code-page number (1251, 1252, 866, 65001, 1200...). Unknown numbers raise.
    static TEncoding GetEncoding(int codePage);
    static bool IsKnown(const QString& name);

    // The 8-bit code page that stands for the original platform's "ANSI" one. Chosen from the
    // user's language at first use (1251 for Cyrillic languages, 1250 for Central European,
    // 1252 for Western and anything unknown...), replaceable for tests and by configuration.
    static int AnsiCodePage();
    static void SetAnsiCodePage(int codePage);

    const QString& Name() const { return FName; }
    bool IsUTF8() const;
    bool IsUnicode() const; // UTF-16 in either byte order
    bool IsSingleByte() const;
    QByteArray Preamble() const; // the byte-order mark, empty when the encoding writes none
    TEncoding WithoutPreamble() const;
    TEncoding WithPreamble() const;

    QByteArray GetBytes(const QString& text) const;
    QString GetString(const QByteArray& bytes) const;
    // True when every character of the text survives a round trip through the encoding.
    bool CanEncode(const QString& text) const;

    // Finds a byte-order mark at the start of the buffer: sets the encoding and returns the mark's
    // length, or returns 0 and leaves the encoding alone.
    static int GetBufferEncoding(const QByteArray& buffer, TEncoding& encoding);
    // The encoding of text read without a mark: UTF-8 when the bytes are valid UTF-8 (plain
    // ASCII included), else the ANSI code page. Files written on the original platform are
    // ANSI; files written here are UTF-8, so both read back as they were meant.
    static TEncoding DetectWithoutBOM(const QByteArray& bytes);
    // Decodes a whole buffer: a byte-order mark decides first, then DetectWithoutBOM. The encoding
    // used (with its mark when there was one) is returned through 'used' when given.
    static QString DecodeText(const QByteArray& bytes, TEncoding* used = nullptr);

    friend bool operator==(const TEncoding& a, const TEncoding& b) {
        return a.FName == b.FName && a.FPreamble == b.FPreamble;
    }

private:
    TEncoding(const QString& name, bool preamble) : FName(name), FPreamble(preamble) {}
    QString FName;
    bool FPreamble = false;
};

// ---------------------------------------------------------------------------------------------
// Streams

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };
constexpr TSeekOrigin soBeginning = TSeekOrigin::soBeginning;
constexpr TSeekOrigin soCurrent = TSeekOrigin::soCurrent;
constexpr TSeekOrigin soEnd = TSeekOrigin::soEnd;
// The word-sized origins of the older interface.
constexpr quint16 soFromBeginning = 0;
constexpr quint16 soFromCurrent = 1;
constexpr quint16 soFromEnd = 2;

// File modes: one open mode, optionally or-ed with one share mode; fmCreate creates or truncates.
constexpr quint16 fmCreate = 0xFF00;
constexpr quint16 fmOpenRead = 0x0000;
constexpr quint16 fmOpenWrite = 0x0001;
constexpr quint16 fmOpenReadWrite = 0x0002;
constexpr quint16 fmShareCompat = 0x0000;
constexpr quint16 fmShareExclusive = 0x0010;
constexpr quint16 fmShareDenyWrite = 0x0020;
constexpr quint16 fmShareDenyRead = 0x0030;
constexpr quint16 fmShareDenyNone = 0x0040;

class TStream : public TObject {
public:
    // Reads up to count bytes and returns how many were read (0 at the end).
    virtual Int64 Read(void* buffer, Int64 count) = 0;
    // Writes up to count bytes and returns how many were written.
    virtual Int64 Write(const void* buffer, Int64 count) = 0;
    // Moves the position and returns the new one. Seeking past the end is allowed; a position
    // before the start raises EStreamError. Subclasses that override it add
    // "using TStream::Seek;" to keep the word-origin form visible.
    virtual Int64 Seek(Int64 offset, TSeekOrigin origin) = 0;
    // The word-origin form: 0 from the beginning, 1 from the current position, 2 from the end.
    Int64 Seek(Int64 offset, quint16 origin);

    Int64 Position() { return Seek(0, soCurrent); }
    void SetPosition(Int64 value) { Seek(value, soBeginning); }
    virtual Int64 Size();
    virtual void SetSize(Int64 value);

    // Read or write exactly count bytes; a short transfer raises EReadError "Stream read error"
    // or EWriteError "Stream write error".
    void ReadBuffer(void* buffer, Int64 count);
    void WriteBuffer(const void* buffer, Int64 count);
    // Copies count bytes from the source's position; a count of 0 copies the whole source from
    // its beginning. Returns the number of bytes copied.
    Int64 CopyFrom(TStream& source, Int64 count);

    // Convenience for byte arrays: Read returns up to count bytes, ReadAll the rest of the stream.
    QByteArray ReadBytes(Int64 count);
    QByteArray ReadAll();
    void WriteBytes(const QByteArray& bytes);
};

class TCustomMemoryStream : public TStream {
public:
    using TStream::Seek;
    Int64 Read(void* buffer, Int64 count) override;
    Int64 Seek(Int64 offset, TSeekOrigin origin) override;
    Int64 Size() override { return FSize; }

    // The stream's bytes; valid until the next write or resize.
    void* Memory() { return FData.data(); }
    const void* Memory() const { return FData.constData(); }
    // A copy of the stream's bytes.
    QByteArray Bytes() const { return FData.left(static_cast<qsizetype>(FSize)); }

    void SaveToStream(TStream& stream);
    void SaveToFile(const QString& fileName);

protected:
    QByteArray FData; // may be larger than FSize (capacity)
    Int64 FSize = 0;
    Int64 FPosition = 0;
};

class TMemoryStream : public TCustomMemoryStream {
public:
    TMemoryStream() = default;
    using TStream::Seek;

    Int64 Write(const void* buffer, Int64 count) override;
    void SetSize(Int64 value) override;
    void Clear();
    // Replace the content with the whole source (from its beginning) or the whole file; the
    // position goes to 0.
    void LoadFromStream(TStream& stream);
    void LoadFromFile(const QString& fileName);
    // Replaces the content with the given bytes, position 0.
    void SetBytes(const QByteArray& bytes);
};

class TBytesStream : public TMemoryStream {
public:
    TBytesStream() = default;
    explicit TBytesStream(const QByteArray& bytes) { SetBytes(bytes); }
};

// A memory stream over the bytes of a text in an encoding (UTF-8 unless given).
class TStringStream : public TBytesStream {
public:
    TStringStream() = default;
    explicit TStringStream(const QString& text, const TEncoding& encoding = TEncoding());
    explicit TStringStream(const QByteArray& bytes) : TBytesStream(bytes) {}

    QString DataString() const { return FEncoding.GetString(Bytes()); }
    const TEncoding& Encoding() const { return FEncoding; }
    // Reads count bytes as text; WriteString writes the text's bytes at the position.
    QString ReadString(Int64 count);
    void WriteString(const QString& text);

private:
    TEncoding FEncoding;
};

// A stream over an open file. Opening failures raise EFOpenError and creating failures
// EFCreateError, both naming the file.
class THandleStream : public TStream {
public:
    using TStream::Seek;
    ~THandleStream() override;
    Int64 Read(void* buffer, Int64 count) override;
    Int64 Write(const void* buffer, Int64 count) override;
    Int64 Seek(Int64 offset, TSeekOrigin origin) override;
    void SetSize(Int64 value) override;
    int Handle() const { return FHandle; }

protected:
    THandleStream() = default;
    int FHandle = -1;
};

class TFileStream : public THandleStream {
public:
    // Share modes are accepted and not enforced (files here are not locked against each other).
    TFileStream(const QString& fileName, quint16 mode);
    const QString& FileName() const { return FFileName; }

private:
    QString FFileName;
};
