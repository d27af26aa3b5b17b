#include "script/sc_idisp.h"

TscOLEHelper::TscOLEHelper(const QString& AName) : TscCustomHelper(AName, fvtVariant, QString()) {}

void TscOLEHelper::CallAutomation(const std::vector<Variant>& Params, int Count, Variant* Result, int Flags) {
    std::shared_ptr<IDispatchObject> disp = FParentValue.ToDispatch();
    if (!disp) throw EVariantTypeCastError(QStringLiteral("Could not convert variant to a dispatch object"));
    if (Count > MaxArgs)
        throw EOleError(QStringLiteral("Too many arguments for automation member '%1'").arg(FName));
    const bool wantResult = FNeedResult && Flags != 4;
    try {
        if (Flags == 4) {
            std::vector<Variant> args(Params.begin(), Params.begin() + (Count - 1));
            disp->SetProperty(FName, args, Params[static_cast<size_t>(Count - 1)]);
            return;
        }
        std::span<const Variant> args(Params.data(), static_cast<size_t>(Count));
        Variant r;
        if (Flags == 2) {
            r = disp->GetProperty(FName, args);
        } else if (wantResult) {
            // Method or property read, as the server has it: a name that is no method is read.
            try {
                r = disp->Invoke(FName, args);
            } catch (const EVariantDispatchError&) {
                r = disp->GetProperty(FName, args);
            }
        } else {
            r = disp->Invoke(FName, args);
        }
        if (wantResult && Result) *Result = r;
    } catch (const EOleError&) {
        throw;
    } catch (const EVariantDispatchError& e) {
        // The server does not know the member.
        throw EOleError(QStringLiteral("OLE error 80020006: ") + FName + QStringLiteral(": ") + e.Message());
    } catch (const Exception& e) {
        // Any other failure of the server is its exception.
        throw EOleError(QStringLiteral("OLE error 80020009: ") + FName + QStringLiteral(": ") + e.Message());
    }
}

Variant TscOLEHelper::GetValue() {
    std::vector<Variant> params;
    for (int i = 0; i < Count(); ++i)
        params.push_back(Params(i)->GetValue());
    Variant r = Variant::Null();
    CallAutomation(params, Count(), &r, 1);
    FValue = r;
    return r;
}

void TscOLEHelper::SetValue(const Variant& Value) {
    std::vector<Variant> params;
    for (int i = 0; i < Count(); ++i)
        params.push_back(Params(i)->GetValue());
    params.push_back(Value);
    CallAutomation(params, Count() + 1, nullptr, 4);
}
