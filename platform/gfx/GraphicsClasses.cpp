#include "platform/gfx/GraphicsClasses.h"

#include "platform/rtti/Classes.h"

#include <typeinfo>

const TClassInfo* TFontClassInfo() {
    static const TClassInfo* info = [] {
        const TClassInfo* made = TClassBuilder<TFont>::Build(
            QStringLiteral("TFont"), TPersistent::StaticClassInfo(), [](TClassBuilder<TFont>& b) {
                b.Prop("Charset", &TFont::Charset, &TFont::SetCharset).Type("TFontCharset");
                b.Prop("Color", &TFont::Color, &TFont::SetColor).Type("TColor");
                b.Prop("Height", &TFont::Height, &TFont::SetHeight);
                b.Prop("Name", &TFont::Name, &TFont::SetName).Type("TFontName");
                b.Prop("Orientation", &TFont::Orientation, &TFont::SetOrientation).Default(0);
                b.Prop("Pitch", &TFont::Pitch, &TFont::SetPitch).Default(fpDefault);
                b.Prop("Size", &TFont::Size, &TFont::SetSize).Stored(false);
                b.Prop("Style", &TFont::Style, &TFont::SetStyle);
            });
        RegisterClassType(typeid(TFont), made);
        RegisterClass(made);
        return made;
    }();
    return info;
}
