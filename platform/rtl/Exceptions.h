#pragma once
// The exception hierarchy every subsystem raises. Scripts see the class name, so each
// class reports its own through ClassName().

#include <QString>
#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(const QString& msg) : FMessage(msg) {}
    virtual ~Exception() = default;

    const QString& Message() const { return FMessage; }
    void SetMessage(const QString& value) { FMessage = value; FWhat.clear(); }
    int HelpContext() const { return FHelpContext; }
    void SetHelpContext(int value) { FHelpContext = value; }

    virtual QString ClassName() const { return QStringLiteral("Exception"); }
    // True for this class and every ancestor name (case-insensitive), as "is" tests in scripts do.
    virtual bool InheritsFrom(const QString& name) const {
        return name.compare(QLatin1String("Exception"), Qt::CaseInsensitive) == 0;
    }
    // Re-raises with the dynamic type kept, for code that must rethrow a copy.
    [[noreturn]] virtual void Raise() const { throw *this; }

    const char* what() const noexcept override;

private:
    QString FMessage;
    int FHelpContext = 0;
    mutable std::string FWhat;
};

#define KORVEL_EXCEPTION(Name, Base)                                                                \
    class Name : public Base {                                                                      \
    public:                                                                                         \
        using Base::Base;                                                                           \
        QString ClassName() const override { return QStringLiteral(#Name); }                        \
        bool InheritsFrom(const QString& name) const override {                                     \
            return name.compare(QLatin1String(#Name), Qt::CaseInsensitive) == 0 ||                  \
                   Base::InheritsFrom(name);                                                        \
        }                                                                                           \
        [[noreturn]] void Raise() const override { throw *this; }                                   \
    };

// Silent exception: stops an operation without a message box.
KORVEL_EXCEPTION(EAbort, Exception)
KORVEL_EXCEPTION(EConvertError, Exception)
KORVEL_EXCEPTION(EInvalidArgument, Exception)
KORVEL_EXCEPTION(EInvalidOperation, Exception)
KORVEL_EXCEPTION(EAbstractError, Exception)
KORVEL_EXCEPTION(EInvalidCast, Exception)
KORVEL_EXCEPTION(EInvalidPointer, Exception)
KORVEL_EXCEPTION(EOutOfMemory, Exception)
KORVEL_EXCEPTION(EListError, Exception)
KORVEL_EXCEPTION(EStringListError, EListError)
KORVEL_EXCEPTION(EVariantError, Exception)
KORVEL_EXCEPTION(EVariantTypeCastError, EVariantError)
KORVEL_EXCEPTION(EVariantInvalidOpError, EVariantError)
KORVEL_EXCEPTION(EVariantOverflowError, EVariantError)
KORVEL_EXCEPTION(EVariantInvalidArgError, EVariantError)
KORVEL_EXCEPTION(EVariantBadIndexError, EVariantError)
KORVEL_EXCEPTION(EVariantNotAnArrayError, EVariantError)
KORVEL_EXCEPTION(EVariantArrayCreateError, EVariantError)
KORVEL_EXCEPTION(EVariantDispatchError, EVariantError)
KORVEL_EXCEPTION(EPropertyError, Exception)
KORVEL_EXCEPTION(EPropertyConvertError, Exception)
KORVEL_EXCEPTION(EComponentError, Exception)
KORVEL_EXCEPTION(EOSError, Exception)
KORVEL_EXCEPTION(EInOutError, Exception)
KORVEL_EXCEPTION(EDatabaseError, Exception)
KORVEL_EXCEPTION(EPrinter, Exception)
KORVEL_EXCEPTION(EParserError, Exception)

// Arithmetic
KORVEL_EXCEPTION(EExternal, Exception)
KORVEL_EXCEPTION(EIntError, EExternal)
KORVEL_EXCEPTION(EDivByZero, EIntError)
KORVEL_EXCEPTION(ERangeError, EIntError)
KORVEL_EXCEPTION(EIntOverflow, EIntError)
KORVEL_EXCEPTION(EMathError, EExternal)
KORVEL_EXCEPTION(EInvalidOp, EMathError)
KORVEL_EXCEPTION(EZeroDivide, EMathError)
KORVEL_EXCEPTION(EOverflow, EMathError)
KORVEL_EXCEPTION(EUnderflow, EMathError)
KORVEL_EXCEPTION(EAccessViolation, EExternal)

// Streams and files
KORVEL_EXCEPTION(EStreamError, Exception)
KORVEL_EXCEPTION(EFCreateError, EStreamError)
KORVEL_EXCEPTION(EFOpenError, EStreamError)
KORVEL_EXCEPTION(EReadError, EStreamError)
KORVEL_EXCEPTION(EWriteError, EStreamError)
KORVEL_EXCEPTION(EFilerError, EStreamError)
KORVEL_EXCEPTION(EClassNotFound, EFilerError)
KORVEL_EXCEPTION(EIniFileException, Exception)
// Automation: creating an object or calling one of its members failed.
KORVEL_EXCEPTION(EOleError, Exception)
KORVEL_EXCEPTION(EOleSysError, EOleError)
