#pragma once
// The objects of a PDF file as qpdf's JSON shows them (qpdf --json=2 --json-key=qpdf), with
// references followed and strings without their "u:" mark.

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>

class TQpdfJson {
public:
    // Runs qpdf; Error() tells why nothing was read (the tool missing included).
    explicit TQpdfJson(const QString& Path, const QString& Password = QString());
    const QString& Error() const { return FError; }

    // The value of object "n 0 R" (a reference text), or the value itself when it is no reference.
    QJsonValue Resolve(const QJsonValue& V) const;
    QJsonObject Dict(const QJsonValue& V) const { return Resolve(V).toObject(); }
    QJsonObject Trailer() const { return FObjects.value(QStringLiteral("trailer")).toObject().value(QStringLiteral("value")).toObject(); }
    QJsonObject Root() const { return Dict(Trailer().value(QStringLiteral("/Root"))); }
    // The page objects' references in page order.
    QStringList PageRefs() const;
    // 1-based position of a page reference; 0 when it is no page.
    int PagePosition(const QJsonValue& Ref) const { return static_cast<int>(PageRefs().indexOf(Ref.toString())) + 1; }
    // A string value without its "u:" mark (binary strings keep "b:").
    static QString Text(const QJsonValue& V);

private:
    QJsonObject FObjects;
    QString FError;
};
