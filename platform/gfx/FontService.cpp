#include "platform/gfx/FontService.h"

#include "platform/gfx/Graphics.h"

#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_ADVANCES_H
#include <hb.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

std::mutex& FtMutex() {
    static std::mutex m;
    return m;
}

FT_Library FtLibrary() {
    static FT_Library lib = [] {
        FT_Library l = nullptr;
        if (FT_Init_FreeType(&l) != 0) l = nullptr;
        return l;
    }();
    return lib;
}

FT_Face Ft(void* p) {
    return static_cast<FT_Face>(p);
}
hb_font_t* Hb(void* p) {
    return static_cast<hb_font_t*>(p);
}

// Screen, printer and PDF must place the same glyphs: kerning and optional ligatures stay off,
// as the classic text calls did, so a character keeps one glyph and one advance.
const std::vector<hb_feature_t>& ShapeFeatures() {
    static const std::vector<hb_feature_t> features = [] {
        std::vector<hb_feature_t> f;
        for (const char* s : {"-kern", "-liga", "-clig", "-dlig"}) {
            hb_feature_t feat;
            if (hb_feature_from_string(s, -1, &feat)) f.push_back(feat);
        }
        return f;
    }();
    return features;
}

struct FcResultFace {
    QString Path;
    int Index = 0;
    QStringList Families;
    int Weight = FC_WEIGHT_REGULAR;
    int Slant = FC_SLANT_ROMAN;
    bool Found = false;
};

FcResultFace FcLookup(const QString& family, bool bold, bool italic) {
    FcResultFace r;
    static const bool inited = FcInit();
    if (!inited) return r;
    FcPattern* pat = FcPatternCreate();
    const QByteArray fam = family.toUtf8();
    FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(fam.constData()));
    FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult res = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pat, &res);
    if (match) {
        FcChar8* file = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
            r.Path = QString::fromUtf8(reinterpret_cast<const char*>(file));
            r.Found = true;
        }
        FcPatternGetInteger(match, FC_INDEX, 0, &r.Index);
        FcPatternGetInteger(match, FC_WEIGHT, 0, &r.Weight);
        FcPatternGetInteger(match, FC_SLANT, 0, &r.Slant);
        FcChar8* name = nullptr;
        for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i)
            r.Families << QString::fromUtf8(reinterpret_cast<const char*>(name));
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pat);
    return r;
}

bool HasFamily(const FcResultFace& f, const QString& family) {
    for (const QString& n : f.Families)
        if (n.compare(family, Qt::CaseInsensitive) == 0) return true;
    return false;
}

} // namespace

// ---------------------------------------------------------------------------------------------

TFontFace::TFontFace(const QString& path, int index, const QString& requestedFamily, bool bold, bool italic)
    : FPath(path), FIndex(index), FFamily(requestedFamily), FBold(bold), FItalic(italic) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw EInvalidGraphic(QStringLiteral("Cannot read the font file \"%1\"").arg(path));
    FData = f.readAll();

    {
        std::lock_guard lock(FtMutex());
        FT_Face face = nullptr;
        if (!FtLibrary() ||
            FT_New_Memory_Face(FtLibrary(), reinterpret_cast<const FT_Byte*>(FData.constData()), FData.size(),
                               index, &face) != 0)
            throw EInvalidGraphic(QStringLiteral("The font file \"%1\" is not a usable font").arg(path));
        FFtFace = face;
    }
    FT_Face face = Ft(FFtFace);
    if (face->family_name) FFamily = QString::fromUtf8(face->family_name);
    if (const char* ps = FT_Get_Postscript_Name(face)) FPostScriptName = QString::fromLatin1(ps);

    TFaceMetrics& m = FMetrics;
    m.UnitsPerEm = face->units_per_EM ? face->units_per_EM : 2048;
    m.GlyphCount = static_cast<int>(face->num_glyphs);
    m.XMin = face->bbox.xMin;
    m.YMin = face->bbox.yMin;
    m.XMax = face->bbox.xMax;
    m.YMax = face->bbox.yMax;
    m.UnderlinePosition = face->underline_position;
    m.UnderlineThickness = face->underline_thickness;
    m.FixedPitch = FT_IS_FIXED_WIDTH(face);
    m.MaxAdvance = face->max_advance_width;
    if (auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA))) {
        m.HheaAscender = hhea->Ascender;
        m.HheaDescender = hhea->Descender;
        m.LineGap = hhea->Line_Gap;
        m.MaxAdvance = hhea->advance_Width_Max;
    } else {
        m.HheaAscender = face->ascender;
        m.HheaDescender = face->descender;
    }
    m.Ascent = m.HheaAscender;
    m.Descent = -m.HheaDescender;
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        os2 && os2->version != 0xFFFF) {
        if (os2->usWinAscent + os2->usWinDescent > 0) {
            m.Ascent = os2->usWinAscent;
            m.Descent = os2->usWinDescent;
        }
        m.AvgCharWidth = os2->xAvgCharWidth;
        m.Weight = os2->usWeightClass;
        m.StrikeoutPosition = os2->yStrikeoutPosition;
        m.StrikeoutSize = os2->yStrikeoutSize;
        if (os2->version >= 2) {
            m.CapHeight = os2->sCapHeight;
            m.XHeight = os2->sxHeight;
            m.DefaultChar = os2->usDefaultChar;
        }
    }
    if (auto* post = static_cast<TT_Postscript*>(FT_Get_Sfnt_Table(face, FT_SFNT_POST)))
        m.ItalicAngle = post->italicAngle / 65536.0;
    if (m.CapHeight == 0) m.CapHeight = m.Ascent;
    if (m.StrikeoutSize == 0) {
        m.StrikeoutSize = m.UnderlineThickness > 0 ? m.UnderlineThickness : m.UnitsPerEm / 20;
        m.StrikeoutPosition = m.UnitsPerEm * 3 / 10;
    }
    if (m.UnderlineThickness <= 0) m.UnderlineThickness = m.UnitsPerEm / 20;

    const bool faceBold = m.Weight >= 600 || (face->style_flags & FT_STYLE_FLAG_BOLD);
    const bool faceItalic = (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
    FSyntheticBold = bold && !faceBold;
    FSyntheticItalic = italic && !faceItalic;

    hb_blob_t* blob = hb_blob_create(FData.constData(), static_cast<unsigned>(FData.size()),
                                     HB_MEMORY_MODE_READONLY, nullptr, nullptr);
    hb_face_t* hbFace = hb_face_create(blob, static_cast<unsigned>(index));
    hb_font_t* font = hb_font_create(hbFace);
    hb_font_set_scale(font, m.UnitsPerEm, m.UnitsPerEm);
    hb_face_destroy(hbFace);
    hb_blob_destroy(blob);
    FHbFont = font;
}

TFontFace::~TFontFace() {
    if (FHbFont) hb_font_destroy(Hb(FHbFont));
    if (FFtFace) {
        std::lock_guard lock(FtMutex());
        FT_Done_Face(Ft(FFtFace));
    }
}

QByteArray TFontFace::Table(const char* tag) const {
    if (!tag || std::strlen(tag) != 4) return {};
    const FT_ULong t = FT_MAKE_TAG(tag[0], tag[1], tag[2], tag[3]);
    std::lock_guard lock(FMutex);
    FT_ULong len = 0;
    if (FT_Load_Sfnt_Table(Ft(FFtFace), t, 0, nullptr, &len) != 0 || len == 0) return {};
    QByteArray out(static_cast<qsizetype>(len), '\0');
    if (FT_Load_Sfnt_Table(Ft(FFtFace), t, 0, reinterpret_cast<FT_Byte*>(out.data()), &len) != 0) return {};
    return out;
}

quint32 TFontFace::GlyphIndex(char32_t ch) const {
    std::lock_guard lock(FMutex);
    return FT_Get_Char_Index(Ft(FFtFace), ch);
}

int TFontFace::GlyphAdvance(quint32 glyph) const {
    std::lock_guard lock(FMutex);
    FT_Fixed adv = 0;
    if (FT_Get_Advance(Ft(FFtFace), glyph, FT_LOAD_NO_SCALE, &adv) != 0) return 0;
    return static_cast<int>(adv);
}

namespace {

// Units whose glyph and advance shaping takes from the character map and the metrics alone: no
// marks, no joining or reordering scripts, no controls, no invisible format characters.
bool IsSimpleUnit(char16_t c) {
    if (c < 0x20) return false;
    if (c <= 0x7E) return true;
    if (c < 0xA0 || c == 0xAD) return false; // controls; the soft hyphen is hidden by shaping
    if (c <= 0x2AF) return true; // not the modifier letters: tone letters join up
    if (c >= 0x370 && c <= 0x3FF) return true;
    if (c >= 0x400 && c <= 0x52F) return c < 0x483 || c > 0x489;
    if (c >= 0x1E00 && c <= 0x1FFF) return true;
    if (c >= 0x2010 && c <= 0x2027) return true;
    if (c >= 0x2030 && c <= 0x205E) return true;
    if (c >= 0x2070 && c <= 0x20CF) return true;
    return c >= 0x2100 && c <= 0x2BFF;
}

} // namespace

int TFontFace::SimpleAdvanceSlow(char16_t ch) const {
    std::lock_guard lock(FMutex);
    std::atomic<const std::int32_t*>& slot = FAdvancePages[ch >> 8];
    if (const std::int32_t* page = slot.load(std::memory_order_acquire)) return page[ch & 0xFF];
    auto page = std::make_unique<std::int32_t[]>(256);
    FT_Face face = Ft(FFtFace);
    const char16_t base = static_cast<char16_t>(ch & 0xFF00);
    for (int i = 0; i < 256; ++i) {
        const char16_t c = static_cast<char16_t>(base + i);
        page[i] = -1;
        if (!IsSimpleUnit(c)) continue;
        const FT_UInt glyph = FT_Get_Char_Index(face, c);
        FT_Fixed adv = 0;
        if (glyph != 0 && FT_Get_Advance(face, glyph, FT_LOAD_NO_SCALE, &adv) == 0)
            page[i] = static_cast<std::int32_t>(adv);
    }
    const std::int32_t* result = page.get();
    FAdvancePageStore.push_back(std::move(page));
    slot.store(result, std::memory_order_release);
    return result[ch & 0xFF];
}

std::vector<TShapedGlyph> TFontFace::Shape(const QString& text, bool rtl) const {
    std::vector<TShapedGlyph> out;
    if (text.isEmpty()) return out;
    hb_buffer_t* buf = hb_buffer_create();
    hb_buffer_add_utf16(buf, reinterpret_cast<const uint16_t*>(text.utf16()), static_cast<int>(text.size()),
                        0, static_cast<int>(text.size()));
    hb_buffer_guess_segment_properties(buf);
    hb_buffer_set_direction(buf, rtl ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
    const auto& features = ShapeFeatures();
    hb_shape(Hb(FHbFont), buf, features.data(), static_cast<unsigned>(features.size()));
    unsigned n = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buf, &n);
    const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buf, &n);
    out.reserve(n);
    for (unsigned i = 0; i < n; ++i)
        out.push_back(
            {info[i].codepoint, info[i].cluster, pos[i].x_advance, pos[i].x_offset, pos[i].y_offset});
    hb_buffer_destroy(buf);
    return out;
}

std::vector<int> TFontFace::CharAdvances(const QString& text, bool rtl) const {
    std::vector<int> adv(static_cast<size_t>(text.size()), 0);
    for (const TShapedGlyph& g : Shape(text, rtl))
        if (g.Cluster < adv.size()) adv[g.Cluster] += g.XAdvance;
    return adv;
}

int TFontFace::TextAdvance(const QString& text) const {
    int sum = 0;
    for (const TShapedGlyph& g : Shape(text, false))
        sum += g.XAdvance;
    return sum;
}

QString TFontFace::QtFamily() const {
    std::lock_guard lock(FMutex);
    if (FQtFamily.isEmpty()) {
        FQtFamily = FFamily;
        if (qGuiApp) {
            const int id = QFontDatabase::addApplicationFont(FPath);
            const QStringList fams = id >= 0 ? QFontDatabase::applicationFontFamilies(id) : QStringList();
            if (!fams.isEmpty()) FQtFamily = fams.first();
        }
    }
    return FQtFamily;
}

QRawFont TFontFace::RawFont(double pixelSize) const {
    const QString family = QtFamily();
    std::lock_guard lock(FMutex);
    const long long key = std::llround(pixelSize * 64);
    auto it = FRawFonts.find(key);
    if (it != FRawFonts.end()) return it->second;
    // A raw font from Qt's font database can be embedded by printers and PDF writers; one made
    // from the bytes would be drawn as outlines. It is used only when it is this very face.
    QRawFont rf;
    if (qGuiApp) {
        QFont qf(family);
        qf.setPixelSize(12);
        qf.setWeight(FBold && !FSyntheticBold ? QFont::Bold : QFont::Normal);
        qf.setItalic(FItalic && !FSyntheticItalic);
        qf.setHintingPreference(QFont::PreferNoHinting);
        qf.setStyleStrategy(QFont::NoFontMerging);
        rf = QRawFont::fromFont(qf);
        if (rf.isValid()) rf.setPixelSize(pixelSize);
        bool same = rf.isValid() && std::lround(rf.unitsPerEm()) == FMetrics.UnitsPerEm &&
                    rf.familyName().compare(FFamily, Qt::CaseInsensitive) == 0;
        if (same) {
            // Compare a few glyphs' advances with the file's own.
            FT_Face face = Ft(FFtFace);
            for (quint32 g : {3u, 20u, 40u, 68u}) {
                if (g >= static_cast<quint32>(FMetrics.GlyphCount)) continue;
                FT_Fixed adv = 0;
                FT_Get_Advance(face, g, FT_LOAD_NO_SCALE, &adv);
                const double mine = adv * pixelSize / FMetrics.UnitsPerEm;
                const double theirs = rf.advancesForGlyphIndexes(QList<quint32>{g}).value(0).x();
                // Qt keeps advances in 1/64 pixel; positions are ours anyway.
                if (std::abs(mine - theirs) > 1.0 / 32) same = false;
            }
        }
        if (!same) rf = QRawFont();
    }
    if (!rf.isValid()) rf = QRawFont(FData, pixelSize, QFont::PreferNoHinting);
    if (FRawFonts.size() > 64) FRawFonts.clear();
    FRawFonts.emplace(key, rf);
    return rf;
}

// ---------------------------------------------------------------------------------------------

TFontService::TFontService() = default;

TFontService& TFontService::Instance() {
    static TFontService service;
    return service;
}

QString TFontService::MappedFamily(const QString& family) {
    static const std::pair<const char*, const char*> map[] = {
        {"Arial", "Liberation Sans"},
        {"Helvetica", "Liberation Sans"},
        {"Times New Roman", "Liberation Serif"},
        {"Times", "Liberation Serif"},
        {"Courier New", "Liberation Mono"},
        {"Courier", "Liberation Mono"},
        {"Tahoma", "DejaVu Sans"},
        {"MS Sans Serif", "DejaVu Sans"},
        {"Microsoft Sans Serif", "DejaVu Sans"},
    };
    const QString f = family.trimmed();
    for (const auto& [from, to] : map)
        if (f.compare(QLatin1String(from), Qt::CaseInsensitive) == 0) return QString::fromLatin1(to);
    return f.isEmpty() ? FallbackFamily() : f;
}

TFontFacePtr TFontService::Face(const QString& family, bool bold, bool italic) {
    const QString key =
        family.toLower() + QLatin1Char('|') + QLatin1Char(bold ? 'b' : '-') + QLatin1Char(italic ? 'i' : '-');
    std::lock_guard lock(FMutex);
    if (auto it = FFaces.find(key); it != FFaces.end()) return it->second;

    const QString mapped = MappedFamily(family);
    FcResultFace r = FcLookup(mapped, bold, italic);
    if (!r.Found || !HasFamily(r, mapped)) {
        FcResultFace fb = FcLookup(FallbackFamily(), bold, italic);
        if (fb.Found) r = fb;
    }
    if (!r.Found) throw EInvalidGraphic(QStringLiteral("No font file found for \"%1\"").arg(family));
    auto face = std::make_shared<TFontFace>(r.Path, r.Index, mapped, bold, italic);
    FFaces.emplace(key, face);
    return face;
}

QFont TFontToQFont(const TFont& font) {
    const bool bold = font.Style().Contains(fsBold);
    const bool italic = font.Style().Contains(fsItalic);
    const TFontFacePtr face = TFontService::Instance().Face(font.Name(), bold, italic);
    QFont q(face->QtFamily());
    int px = font.Height() < 0 ? -font.Height() : font.Height();
    if (font.Height() > 0) {
        const TFaceMetrics& m = face->Metrics();
        px = static_cast<int>(std::lround(static_cast<double>(font.Height()) * m.UnitsPerEm /
                                          std::max(1, m.Ascent + m.Descent)));
    }
    q.setPixelSize(std::max(1, px));
    q.setBold(bold);
    q.setItalic(italic);
    q.setUnderline(font.Style().Contains(fsUnderline));
    q.setStrikeOut(font.Style().Contains(fsStrikeOut));
    q.setKerning(false);
    q.setHintingPreference(QFont::PreferNoHinting);
    return q;
}

// ---------------------------------------------------------------------------------------------
// Fallback faces and line shaping

TFontFacePtr TFontService::FaceForChar(char32_t ch, bool bold, bool italic) {
    TFontFacePtr fb = Face(FallbackFamily(), bold, italic);
    if (fb->GlyphIndex(ch) != 0) return fb;
    const std::pair<char32_t, int> key(ch, (bold ? 1 : 0) | (italic ? 2 : 0));
    QString family;
    {
        std::lock_guard lock(FMutex);
        auto it = FCharFamilies.find(key);
        if (it != FCharFamilies.end()) {
            family = it->second;
        } else {
            static const bool inited = FcInit();
            if (inited) {
                FcPattern* pat = FcPatternCreate();
                FcCharSet* cs = FcCharSetCreate();
                FcCharSetAddChar(cs, ch);
                FcPatternAddCharSet(pat, FC_CHARSET, cs);
                FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
                FcConfigSubstitute(nullptr, pat, FcMatchPattern);
                FcDefaultSubstitute(pat);
                FcResult res = FcResultNoMatch;
                if (FcPattern* match = FcFontMatch(nullptr, pat, &res)) {
                    FcCharSet* have = nullptr;
                    FcChar8* name = nullptr;
                    if (FcPatternGetCharSet(match, FC_CHARSET, 0, &have) == FcResultMatch &&
                        FcCharSetHasChar(have, ch) &&
                        FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch)
                        family = QString::fromUtf8(reinterpret_cast<const char*>(name));
                    FcPatternDestroy(match);
                }
                FcCharSetDestroy(cs);
                FcPatternDestroy(pat);
            }
            FCharFamilies.emplace(key, family);
        }
    }
    if (family.isEmpty()) return nullptr;
    TFontFacePtr f = Face(family, bold, italic);
    return f->GlyphIndex(ch) != 0 ? f : nullptr;
}

namespace {

struct TDirRun {
    int Start, Length;
    bool Rtl;
};

// The runs of a line in visual order, by a reduced form of the bidirectional algorithm: letters
// set the direction; European numbers take the direction of the letters before them, Arabic
// numbers count as right to left; a mark takes its base's; neutrals between two runs of one
// direction take it, any others the paragraph's; numbers read left to right inside right-to-left
// text. Runs are then reordered level by level. (No explicit embeddings.)
std::vector<TDirRun> VisualRuns(const QString& text, bool rtlParagraph) {
    const int n = static_cast<int>(text.size());
    bool anyRtl = false;
    for (QChar c : text) {
        const auto d = QChar::direction(c.unicode());
        if (d == QChar::DirR || d == QChar::DirAL || d == QChar::DirAN) {
            anyRtl = true;
            break;
        }
    }
    if (!anyRtl && !rtlParagraph) return {{0, n, false}};

    enum TCls : signed char { cL, cR, cNum, cN };
    std::vector<TCls> cls(static_cast<size_t>(n), cN);
    TCls strong = rtlParagraph ? cR : cL;
    for (int i = 0; i < n; ++i) {
        char32_t cp = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate())
            cp = QChar::surrogateToUcs4(text[i], text[i + 1]);
        else if (text[i].isLowSurrogate() && i > 0 && text[i - 1].isHighSurrogate()) {
            cls[static_cast<size_t>(i)] = cls[static_cast<size_t>(i) - 1];
            continue;
        }
        TCls c = cN;
        switch (QChar::direction(cp)) {
        case QChar::DirL: c = cL; break;
        case QChar::DirR:
        case QChar::DirAL: c = cR; break;
        case QChar::DirEN: c = strong == cL ? cL : cNum; break;
        case QChar::DirAN: c = cNum; break;
        case QChar::DirNSM: c = i > 0 ? cls[static_cast<size_t>(i) - 1] : cN; break;
        default: break;
        }
        if (c == cL || c == cR) strong = c;
        cls[static_cast<size_t>(i)] = c;
    }
    // Neutrals: numbers count as right to left beside them.
    const TCls para = rtlParagraph ? cR : cL;
    auto side = [](TCls c) { return c == cL ? cL : cR; };
    for (int i = 0; i < n;) {
        if (cls[static_cast<size_t>(i)] != cN) {
            ++i;
            continue;
        }
        int j = i;
        while (j < n && cls[static_cast<size_t>(j)] == cN)
            ++j;
        const TCls before = i == 0 ? para : side(cls[static_cast<size_t>(i) - 1]);
        const TCls after = j == n ? para : side(cls[static_cast<size_t>(j)]);
        const TCls resolved = before == after ? before : para;
        for (int k = i; k < j; ++k)
            cls[static_cast<size_t>(k)] = resolved;
        i = j;
    }
    // Levels: left-to-right text is 0 (2 in a right-to-left paragraph), right-to-left 1,
    // numbers 2.
    auto level = [&](TCls c) { return c == cR ? 1 : c == cNum ? 2 : (rtlParagraph ? 2 : 0); };
    struct TLevelRun {
        TDirRun Run;
        int Level;
    };
    std::vector<TLevelRun> runs;
    int maxLevel = 0;
    for (int i = 0; i < n;) {
        const int lv = level(cls[static_cast<size_t>(i)]);
        int j = i + 1;
        while (j < n && level(cls[static_cast<size_t>(j)]) == lv)
            ++j;
        runs.push_back({{i, j - i, (lv & 1) != 0}, lv});
        maxLevel = std::max(maxLevel, lv);
        i = j;
    }
    for (int lv = maxLevel; lv >= 1; --lv) {
        for (size_t a = 0; a < runs.size();) {
            if (runs[a].Level < lv) {
                ++a;
                continue;
            }
            size_t b = a;
            while (b < runs.size() && runs[b].Level >= lv)
                ++b;
            std::reverse(runs.begin() + static_cast<std::ptrdiff_t>(a), runs.begin() + static_cast<std::ptrdiff_t>(b));
            a = b;
        }
    }
    std::vector<TDirRun> out;
    out.reserve(runs.size());
    for (const TLevelRun& r : runs)
        out.push_back(r.Run);
    return out;
}

} // namespace

std::vector<TShapedRun> ShapeText(const TFontFacePtr& face, const QString& text, bool rtl) {
    std::vector<TShapedRun> out;
    if (text.isEmpty() || !face) return out;
    const bool bold = face->IsBold(), italic = face->IsItalic();
    for (const TDirRun& run : VisualRuns(text, rtl)) {
        // Split the run where the face lacks characters; spaces and marks stay with their
        // neighbours' face.
        std::vector<TShapedRun> pieces;
        int i = run.Start;
        const int end = run.Start + run.Length;
        while (i < end) {
            char32_t cp = text[i].unicode();
            int len = 1;
            if (text[i].isHighSurrogate() && i + 1 < end && text[i + 1].isLowSurrogate()) {
                cp = QChar::surrogateToUcs4(text[i], text[i + 1]);
                len = 2;
            }
            TFontFacePtr f = face;
            const bool neutral =
                QChar::isSpace(cp) || QChar::category(cp) == QChar::Mark_NonSpacing || cp < 0x20;
            if (neutral && !pieces.empty())
                f = pieces.back().Face;
            else if (!neutral && face->GlyphIndex(cp) == 0)
                if (TFontFacePtr fb = TFontService::Instance().FaceForChar(cp, bold, italic)) f = fb;
            if (!pieces.empty() && pieces.back().Face == f)
                pieces.back().Length += len;
            else
                pieces.push_back({f, i, len, run.Rtl, {}});
            i += len;
        }
        for (TShapedRun& p : pieces) {
            p.Glyphs = p.Face->Shape(text.mid(p.Start, p.Length), p.Rtl);
            for (TShapedGlyph& g : p.Glyphs)
                g.Cluster += static_cast<quint32>(p.Start);
        }
        if (run.Rtl) std::reverse(pieces.begin(), pieces.end());
        for (TShapedRun& p : pieces)
            out.push_back(std::move(p));
    }
    return out;
}
