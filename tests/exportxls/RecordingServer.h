#pragma once
// An automation object that records every call made on it and on the objects it hands out, in
// the form "path.Member(args) = value"; it stands in for the spreadsheet server while the
// wrapper's calls are checked. Members listed in Failing raise instead.

#include "platform/automation/ComObj.h"
#include "platform/automation/SpreadsheetServer.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>

struct TCallLog {
    QStringList Calls;
    QSet<QString> Failing; // member names, upper case
    // The calls whose text contains the piece.
    QStringList With(const QString& piece) const { return Calls.filter(piece); }
};

class TRecordingObject : public IDispatchObject {
public:
    TRecordingObject(std::shared_ptr<TCallLog> log, QString path) : FLog(std::move(log)), FPath(std::move(path)) {}

    Variant Invoke(const QString& name, std::span<const Variant> args) override { return GetProperty(name, args); }
    Variant GetProperty(const QString& name, std::span<const Variant> args) override {
        const QString call = Call(name, args);
        FLog->Calls << call;
        Check(name);
        return Variant(std::make_shared<TRecordingObject>(FLog, call));
    }
    void SetProperty(const QString& name, std::span<const Variant> args, const Variant& value) override {
        FLog->Calls << Call(name, args) + QStringLiteral(" = ") + Text(value);
        Check(name);
    }

private:
    static QString Text(const Variant& v) {
        if (v.IsEmpty()) return QString();
        if (v.IsArray()) return QStringLiteral("<array>");
        if (v.IsText()) return QLatin1Char('"') + v.ToString() + QLatin1Char('"');
        if (v.IsDispatch()) return QStringLiteral("<object>");
        return VarToStr(v);
    }
    QString Call(const QString& name, std::span<const Variant> args) const {
        QString s = (FPath.isEmpty() ? QString() : FPath + QLatin1Char('.')) + name;
        if (!args.empty()) {
            QStringList a;
            for (const Variant& v : args) a << Text(v);
            s += QLatin1Char('(') + a.join(QLatin1Char(',')) + QLatin1Char(')');
        }
        return s;
    }
    void Check(const QString& name) const {
        if (FLog->Failing.contains(name.toUpper())) throw EAutomationError(QStringLiteral("%1 refused").arg(name));
    }
    std::shared_ptr<TCallLog> FLog;
    QString FPath;
};

// Registers the recorder as "Excel.Application" for the scope's lifetime; the spreadsheet server
// comes back afterwards.
class TRecordingServerScope {
public:
    TRecordingServerScope() : Log(std::make_shared<TCallLog>()) {
        auto log = Log;
        RegisterOleClass(QStringLiteral("Excel.Application"),
                         [log] { return std::make_shared<TRecordingObject>(log, QStringLiteral("Excel")); });
    }
    ~TRecordingServerScope() { RegisterOleClass(SpreadsheetProgID(), &CreateSpreadsheetApplication); }
    std::shared_ptr<TCallLog> Log;
};
