#include "report/core/rptAggregates.h"

#include "platform/rtl/SysUtils.h"
#include "report/core/rptClassBand.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptUtils.h"
#include "report/core/rptVariables.h"

#include <QRegularExpression>

namespace {

bool IsBlankCode(QChar c) {
    return c.unicode() >= 1 && c.unicode() <= 32;
}

// Characters that end a word.
bool EndsWord(QChar c) {
    if (IsBlankCode(c)) return true;
    switch (c.unicode()) {
    case '!':
    case '#':
    case '$':
    case '%':
    case '&':
    case '(':
    case '*':
    case '+':
    case ',':
    case '-':
    case '.':
    case '/':
    case '=':
    case '[':
    case ']':
    case '^':
    case '|':
        return true;
    default:
        return false;
    }
}

// Characters that never start a word of an expression: those that end one, but for the opening
// bracket, and digits.
bool IsSkipped(QChar c) {
    return (c != QLatin1Char('(') && EndsWord(c)) || (c.unicode() >= '0' && c.unicode() <= '9');
}


// Index of the character that closes the bracket at Open (nesting counted, quoted text skipped);
// the text's length when it never closes.
qsizetype MatchingClose(const QString& s, qsizetype Open, QChar OpenChar, QChar CloseChar) {
    int depth = 0;
    QChar quote;
    for (qsizetype k = Open; k < s.size(); ++k) {
        const QChar c = s[k];
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
            continue;
        }
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
        } else if (c == OpenChar) {
            ++depth;
        } else if (c == CloseChar) {
            if (--depth == 0) return k;
        }
    }
    return s.size();
}

// The arguments of a call: Inner is the text between its parentheses.
QStringList SplitArguments(const QString& Inner) {
    QStringList pieces;
    int depth = 0;
    QChar quote;
    qsizetype start = 0;
    for (qsizetype k = 0; k < Inner.size(); ++k) {
        const QChar c = Inner[k];
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
        } else if (c == QLatin1Char('(')) {
            ++depth;
        } else if (c == QLatin1Char(')')) {
            --depth;
        } else if (c == QLatin1Char(',') && depth == 0) {
            pieces << Inner.mid(start, k - start);
            start = k + 1;
        }
    }
    pieces << Inner.mid(start);
    // The first piece is argument 1; every piece between two commas replaces argument 2; the
    // last piece is argument 1, 2 or 3 by its position and is dropped from the fourth on.
    QStringList args;
    args << pieces[0].trimmed();
    const qsizetype last = pieces.size() - 1;
    if (last == 0) return args;
    QString second;
    for (qsizetype k = 1; k < last; ++k)
        second = pieces[k];
    if (last >= 2) args << second.trimmed();
    if (last == 1)
        args << pieces[last].trimmed();
    else if (last == 2)
        args << pieces[last].trimmed();
    return args;
}

void ScanText(const QString& s, const TrptAggregateList::TScanHooks& Hooks, int Depth);

// A whole expression (or a word) that is a report variable is scanned as its value.
bool ScanVariable(const QString& Name, const TrptAggregateList::TScanHooks& Hooks, int Depth) {
    QString value;
    if (!Hooks.IsVariable || !Hooks.IsVariable(Name, value)) return false;
    // Variables naming each other would never end.
    if (Depth < 32) ScanText(value, Hooks, Depth + 1);
    return true;
}

void ScanText(const QString& s, const TrptAggregateList::TScanHooks& Hooks, int Depth) {
    const QString whole = s.trimmed();
    if (whole.isEmpty()) return;
    if (ScanVariable(whole, Hooks, Depth)) return;
    if (Hooks.IsField && Hooks.IsField(whole)) return;
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n) {
        const QChar c = s[i];
        if (IsSkipped(c)) {
            ++i;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            const qsizetype close = s.indexOf(c, i + 1);
            i = close < 0 ? n : close + 1;
        } else if (c == QLatin1Char('(') || c == QLatin1Char('<')) {
            const QChar closeChar = c == QLatin1Char('(') ? QLatin1Char(')') : QLatin1Char('>');
            const qsizetype close = MatchingClose(s, i, c, closeChar);
            if (Depth < 64) ScanText(s.mid(i + 1, close - i - 1), Hooks, Depth + 1);
            i = close + 1;
        } else {
            qsizetype e = i + 1;
            while (e < n && !EndsWord(s[e]))
                ++e;
            const QString word = s.mid(i, e - i);
            const QString upper = word.toUpper();
            const bool aggregate = upper == QLatin1String("SUM") || upper == QLatin1String("MIN") ||
                                   upper == QLatin1String("MAX") || upper == QLatin1String("AVG") ||
                                   upper == QLatin1String("COUNT");
            if (aggregate && e < n && s[e] == QLatin1Char('(')) {
                const qsizetype close = MatchingClose(s, e, QLatin1Char('('), QLatin1Char(')'));
                const QStringList args = SplitArguments(s.mid(e + 1, close - e - 1));
                if (Hooks.Found) Hooks.Found(upper, s.mid(i, std::min(close, n - 1) - i + 1).trimmed(), args);
                i = close + 1;
            } else {
                if (!aggregate) ScanVariable(word, Hooks, Depth);
                i = e;
            }
        }
    }
}

// The script hands field references over in angle brackets (<Rows."Amount">) however the text
// wrote them; calls are matched on the plain form.
QString PlainExpression(const QString& Expr) {
    static const QRegularExpression field(QStringLiteral("<([^<>\"]+\\.\"[^\"]*\")>"));
    QString s = Expr.trimmed();
    if (s.contains(QLatin1Char('<'))) s.replace(field, QStringLiteral("\\1"));
    return s;
}

bool IsFooterLike(TrptComponent* Band) {
    return dynamic_cast<TrptReportSummary*>(Band) || dynamic_cast<TrptPageFooter*>(Band) ||
           dynamic_cast<TrptFooter*>(Band) || dynamic_cast<TrptGroupFooter*>(Band);
}

} // namespace

// =============================================================================================
// TrptAggregateItem

void TrptAggregateItem::Accumulate(Variant& Current, const Variant& V) const {
    if (Current.IsNull()) {
        Current = V;
        return;
    }
    if (V.IsNull()) return;
    switch (FAggregateFunction) {
    case agSum:
    case agAvg:
        Current = Current + V;
        break;
    case agMin:
        if (V < Current) Current = V;
        break;
    case agMax:
        if (V > Current) Current = V;
        break;
    case agCount:
        break;
    }
}

void TrptAggregateItem::Calc() {
    if (!FBand || (!FBand->Visible() && !FCountInvisibleBands)) return;
    Variant v = Variant::Null();
    if (FAggregateFunction != agCount) {
        FReport->SetCurObject(FMemoName);
        v = FReport->Calc(FExpression);
        // A Boolean counts as 1 or 0 (the Variant rules would add True as -1).
        if (v.VType() == varBoolean) v = Variant(v.ToBool() ? 1 : 0);
    }
    const int add = FAggregateFunction == agAvg && v.IsNull() ? 0 : 1;
    if (FVColumn >= 1) {
        const size_t col = static_cast<size_t>(FVColumn);
        if (FItemsArray.size() <= col) {
            FItemsArray.resize(col + 1, Variant::Null());
            FItemsCountArray.resize(col + 1, 0);
        }
        FItemsCountArray[col] += add;
        Accumulate(FItemsArray[col], v);
    } else if (FKeeping) {
        FTempItemsCount += add;
        Accumulate(FTempItemsValue, v);
    } else {
        FLastCount = FItemsCount;
        FLastValue = FItemsValue;
        FItemsCount += add;
        Accumulate(FItemsValue, v);
    }
}

Variant TrptAggregateItem::Value() const {
    Variant value = FItemsValue;
    int count = FItemsCount;
    if (!FItemsArray.empty()) {
        const size_t col = static_cast<size_t>(std::max(FVColumn, 0));
        value = col < FItemsArray.size() ? FItemsArray[col] : Variant::Null();
        count = col < FItemsCountArray.size() ? FItemsCountArray[col] : 0;
    }
    Variant result;
    switch (FAggregateFunction) {
    case agAvg:
        result = value.IsNull() || count == 0 ? Variant::Null() : value / Variant(count);
        break;
    case agCount:
        result = Variant(count);
        break;
    default:
        result = value;
        break;
    }
    return result.IsNull() ? Variant(0) : result;
}

void TrptAggregateItem::Reset() {
    if (FDontReset && FItemsCount != 0) return;
    FItemsCount = 0;
    FItemsValue = Variant::Null();
    FLastCount = 0;
    FLastValue = Variant::Null();
    FItemsArray.clear();
    FItemsCountArray.clear();
}

void TrptAggregateItem::DeleteValue() {
    FItemsCount = FLastCount;
    FItemsValue = FLastValue;
}

void TrptAggregateItem::StartKeep() {
    if (!FIsPageFooter || FKeeping) return;
    FKeeping = true;
    FTempItemsCount = 0;
    FTempItemsValue = Variant::Null();
}

void TrptAggregateItem::EndKeep() {
    if (!FIsPageFooter || !FKeeping) return;
    FKeeping = false;
    FItemsCount += FTempItemsCount;
    Accumulate(FItemsValue, FTempItemsValue);
}

// =============================================================================================
// TrptAggregateList

TrptAggregateList::~TrptAggregateList() = default;

void TrptAggregateList::Clear() {
    FList.clear();
}

void TrptAggregateList::ScanExpression(const QString& Expr, const TScanHooks& Hooks) {
    ScanText(Expr, Hooks, 0);
}

void TrptAggregateList::Register(TrptCustomMemoView* Memo, TrptBand* DefaultBand, const QString& Func,
                                 const QString& CallText, const QStringList& Args) {
    auto item = std::make_unique<TrptAggregateItem>(FReport);
    if (Func == QLatin1String("SUM"))
        item->FAggregateFunction = agSum;
    else if (Func == QLatin1String("MIN"))
        item->FAggregateFunction = agMin;
    else if (Func == QLatin1String("MAX"))
        item->FAggregateFunction = agMax;
    else if (Func == QLatin1String("AVG"))
        item->FAggregateFunction = agAvg;
    else
        item->FAggregateFunction = agCount;
    QString bandName;
    QString flags;
    if (item->FAggregateFunction == agCount) {
        if (Args.size() >= 1) bandName = Args[0];
        if (Args.size() >= 2) flags = Args[1];
    } else {
        item->FExpression = PlainExpression(Args.value(0));
        if (Args.size() >= 2) bandName = Args[1];
        if (Args.size() >= 3) flags = Args[2];
    }
    TrptBand* band = nullptr;
    if (!bandName.isEmpty()) {
        if (TrptComponent* c = FReport->FindObject(bandName)) band = c->AsBand();
    }
    item->FBand = band ? band : DefaultBand;
    // Not an integer text raises the conversion error; the run stops with it.
    const int f = flags.isEmpty() ? 0 : StrToInt(flags);
    item->FCountInvisibleBands = (f & 1) != 0;
    item->FDontReset = (f & 2) != 0;
    TrptBand* parent = Memo->Parent() ? Memo->Parent()->AsBand() : nullptr;
    if (parent && parent->Vertical() && Memo->OriginalBand() && IsFooterLike(Memo->OriginalBand()))
        parent = Memo->OriginalBand()->AsBand();
    item->FParentBand = parent;
    item->FIsPageFooter = dynamic_cast<TrptPageFooter*>(parent) != nullptr;
    item->FOriginalName = CallText.trimmed();
    item->FMemoName = Memo->Name();
    item->Reset();
    FList.push_back(std::move(item));
}

void TrptAggregateList::ScanMemo(TrptCustomMemoView* Memo, TrptBand* DefaultBand) {
    if (!Memo->AllowExpressions()) return;
    QString delimiters = Memo->ExpressionDelimiters();
    const qsizetype comma = delimiters.indexOf(QLatin1Char(','));
    const QString open = comma < 0 ? delimiters : delimiters.left(comma);
    const QString close = comma < 0 ? QString() : delimiters.mid(comma + 1, 255);
    if (open.isEmpty() || close.isEmpty()) return;
    const QString text = Memo->Lines()->Text();

    TScanHooks hooks;
    hooks.IsVariable = [this](const QString& Name, QString& Value) {
        for (TrptVariables* vars : {FReport->Variables(), GlobalVariables()}) {
            const int index = vars ? vars->IndexOf(Name) : -1;
            if (index >= 0 && !vars->Items(index)->Name().startsWith(QLatin1Char(' '))) {
                Value = VarToStr(vars->Items(index)->Value());
                return true;
            }
        }
        return false;
    };
    hooks.IsField = [this](const QString& Expr) {
        TrptDataSet* ds = nullptr;
        QString field;
        FReport->GetDatasetAndField(Expr, ds, field);
        return ds != nullptr && !field.isEmpty();
    };
    hooks.Found = [&](const QString& Func, const QString& CallText, const QStringList& Args) {
        Register(Memo, DefaultBand, Func, CallText, Args);
    };
    int i = 1;
    const int len = static_cast<int>(text.size());
    while (i <= len) {
        const qsizetype p = text.indexOf(open, i - 1);
        if (p < 0) break;
        i = static_cast<int>(p) + 1;
        int j = i;
        const QString expr = ExtractBracketedText(text, open, close, i, j);
        if (j <= i) break;
        ScanText(expr, hooks, 0);
        i = j + 1;
    }
}

void TrptAggregateList::ScanBandChain(TrptBand* Band, TrptBand* DefaultBand) {
    // A band and the children that follow it; a child chain never loops (its setter refuses).
    for (TrptBand* b = Band; b; b = b->Child()) {
        for (TrptComponent* c : b->Objects())
            if (auto* memo = dynamic_cast<TrptCustomMemoView*>(c)) ScanMemo(memo, DefaultBand);
    }
}

void TrptAggregateList::ScanDataBand(TrptBand* D) {
    ScanBandChain(D->Footer(), D);
    if (TrptBand* g = D->Group()) {
        for (TrptBand* gh : g->SubBands())
            ScanBandChain(gh->Footer(), D);
    }
    for (TrptBand* detail : D->SubBands())
        ScanDataBand(detail);
    if (D->Vertical()) ScanBandChain(D, D);
}

void TrptAggregateList::AddItems(TrptReportPage* Page) {
    for (TrptBand* d : Page->SubBands())
        ScanDataBand(d);
    for (TrptBand* d : Page->VSubBands())
        ScanDataBand(d);
    if (Page->SubBands().empty()) return;
    TrptBand* first = Page->SubBands().front();
    ScanBandChain(Page->FindBand(TrptPageFooter::StaticClassInfo()), first);
    ScanBandChain(Page->FindBand(TrptColumnFooter::StaticClassInfo()), first);
    ScanBandChain(Page->FindBand(TrptReportSummary::StaticClassInfo()), first);
}

void TrptAggregateList::AddValue(TrptBand* Band, int VColumn) {
    for (auto& item : FList)
        if (item->FBand == Band) {
            item->FVColumn = VColumn;
            item->Calc();
        }
}

void TrptAggregateList::DeleteValue(TrptBand* Band) {
    for (auto& item : FList)
        if (item->FBand == Band) item->DeleteValue();
}

void TrptAggregateList::Reset(TrptBand* ParentBand) {
    for (auto& item : FList)
        if (item->FParentBand == ParentBand) item->Reset();
}

void TrptAggregateList::StartKeep() {
    for (auto& item : FList)
        item->StartKeep();
}

void TrptAggregateList::EndKeep() {
    for (auto& item : FList)
        item->EndKeep();
}

void TrptAggregateList::ClearValues() {
    for (auto& item : FList) {
        const bool dontReset = item->FDontReset;
        item->FDontReset = false;
        item->Reset();
        item->FDontReset = dontReset;
    }
}

Variant TrptAggregateList::GetValue(TrptBand* ParentBand, int VColumn, const QString& Name,
                                    const QString& Expression, TrptBand* Band, int Flags) {
    TrptAggregateFunction f = agCount;
    if (Name == QLatin1String("SUM"))
        f = agSum;
    else if (Name == QLatin1String("AVG"))
        f = agAvg;
    else if (Name == QLatin1String("MIN"))
        f = agMin;
    else if (Name == QLatin1String("MAX"))
        f = agMax;
    const QString expr = PlainExpression(Expression);
    const bool countInvisible = (Flags & 1) != 0;
    const bool dontReset = (Flags & 2) != 0;
    for (auto& item : FList) {
        if (item->FParentBand != ParentBand || item->FAggregateFunction != f) continue;
        if (item->FExpression.compare(expr, Qt::CaseInsensitive) != 0) continue;
        if (Band && item->FBand != Band) continue;
        if (item->FCountInvisibleBands != countInvisible || item->FDontReset != dontReset) continue;
        item->FVColumn = VColumn;
        return item->Value();
    }
    return Variant::Null();
}

Variant TrptAggregateList::GetValue(TrptBand* ParentBand, const QString& ComplexName, int VColumn) {
    const QString name = ComplexName.trimmed();
    for (auto& item : FList) {
        if (item->FParentBand != ParentBand) continue;
        if (item->FOriginalName.compare(name, Qt::CaseInsensitive) != 0) continue;
        item->FVColumn = VColumn;
        return item->Value();
    }
    return Variant::Null();
}
