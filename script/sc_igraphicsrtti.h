#pragma once
// The drawing classes as scripts see them: colour names, font, pen and brush enumerations,
// fonts, pens, brushes, canvases, graphics, pictures, bitmaps and metafiles.

#include "script/sc_iinterpreter.h"

namespace sc_igraphicsrtti {

class TFunctions : public TscRTTIModule {
public:
    explicit TFunctions(TscScript* AScript);
    static std::unique_ptr<TscRTTIModule> Make(TscScript* AScript) {
        return std::make_unique<TFunctions>(AScript);
    }
    // Registers the colour of that name as an Integer constant (kept when the name exists).
    void AddColorConst(const QString& Name);

    // The records of the drawing classes, with their published properties.
    static const TClassInfo* FontClass();
    static const TClassInfo* PenClass();
    static const TClassInfo* BrushClass();
    static const TClassInfo* CanvasClass();
    static const TClassInfo* GraphicClass();
    static const TClassInfo* PictureClass();
    static const TClassInfo* MetafileClass();
    static const TClassInfo* MetafileCanvasClass();
    static const TClassInfo* BitmapClass();

private:
    Variant CallHostMethod(TObject* Instance, const TClassInfo* Cls, const QString& Name, TscMethodHelper* C);
    static Variant GetHostProperty(TObject* Instance, const TClassInfo* Cls, const QString& Name);
    static void SetHostProperty(TObject* Instance, const TClassInfo* Cls, const QString& Name,
                                const Variant& Value);
};

} // namespace sc_igraphicsrtti
