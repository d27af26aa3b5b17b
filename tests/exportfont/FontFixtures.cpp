#include "FontFixtures.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <algorithm>
#include <stdexcept>

namespace {

void Put16(QByteArray& b, quint16 v) {
    b.append(char(v >> 8));
    b.append(char(v));
}
void Put32(QByteArray& b, quint32 v) {
    Put16(b, quint16(v >> 16));
    Put16(b, quint16(v));
}
void Set32(QByteArray& b, int at, quint32 v) {
    b[at] = char(v >> 24);
    b[at + 1] = char(v >> 16);
    b[at + 2] = char(v >> 8);
    b[at + 3] = char(v);
}
void Pad4(QByteArray& b) {
    while (b.size() % 4)
        b.append('\0');
}

QByteArray SimpleGlyph(int index, int points) {
    // Points spread over a box that grows with the glyph number, so every outline differs.
    const int size = 100 + 10 * index;
    std::vector<std::pair<int, int>> pts;
    for (int i = 0; i < points; ++i)
        pts.push_back({(i * 37 + index * 11) % size, (i * 53 + index * 7) % size});
    int xMin = 1 << 20, yMin = 1 << 20, xMax = -(1 << 20), yMax = -(1 << 20);
    for (auto [x, y] : pts) {
        xMin = std::min(xMin, x);
        yMin = std::min(yMin, y);
        xMax = std::max(xMax, x);
        yMax = std::max(yMax, y);
    }
    QByteArray g;
    Put16(g, 1);
    Put16(g, quint16(xMin));
    Put16(g, quint16(yMin));
    Put16(g, quint16(xMax));
    Put16(g, quint16(yMax));
    Put16(g, quint16(points - 1));
    Put16(g, 0); // no instructions
    for (int i = 0; i < points; ++i)
        g.append(char(0x01)); // on curve, both coordinates as 16-bit deltas
    int last = 0;
    for (auto [x, y] : pts) {
        Put16(g, quint16(x - last));
        last = x;
    }
    last = 0;
    for (auto [x, y] : pts) {
        Put16(g, quint16(y - last));
        last = y;
    }
    Pad4(g);
    return g;
}

QByteArray CompositeGlyph(const std::vector<TComponentSpec>& components) {
    QByteArray g;
    Put16(g, quint16(-1));
    Put16(g, 0);
    Put16(g, 0);
    Put16(g, 300);
    Put16(g, 300);
    for (size_t i = 0; i < components.size(); ++i) {
        const TComponentSpec& c = components[i];
        quint16 flags = 0x0002 | c.ScaleFlag; // arguments are x and y offsets
        if (c.Words) flags |= 0x0001;
        if (i + 1 < components.size()) flags |= 0x0020;
        Put16(g, flags);
        Put16(g, c.Glyph);
        if (c.Words) {
            Put16(g, quint16(10 * int(i)));
            Put16(g, quint16(-5));
        } else {
            g.append(char(3 * i));
            g.append(char(-2));
        }
        if (c.ScaleFlag == 0x0008) {
            Put16(g, 0x4000);
        } else if (c.ScaleFlag == 0x0040) {
            Put16(g, 0x4000);
            Put16(g, 0x2000);
        } else if (c.ScaleFlag == 0x0080) {
            Put16(g, 0x4000);
            Put16(g, 0);
            Put16(g, 0);
            Put16(g, 0x4000);
        }
    }
    Pad4(g);
    return g;
}

QByteArray Utf16Be(const QString& s) {
    QByteArray b;
    for (QChar c : s)
        Put16(b, c.unicode());
    return b;
}

QByteArray NameTable(const TFontSpec& spec) {
    struct Rec {
        quint16 p, e, l, id;
        QByteArray text;
    };
    std::vector<Rec> recs;
    for (const auto& n : spec.ExtraNames)
        recs.push_back(
            {n.Platform, n.Encoding, quint16(n.Platform == 3 ? 0x409 : 0), n.NameId, Utf16Be(n.Text)});
    QString ps = spec.FullName;
    ps.remove(QLatin1Char(' '));
    recs.push_back({3, 1, 0x409, 1, Utf16Be(QStringLiteral("Test"))});
    recs.push_back({3, 1, 0x409, 2, Utf16Be(QStringLiteral("Regular"))});
    recs.push_back({3, 1, 0x409, 4, Utf16Be(spec.FullName)});
    recs.push_back({3, 1, 0x409, 6, Utf16Be(ps)});
    QByteArray t, storage;
    Put16(t, 0);
    Put16(t, quint16(recs.size()));
    Put16(t, quint16(6 + 12 * recs.size()));
    for (const Rec& r : recs) {
        Put16(t, r.p);
        Put16(t, r.e);
        Put16(t, r.l);
        Put16(t, r.id);
        Put16(t, quint16(r.text.size()));
        Put16(t, quint16(storage.size()));
        storage += r.text;
    }
    return t + storage;
}

QByteArray CmapTable(const TFontSpec& spec) {
    QByteArray sub;
    if (spec.CmapFormat == 4) {
        auto map = spec.CharToGlyph;
        std::sort(map.begin(), map.end());
        const quint16 segs = quint16(map.size() + 1);
        quint16 power = 1, log2 = 0;
        while (power * 2 <= segs) {
            power *= 2;
            ++log2;
        }
        Put16(sub, 4);
        Put16(sub, quint16(16 + 8 * segs));
        Put16(sub, 0);
        Put16(sub, quint16(segs * 2));
        Put16(sub, quint16(power * 2));
        Put16(sub, log2);
        Put16(sub, quint16(segs * 2 - power * 2));
        for (auto [c, g] : map)
            Put16(sub, c);
        Put16(sub, 0xFFFF);
        Put16(sub, 0); // pad
        for (auto [c, g] : map)
            Put16(sub, c);
        Put16(sub, 0xFFFF);
        for (auto [c, g] : map)
            Put16(sub, quint16(g - c));
        Put16(sub, 1);
        for (size_t i = 0; i < map.size() + 1; ++i)
            Put16(sub, 0);
    } else if (spec.CmapFormat == 0) {
        Put16(sub, 0);
        Put16(sub, 262);
        Put16(sub, 0);
        for (int i = 0; i < 256; ++i)
            sub.append(char(i == 'A' ? 1 : 0));
    } else if (spec.CmapFormat == 6) {
        Put16(sub, 6);
        Put16(sub, 12);
        Put16(sub, 0);
        Put16(sub, 'A');
        Put16(sub, 1);
        Put16(sub, 1);
    } else {
        Put16(sub, quint16(spec.CmapFormat));
        Put16(sub, 6);
        Put16(sub, 0);
    }
    QByteArray t;
    Put16(t, 0);
    Put16(t, 1);
    Put16(t, 3);
    Put16(t, 1);
    Put32(t, 12);
    return t + sub;
}

QByteArray Os2Table(const TFontSpec& spec) {
    QByteArray t;
    Put16(t, quint16(spec.OS2Version));
    for (quint16 v : {500, 400, 5, 0, 10, 20, 30, 40, 50, 60, 70, 80, 50, 250, 0})
        Put16(t, v);
    for (char p : {2, 11, 6, 3, 3, 4, 5, 6, 7, 8})
        t.append(p);
    for (quint32 r : {1u, 0u, 0u, 0u})
        Put32(t, r);
    t.append("KRVL", 4);
    for (quint16 v : {0x40, 0x20, 0x7A})
        Put16(t, quint16(v));
    for (int v : {800, -200, 0, 900, 250})
        Put16(t, quint16(v));
    Put32(t, 1);
    Put32(t, 0);
    for (quint16 v : {500, 700, 0, 32, 1, 0, 0xFFFF})
        Put16(t, v);
    static const int lengths[] = {78, 86, 96, 96, 96, 100};
    t.truncate(lengths[std::clamp(spec.OS2Version, 0, 5)]);
    return t;
}

} // namespace

std::vector<TGlyphSpec> SimpleGlyphs(int count) {
    return std::vector<TGlyphSpec>(size_t(count), TGlyphSpec::Simple());
}

QByteArray BuildFont(const TFontSpec& spec) {
    const int n = int(spec.Glyphs.size());
    std::map<QByteArray, QByteArray> tables;

    QByteArray glyf, loca;
    std::vector<quint32> offsets;
    for (int i = 0; i < n; ++i) {
        offsets.push_back(quint32(glyf.size()));
        const TGlyphSpec& g = spec.Glyphs[size_t(i)];
        if (!g.Components.empty())
            glyf += CompositeGlyph(g.Components);
        else if (g.Points > 0)
            glyf += SimpleGlyph(i, g.Points);
    }
    offsets.push_back(quint32(glyf.size()));
    for (quint32 o : offsets) {
        if (spec.LocaFormat == 0)
            Put16(loca, quint16(o / 2));
        else
            Put32(loca, o);
    }
    tables["glyf"] = glyf;
    tables["loca"] = loca;

    QByteArray head;
    for (quint32 v : {0x00010000u, 0x00010000u, 0u, 0x5F0F3CF5u})
        Put32(head, v);
    Put16(head, 0x000B);
    Put16(head, 1000);
    for (int i = 0; i < 4; ++i)
        Put32(head, 0x1234 + i);
    for (int v : {0, 0, 1000, 1000, 0, 8, 2, spec.LocaFormat, 0})
        Put16(head, quint16(v));
    tables["head"] = head;

    QByteArray hhea;
    Put32(hhea, 0x00010000);
    for (int v : {800, -200, 0, 600, 0, 0, 600, 1, 0, 0, 0, 0, 0, 0, 0})
        Put16(hhea, quint16(v));
    Put16(hhea, quint16(n));
    tables["hhea"] = hhea;

    QByteArray hmtx;
    for (int i = 0; i < n; ++i) {
        Put16(hmtx, quint16(500 + i));
        Put16(hmtx, 0);
    }
    tables["hmtx"] = hmtx;

    QByteArray maxp;
    Put32(maxp, spec.ShortMaxp ? 0x00005000 : 0x00010000);
    Put16(maxp, quint16(n));
    if (!spec.ShortMaxp) {
        for (int v : {64, 4, 64, 4, 2, 0, 0, 0, 0, 0, 0, 4, 4})
            Put16(maxp, quint16(v));
    }
    tables["maxp"] = maxp;

    tables["OS/2"] = Os2Table(spec);
    tables["name"] = NameTable(spec);
    tables["cmap"] = CmapTable(spec);

    QByteArray post;
    Put32(post, spec.PostVersion);
    Put32(post, quint32(spec.ItalicAngle));
    Put16(post, quint16(spec.UnderlinePosition));
    Put16(post, quint16(spec.UnderlineThickness));
    Put32(post, spec.IsFixedPitch);
    for (int i = 0; i < 4; ++i)
        Put32(post, 0);
    if (spec.PostVersion == 0x00020000) {
        Put16(post, quint16(n));
        for (int i = 0; i < n; ++i)
            Put16(post, quint16(i == 0 ? 0 : 258 + i - 1));
        for (int i = 1; i < n; ++i) {
            const QByteArray name = "glyph" + QByteArray::number(i);
            post.append(char(name.size()));
            post += name;
        }
    }
    tables["post"] = post;

    for (const auto& [tag, data] : spec.ExtraTables)
        tables[tag] = data;
    for (const QString& tag : spec.Omit)
        tables.erase(tag.toLatin1());

    const int count = int(tables.size());
    quint16 power = 1, log2 = 0;
    while (power * 2 <= count) {
        power *= 2;
        ++log2;
    }
    QByteArray font;
    Put32(font, 0x00010000);
    Put16(font, quint16(count));
    Put16(font, quint16(power * 16));
    Put16(font, log2);
    Put16(font, quint16(count * 16 - power * 16));
    QByteArray body;
    int headAt = -1;
    std::vector<std::pair<QByteArray, std::pair<int, int>>> placed;
    const int start = 12 + 16 * count;
    for (const auto& [tag, data] : tables) {
        if (tag == "head") headAt = start + int(body.size());
        placed.push_back({tag, {start + int(body.size()), int(data.size())}});
        body += data;
        Pad4(body);
    }
    for (const auto& [tag, place] : placed) {
        font += tag;
        quint32 sum = Checksum(tables[tag]);
        if (!spec.ValidChecksums && tag == "name") sum += 1;
        Put32(font, sum);
        Put32(font, quint32(place.first));
        Put32(font, quint32(place.second));
    }
    font += body;
    if (headAt >= 0) Set32(font, headAt + 8, 0xB1B0AFBAu - Checksum(font));
    return font;
}

QByteArray BuildCollection(const std::vector<QByteArray>& fonts, quint32 version) {
    QByteArray out("ttcf");
    Put32(out, version);
    Put32(out, quint32(fonts.size()));
    const int offsetsAt = int(out.size());
    for (size_t i = 0; i < fonts.size(); ++i)
        Put32(out, 0);
    if (version == 0x00020000) {
        Put32(out, 0);
        Put32(out, 0);
        Put32(out, 0);
    }
    for (size_t i = 0; i < fonts.size(); ++i) {
        Pad4(out);
        const quint32 base = quint32(out.size());
        Set32(out, offsetsAt + 4 * int(i), base);
        QByteArray font = fonts[i];
        const int tables = BigEndian16(font, 4);
        for (int t = 0; t < tables; ++t)
            Set32(font, 12 + 16 * t + 8, BigEndian32(font, 12 + 16 * t + 8) + base);
        out += font;
    }
    return out;
}

quint16 BigEndian16(const QByteArray& b, int at) {
    return quint16((uchar(b[at]) << 8) | uchar(b[at + 1]));
}

quint32 BigEndian32(const QByteArray& b, int at) {
    return (quint32(BigEndian16(b, at)) << 16) | BigEndian16(b, at + 2);
}

quint32 Checksum(const QByteArray& bytes) {
    QByteArray b = bytes;
    Pad4(b);
    quint32 sum = 0;
    for (int i = 0; i < b.size(); i += 4)
        sum += BigEndian32(b, i);
    return sum;
}

TParsedFont ParseFont(const QByteArray& data, quint32 directory) {
    TParsedFont f;
    const int d = int(directory);
    if (data.size() < d + 12) throw std::runtime_error("font directory cut off");
    f.Version = BigEndian32(data, d);
    f.NumTables = BigEndian16(data, d + 4);
    f.SearchRange = BigEndian16(data, d + 6);
    f.EntrySelector = BigEndian16(data, d + 8);
    f.RangeShift = BigEndian16(data, d + 10);
    for (int i = 0; i < f.NumTables; ++i) {
        const int r = d + 12 + 16 * i;
        const QByteArray tag = data.mid(r, 4);
        TParsedTable t;
        t.CheckSum = BigEndian32(data, r + 4);
        t.Offset = BigEndian32(data, r + 8);
        t.Length = BigEndian32(data, r + 12);
        if (qint64(t.Offset) + t.Length > data.size())
            throw std::runtime_error("table outside the font: " + tag.toStdString());
        t.Data = data.mid(int(t.Offset), int(t.Length));
        f.Order.push_back(tag);
        f.Tables[tag] = t;
    }
    return f;
}

int TParsedFont::GlyphCount() const {
    return BigEndian16(Table("maxp"), 4);
}

QByteArray TParsedFont::Glyph(int glyph) const {
    const QByteArray& loca = Table("loca");
    const bool isShort = BigEndian16(Table("head"), 50) == 0;
    const quint32 a = isShort ? BigEndian16(loca, 2 * glyph) * 2u : BigEndian32(loca, 4 * glyph);
    const quint32 b = isShort ? BigEndian16(loca, 2 * glyph + 2) * 2u : BigEndian32(loca, 4 * glyph + 4);
    return Table("glyf").mid(int(a), int(b - a));
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read " + path.toStdString());
    return f.readAll();
}

void WriteFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

QString RunFontToolsCheck(const std::vector<TSubsetCheck>& jobs, const QString& workDir) {
    QJsonArray list;
    for (const TSubsetCheck& job : jobs) {
        QJsonObject o;
        o[QStringLiteral("original")] = job.Original;
        o[QStringLiteral("face")] = job.Face;
        o[QStringLiteral("subset")] = job.Subset;
        QJsonArray glyphs;
        for (int g : job.Glyphs)
            glyphs.append(g);
        o[QStringLiteral("glyphs")] = glyphs;
        list.append(o);
    }
    const QString manifest = workDir + QStringLiteral("/manifest.json");
    WriteFile(manifest, QJsonDocument(list).toJson());
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    // Debian's interpreter: python3-fonttools installs for it, whatever python3 the PATH finds.
    p.start(QStringLiteral("/usr/bin/python3"),
            {QStringLiteral(KORVEL_TEST_DATA "/check_subset.py"), manifest});
    if (!p.waitForFinished(300000)) return QStringLiteral("the fontTools check did not finish");
    const QString output = QString::fromUtf8(p.readAll());
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return output.isEmpty() ? QStringLiteral("the fontTools check failed to start") : output;
    return QString();
}
