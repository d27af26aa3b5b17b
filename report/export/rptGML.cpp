#include "report/export/rptGML.h"

#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"

#include <new>

namespace {

// Token kinds lie outside the byte range, so no input byte can pose as one.
constexpr int TokEnd = -1;
constexpr int TokControl = 256;
constexpr int TokOpen = 257;
constexpr int TokClose = 258;

bool IsLetter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }
int HexValue(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

void Write(TStream& Stream, const QByteArray& Bytes) {
    if (!Bytes.isEmpty()) Stream.WriteBuffer(Bytes.constData(), Bytes.size());
}

void Write(TStream& Stream, char c) { Stream.WriteBuffer(&c, 1); }

[[noreturn]] void NoValue() { throw EGmlError(QStringLiteral("RTF control word doesn't have a value")); }

} // namespace

// --- Nodes ---------------------------------------------------------------------------------------

TGmlNode::~TGmlNode() = default;

void TGmlNode::Free(TGmlNode* Node) {
    if (Node && Node->FDoc) Node->FDoc->Release(Node);
}

void TGmlNode::DestroyTree() {
    if (!FSubNodes) return;
    std::unique_ptr<TGmlNodeList> list = std::move(FSubNodes);
    for (TGmlNode* n : *list) {
        n->DestroyTree();
        Free(n);
    }
}

void TGmlNode::UpdateParent() {
    if (!FSubNodes) return;
    for (TGmlNode* n : *FSubNodes) {
        n->FParent = this;
        n->UpdateParent();
    }
}

void TGmlNode::Remove(bool DestroyItself) {
    if (FParent && FParent->FSubNodes) {
        TGmlNodeList& l = *FParent->FSubNodes;
        for (size_t i = 0; i < l.size(); ++i)
            if (l[i] == this) {
                l.erase(l.begin() + static_cast<ptrdiff_t>(i));
                break;
            }
    }
    if (DestroyItself) {
        DestroyTree();
        Free(this);
    }
}

int TGmlNode::SelfSubIndex() const {
    if (!FParent) return -1;
    if (FParent->FSubNodes) {
        const TGmlNodeList& l = *FParent->FSubNodes;
        for (size_t i = 0; i < l.size(); ++i)
            if (l[i] == this) return static_cast<int>(i);
    }
    throw EGmlError(QStringLiteral("RTF node is not contained in the list of parent's subnodes"));
}

std::unique_ptr<TGmlNodeList> TGmlNode::Select(int First, int Last) const {
    const int n = NodesCount();
    if (Last == -1) Last = n - 1;
    if (First < 0 || Last < First || Last >= n)
        throw EGmlError(QStringLiteral("Invalid range of subnodes [%1, %2]").arg(First).arg(Last));
    return std::make_unique<TGmlNodeList>(FSubNodes->begin() + First, FSubNodes->begin() + Last + 1);
}

QByteArray TGmlRtfNode::ReadHeader() const { return FDoc ? FDoc->Copy(FHeader) : FHeader.Data; }

QByteArray TGmlRtfNode::ReadBody() const { return FDoc ? FDoc->Copy(FBody) : FBody.Data; }

TGmlRtfNode* TGmlRtfNode::Node(int Index) const {
    if (Index < 0 || Index >= NodesCount()) return nullptr;
    return static_cast<TGmlRtfNode*>((*FSubNodes)[static_cast<size_t>(Index)]);
}

TGmlRtfNode* TGmlRtfNode::Find(const QByteArray& AHeader) const {
    if (!FSubNodes) return nullptr;
    for (TGmlNode* n : *FSubNodes) {
        auto* c = static_cast<TGmlRtfNode*>(n);
        if (c->Header() == AHeader) return c;
        if (TGmlRtfNode* r = c->Find(AHeader)) return r;
    }
    return nullptr;
}

namespace {

void Collect(const TGmlRtfNode* Node, const QByteArray& Header, int Max, TGmlNodeList& Out) {
    if (Max >= 1 && static_cast<int>(Out.size()) >= Max) return;
    if (Header.isEmpty() || Node->Header() == Header) Out.push_back(const_cast<TGmlRtfNode*>(Node));
    if (!Node->SubNodes()) return;
    for (TGmlNode* n : *Node->SubNodes()) {
        if (Max >= 1 && static_cast<int>(Out.size()) >= Max) return;
        Collect(static_cast<const TGmlRtfNode*>(n), Header, Max, Out);
    }
}

} // namespace

std::unique_ptr<TGmlNodeList> TGmlRtfNode::FindAll(const QByteArray& AHeader, int MaxCount) const {
    auto out = std::make_unique<TGmlNodeList>();
    Collect(this, AHeader, MaxCount, *out);
    return out;
}

void TGmlRtfNode::Serialize(TStream& Stream) const { SerializeSubNodes(Stream, 0, -1); }

void TGmlRtfNode::SerializeSubNodes(TStream& Stream, int First, int Last) const {
    if (Empty()) return;
    const int n = NodesCount();
    if (Last == -1) Last = n - 1;
    if (First < 0 || Last >= n || Last < First)
        throw EGmlError(QStringLiteral("Invalid range [%1, %2] for serialization").arg(First).arg(Last));
    for (int i = First; i <= Last; ++i) {
        TGmlRtfNode* c = Node(i);
        c->Serialize(Stream);
        // The parser took the space that ended the word; a following text needs it back.
        if (dynamic_cast<TGmlRtfControl*>(c) && i + 1 < n && dynamic_cast<TGmlRtfText*>(Node(i + 1)))
            Write(Stream, ' ');
    }
}

void TGmlRtfGroup::Serialize(TStream& Stream) const {
    Write(Stream, '{');
    SerializeSubNodes(Stream, 0, -1);
    Write(Stream, '}');
}

void TGmlRtfText::Serialize(TStream& Stream) const {
    QByteArray b = Body();
    b.removeIf([](char c) { return c == '\r' || c == '\n'; });
    Write(Stream, b);
}

int TGmlRtfControl::Value() const {
    if (!FArg) NoValue();
    return FArgValue;
}

void TGmlRtfControl::Serialize(TStream& Stream) const {
    QByteArray s = '\\' + Header();
    if (FArg) s += QByteArray::number(FArgValue);
    Write(Stream, s);
}

void TGmlRtfNumber::Serialize(TStream& Stream) const {
    static const char digits[] = "0123456789abcdef";
    const char s[4] = {'\\', '\'', digits[(FValue >> 4) & 15], digits[FValue & 15]};
    Stream.WriteBuffer(s, 4);
}

void TGmlRtfSymbol::Serialize(TStream& Stream) const {
    const char s[2] = {'\\', FSymbol};
    Stream.WriteBuffer(s, 2);
}

int TGmlRtfFont::Index() const {
    TGmlRtfNode* f = FGroup ? FGroup->Find("f") : nullptr;
    if (!f) return -1;
    auto* c = dynamic_cast<TGmlRtfControl*>(f);
    if (!c) NoValue();
    return c->Value();
}

int TGmlRtfFont::Charset() const {
    TGmlRtfNode* f = FGroup ? FGroup->Find("fcharset") : nullptr;
    if (!f) return 0;
    auto* c = dynamic_cast<TGmlRtfControl*>(f);
    if (!c) NoValue();
    return c->Value();
}

QByteArray TGmlRtfFont::Name() const {
    for (int i = 0; FGroup && i < FGroup->NodesCount(); ++i)
        if (auto* t = dynamic_cast<TGmlRtfText*>(FGroup->Node(i))) {
            QByteArray b = t->Body();
            if (b.endsWith(';')) b.chop(1);
            return b;
        }
    return QByteArray();
}

QByteArray TGmlRtfColor::Serialize() const {
    if (!R || !G || !B) NoValue();
    return "\\red" + QByteArray::number(R->Value()) + "\\green" + QByteArray::number(G->Value()) + "\\blue" +
           QByteArray::number(B->Value());
}

// --- Document ------------------------------------------------------------------------------------

template <class T> T* TGmlRtf::Make() {
    std::unique_ptr<T> n(new T(this));
    T* p = n.get();
    p->FSlot = static_cast<int>(FStore.size());
    FStore.push_back(std::move(n));
    return p;
}

void TGmlRtf::Release(TGmlNode* Node) {
    const int s = Node->FSlot;
    if (s >= 0 && s < static_cast<int>(FStore.size()) && FStore[static_cast<size_t>(s)].get() == Node)
        FStore[static_cast<size_t>(s)].reset();
}

TGmlRtfGroup* TGmlRtf::NewGroup() { return Make<TGmlRtfGroup>(); }

TGmlRtf::TGmlRtf(const QByteArray& AText) : FText(AText) {
    FRoot = Make<TGmlRtfNode>();
    FRoot->FBody = TGmlStr{0, Length(), {}};
    Parse(FRoot, 0, Length() - 1);
    FRoot->UpdateParent();
    if (!FRoot->Empty()) {
        BuildFontList();
        BuildColorList();
    }
}

TGmlRtf::~TGmlRtf() = default;

char TGmlRtf::Char(int Position) const {
    if (Position < 0 || Position >= Length())
        throw EGmlError(QStringLiteral("The specified index %1 is out of bounds [%2, %3]")
                            .arg(Position)
                            .arg(0)
                            .arg(Length() - 1));
    return FText[Position];
}

QByteArray TGmlRtf::Copy(int Position, int Len) const {
    if (Len <= 0 || Position < 0 || Position >= Length()) return QByteArray();
    const int n = std::min(Len, Length() - Position);
    try {
        return FText.mid(Position, n);
    } catch (const std::bad_alloc&) {
        throw EGmlError(QStringLiteral("Failed to allocate %1 bytes").arg(Len));
    }
}

QByteArray TGmlRtf::Copy(const TGmlStr& Str) const { return Str.Data.isEmpty() ? Copy(Str.Pos, Str.Len) : Str.Data; }

int TGmlRtf::Copy(int Position, int Len, char* Destination) const {
    if (!Destination || Len <= 0 || Position < 0 || Position >= Length()) return 0;
    const int n = std::min(Len, Length() - Position);
    std::copy(FText.constData() + Position, FText.constData() + Position + n, Destination);
    return n;
}

void TGmlRtf::Serialize(TStream& Stream) const { FRoot->Serialize(Stream); }

const TGmlRtfFont* TGmlRtf::Font(int i) const {
    return i >= 0 && i < FontsCount() ? &FFontList[static_cast<size_t>(i)] : nullptr;
}

const TGmlRtfColor* TGmlRtf::Color(int i) const {
    return i >= 0 && i < ColorsCount() ? FColorList[static_cast<size_t>(i)].get() : nullptr;
}

void TGmlRtf::Pop(bool Restore) {
    if (FStack.empty()) throw EGmlError(QStringLiteral("Parser stack is empty"));
    if (Restore) FPos = FStack.back();
    FStack.pop_back();
}

int TGmlRtf::ReadToken() {
    const int c = At(FPos);
    if (c < 0) return TokEnd;
    ++FPos;
    if (c == '\\') {
        const int n = At(FPos);
        if (n == '\\' || n == '{' || n == '}') {
            ++FPos;
            return n;
        }
        return TokControl;
    }
    if (c == '{') return TokOpen;
    if (c == '}') return TokClose;
    return c;
}

void TGmlRtf::Parse(TGmlRtfNode* Node, int First, int Last) {
    if (First < 0 || Last >= Length() || First >= Last)
        throw EGmlError(QStringLiteral("Range for parsing [%1, %2) is out of bounds [%3, %4)")
                            .arg(First)
                            .arg(Last + 1)
                            .arg(0)
                            .arg(Length()));
    FStack.clear();
    FPos = First;
    FLast = Last;
    struct TStackEnd {
        std::vector<int>& S;
        ~TStackEnd() { std::vector<int>().swap(S); }
    } stackEnd{FStack};
    Node->SetSubNodes(ParseSequence(0));
}

std::unique_ptr<TGmlNodeList> TGmlRtf::ParseSequence(int Depth) {
    auto list = std::make_unique<TGmlNodeList>();
    for (;;) {
        TGmlRtfNode* n = TryControlWord();
        if (!n) n = TryGroup(Depth);
        if (!n) n = TryNumber();
        if (!n) n = TrySymbol();
        if (!n) n = TryText();
        if (!n) break;
        list->push_back(n);
    }
    if (list->empty()) return nullptr;
    return list;
}

TGmlRtfNode* TGmlRtf::TryControlWord() {
    Push();
    if (ReadToken() != TokControl) {
        Pop(true);
        return nullptr;
    }
    const int start = FPos;
    int letters = 0;
    while (letters < 32 && IsLetter(At(FPos))) {
        ++FPos;
        ++letters;
    }
    if (letters == 0) {
        Pop(true);
        return nullptr;
    }
    const int sign = At(FPos);
    if (sign == '+' || sign == '-') ++FPos;
    const int digitsStart = FPos;
    int digits = 0;
    while (digits < 10 && IsDigit(At(FPos))) {
        ++FPos;
        ++digits;
    }
    int value = 0;
    // A ten-digit number beyond 32 bits is a conversion error, as any bad number.
    if (digits > 0) value = StrToInt(QString::fromLatin1(FText.mid(digitsStart, digits)));
    if (sign == '-') value = -value;
    if (At(FPos) == ' ') ++FPos;
    Pop(false);
    auto* w = Make<TGmlRtfControl>();
    w->FHeader = TGmlStr{start, letters, {}};
    w->FArg = digits > 0;
    w->FArgValue = value;
    return w;
}

TGmlRtfNode* TGmlRtf::TryGroup(int Depth) {
    Push();
    if (ReadToken() != TokOpen) {
        Pop(true);
        return nullptr;
    }
    if (Depth >= GmlMaxDepth)
        throw EGmlError(QStringLiteral("RTF groups are nested deeper than %1 levels (at byte %2)")
                            .arg(GmlMaxDepth)
                            .arg(FPos - 1));
    std::unique_ptr<TGmlNodeList> content = ParseSequence(Depth + 1);
    if (ReadToken() != TokClose) {
        if (content)
            for (TGmlNode* n : *content) {
                n->DestroyTree();
                Release(n);
            }
        Pop(true);
        return nullptr;
    }
    Pop(false);
    // An empty group is a group too.
    auto* g = Make<TGmlRtfGroup>();
    g->SetSubNodes(std::move(content));
    return g;
}

TGmlRtfNode* TGmlRtf::TryNumber() {
    if (At(FPos) != '\\' || At(FPos + 1) != '\'') return nullptr;
    const int hi = HexValue(At(FPos + 2)), lo = HexValue(At(FPos + 3));
    if (hi < 0 || lo < 0) return nullptr;
    FPos += 4;
    auto* n = Make<TGmlRtfNumber>();
    n->FValue = hi * 16 + lo;
    return n;
}

TGmlRtfNode* TGmlRtf::TrySymbol() {
    const int c = At(FPos + 1);
    if (At(FPos) != '\\' || c < 0 || IsLetter(c)) return nullptr;
    FPos += 2;
    auto* s = Make<TGmlRtfSymbol>();
    s->FSymbol = static_cast<char>(c);
    return s;
}

TGmlRtfNode* TGmlRtf::TryText() {
    const int start = FPos;
    for (int c = At(FPos); c > 0 && c != '\\' && c != '{' && c != '}'; c = At(FPos)) ++FPos;
    if (FPos == start) return nullptr;
    auto* t = Make<TGmlRtfText>();
    t->FBody = TGmlStr{start, FPos - start, {}};
    return t;
}

void TGmlRtf::BuildFontList() {
    TGmlRtfNode* table = FRoot->Find("fonttbl");
    if (!table || !table->Parent()) return;
    FHasFontTable = true;
    auto* parent = static_cast<TGmlRtfNode*>(table->Parent());
    for (int i = table->SelfSubIndex() + 1; i < parent->NodesCount(); ++i)
        if (auto* g = dynamic_cast<TGmlRtfGroup*>(parent->Node(i))) FFontList.emplace_back(g);
}

void TGmlRtf::BuildColorList() {
    TGmlRtfNode* table = FRoot->Find("colortbl");
    if (!table || !table->Parent()) return;
    FHasColorTable = true;
    auto* parent = static_cast<TGmlRtfNode*>(table->Parent());
    TGmlRtfControl* pending[3] = {nullptr, nullptr, nullptr};
    const QByteArray names[3] = {"red", "green", "blue"};
    auto bad = [] { return EGmlError(QStringLiteral("Invalid RTF color table")); };
    for (int i = table->SelfSubIndex() + 1; i < parent->NodesCount(); ++i) {
        auto* w = dynamic_cast<TGmlRtfControl*>(parent->Node(i));
        if (!w) continue;
        const QByteArray h = w->Header();
        for (int k = 0; k < 3; ++k) {
            if (h != names[k]) continue;
            if (pending[k]) throw bad();
            pending[k] = w;
        }
        if (pending[0] && pending[1] && pending[2]) {
            auto c = std::make_unique<TGmlRtfColor>();
            c->R = pending[0];
            c->G = pending[1];
            c->B = pending[2];
            FColorList.push_back(std::move(c));
            pending[0] = pending[1] = pending[2] = nullptr;
        }
    }
    if (pending[0] || pending[1] || pending[2]) throw bad();
}

// --- Text for RTF ---------------------------------------------------------------------------------

QByteArray RTFUnicodeChar(char16_t Unit) {
    // RTF reads the parameter as a signed 16-bit number.
    const int n = Unit >= 0x8000 ? static_cast<int>(Unit) - 65536 : static_cast<int>(Unit);
    return "\\u" + QByteArray::number(n) + "\\'3f";
}

QString RTFEscapeText(const QString& Text, bool CellText) {
    QString s = Text;
    if (CellText && s.endsWith(QLatin1String("\r\n"))) s.chop(2);
    QString out;
    out.reserve(s.size() + 16);
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = s[i];
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '{': out += QLatin1String("\\{"); break;
        case '}': out += QLatin1String("\\}"); break;
        case '\r':
            if (i + 1 < n && s[i + 1] == QLatin1Char('\n') && i + 1 != n - 1) out += QLatin1String("\\line");
            out += c;
            break;
        default: out += c;
        }
    }
    return out;
}

QByteArray RTFAsciiText(const QString& Text) {
    QByteArray out;
    out.reserve(Text.size() + 16);
    for (QChar ch : Text) {
        const char16_t c = ch.unicode();
        if (c < 128)
            out += static_cast<char>(c);
        else
            out += RTFUnicodeChar(c);
    }
    return out;
}

QByteArray RTFEncodeText(const QString& Text, bool CellText) { return RTFAsciiText(RTFEscapeText(Text, CellText)); }

QByteArray RTFBytesToAscii(const QByteArray& Bytes) {
    bool plain = true;
    for (char c : Bytes)
        if (static_cast<unsigned char>(c) >= 128) {
            plain = false;
            break;
        }
    if (plain) return Bytes;
    const QString s = QString::fromUtf8(Bytes);
    QByteArray out;
    out.reserve(Bytes.size() + 64);
    for (QChar ch : s) {
        const char16_t c = ch.unicode();
        if (c < 128) {
            out += static_cast<char>(c);
            continue;
        }
        // A control symbol made of a backslash and a non-ASCII character: the backslash would
        // otherwise escape the backslash of \u.
        qsizetype k = 0;
        while (k < out.size() && out[out.size() - 1 - k] == '\\') ++k;
        if (k % 2 == 1) out.chop(1);
        out += RTFUnicodeChar(c);
    }
    return out;
}

// --- Embedding ------------------------------------------------------------------------------------

QByteArray EmbedRichTextBody(const QByteArray& RichText, const TGmlFontLookup& FontLookup,
                             const TGmlColorLookup& ColorLookup) {
    if (RichText.isEmpty()) return QByteArray();
    QString message;
    try {
        TGmlRtf doc(RichText);
        TGmlRtfNode* first = doc.Root()->Find("pard");
        if (!first) throw EGmlError(QStringLiteral("RTF text in a memo does not contain \\pard tags"));
        auto* parent = static_cast<TGmlRtfNode*>(first->Parent());
        const int k = first->SelfSubIndex();
        std::unique_ptr<TGmlNodeList> resets = doc.Root()->FindAll("pard", 0);
        for (TGmlNode* n : *resets) n->Remove(true);
        resets.reset();
        TGmlRtfGroup* g = doc.NewGroup();
        g->SetSubNodes(parent->Select(k, -1));

        // Each reference is renumbered once, so a new number never meets a later old one.
        auto renumber = [](TGmlNodeList& refs, std::vector<bool>& done, int from, int to) {
            for (size_t i = 0; i < refs.size(); ++i) {
                auto* w = dynamic_cast<TGmlRtfControl*>(refs[i]);
                if (done[i] || !w || !w->HasValue() || w->Value() != from) continue;
                w->SetValue(to);
                done[i] = true;
            }
        };
        std::unique_ptr<TGmlNodeList> refs = g->FindAll("f", 0);
        std::vector<bool> done(refs->size(), false);
        for (int i = 0; i < doc.FontsCount(); ++i) {
            int from = 0, to = 0;
            try {
                from = doc.Font(i)->Index();
            } catch (const Exception&) {
                continue; // no number to look for
            }
            try {
                to = StrToInt(QString::fromLatin1(FontLookup(doc.Font(i)->Name(), doc.Font(i)->Charset())));
            } catch (const Exception&) {
                to = 0;
            }
            renumber(*refs, done, from, to);
        }
        refs = g->FindAll("cf", 0);
        done.assign(refs->size(), false);
        for (int i = 0; i < doc.ColorsCount(); ++i) {
            int to = 1;
            try {
                to = StrToInt(QString::fromLatin1(ColorLookup(doc.Color(i)->Serialize() + ';')));
            } catch (const Exception&) {
                to = 1;
            }
            renumber(*refs, done, i + 1, to);
        }
        TMemoryStream out;
        g->Serialize(out);
        return out.Bytes();
    } catch (const Exception& e) {
        message = e.Message();
    } catch (const std::bad_alloc&) {
        message = QStringLiteral("Out of memory");
    } catch (const std::exception& e) {
        message = QString::fromLocal8Bit(e.what());
    }
    return '{' + RTFEncodeText(message, false) + '}';
}
