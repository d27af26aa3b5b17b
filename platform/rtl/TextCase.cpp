#include "platform/rtl/TextCase.h"

#include <QCollator>
#include <QLocale>

#include <memory>

namespace {

struct CaseState {
    QLocale locale;
    bool turkic = false; // dotted and dotless i map differently
    std::unique_ptr<QCollator> sensitive, insensitive;

    explicit CaseState(const QLocale& l) { Reset(l); }
    void Reset(const QLocale& l) {
        locale = l;
        turkic = l.language() == QLocale::Turkish || l.language() == QLocale::Azerbaijani;
        sensitive = std::make_unique<QCollator>(l);
        sensitive->setCaseSensitivity(Qt::CaseSensitive);
        insensitive = std::make_unique<QCollator>(l);
        insensitive->setCaseSensitivity(Qt::CaseInsensitive);
    }
};

CaseState& State() {
    static CaseState state{QLocale::system()};
    return state;
}

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

} // namespace

void SetCaseLocale(const QString& bcp47Name) { State().Reset(QLocale(bcp47Name)); }

QString UpperCase(const QString& s) {
    QString r = s;
    for (QChar& c : r)
        if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - 32);
    return r;
}

QString LowerCase(const QString& s) {
    QString r = s;
    for (QChar& c : r)
        if (c >= u'A' && c <= u'Z') c = QChar(c.unicode() + 32);
    return r;
}

QString AnsiUpperCase(const QString& s) {
    const bool turkic = State().turkic;
    QString r = s;
    for (QChar& c : r) {
        if (turkic && c == u'i') c = QChar(0x0130);
        else if (turkic && c == QChar(0x0131)) c = u'I';
        else c = c.toUpper();
    }
    return r;
}

QString AnsiLowerCase(const QString& s) {
    const bool turkic = State().turkic;
    QString r = s;
    for (QChar& c : r) {
        if (turkic && c == u'I') c = QChar(0x0131);
        else if (turkic && c == QChar(0x0130)) c = u'i';
        else c = c.toLower();
    }
    return r;
}

int CompareStr(const QString& a, const QString& b) { return Sign(QString::compare(a, b, Qt::CaseSensitive)); }
int CompareText(const QString& a, const QString& b) { return Sign(QString::compare(UpperCase(a), UpperCase(b))); }
bool SameText(const QString& a, const QString& b) { return CompareText(a, b) == 0; }
int AnsiCompareStr(const QString& a, const QString& b) { return Sign(State().sensitive->compare(a, b)); }
int AnsiCompareText(const QString& a, const QString& b) { return Sign(State().insensitive->compare(a, b)); }
bool AnsiSameText(const QString& a, const QString& b) { return AnsiCompareText(a, b) == 0; }
bool AnsiSameStr(const QString& a, const QString& b) { return a == b; }
