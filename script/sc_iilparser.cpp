#include "script/sc_iilparser.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/TextCase.h"
#include "script/sc_iconst.h"
#include "script/sc_ilang.h"

#include "platform/rtl/Streams.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>

#include <algorithm>
#include <mutex>

// ---------------------------------------------------------------------------------------------
// The rule graph: a grammar compiled once into nodes with their attributes already read, so
// that parsing never searches attribute texts or rule names.

enum class TscRuleKind {
    Rule,
    Char,
    Keyword,
    Ident,
    Number,
    String,
    RptString,
    Eol,
    Sequence,
    Switch,
    OptionalSwitch,
    Loop,
    OptionalLoop,
    Optional,
    Call
};

struct TscRuleNode {
    TscRuleKind Kind = TscRuleKind::Sequence;
    QString Text; // lower-cased
    QString Add;
    QString AddText;
    bool HasAddText = false;
    QString Node; // lower-cased
    bool HasErr = false;
    QString ErrMsg;
    bool Term = false;
    bool NoSkip = false;     // char: skip="0"
    QString NotBefore;       // char: no match where this character follows (notbefore=".")
    bool SkipErrors = false; // loops: skip="1"
    std::vector<const TscRuleNode*> Children;
    QString CallName;
    const TscRuleNode* Target = nullptr; // called rule; null when the grammar lacks it
};

struct TscGrammarGraph {
    TscXMLDocument Doc;
    std::vector<std::unique_ptr<TscRuleNode>> Nodes;
    const TscRuleNode* Program = nullptr;
    QStringList Keywords;
    std::vector<std::pair<QString, QString>> Settings; // lower-cased name, value
    QString Err3;
};

namespace {

TscRuleKind KindOf(const QString& name) {
    static const QHash<QString, TscRuleKind> kinds = {
        {QStringLiteral("char"), TscRuleKind::Char},
        {QStringLiteral("keyword"), TscRuleKind::Keyword},
        {QStringLiteral("ident"), TscRuleKind::Ident},
        {QStringLiteral("number"), TscRuleKind::Number},
        {QStringLiteral("string"), TscRuleKind::String},
        {QStringLiteral("rptstring"), TscRuleKind::RptString},
        {QStringLiteral("eol"), TscRuleKind::Eol},
        {QStringLiteral("sequence"), TscRuleKind::Sequence},
        {QStringLiteral("switch"), TscRuleKind::Switch},
        {QStringLiteral("optionalswitch"), TscRuleKind::OptionalSwitch},
        {QStringLiteral("loop"), TscRuleKind::Loop},
        {QStringLiteral("optionalloop"), TscRuleKind::OptionalLoop},
        {QStringLiteral("optional"), TscRuleKind::Optional},
    };
    return kinds.value(name, TscRuleKind::Call);
}

class GraphBuilder {
public:
    GraphBuilder(TscGrammarGraph& g, TscXMLItem* errors) : FGraph(g), FErrors(errors) {}

    TscRuleNode* Build(const TscXMLItem* item, bool ruleDef) {
        auto owned = std::make_unique<TscRuleNode>();
        TscRuleNode* n = owned.get();
        FGraph.Nodes.push_back(std::move(owned));
        n->Kind = ruleDef ? TscRuleKind::Rule : KindOf(LowerCase(item->Name()));
        if (n->Kind == TscRuleKind::Call) {
            n->CallName = LowerCase(item->Name());
            FCalls.push_back(n);
        }
        n->Text = LowerCase(item->GetProp(QStringLiteral("text")));
        n->Add = item->GetProp(QStringLiteral("add"));
        n->HasAddText = item->PropExists(QStringLiteral("addtext"));
        n->AddText = item->GetProp(QStringLiteral("addtext"));
        n->Node = LowerCase(item->GetProp(QStringLiteral("node")));
        const QString err = item->GetProp(QStringLiteral("err"));
        if (!err.isEmpty()) {
            n->HasErr = true;
            const int i = FErrors ? FErrors->Find(err) : -1;
            if (i >= 0) n->ErrMsg = FErrors->Items(i)->GetProp(QStringLiteral("text"));
        }
        n->Term = item->GetProp(QStringLiteral("term")) == QLatin1String("1");
        const QString skip = item->GetProp(QStringLiteral("skip"));
        n->NoSkip = skip == QLatin1String("0");
        n->SkipErrors = skip == QLatin1String("1");
        n->NotBefore = item->GetProp(QStringLiteral("notbefore"));
        for (int i = 0; i < item->Count(); ++i)
            n->Children.push_back(Build(item->Items(i), false));
        return n;
    }

    void ResolveCalls(const QHash<QString, const TscRuleNode*>& rules) {
        for (TscRuleNode* c : FCalls)
            c->Target = rules.value(c->CallName, nullptr);
    }

private:
    TscGrammarGraph& FGraph;
    TscXMLItem* FErrors;
    std::vector<TscRuleNode*> FCalls;
};

std::shared_ptr<const TscGrammarGraph> CompileGrammar(const QString& text) {
    auto g = std::make_shared<TscGrammarGraph>();
    g->Doc.LoadFromBytes(text.toUtf8());
    TscXMLItem* root = g->Doc.Root();
    TscXMLItem* errors = nullptr;
    const int parserIndex = root->Find(QStringLiteral("parser"));
    if (parserIndex >= 0) {
        TscXMLItem* parser = root->Items(parserIndex);
        for (int i = 0; i < parser->Count(); ++i) {
            TscXMLItem* s = parser->Items(i);
            const QString name = LowerCase(s->Name());
            if (name == QLatin1String("keywords")) {
                for (int k = 0; k < s->Count(); ++k)
                    g->Keywords << s->Items(k)->Name();
            } else if (name == QLatin1String("errors")) {
                if (!errors) errors = s;
            } else {
                g->Settings.emplace_back(name, s->GetProp(QStringLiteral("text")));
            }
        }
    }
    if (errors) {
        const int i = errors->Find(QStringLiteral("err3"));
        if (i >= 0) g->Err3 = errors->Items(i)->GetProp(QStringLiteral("text"));
    }
    if (g->Err3.isEmpty()) g->Err3 = QStringLiteral("Statement expected");

    GraphBuilder builder(*g, errors);
    QHash<QString, const TscRuleNode*> rules;
    for (int i = 0; i < root->Count(); ++i) {
        const TscXMLItem* r = root->Items(i);
        const QString name = LowerCase(r->Name());
        if (name == QLatin1String("parser") || name == QLatin1String("types")) continue;
        const TscRuleNode* n = builder.Build(r, true);
        if (!rules.contains(name)) rules.insert(name, n);
    }
    builder.ResolveCalls(rules);
    g->Program = rules.value(QStringLiteral("program"), nullptr);
    return g;
}

// Grammars are compiled once per distinct text.
std::shared_ptr<const TscGrammarGraph> CompiledGrammar(const QString& text) {
    static std::mutex lock;
    static QHash<QString, std::shared_ptr<const TscGrammarGraph>> cache;
    {
        std::lock_guard guard(lock);
        auto it = cache.constFind(text);
        if (it != cache.constEnd()) return it.value();
    }
    auto g = CompileGrammar(text);
    std::lock_guard guard(lock);
    if (cache.size() >= 16) cache.clear();
    cache.insert(text, g);
    return g;
}

// Text lines as a string list holds them, joined by CR LF with a line end after the last.
QString NormaliseLines(const QString& text) {
    if (text.isEmpty()) return QString();
    QString r;
    r.reserve(text.size() + 16);
    const int n = static_cast<int>(text.size());
    for (int i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c == u'\r') {
            if (i + 1 < n && text[i + 1] == u'\n') ++i;
            r += QLatin1String("\r\n");
        } else if (c == u'\n') {
            r += QLatin1String("\r\n");
        } else {
            r += c;
        }
    }
    if (!r.endsWith(QLatin1String("\r\n"))) r += QLatin1String("\r\n");
    return r;
}

void AppendAttr(QString& text, QLatin1String name, const QString& value) {
    if (!text.isEmpty()) text += u' ';
    text += name;
    text += QLatin1String("=\"");
    text += value;
    text += u'"';
}

struct DepthGuard {
    int& depth;
    explicit DepthGuard(int& d) : depth(d) { ++depth; }
    ~DepthGuard() { --depth; }
};

} // namespace

// ---------------------------------------------------------------------------------------------
// TscILParser

TscILParser::TscILParser(TscCompileHost* AProgram)
    : FILScript(std::make_unique<TscXMLDocument>()), FParser(std::make_unique<TscParser>()),
      FProgram(AProgram) {}

TscILParser::~TscILParser() = default;

const TscXMLDocument* TscILParser::Grammar() const {
    return FGrammar ? &FGrammar->Doc : nullptr;
}

void TscILParser::SelectLanguage(const QString& LangName) {
    FParser->Clear();
    FLangName = LangName;
    FGrammar = CompiledGrammar(GetLanguageGrammar(LangName));
    // Every grammar starts from the same defaults, so a language switched to by a directive does
    // not inherit settings of the one before.
    FParser->SetCaseSensitive(false);
    FParser->SetCommentLine2(QString());
    FNeedDeclareVars = true;
    for (const QString& k : FGrammar->Keywords)
        FParser->Keywords().Add(k);
    for (const auto& [name, value] : FGrammar->Settings) {
        if (name == QLatin1String("commentline1"))
            FParser->SetCommentLine1(value);
        else if (name == QLatin1String("commentline2"))
            FParser->SetCommentLine2(value);
        else if (name == QLatin1String("commentblock1"))
            FParser->SetCommentBlock1(value);
        else if (name == QLatin1String("commentblock2"))
            FParser->SetCommentBlock2(value);
        else if (name == QLatin1String("stringquotes"))
            FParser->SetStringQuotes(value);
        else if (name == QLatin1String("hexsequence"))
            FParser->SetHexSequence(value);
        else if (name == QLatin1String("identchars"))
            FParser->ConstructCharset(value);
        else if (name == QLatin1String("specstrchar")) {
            if (value == QLatin1String("1")) FParser->SetSpecStrChar(true);
        } else if (name == QLatin1String("casesensitive")) {
            if (value == QLatin1String("1")) FParser->SetCaseSensitive(true);
        } else if (name == QLatin1String("skipeol")) {
            if (value == QLatin1String("0")) FParser->SetSkipEOL(false);
        } else if (name == QLatin1String("skipchar"))
            FParser->SetSkiPChar(value);
        else if (name == QLatin1String("declarevars")) {
            if (value == QLatin1String("0")) FNeedDeclareVars = false;
        }
    }
    if (FProgram && FProgram->ExtendedCharset()) {
        TscIdentifierCharset cs = FParser->IdentifierCharset();
        for (int c = 128; c < 256; ++c)
            cs.set(c);
        FParser->SetIdentifierCharset(cs);
    }
}

void TscILParser::RaiseFatal(const QString& msg, const QString& pos) {
    FRecordedMsg = msg;
    FRecordedPos = pos;
    throw Fatal{};
}

bool TscILParser::MakeILScript(const QString& Text) {
    if (!FGrammar) SelectLanguage(FLangName);
    FNodeCount = 0;
    FUnits.clear();
    FOut.clear();
    FRecordedMsg.clear();
    FRecordedPos.clear();
    FRecordedTerm = false;
    FFurthest = 1;
    FDepth = 0;
    FILScript->Clear();
    FILScript->Root()->SetName(QString());
    FILScript->Root()->SetText(QString());

    TscParser& p = *FParser;
    p.SetText(Text);
    int start = 1;
    if (Text.startsWith(u'#')) {
        p.SetPosition(2);
        if (SameText(p.GetWord(), QStringLiteral("language"))) {
            const int from = p.Position() - 1; // 0-based index behind the word
            int end = from;
            while (end < Text.size() && Text[end] != u'\r' && Text[end] != u'\n')
                ++end;
            const QString name = Text.mid(from, end - from).trimmed();
            if (end < Text.size() && Text[end] == u'\r') ++end;
            if (end < Text.size() && Text[end] == u'\n') ++end;
            SelectLanguage(name);
            start = end + 1;
        }
    }
    p.SetPosition(start);

    bool ok = false;
    try {
        ok = FGrammar->Program ? Walk(FGrammar->Program) : true;
        if (!ok && FRecordedMsg.isEmpty() && OnlyBlanksFrom(start)) {
            // A text without a single token is an empty program, also where the start rule
            // asks for at least one line.
            FOut.clear();
            ok = true;
        } else if (ok && FRecordedMsg.isEmpty()) {
            // Everything must be consumed: text the start rule left over is an unexpected statement.
            // PascalScript's "end." closes the program for good, and text after it is ignored.
            if (!OnlyBlanksFrom(p.Position()) && !EndsWithPascalProgramEnd(p.Position())) {
                // Point at the furthest token an attempt failed on: that is where the text
                // stopped making sense, which may lie inside the statement left over.
                ok = false;
                FRecordedMsg = FGrammar->Err3;
                FRecordedPos = p.GetXYPosition(std::max(p.Position(), FFurthest));
            }
        } else {
            ok = false;
            if (FRecordedMsg.isEmpty()) {
                // The walk failed where no element gives a message: report the furthest token
                // that could not be matched.
                FRecordedMsg = FGrammar->Err3;
                FRecordedPos = p.GetXYPosition(FFurthest);
            }
        }
    } catch (const Fatal&) {
        ok = false;
    }

    if (ok) {
        FRecordedMsg.clear();
        FRecordedPos.clear();
        TscXMLItem* root = FILScript->Root();
        root->SetName(QStringLiteral("program"));
        for (int i : FOut)
            root->AddItem(BuildItem(Node(i)));
        const int types = FGrammar->Doc.Root()->Find(QStringLiteral("types"));
        if (types >= 0) root->Add()->Assign(FGrammar->Doc.Root()->Items(types));
    }
    FNodeBlocks.clear();
    FNodeCount = 0;
    FUnits.clear();
    FOut.clear();
    if (FProgram) {
        FProgram->SetErrorMsg(FRecordedMsg);
        FProgram->SetErrorPos(FRecordedPos);
    }
    return ok;
}

bool TscILParser::OnlyBlanksFrom(int position) {
    TscParser& p = *FParser;
    p.SetPosition(position);
    for (;;) {
        p.SkipSpaces();
        const int at = p.Position();
        if (at <= p.Size() && (p.Text()[at - 1] == u'\r' || p.Text()[at - 1] == u'\n'))
            p.SetPosition(at + 1);
        else
            return at > p.Size();
    }
}

bool TscILParser::EndsWithPascalProgramEnd(int position) const {
    if (CompareAsciiNoCase(FLangName, QStringLiteral("PascalScript")) != 0) return false;
    const QString& text = FParser->Text();
    int i = std::min<int>(position - 1, text.size()) - 1;
    while (i >= 0 && text[i].isSpace()) --i;
    if (i < 0 || text[i] != u'.') return false;
    --i;
    while (i >= 0 && text[i].isSpace()) --i;
    if (i < 2 || CompareAsciiNoCase(text.mid(i - 2, 3), QStringLiteral("end")) != 0) return false;
    return i < 3 || !(text[i - 3].isLetterOrNumber() || text[i - 3] == u'_');
}

bool TscILParser::TokenMatches(const TscRuleNode* e, const QString& token) const {
    if (token.isEmpty()) return false;
    if (e->Text.isEmpty()) return true;
    return FParser->CaseSensitive() ? token == e->Text : CompareAsciiNoCase(token, e->Text) == 0;
}

void TscILParser::RecordError(const TscRuleNode* e, int entryPos) {
    if (!e->HasErr || !FRecordedMsg.isEmpty()) return;
    FRecordedMsg = e->ErrMsg;
    FParser->SetPosition(entryPos);
    FParser->SkipSpaces();
    FRecordedPos = FParser->GetXYPosition();
    FRecordedTerm = e->Term;
}

int TscILParser::NewNode(const QString& name) {
    const int index = FNodeCount++;
    if (static_cast<size_t>(index >> NodeBlockBits) >= FNodeBlocks.size())
        FNodeBlocks.push_back(std::make_unique<TOutNode[]>(size_t(1) << NodeBlockBits));
    TOutNode& n = Node(index);
    n = TOutNode();
    n.Name = name;
    return index;
}

// Makes the elements emitted since entryCount the children of the node, which takes their place.
void TscILParser::Wrap(int node, size_t entryCount) {
    int last = -1;
    for (size_t i = entryCount; i < FOut.size(); ++i) {
        const int child = FOut[i];
        Node(child).Next = -1;
        if (last < 0)
            Node(node).FirstChild = child;
        else
            Node(last).Next = child;
        last = child;
    }
    FOut.resize(entryCount);
    FOut.push_back(node);
}

void TscILParser::EmitLeaf(const QString& name, const QString& text) {
    const int n = NewNode(name);
    TOutNode& leaf = Node(n);
    leaf.Text = text;
    leaf.Leaf = true;
    leaf.Pos = FParser->Position();
    FOut.push_back(n);
}

std::unique_ptr<TscXMLItem> TscILParser::BuildItem(const TOutNode& n) {
    auto item = std::make_unique<TscXMLItem>();
    item->SetName(n.Name);
    QString text;
    if (n.Uses) {
        AppendAttr(text, QLatin1String("unit"), EncodeAttributeValue(n.Text));
        item->SetText(text);
        if (n.Unit >= 0) item->AddItem(std::move(FUnits[static_cast<size_t>(n.Unit)]));
        return item;
    }
    text.reserve(n.Text.size() + 32);
    if (n.Leaf) AppendAttr(text, QLatin1String("text"), EncodeAttributeValue(n.Text));
    AppendAttr(text, QLatin1String("pos"), FParser->GetXYPosition(n.Pos));
    if (n.Pos1 > 0) AppendAttr(text, QLatin1String("pos1"), FParser->GetXYPosition(n.Pos1));
    item->SetText(text);
    for (int c = n.FirstChild; c >= 0; c = Node(c).Next)
        item->AddItem(BuildItem(Node(c)));
    return item;
}

void TscILParser::ApplyNode(const TscRuleNode* e, int entryPos, size_t entryCount, bool success) {
    if (e->Node.isEmpty()) return;
    if (e->Node == QLatin1String("uses")) {
        if (success)
            IncludeUnits(entryCount);
        else
            FOut.resize(entryCount);
        return;
    }
    if (!success) {
        FOut.resize(entryCount);
        return;
    }
    TscParser& p = *FParser;
    const int endPos = p.Position();
    p.SetPosition(entryPos);
    p.SkipSpaces();
    const int pos = p.Position();
    p.SetPosition(endPos);
    const int n = NewNode(e->Node);
    Node(n).Pos = pos;
    if (e->Node == QLatin1String("expr")) Node(n).Pos1 = endPos;
    Wrap(n, entryCount);
}

bool TscILParser::WalkLoop(const TscRuleNode* e) {
    TscParser& p = *FParser;
    const int entryPos = p.Position();
    int count = 0;
    bool result = false;
    for (;;) {
        ++count;
        const int before = p.Position();
        bool ok = true;
        for (const TscRuleNode* c : e->Children) {
            if (!Walk(c)) {
                ok = false;
                break;
            }
        }
        const int behind = p.Position();
        result = ok;
        if (!ok || behind == before) break;
        if (!e->Text.isEmpty()) {
            p.SkipSpaces();
            if (p.GetChar() != e->Text) {
                p.SetPosition(behind);
                break;
            }
        }
    }
    if (count > 1) {
        result = true;
        if (e->SkipErrors || FRecordedTerm) {
            FRecordedMsg.clear();
            FRecordedPos.clear();
            FRecordedTerm = false;
        }
    }
    if (e->Kind == TscRuleKind::OptionalLoop) {
        if (!result) p.SetPosition(entryPos);
        return true;
    }
    return result;
}

bool TscILParser::Walk(const TscRuleNode* e) {
    TscParser& p = *FParser;
    DepthGuard depth(FDepth);
    if (FDepth > MaxNesting)
        RaiseFatal(QStringLiteral("Program too complex: nesting too deep"), p.GetXYPosition());

    const int entryPos = p.Position();
    const size_t entryCount = FOut.size();
    QString token;
    bool matched = false;
    bool terminal = true;
    int tokenStart = entryPos;

    switch (e->Kind) {
    case TscRuleKind::Rule:
    case TscRuleKind::Sequence:
        matched = true;
        terminal = false;
        break;
    case TscRuleKind::Char:
        if (!e->NoSkip) p.SkipSpaces();
        tokenStart = p.Position();
        token = p.GetChar();
        if (!e->NotBefore.isEmpty() && !token.isEmpty()) {
            // "a..b": the first dot starts a range, not a member of a.
            const int after = p.Position();
            if (p.GetChar() == e->NotBefore) token.clear();
            p.SetPosition(after);
        }
        break;
    case TscRuleKind::Keyword:
        p.SkipSpaces();
        tokenStart = p.Position();
        token = p.GetWord();
        break;
    case TscRuleKind::Ident:
        p.SkipSpaces();
        tokenStart = p.Position();
        token = p.GetIdent();
        break;
    case TscRuleKind::Number:
        p.SkipSpaces();
        tokenStart = p.Position();
        token = p.GetNumber();
        break;
    case TscRuleKind::String:
        p.SkipSpaces();
        tokenStart = p.Position();
        token = p.GetString();
        if (!p.Error().isEmpty()) RaiseFatal(p.Error(), p.ErrorPos());
        break;
    case TscRuleKind::RptString: {
        token = p.GetReportExprString();
        if (!token.isEmpty()) {
            // The report library evaluates the bracketed text: emit a call of its Get with the
            // text as a string.
            const int pos = p.Position();
            const size_t start = FOut.size();
            const int get = NewNode(QStringLiteral("node"));
            Node(get).Leaf = true;
            Node(get).Text = QStringLiteral("Get");
            Node(get).Pos = pos;
            FOut.push_back(get);
            const int str = NewNode(QStringLiteral("string"));
            Node(str).Leaf = true;
            Node(str).Text = QLatin1Char('\'') + token + QLatin1Char('\'');
            Node(str).Pos = pos;
            FOut.push_back(str);
            const int expr = NewNode(QStringLiteral("expr"));
            Node(expr).Pos = pos;
            Wrap(expr, start + 1);
            const int dsgn = NewNode(QStringLiteral("dsgn"));
            Node(dsgn).Pos = pos;
            Wrap(dsgn, start);
        }
        break;
    }
    case TscRuleKind::Eol:
        matched = p.GetEOL();
        terminal = false;
        tokenStart = p.Position();
        if (!matched && tokenStart > FFurthest) FFurthest = tokenStart;
        break;
    case TscRuleKind::Switch:
    case TscRuleKind::OptionalSwitch:
        for (const TscRuleNode* c : e->Children)
            if (Walk(c)) return true;
        if (e->Kind == TscRuleKind::OptionalSwitch) return true;
        RecordError(e, entryPos);
        p.SetPosition(entryPos);
        FOut.resize(entryCount);
        return false;
    case TscRuleKind::Loop:
    case TscRuleKind::OptionalLoop:
        return WalkLoop(e);
    case TscRuleKind::Optional:
        for (const TscRuleNode* c : e->Children) {
            if (!Walk(c)) {
                p.SetPosition(entryPos);
                FOut.resize(entryCount);
                break;
            }
        }
        return true;
    case TscRuleKind::Call:
        if (!e->Target) throw Exception(SInvalidLanguage);
        matched = Walk(e->Target);
        terminal = false;
        break;
    }

    if (terminal) {
        matched = TokenMatches(e, token);
        if (!matched && tokenStart > FFurthest) FFurthest = tokenStart;
    }

    if (matched) {
        if (e->Kind != TscRuleKind::Rule) ApplyNode(e, entryPos, entryCount, true);
        if (!e->Add.isEmpty()) EmitLeaf(e->Add, e->HasAddText ? e->AddText : token);
        for (const TscRuleNode* c : e->Children) {
            if (!Walk(c)) {
                matched = false;
                break;
            }
        }
    }
    if (!matched) {
        // What a failed element emitted goes with the text it gives back; otherwise a failed
        // alternative would leave its output beside that of the one that matched.
        RecordError(e, entryPos);
        p.SetPosition(entryPos);
        FOut.resize(entryCount);
    }
    if (e->Kind == TscRuleKind::Rule) ApplyNode(e, entryPos, entryCount, matched);
    return matched;
}

// ---------------------------------------------------------------------------------------------
// Units

void TscILParser::IncludeUnits(size_t entryCount) {
    const std::vector<int> leaves(FOut.begin() + static_cast<std::ptrdiff_t>(entryCount), FOut.end());
    FOut.resize(entryCount);
    size_t insertAt = entryCount;
    // Taken from the last to the first, as the units of one clause always were.
    for (auto it = leaves.rbegin(); it != leaves.rend(); ++it) {
        QString name = Node(*it).Text;
        if (name.size() >= 2 && name.startsWith(u'\'') && name.endsWith(u'\''))
            name = name.mid(1, name.size() - 2);
        IncludeUnit(name, insertAt);
    }
}

void TscILParser::IncludeUnit(const QString& name, size_t& insertAt) {
    for (const QString& u : FUsesList)
        if (u.compare(name, Qt::CaseInsensitive) == 0) return;
    FUsesList << name;

    QString text;
    if (FProgram && FProgram->OnGetUnit) {
        FProgram->OnGetUnit(FProgram, name, text);
    } else {
        QString path = name;
        const QStringList dirs = FProgram ? FProgram->IncludePath() : QStringList();
        for (const QString& dir : dirs) {
            path = dir.isEmpty() ? name : QDir(dir).filePath(name);
            if (QFileInfo::exists(path)) break;
        }
        TFileStream f(path, fmOpenRead | fmShareDenyWrite);
        QByteArray data = f.ReadAll();
        if (data.startsWith("\xEF\xBB\xBF")) data.remove(0, 3);
        text = QString::fromUtf8(data);
    }
    text = NormaliseLines(text);

    std::unique_ptr<TscXMLItem> unit;
    if (!text.isEmpty()) {
        if (FUnitDepth >= 100)
            RaiseFatal(QStringLiteral("Units nested too deeply: ") + name, FParser->GetXYPosition());
        TscILParser sub(FProgram);
        sub.FUnitName = name;
        sub.FUnitDepth = FUnitDepth + 1;
        sub.SelectLanguage(FLangName);
        sub.FUsesList = FUsesList;
        if (!sub.MakeILScript(text)) {
            if (FProgram && FProgram->ErrorUnit().isEmpty()) FProgram->SetErrorUnit(name);
            RaiseFatal(sub.FRecordedMsg, sub.FRecordedPos);
        }
        FUsesList = sub.FUsesList;
        unit = std::make_unique<TscXMLItem>();
        unit->Assign(sub.ILScript()->Root());
    }
    const int n = NewNode(QStringLiteral("uses"));
    Node(n).Uses = true;
    Node(n).Text = name;
    if (unit) {
        Node(n).Unit = static_cast<int>(FUnits.size());
        FUnits.push_back(std::move(unit));
    }
    FOut.insert(FOut.begin() + static_cast<std::ptrdiff_t>(insertAt), n);
    ++insertAt;
}
