#include "script/sc_igraphicsrtti.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Colors.h"
#include "platform/gfx/GraphicsClasses.h"
#include "platform/gfx/Metafile.h"
#include "platform/gfx/Picture.h"
#include "platform/rtti/Classes.h"
#include "script/sc_iclassesrtti.h"


using namespace scbind;

namespace sc_igraphicsrtti {

namespace {

bool Is(const QString& Name, const char* Literal) {
    return Name == QLatin1String(Literal);
}

// Enumerations and sets are published as integers, the values scripts compute with; a value
// outside the type is refused instead of being stored as a member that does not exist.
int CheckOrd(int Value, int Max, const char* Prop) {
    if (Value < 0 || Value > Max)
        throw ERangeError(
            QStringLiteral("%1: %2 is out of range 0..%3").arg(QLatin1String(Prop)).arg(Value).arg(Max));
    return Value;
}

} // namespace

const TClassInfo* TFunctions::FontClass() {
    // Declared once with the font itself; the template serializer reads the same record.
    return TFontClassInfo();
}

const TClassInfo* TFunctions::PenClass() {
    return HostClass<TPen>("TPen", TPersistent::StaticClassInfo(), [](TClassBuilder<TPen>& b) {
        b.Prop("Color", &TPen::Color, &TPen::SetColor).Type("TColor");
        b.Prop(
            "Mode", [](const TPen& p) { return int(p.Mode()); },
            [](TPen& p, int v) { p.SetMode(static_cast<TPenMode>(CheckOrd(v, pmNotXor, "Mode"))); });
        b.Prop(
            "Style", [](const TPen& p) { return int(p.Style()); },
            [](TPen& p, int v) { p.SetStyle(static_cast<TPenStyle>(CheckOrd(v, psAlternate, "Style"))); });
        b.Prop("Width", &TPen::Width, &TPen::SetWidth);
    });
}

const TClassInfo* TFunctions::BrushClass() {
    return HostClass<TBrush>("TBrush", TPersistent::StaticClassInfo(), [](TClassBuilder<TBrush>& b) {
        b.Prop("Color", &TBrush::Color, &TBrush::SetColor).Type("TColor");
        b.Prop(
            "Style", [](const TBrush& p) { return int(p.Style()); },
            [](TBrush& p, int v) {
                p.SetStyle(static_cast<TBrushStyle>(CheckOrd(v, bsDiagCross, "Style")));
            });
    });
}

const TClassInfo* TFunctions::CanvasClass() {
    FontClass();
    PenClass();
    BrushClass();
    return HostClass<TCanvas>("TCanvas", TPersistent::StaticClassInfo(), [](TClassBuilder<TCanvas>& b) {
        b.Prop(
            "Brush", [](const TCanvas& c) { return &const_cast<TCanvas&>(c).Brush(); },
            [](TCanvas& c, TBrush* v) {
                if (v) c.SetBrush(*v);
            });
        b.Prop(
            "Font", [](const TCanvas& c) { return &const_cast<TCanvas&>(c).Font(); },
            [](TCanvas& c, TFont* v) {
                if (v) c.SetFont(*v);
            });
        b.Prop(
            "Pen", [](const TCanvas& c) { return &const_cast<TCanvas&>(c).Pen(); },
            [](TCanvas& c, TPen* v) {
                if (v) c.SetPen(*v);
            });
    });
}

const TClassInfo* TFunctions::GraphicClass() {
    return HostClass<TGraphic>("TGraphic", TPersistent::StaticClassInfo(), [](TClassBuilder<TGraphic>& b) {
        b.Prop("Empty", [](const TGraphic& g) { return g.Empty(); });
        b.Prop("Transparent", &TGraphic::Transparent, &TGraphic::SetTransparent);
    });
}

const TClassInfo* TFunctions::PictureClass() {
    return HostClass<TPicture>("TPicture", TPersistent::StaticClassInfo(), [](TClassBuilder<TPicture>& b) {
        b.Prop("Graphic", &TPicture::Graphic, [](TPicture& p, TGraphic* g) { p.SetGraphic(g); });
    });
}

const TClassInfo* TFunctions::MetafileClass() {
    return HostClass<TMetafile>("TMetafile", GraphicClass(), [](TClassBuilder<TMetafile>& b) {
        b.Prop("Enhanced", &TMetafile::Enhanced, &TMetafile::SetEnhanced);
        b.Prop("MMHeight", &TMetafile::MMHeight, &TMetafile::SetMMHeight);
        b.Prop("MMWidth", &TMetafile::MMWidth, &TMetafile::SetMMWidth);
    });
}

const TClassInfo* TFunctions::MetafileCanvasClass() {
    return HostClass<TMetafileCanvas>("TMetafileCanvas", CanvasClass());
}

const TClassInfo* TFunctions::BitmapClass() {
    return HostClass<TBitmap>("TBitmap", GraphicClass(), [](TClassBuilder<TBitmap>& b) {
        b.Prop(
            "PixelFormat", [](const TBitmap& m) { return int(m.PixelFormat()); },
            [](TBitmap& m, int v) {
                m.SetPixelFormat(static_cast<TPixelFormat>(CheckOrd(v, pfCustom, "PixelFormat")));
            });
        b.Prop("TransparentColor", &TBitmap::TransparentColor, &TBitmap::SetTransparentColor).Type("TColor");
    });
}

void TFunctions::AddColorConst(const QString& Name) {
    TColor color = 0;
    if (!IdentToColor(Name, color)) return;
    FScript->AddConst(Name, QStringLiteral("Integer"), Variant(static_cast<int>(color)));
}

TFunctions::TFunctions(TscScript* AScript) : TscRTTIModule(AScript) {
    TscScript* s = FScript;
    GetColorValues([this](const QString& name) { AddColorConst(name); });
    AddEnumList(s, QStringLiteral("TFontStyles"),
                QStringLiteral("fsBold, fsItalic, fsUnderline, fsStrikeout"), true);
    AddEnumList(s, QStringLiteral("TFontPitch"), QStringLiteral("fpDefault, fpVariable, fpFixed"), false);
    AddEnumList(s, QStringLiteral("TPenStyle"),
                QStringLiteral("psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame"),
                false);
    AddEnumList(s, QStringLiteral("TPenMode"),
                QStringLiteral(
                    "pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot, "
                    "pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor"),
                false);
    AddEnumList(
        s, QStringLiteral("TBrushStyle"),
        QStringLiteral("bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, "
                       "bsDiagCross"),
        false);

    const TscCallMethodNewEvent call = [this](TObject* inst, const TClassInfo* cls, const QString& name,
                                              TscMethodHelper* c) {
        return CallHostMethod(inst, cls, name, c);
    };
    const TscGetValueEvent get = &TFunctions::GetHostProperty;
    const TscSetValueEvent set = &TFunctions::SetHostProperty;
    auto M = [&](TscClassVariable* c, const char* syntax) {
        c->AddMethod(QString::fromLatin1(syntax), call);
    };
    auto Ctor = [&](TscClassVariable* c, const char* syntax) {
        c->AddConstructor(QString::fromLatin1(syntax), call);
    };
    const QString persistent = QStringLiteral("TPersistent");

    Ctor(s->AddClass(FontClass(), persistent), "constructor Create");
    Ctor(s->AddClass(PenClass(), persistent), "constructor Create");
    Ctor(s->AddClass(BrushClass(), persistent), "constructor Create");

    TscClassVariable* c = s->AddClass(CanvasClass(), persistent);
    Ctor(c, "constructor Create");
    M(c, "procedure Draw(X, Y: Integer; Graphic: TGraphic)");
    M(c, "procedure Ellipse(X1, Y1, X2, Y2: Integer)");
    M(c, "procedure LineTo(X, Y: Integer)");
    M(c, "procedure MoveTo(X, Y: Integer)");
    M(c, "procedure Rectangle(X1, Y1, X2, Y2: Integer)");
    M(c, "procedure RoundRect(X1, Y1, X2, Y2, X3, Y3: Integer)");
    M(c, "procedure StretchDraw(X1, Y1, X2, Y2: Integer; Graphic: TGraphic)");
    M(c, "function TextHeight(const Text: string): Integer");
    M(c, "procedure TextOut(X, Y: Integer; const Text: string)");
    M(c, "function TextWidth(const Text: string): Integer");
    c->AddIndexProperty(QStringLiteral("Pixels"), QStringLiteral("Integer, Integer"),
                        QStringLiteral("TColor"), call);

    c = s->AddClass(GraphicClass(), persistent);
    Ctor(c, "constructor Create");
    M(c, "procedure LoadFromFile(const Filename: string)");
    M(c, "procedure SaveToFile(const Filename: string)");
    c->AddProperty(QStringLiteral("Height"), QStringLiteral("Integer"), get, set);
    c->AddProperty(QStringLiteral("Width"), QStringLiteral("Integer"), get, set);

    c = s->AddClass(PictureClass(), persistent);
    M(c, "procedure LoadFromFile(const Filename: string)");
    M(c, "procedure SaveToFile(const Filename: string)");
    c->AddProperty(QStringLiteral("Height"), QStringLiteral("Integer"), get);
    c->AddProperty(QStringLiteral("Width"), QStringLiteral("Integer"), get);

    s->AddClass(MetafileClass(), QStringLiteral("TGraphic"));

    c = s->AddClass(MetafileCanvasClass(), QStringLiteral("TCanvas"));
    Ctor(c, "constructor Create(AMetafile: TMetafile; ReferenceDevice: Integer)");

    c = s->AddClass(BitmapClass(), QStringLiteral("TGraphic"));
    c->AddProperty(QStringLiteral("Canvas"), QStringLiteral("TCanvas"), get);
}

Variant TFunctions::CallHostMethod(TObject* Instance, const TClassInfo* Cls, const QString& Name,
                                   TscMethodHelper* C) {
    auto I = [C](int i) { return Arg(C, i).ToInt(); };
    if (Is(Name, "CREATE")) {
        if (Cls == MetafileCanvasClass())
            return Obj(ScriptMade(std::make_unique<TMetafileCanvas>(ArgRef<TMetafile>(C, 0), I(1)).release()));
        return Obj(NewInstance(Cls, nullptr));
    }
    if (auto* canvas = dynamic_cast<TCanvas*>(Instance)) {
        if (Is(Name, "DRAW"))
            canvas->Draw(I(0), I(1), ArgRef<TGraphic>(C, 2));
        else if (Is(Name, "ELLIPSE"))
            canvas->Ellipse(I(0), I(1), I(2), I(3));
        else if (Is(Name, "LINETO"))
            canvas->LineTo(I(0), I(1));
        else if (Is(Name, "MOVETO"))
            canvas->MoveTo(I(0), I(1));
        else if (Is(Name, "RECTANGLE"))
            canvas->Rectangle(I(0), I(1), I(2), I(3));
        else if (Is(Name, "ROUNDRECT"))
            canvas->RoundRect(I(0), I(1), I(2), I(3), I(4), I(5));
        else if (Is(Name, "STRETCHDRAW"))
            canvas->StretchDraw(Rect(I(0), I(1), I(2), I(3)), ArgRef<TGraphic>(C, 4));
        else if (Is(Name, "TEXTHEIGHT"))
            return Variant(canvas->TextHeight(Arg(C, 0).ToString()));
        else if (Is(Name, "TEXTOUT"))
            canvas->TextOut(I(0), I(1), Arg(C, 2).ToString());
        else if (Is(Name, "TEXTWIDTH"))
            return Variant(canvas->TextWidth(Arg(C, 0).ToString()));
        else if (Is(Name, "PIXELS.GET"))
            return Variant(static_cast<int>(canvas->Pixel(I(0), I(1))));
        else if (Is(Name, "PIXELS.SET"))
            canvas->SetPixel(I(0), I(1), static_cast<TColor>(I(2)));
        return None();
    }
    if (auto* graphic = dynamic_cast<TGraphic*>(Instance)) {
        if (Is(Name, "LOADFROMFILE"))
            graphic->LoadFromFile(Arg(C, 0).ToString());
        else if (Is(Name, "SAVETOFILE"))
            graphic->SaveToFile(Arg(C, 0).ToString());
        return None();
    }
    if (auto* picture = dynamic_cast<TPicture*>(Instance)) {
        if (Is(Name, "LOADFROMFILE"))
            picture->LoadFromFile(Arg(C, 0).ToString());
        else if (Is(Name, "SAVETOFILE"))
            picture->SaveToFile(Arg(C, 0).ToString());
        return None();
    }
    Self<TCanvas>(Instance, Name); // nil or an object of another class raises here
    return None();
}

Variant TFunctions::GetHostProperty(TObject* Instance, const TClassInfo* Cls, const QString& Name) {
    if (Cls == GraphicClass()) {
        auto& g = Self<TGraphic>(Instance, Name);
        if (Is(Name, "HEIGHT")) return Variant(g.Height());
        if (Is(Name, "WIDTH")) return Variant(g.Width());
    } else if (Cls == PictureClass()) {
        auto& p = Self<TPicture>(Instance, Name);
        if (Is(Name, "HEIGHT")) return Variant(p.Height());
        if (Is(Name, "WIDTH")) return Variant(p.Width());
    } else if (Cls == BitmapClass()) {
        if (Is(Name, "CANVAS")) return Obj(&Self<TBitmap>(Instance, Name).Canvas());
    }
    return None();
}

void TFunctions::SetHostProperty(TObject* Instance, const TClassInfo* Cls, const QString& Name,
                                 const Variant& Value) {
    if (Cls == GraphicClass()) {
        auto& g = Self<TGraphic>(Instance, Name);
        if (Is(Name, "HEIGHT"))
            g.SetHeight(Value.ToInt());
        else if (Is(Name, "WIDTH"))
            g.SetWidth(Value.ToInt());
    }
}

} // namespace sc_igraphicsrtti
