#include "report/core/rptZLib.h"

#include <algorithm>
#include <climits>

namespace {

constexpr int ZLevels[] = {Z_NO_COMPRESSION, Z_BEST_SPEED, Z_DEFAULT_COMPRESSION, Z_BEST_COMPRESSION};

const QString InvalidOperation = QStringLiteral("Invalid ZStream operation!");

int CompressCheck(int code) {
    if (code < 0) throw EZCompressionError(QString::fromLatin1(zError(code)));
    return code;
}

[[noreturn]] void DecompressError(int code) { throw EZDecompressionError(QString::fromLatin1(zError(code))); }

// What a short read of a gzip member raises: the data stop before the member does.
[[noreturn]] void Truncated() { DecompressError(Z_BUF_ERROR); }

} // namespace

// =============================================================================================
// TCustomZStream

TCustomZStream::TCustomZStream(TStream& stream)
    : FStream(&stream), FStreamPos(stream.Position()), FBuffer(std::make_unique_for_overwrite<Bytef[]>(BufferSize)) {
    FZStream.next_out = FBuffer.get();
    FZStream.avail_out = BufferSize;
}

TCustomZStream::~TCustomZStream() = default;

void TCustomZStream::DoProgress() {
    if (OnProgress) OnProgress(this);
}

// =============================================================================================
// TZCompressionStream

TZCompressionStream::TZCompressionStream(TStream& dest, TZCompressionLevel level) : TCustomZStream(dest) {
    CompressCheck(deflateInit(&FZStream, ZLevels[level]));
}

TZCompressionStream::~TZCompressionStream() {
    try {
        Finish();
    } catch (...) {
        // A destructor cannot report; callers that must know call Finish themselves.
    }
    deflateEnd(&FZStream);
}

Int64 TZCompressionStream::Read(void*, Int64) { throw EZCompressionError(InvalidOperation); }

Int64 TZCompressionStream::Seek(Int64 offset, TSeekOrigin origin) {
    if (offset == 0 && origin == soCurrent) return static_cast<Int64>(FZStream.total_in);
    throw EZCompressionError(InvalidOperation);
}

void TZCompressionStream::WriteBufferOut(qsizetype count) {
    if (count > 0) FStream->WriteBuffer(FBuffer.get(), count);
    FZStream.next_out = FBuffer.get();
    FZStream.avail_out = BufferSize;
}

Int64 TZCompressionStream::Write(const void* buffer, Int64 count) {
    if (FFinished) throw EZCompressionError(InvalidOperation);
    if (count <= 0) return 0;
    if (FStream->Position() != FStreamPos) FStream->SetPosition(FStreamPos);
    const auto* p = static_cast<const Bytef*>(buffer);
    Int64 left = count;
    while (left > 0) {
        const uInt part = static_cast<uInt>(std::min<Int64>(left, UINT_MAX));
        FZStream.next_in = const_cast<Bytef*>(p);
        FZStream.avail_in = part;
        while (FZStream.avail_in > 0) {
            CompressCheck(deflate(&FZStream, Z_NO_FLUSH));
            if (FZStream.avail_out == 0) {
                WriteBufferOut(BufferSize);
                FStreamPos = FStream->Position();
                DoProgress();
            }
        }
        p += part;
        left -= part;
    }
    return count;
}

void TZCompressionStream::Finish() {
    if (FFinished) return;
    FFinished = true;
    FZStream.next_in = nullptr;
    FZStream.avail_in = 0;
    if (FStream->Position() != FStreamPos) FStream->SetPosition(FStreamPos);
    while (CompressCheck(deflate(&FZStream, Z_FINISH)) != Z_STREAM_END)
        WriteBufferOut(BufferSize - FZStream.avail_out);
    if (FZStream.avail_out < static_cast<uInt>(BufferSize)) WriteBufferOut(BufferSize - FZStream.avail_out);
    FStreamPos = FStream->Position();
}

float TZCompressionStream::CompressionRate() const {
    if (FZStream.total_in == 0) return 0;
    return (1.0f - static_cast<float>(FZStream.total_out) / static_cast<float>(FZStream.total_in)) * 100.0f;
}

// =============================================================================================
// Whole buffers and streams

QByteArray InflateBuffer(const void* input, qsizetype inputSize, qsizetype outputEstimate) {
    if (inputSize < 0 || static_cast<quint64>(inputSize) > UINT_MAX) DecompressError(Z_BUF_ERROR);
    const qsizetype step = std::max<qsizetype>(256, (inputSize + 255) / 256 * 256);
    if (outputEstimate <= 0) outputEstimate = step;
    QByteArray out(outputEstimate, Qt::Uninitialized);
    z_stream z{};
    z.next_in = static_cast<Bytef*>(const_cast<void*>(input));
    z.avail_in = static_cast<uInt>(inputSize);
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(outputEstimate);
    int code = inflateInit(&z);
    if (code < 0) DecompressError(code);
    try {
        while ((code = inflate(&z, Z_NO_FLUSH)) != Z_STREAM_END) {
            // A stream that asks for a preset dictionary cannot go on either.
            if (code != Z_OK) DecompressError(code < 0 ? code : Z_NEED_DICT);
            out.resize(out.size() + step);
            z.next_out = reinterpret_cast<Bytef*>(out.data()) + z.total_out;
            z.avail_out = static_cast<uInt>(step);
        }
    } catch (...) {
        inflateEnd(&z);
        throw;
    }
    code = inflateEnd(&z);
    if (code < 0) DecompressError(code);
    out.resize(static_cast<qsizetype>(z.total_out));
    return out;
}

void CompressStream(TStream& source, TStream& dest, TZCompressionLevel level) {
    TZCompressionStream z(dest, level);
    z.CopyFrom(source, 0);
    z.Finish();
}

// =============================================================================================
// Gzip members

namespace {

constexpr uchar FTEXT = 1, FHCRC = 2, FEXTRA = 4, FNAME = 8, FCOMMENT = 16;

quint32 BigEndian32(const uchar* b) {
    return (quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) | quint32(b[3]);
}

quint32 LittleEndian32(const uchar* b) {
    return quint32(b[0]) | (quint32(b[1]) << 8) | (quint32(b[2]) << 16) | (quint32(b[3]) << 24);
}

void AppendLittleEndian32(QByteArray& out, quint32 v) {
    for (int k = 0; k < 4; ++k)
        out.append(static_cast<char>((v >> (8 * k)) & 0xFF));
}

// Reads header bytes and keeps them for the header checksum.
class THeaderReader {
public:
    explicit THeaderReader(TStream& source) : FSource(source) {}
    QByteArray Take(qsizetype n) {
        QByteArray b = FSource.ReadBytes(n);
        if (b.size() != n) Truncated();
        FBytes += b;
        return b;
    }
    void SkipZeroTerminated() {
        for (;;) {
            if (Take(1).at(0) == '\0') return;
        }
    }
    const QByteArray& Bytes() const { return FBytes; }

private:
    TStream& FSource;
    QByteArray FBytes;
};

} // namespace

void DecompressGzipStream(TStream& source, TStream& dest) {
    THeaderReader header(source);
    const QByteArray fixed = header.Take(10);
    const auto* h = reinterpret_cast<const uchar*>(fixed.constData());
    if (h[0] != 0x1F || h[1] != 0x8B || h[2] != Z_DEFLATED)
        throw EZDecompressionError(QStringLiteral("Not a gzip member"));
    const uchar flags = h[3];
    if (flags & ~(FTEXT | FHCRC | FEXTRA | FNAME | FCOMMENT))
        throw EZDecompressionError(QStringLiteral("Unknown gzip header flags"));
    const quint32 mtime = BigEndian32(h + 4);
    if (flags & FEXTRA) {
        const QByteArray len = header.Take(2);
        header.Take(static_cast<uchar>(len[0]) | (static_cast<uchar>(len[1]) << 8));
    }
    if (flags & FNAME) header.SkipZeroTerminated();
    if (flags & FCOMMENT) header.SkipZeroTerminated();
    if (flags & FHCRC) {
        const quint32 expected = crc32(0L, reinterpret_cast<const Bytef*>(header.Bytes().constData()),
                                       static_cast<uInt>(header.Bytes().size())) & 0xFFFF;
        QByteArray got = source.ReadBytes(2);
        if (got.size() != 2) Truncated();
        if (static_cast<quint32>(static_cast<uchar>(got[0]) | (static_cast<uchar>(got[1]) << 8)) != expected)
            throw EZDecompressionError(QStringLiteral("Gzip header checksum error"));
    }

    // The deflate data, read until they end so the trailer can be found wherever it lies.
    z_stream z{};
    int code = inflateInit2(&z, -MAX_WBITS);
    if (code < 0) DecompressError(code);
    QByteArray out;
    constexpr qsizetype Chunk = 65536;
    std::unique_ptr<Bytef[]> in = std::make_unique_for_overwrite<Bytef[]>(Chunk);
    try {
        for (;;) {
            if (z.avail_in == 0) {
                const Int64 n = source.Read(in.get(), Chunk);
                if (n <= 0) Truncated();
                z.next_in = in.get();
                z.avail_in = static_cast<uInt>(n);
            }
            out.resize(static_cast<qsizetype>(z.total_out) + Chunk);
            z.next_out = reinterpret_cast<Bytef*>(out.data()) + z.total_out;
            z.avail_out = static_cast<uInt>(Chunk);
            code = inflate(&z, Z_NO_FLUSH);
            if (code == Z_STREAM_END) break;
            if (code != Z_OK && code != Z_BUF_ERROR) DecompressError(code < 0 ? code : Z_DATA_ERROR);
        }
    } catch (...) {
        inflateEnd(&z);
        throw;
    }
    out.resize(static_cast<qsizetype>(z.total_out));
    const Int64 unread = z.avail_in;
    inflateEnd(&z);
    if (unread > 0) source.Seek(-unread, soCurrent);

    const QByteArray trailer = source.ReadBytes(8);
    const auto* data = reinterpret_cast<const Bytef*>(out.constData());
    const auto size = static_cast<uInt>(out.size());
    const bool adlerMatches = adler32(adler32(0L, Z_NULL, 0), data, size) == mtime;
    bool trailerMatches = false;
    if (trailer.size() == 8) {
        const auto* t = reinterpret_cast<const uchar*>(trailer.constData());
        trailerMatches = LittleEndian32(t) == crc32(crc32(0L, Z_NULL, 0), data, size) &&
                         LittleEndian32(t + 4) == static_cast<quint32>(out.size() & 0xFFFFFFFF);
    }
    if (!adlerMatches && !trailerMatches) DecompressError(Z_DATA_ERROR);
    dest.WriteBytes(out);
}

void CompressToGzipMember(TStream& source, TStream& dest, TZCompressionLevel level) {
    source.SetPosition(0);
    const QByteArray data = source.ReadAll();
    const auto* bytes = reinterpret_cast<const Bytef*>(data.constData());
    const auto size = static_cast<uInt>(data.size());
    const quint32 adler = static_cast<quint32>(adler32(adler32(0L, Z_NULL, 0), bytes, size));
    const quint32 crc = static_cast<quint32>(crc32(crc32(0L, Z_NULL, 0), bytes, size));

    QByteArray out;
    out.append("\x1F\x8B\x08\x08", 4);
    for (int k = 3; k >= 0; --k)
        out.append(static_cast<char>((adler >> (8 * k)) & 0xFF));
    out.append("\x00\x00" "1\x00", 4);

    z_stream z{};
    CompressCheck(deflateInit2(&z, ZLevels[level], Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY));
    const uLong bound = deflateBound(&z, size);
    const qsizetype headerSize = out.size();
    out.resize(headerSize + static_cast<qsizetype>(bound));
    z.next_in = const_cast<Bytef*>(bytes);
    z.avail_in = size;
    z.next_out = reinterpret_cast<Bytef*>(out.data()) + headerSize;
    z.avail_out = static_cast<uInt>(bound);
    const int code = deflate(&z, Z_FINISH);
    const uLong produced = z.total_out;
    deflateEnd(&z);
    if (code != Z_STREAM_END) throw EZCompressionError(QString::fromLatin1(zError(code < 0 ? code : Z_BUF_ERROR)));
    out.resize(headerSize + static_cast<qsizetype>(produced));
    AppendLittleEndian32(out, crc);
    AppendLittleEndian32(out, static_cast<quint32>(data.size() & 0xFFFFFFFF));
    dest.WriteBytes(out);
}
