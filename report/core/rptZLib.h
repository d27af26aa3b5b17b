#pragma once
// The report library's layer over zlib: a write-only deflating stream, a one-shot inflate of a
// buffer, whole-stream deflate, and the gzip members its built-in tool-button pictures are kept
// in (read and written).

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Streams.h"

#include <QByteArray>

#include <zlib.h>

#include <memory>

KORVEL_EXCEPTION(EZLibError, Exception)
KORVEL_EXCEPTION(EZCompressionError, EZLibError)
KORVEL_EXCEPTION(EZDecompressionError, EZLibError)

// zlib levels 0, 1, -1 (zlib's default) and 9.
enum TZCompressionLevel { zcNone, zcFastest, zcDefault, zcMax };

using TZStreamRec = z_stream;

class TCustomZStream : public TStream {
public:
    static constexpr int BufferSize = 65536;
    ~TCustomZStream() override;

    // Fired each time a full buffer has gone to the target.
    TNotifyEvent OnProgress;

protected:
    explicit TCustomZStream(TStream& stream);
    void DoProgress();

    TStream* FStream;  // the target, not owned
    Int64 FStreamPos;  // where the next bytes go in the target
    TZStreamRec FZStream{};
    std::unique_ptr<Bytef[]> FBuffer;
};

// Deflates everything written into it into the target as one zlib stream (2-byte header, deflate
// data, Adler-32). The stream is finished by Finish, or by the destructor, which cannot report an
// error: call Finish where a failed write must be seen.
class TZCompressionStream : public TCustomZStream {
public:
    using TStream::Seek;
    TZCompressionStream(TStream& dest, TZCompressionLevel level);
    ~TZCompressionStream() override;

    // Raises EZCompressionError "Invalid ZStream operation!".
    Int64 Read(void* buffer, Int64 count) override;
    // Takes count bytes; whole buffers go to the target at its remembered position, even when the
    // caller moved the target in between.
    Int64 Write(const void* buffer, Int64 count) override;
    // Only 0 from the current position: the number of bytes taken in so far. Anything else
    // raises EZCompressionError "Invalid ZStream operation!".
    Int64 Seek(Int64 offset, TSeekOrigin origin) override;

    // Ends the zlib stream and writes the rest; afterwards the stream takes no more bytes.
    void Finish();
    // 0 before any input, else (1 - bytes out / bytes in) * 100.
    float CompressionRate() const;

private:
    void WriteBufferOut(qsizetype count);
    bool FFinished = false;
};

// Inflates one whole zlib stream. The output starts at the estimate (the input size rounded up
// to 256 when 0) and grows by that step. Truncated input raises EZDecompressionError "buffer
// error"; a bad stream the zlib text of its error.
QByteArray InflateBuffer(const void* input, qsizetype inputSize, qsizetype outputEstimate = 0);

// Deflates the whole source (from position 0 to its size) into the destination, from the
// destination's position, as one complete zlib stream.
void CompressStream(TStream& source, TStream& dest, TZCompressionLevel level);

// Reads one gzip member from the source's position and writes the unpacked bytes at the
// destination's position; the source is left after the member. Header fields are honoured
// (FEXTRA, FNAME, FCOMMENT, FHCRC); the data are accepted when MTIME holds their Adler-32 (the
// picture members' own check) or when the trailer's CRC-32 and size match. Anything else raises
// EZDecompressionError, and then nothing is written.
void DecompressGzipStream(TStream& source, TStream& dest);

// Writes the whole source (from position 0) as the gzip member the picture reader expects: FLG 8
// with the file name "1", MTIME = the Adler-32 of the data (most significant byte first), XFL 0,
// OS 0, raw deflate data and a correct CRC-32 and size trailer, so any gzip reader takes it too.
void CompressToGzipMember(TStream& source, TStream& dest, TZCompressionLevel level = zcMax);
