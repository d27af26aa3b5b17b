#pragma once
// Charts as scripts see them: the chart enumerations and classes, so that report scripts can
// fill series and switch them on and off.

#include "script/sc_iinterpreter.h"

namespace sc_ichartrtti {

class TFunctions : public TscRTTIModule {
public:
    explicit TFunctions(TscScript* AScript);
    static std::unique_ptr<TscRTTIModule> Make(TscScript* AScript) {
        return std::make_unique<TFunctions>(AScript);
    }

    // The records of the chart model's classes, with their published properties.
    static const TClassInfo* ChartClass();
    static const TClassInfo* SeriesClass();
    static const TClassInfo* BarSeriesClass();

private:
    Variant CallHostMethod(TObject* Instance, const TClassInfo* Cls, const QString& Name, TscMethodHelper* C);
    static Variant GetHostProperty(TObject* Instance, const TClassInfo* Cls, const QString& Name);
    static void SetHostProperty(TObject* Instance, const TClassInfo* Cls, const QString& Name,
                                const Variant& Value);
};

} // namespace sc_ichartrtti
