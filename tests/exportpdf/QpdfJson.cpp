#include "QpdfJson.h"


#include <QJsonDocument>
#include <QProcess>

TQpdfJson::TQpdfJson(const QString& Path, const QString& Password) {
    QStringList args{QStringLiteral("--json=2"), QStringLiteral("--json-key=qpdf")};
    if (!Password.isNull()) args << QStringLiteral("--password=") + Password;
    args << Path;
    QProcess p;
    p.start(QStringLiteral("qpdf"), args);
    if (!p.waitForStarted(10000)) {
        FError = QStringLiteral("qpdf did not start (tools/deps.sh installs it)");
        return;
    }
    p.waitForFinished(120000);
    const QByteArray out = p.readAllStandardOutput();
    // Exit code 3 means warnings; the JSON is still whole.
    if (p.exitCode() != 0 && p.exitCode() != 3) {
        FError = QStringLiteral("qpdf failed: ") + QString::fromLocal8Bit(p.readAllStandardError());
        return;
    }
    QJsonParseError e;
    const QJsonDocument doc = QJsonDocument::fromJson(out, &e);
    if (doc.isNull()) {
        FError = QStringLiteral("qpdf's JSON does not parse: ") + e.errorString();
        return;
    }
    FObjects = doc.object().value(QStringLiteral("qpdf")).toArray().at(1).toObject();
    if (FObjects.isEmpty()) FError = QStringLiteral("qpdf's JSON has no objects");
}

QJsonValue TQpdfJson::Resolve(const QJsonValue& V) const {
    if (V.isString() && V.toString().endsWith(QStringLiteral(" 0 R")))
        return FObjects.value(QStringLiteral("obj:") + V.toString()).toObject().value(QStringLiteral("value"));
    return V;
}

QStringList TQpdfJson::PageRefs() const {
    QStringList r;
    for (const QJsonValue& kid : Dict(Root().value(QStringLiteral("/Pages"))).value(QStringLiteral("/Kids")).toArray())
        r << kid.toString();
    return r;
}

QString TQpdfJson::Text(const QJsonValue& V) {
    const QString s = V.toString();
    return s.startsWith(QStringLiteral("u:")) ? s.mid(2) : s;
}
