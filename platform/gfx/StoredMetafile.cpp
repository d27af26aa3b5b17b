#include "platform/gfx/StoredMetafile.h"

#include <QBuffer>
#include <QtEndian>

#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

quint32 Get32(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(b.constData()) + at);
}

qint16 Get16s(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<qint16>(reinterpret_cast<const uchar*>(b.constData()) + at);
}

int Clamped(qint64 v) {
    return static_cast<int>(std::min<qint64>(std::llabs(v), std::numeric_limits<int>::max()));
}

} // namespace

bool TStoredMetafile::HeaderSize(const QByteArray& data, int& width, int& height, bool& enhanced) {
    if (data.size() >= 108 && Get32(data, 0) == 1 && Get32(data, 40) == 0x464D4520) {
        enhanced = true;
        // The frame is in 0.01 mm; a file without one falls back to its device bounds.
        const qint64 fl = static_cast<qint32>(Get32(data, 24)), ft = static_cast<qint32>(Get32(data, 28));
        const qint64 fr = static_cast<qint32>(Get32(data, 32)), fb = static_cast<qint32>(Get32(data, 36));
        if (fr > fl && fb > ft) {
            width = Clamped(std::llround(static_cast<double>(fr - fl) * 96.0 / 2540.0));
            height = Clamped(std::llround(static_cast<double>(fb - ft) * 96.0 / 2540.0));
        } else {
            const qint64 l = static_cast<qint32>(Get32(data, 8)), t = static_cast<qint32>(Get32(data, 12));
            const qint64 r = static_cast<qint32>(Get32(data, 16)), b = static_cast<qint32>(Get32(data, 20));
            width = Clamped(r - l + 1);
            height = Clamped(b - t + 1);
        }
        return true;
    }
    if (data.size() >= 22 && Get32(data, 0) == 0x9AC6CDD7) {
        enhanced = false;
        const qint64 w = qint64(Get16s(data, 10)) - Get16s(data, 6);
        const qint64 h = qint64(Get16s(data, 12)) - Get16s(data, 8);
        const int inch = static_cast<quint16>(Get16s(data, 14));
        width = Clamped(inch > 0 ? std::llround(static_cast<double>(w) * 96.0 / inch) : w);
        height = Clamped(inch > 0 ? std::llround(static_cast<double>(h) * 96.0 / inch) : h);
        return true;
    }
    return false;
}

void TStoredMetafile::LoadFromStream(QIODevice& stream) {
    const QByteArray data = stream.readAll();
    int width = 0, height = 0;
    bool enhanced = true;
    if (!HeaderSize(data, width, height, enhanced))
        throw EInvalidGraphic(QStringLiteral("Metafile: not an enhanced or placeable metafile"));
    if (width <= 0 || height <= 0) throw EInvalidGraphic(QStringLiteral("Metafile: the picture has no size"));
    if (width > MaxSide || height > MaxSide || qint64(width) * height > MaxPixels)
        throw EInvalidGraphic(
            QStringLiteral("Metafile: the picture is %1 x %2 pixels, larger than a picture can be")
                .arg(width)
                .arg(height));
    bool readable = true;
    try {
        QBuffer buffer;
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        TMetafile::LoadFromStream(buffer);
    } catch (const EInvalidGraphic&) {
        readable = false;
    }
    if (!readable) {
        SetEnhanced(enhanced);
        DrawPlaceholder(width, height);
    }
    FData = data;
    FReadable = readable;
    FLoaded = std::make_unique<TMetafile>();
    FLoaded->Assign(*this);
}

void TStoredMetafile::DrawPlaceholder(int width, int height) {
    SetWidth(width);
    SetHeight(height);
    TMetafileCanvas c(*this);
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(RGB(224, 224, 224));
    c.Pen().SetStyle(psSolid);
    c.Pen().SetColor(RGB(128, 128, 128));
    c.Pen().SetWidth(std::max(1, std::min(width, height) / 50));
    c.Rectangle(0, 0, width, height);
    c.MoveTo(0, 0);
    c.LineTo(width, height);
    c.MoveTo(width, 0);
    c.LineTo(0, height);
}

bool TStoredMetafile::Unchanged() const {
    return FLoaded && !FData.isEmpty() && &Commands() == &FLoaded->Commands() &&
           Width() == FLoaded->Width() && Height() == FLoaded->Height() && Enhanced() == FLoaded->Enhanced();
}

QByteArray TStoredMetafile::Data() const {
    return Unchanged() ? FData : QByteArray();
}

void TStoredMetafile::SaveToStream(QIODevice& stream) {
    if (!Unchanged()) {
        TMetafile::SaveToStream(stream);
        return;
    }
    if (stream.write(FData) != FData.size()) throw EWriteError(QStringLiteral("Cannot write the metafile"));
}

void TStoredMetafile::Assign(const TGraphic& source) {
    if (&source == this) return;
    TMetafile::Assign(source);
    const auto* s = dynamic_cast<const TStoredMetafile*>(&source);
    if (s && s->Unchanged()) {
        FData = s->FData;
        FReadable = s->FReadable;
        FLoaded = std::make_unique<TMetafile>();
        FLoaded->Assign(*this);
    } else {
        FData.clear();
        FReadable = true;
        FLoaded.reset();
    }
}

std::unique_ptr<TGraphic> TStoredMetafile::Clone() const {
    auto m = std::make_unique<TStoredMetafile>();
    m->Assign(*this);
    return m;
}
