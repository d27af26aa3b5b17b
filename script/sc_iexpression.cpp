#include "script/sc_iexpression.h"

#include "platform/rtl/TextCase.h"
#include "platform/rtti/ObjectHandles.h"
#include "script/sc_itools.h"

#include <climits>

// ---------------------------------------------------------------------------------------------
// Nodes

void TscExpressionNode::Attach(std::unique_ptr<TscExpressionNode> Node) {
    if (!Node) return;
    Node->FParent = this;
    if (!FLeft)
        FLeft = std::move(Node);
    else
        FRight = std::move(Node);
}

std::unique_ptr<TscExpressionNode> TscExpressionNode::Detach(TscExpressionNode* Child) {
    std::unique_ptr<TscExpressionNode> r;
    if (Child && FLeft.get() == Child)
        r = std::move(FLeft);
    else if (Child && FRight.get() == Child)
        r = std::move(FRight);
    if (r) r->FParent = nullptr;
    return r;
}

void TscExpressionNode::Type(TscExpression* Owner, QString& FirstError) {
    if (FLeft) FLeft->Type(Owner, FirstError);
    if (FRight) FRight->Type(Owner, FirstError);
}

TscOperandNode::TscOperandNode(const Variant& AValue) {
    FValue = AValue;
    SetPeekable(true);
    FPeekVar = this;
    switch (AValue.VType()) {
    case varBoolean:
        FTyp = fvtBool;
        break;
    case varSingle:
    case varDouble:
    case varCurrency:
        FTyp = fvtFloat;
        break;
    case varInt64:
        FTyp = fvtInt64;
        break;
    case varUString:
    case varString:
    case varOleStr:
        FTyp = fvtString;
        break;
    default:
        FTyp = fvtInt;
    }
}

TscDesignatorNode::TscDesignatorNode(std::unique_ptr<TscDesignator> ADesignator)
    : FDesignator(std::move(ADesignator)) {
    FVar = FDesignator.get();
    if (dynamic_cast<TscVariableDesignator*>(FDesignator.get())) FVar = FDesignator->RefItem();
    FPeekVar = FVar == FDesignator.get() ? FDesignator->PlainItem() : FVar;
    // The designator is complete here, and a chain bound late gets its links only when run.
    if (!FDesignator->LateBindingXmlSource() && FDesignator->Count() == 1 &&
        FDesignator->Link(0)->LinkKind() == lkProc) {
        FCallLink = FDesignator->Link(0);
        FCallProc = static_cast<TscProcVariable*>(FCallLink->Ref());
    }
    FTyp = FDesignator->Typ();
    FTypeName = FDesignator->TypeName();
}

TscSetNode::TscSetNode(std::unique_ptr<TscSetExpression> ASet) : FSetExpression(std::move(ASet)) {
    FTyp = fvtVariant;
}

namespace {

constexpr bool IsComparison(TscOperatorType op) {
    return op >= opGreat && op <= opEq;
}

constexpr bool IsArithmetic(TscOperatorType op) {
    return op == opPlus || op == opMinus || op == opXor || op == opMul || op == opDivFloat ||
           op == opDivInt || op == opMod || op == opShl || op == opShr;
}

bool OperatorSuits(TscVarType l, TscOperatorType op) {
    switch (l) {
    case fvtBool:
        return op == opNonEq || op == opEq || op == opOr || op == opXor || op == opAnd || op == opNot;
    case fvtChar:
    case fvtString:
        return IsComparison(op) || op == opPlus || op == opIn;
    case fvtClass:
    case fvtArray:
        return op == opNonEq || op == opEq;
    default:
        return true;
    }
}

bool IsIntType(TscVarType t) {
    return t == fvtInt || t == fvtInt64;
}

// Evaluates the two children of a binary node, left first. The left value is read in place
// only when the right child runs nothing that could change it.
[[gnu::always_inline]] inline void EvalBoth(TscExpressionNode* Left, TscExpressionNode* Right, TscEvalResult& l, TscEvalResult& r) {
    const Variant* rp = Right->Peek();
    Left->EvalNode(l, rp != nullptr);
    if (rp)
        r.SetRef(rp);
    else
        Right->EvalTo(r, true);
}

// One evaluation rule per operator; StrCat is the languages' text-join spelling of "+".
template <TscOperatorType K, bool StrCat = false> class TOpNode : public TscOperatorNode {
public:
    explicit TOpNode(int APriority) : TscOperatorNode(K, APriority) {}
    Variant GetValue() override {
        if constexpr (K == opNone) {
            return FLeft ? FLeft->GetValue() : Variant::Null();
        } else if constexpr (K == opNot) {
            return VarNot(FLeft->GetValue());
        } else if constexpr (K == opUnMinus) {
            return VarNeg(FLeft->GetValue());
        } else if constexpr (K == opOr) {
            const Variant l = FLeft->GetValue();
            if (FOptimizeBool) return l.ToBool() ? l : FRight->GetValue();
            return VarOr(l, FRight->GetValue());
        } else if constexpr (K == opAnd) {
            const Variant l = FLeft->GetValue();
            if (FOptimizeBool) return l.ToBool() ? FRight->GetValue() : l;
            return VarAnd(l, FRight->GetValue());
        } else if constexpr (K == opIn) {
            const Variant l = FLeft->GetValue();
            if (auto* set = dynamic_cast<TscSetNode*>(FRight.get()))
                return Variant(set->SetExpression()->Check(l));
            const Variant a = FRight->GetValue();
            if (!VarIsArray(a)) return Variant(false);
            const int high = VarArrayHighBound(a, 1);
            bool r = false;
            for (int i = 0; i <= high && !r; ++i) {
                r = l == a.GetElement(i);
                if (!r && i < high - 1 && a.GetElement(i + 1).IsNull()) {
                    r = l >= a.GetElement(i) && l <= a.GetElement(i + 2);
                    i += 2;
                }
            }
            return Variant(r);
        } else if constexpr (K == opIs) {
            const Variant l = FLeft->GetValue();
            auto* dn = dynamic_cast<TscDesignatorNode*>(FRight.get());
            TscClassVariable* cls = nullptr;
            if (dn && dn->Designator()->Count() > 0)
                cls = dynamic_cast<TscClassVariable*>(dn->Designator()->GetItem(0)->Ref());
            if (!cls) throw EInvalidCast(QStringLiteral("Class required after 'is'"));
            TObject* obj = VariantToObject(l);
            if (!obj || !cls->ClassRef()) return Variant(false);
            return Variant(ClassInfoOf(obj)->InheritsFrom(cls->ClassRef()));
        } else if constexpr (IsComparison(K)) {
            return Variant(TOpNode::GetBool());
        } else if constexpr (IsArithmetic(K)) {
            TscEvalResult r;
            EvalTo(r, false);
            return r.Take();
        } else {
            // A bracket left in a malformed tree: its operands run, its value is Null.
            if (FLeft) FLeft->GetValue();
            if (FRight) FRight->GetValue();
            return Variant::Null();
        }
    }
    void EvalTo(TscEvalResult& R, bool AllowRef) override {
        if constexpr (IntFast) {
            // Two integers read in place: no evaluation results, no Variants.
            int a, b;
            if (FLeft->PeekNodeInt(a) && FRight->PeekNodeInt(b) && IntOp(a, b, R)) return;
        }
        EvalSlow(R, AllowRef);
    }
    bool GetBool() override {
        if constexpr (IsComparison(K)) {
            int a, b;
            if (FLeft->PeekNodeInt(a) && FRight->PeekNodeInt(b)) return CompareInts(a, b);
            return Compare();
        }
        return ScOps::ToBool(GetValue());
    }

private:
    static constexpr bool IntFast =
        !StrCat && (K == opPlus || K == opMinus || K == opMul || K == opDivInt || K == opMod);
    // The integer rule of the operator; false when the platform's rule must decide (a divisor
    // of 0 raises and one of -1 may leave the range).
    static bool IntOp(int a, int b, TscEvalResult& R) {
        if constexpr (K == opDivInt || K == opMod) {
            if (b == 0 || b == -1) return false;
            R.SetInt(K == opMod ? a % b : a / b);
        } else {
            const long long x = a, y = b;
            const long long v = K == opPlus ? x + y : K == opMinus ? x - y : x * y;
            if (v >= INT_MIN && v <= INT_MAX)
                R.SetInt(static_cast<int>(v));
            else
                R.SetValue(Variant(v));
        }
        return true;
    }
    static bool CompareInts(int a, int b) {
        if constexpr (K == opGreat) return a > b;
        if constexpr (K == opLess) return a < b;
        if constexpr (K == opLessEq) return a <= b;
        if constexpr (K == opGreatEq) return a >= b;
        if constexpr (K == opNonEq) return a != b;
        return a == b;
    }
    [[gnu::noinline]] void EvalSlow(TscEvalResult& R, bool AllowRef) {
        if constexpr (IsArithmetic(K)) {
            TscEvalResult l, r;
            EvalBoth(FLeft.get(), FRight.get(), l, r);
            if constexpr (!StrCat &&
                          (K == opPlus || K == opMinus || K == opMul || K == opDivInt || K == opMod)) {
                if (l.IsInt() && r.IsInt()) {
                    const long long a = l.Int(), b = r.Int();
                    long long v = 0;
                    if constexpr (K == opPlus) v = a + b;
                    if constexpr (K == opMinus) v = a - b;
                    if constexpr (K == opMul) v = a * b;
                    if constexpr (K == opDivInt || K == opMod) {
                        // A divisor of 0 raises and one of -1 may leave the range: the platform's rule.
                        if (b == 0 || b == -1) {
                            R.SetValue(K == opMod ? VarMod(l.Get(), r.Get()) : VarIntDiv(l.Get(), r.Get()));
                            return;
                        }
                        v = K == opMod ? a % b : a / b;
                    }
                    if (v >= INT_MIN && v <= INT_MAX)
                        R.SetInt(static_cast<int>(v));
                    else
                        R.SetValue(Variant(v));
                    return;
                }
            }
            const Variant& lv = l.Get();
            const Variant& rv = r.Get();
            if constexpr (K == opPlus) {
                // A text join stays a join whatever the operands hold: "1" & 2 is "12", and Null
                // joins as the empty text.
                if constexpr (StrCat)
                    R.SetValue(Variant(VarToStr(lv) + VarToStr(rv)));
                else
                    R.SetValue(lv + rv);
            }
            if constexpr (K == opMinus) R.SetValue(lv - rv);
            if constexpr (K == opXor) R.SetValue(VarXor(lv, rv));
            if constexpr (K == opMul) R.SetValue(lv * rv);
            if constexpr (K == opDivFloat) R.SetValue(lv / rv);
            if constexpr (K == opDivInt) R.SetValue(VarIntDiv(lv, rv));
            if constexpr (K == opMod) R.SetValue(VarMod(lv, rv));
            if constexpr (K == opShl) R.SetValue(VarShl(lv, rv));
            if constexpr (K == opShr) R.SetValue(VarShr(lv, rv));
        } else {
            TscOperatorNode::EvalTo(R, AllowRef);
        }
    }
    [[gnu::noinline]] bool Compare() {
        TscEvalResult l, r;
        EvalBoth(FLeft.get(), FRight.get(), l, r);
        if (l.IsInt() && r.IsInt()) return CompareInts(l.Int(), r.Int());
        const Variant& lv = l.Get();
        const Variant& rv = r.Get();
        if constexpr (K == opGreat) return rv < lv;
        if constexpr (K == opLess) return lv < rv;
        if constexpr (K == opLessEq) return lv <= rv;
        if constexpr (K == opGreatEq) return rv <= lv;
        if constexpr (K == opNonEq) return !(lv == rv);
        return lv == rv;
    }
};

std::unique_ptr<TscOperatorNode> MakeOperator(const QString& text) {
    const QString t = UpperCase(text);
    if (t == " ") return std::make_unique<TOpNode<opNone>>(7);
    if (t == ">") return std::make_unique<TOpNode<opGreat>>(4);
    if (t == "<") return std::make_unique<TOpNode<opLess>>(4);
    if (t == "<=") return std::make_unique<TOpNode<opLessEq>>(4);
    if (t == ">=") return std::make_unique<TOpNode<opGreatEq>>(4);
    if (t == "<>") return std::make_unique<TOpNode<opNonEq>>(4);
    if (t == "=") return std::make_unique<TOpNode<opEq>>(4);
    if (t == "+") return std::make_unique<TOpNode<opPlus>>(3);
    if (t == "STRCAT") return std::make_unique<TOpNode<opPlus, true>>(3);
    if (t == "-") return std::make_unique<TOpNode<opMinus>>(3);
    if (t == "OR") return std::make_unique<TOpNode<opOr>>(3);
    if (t == "XOR") return std::make_unique<TOpNode<opXor>>(3);
    if (t == "*") return std::make_unique<TOpNode<opMul>>(2);
    if (t == "/") return std::make_unique<TOpNode<opDivFloat>>(2);
    if (t == "DIV") return std::make_unique<TOpNode<opDivInt>>(2);
    if (t == "MOD") return std::make_unique<TOpNode<opMod>>(2);
    if (t == "AND") return std::make_unique<TOpNode<opAnd>>(2);
    if (t == "SHL") return std::make_unique<TOpNode<opShl>>(2);
    if (t == "SHR") return std::make_unique<TOpNode<opShr>>(2);
    if (t == "(") return std::make_unique<TOpNode<opLeftBracket>>(6);
    if (t == ")") return std::make_unique<TOpNode<opRightBracket>>(5);
    if (t == "NOT") return std::make_unique<TOpNode<opNot>>(1);
    if (t == "UNMINUS") return std::make_unique<TOpNode<opUnMinus>>(1);
    if (t == "IN") return std::make_unique<TOpNode<opIn>>(4);
    if (t == "IS") return std::make_unique<TOpNode<opIs>>(4);
    throw Exception(QStringLiteral("Unknown operator '%1'").arg(text));
}

} // namespace

void TscOperatorNode::Type(TscExpression* Owner, QString& FirstError) {
    TscExpressionNode::Type(Owner, FirstError);
    if (dynamic_cast<TOpNode<opPlus, true>*>(this)) {
        // A join takes any operands and gives text.
        FTyp = fvtString;
        FTypeName.clear();
        return;
    }
    const TscTypeRec l{FLeft ? FLeft->Typ() : fvtVariant, FLeft ? FLeft->TypeName() : QString()};
    const TscTypeRec r{FRight ? FRight->Typ() : fvtVariant, FRight ? FRight->TypeName() : QString()};
    if (l.Typ == fvtBool && r.Typ == fvtBool) FOptimizeBool = true;
    const bool ok = (FOp == opIs && l.Typ == fvtClass && r.Typ == fvtClass) ||
                    (VarTypesMatch(l, r, Owner->Script()) && OperatorSuits(l.Typ, FOp));
    if (!ok) {
        if (FirstError.isEmpty()) FirstError = FSourcePos.isEmpty() ? QStringLiteral("0:0") : FSourcePos;
        return;
    }
    FTyp = l.Typ;
    FTypeName = l.TypeName;
    if ((l.Typ == fvtInt && r.Typ == fvtFloat) || (l.Typ == fvtFloat && r.Typ == fvtInt) ||
        (l.Typ == fvtFloat && r.Typ == fvtInt64) || (l.Typ == fvtInt64 && r.Typ == fvtFloat))
        FTyp = fvtFloat;
    if (IsIntType(l.Typ) && IsIntType(r.Typ) && FOp == opDivFloat) FTyp = fvtFloat;
    if (IsComparison(FOp) || FOp == opIn || FOp == opIs) {
        FTyp = fvtBool;
        FTypeName.clear();
    }
}

// ---------------------------------------------------------------------------------------------
// TscExpression

TscExpression::TscExpression(TscScript* Script)
    : TscCustomExpression(QString(), fvtInt, QString()), FNode(MakeOperator(QStringLiteral(" "))),
      FScript(Script) {
    FCurNode = FNode.get();
}

TscExpression::~TscExpression() = default;

void TscExpression::AddOperand(std::unique_ptr<TscExpressionNode> Node) {
    Node->SetSourcePos(FSourcePos);
    TscExpressionNode* n = Node.get();
    FCurNode->Attach(std::move(Node));
    FCurNode = n;
}

void TscExpression::AddConst(const Variant& AValue) {
    AddOperand(std::make_unique<TscOperandNode>(AValue));
}

void TscExpression::AddDesignator(std::unique_ptr<TscDesignator> ADesignator) {
    AddOperand(std::make_unique<TscDesignatorNode>(std::move(ADesignator)));
}

void TscExpression::AddSet(std::unique_ptr<TscSetExpression> ASet) {
    AddOperand(std::make_unique<TscSetNode>(std::move(ASet)));
}

void TscExpression::AddOperator(const QString& Op) {
    std::unique_ptr<TscOperatorNode> node = MakeOperator(Op);
    node->SetSourcePos(FSourcePos);
    const TscOperatorType op = node->Op();
    if (op == opLeftBracket || op == opNot || op == opUnMinus) {
        AddOperand(std::move(node));
        return;
    }
    if (op == opRightBracket) {
        TscExpressionNode* n = FCurNode;
        while (n && node->Priority() >= n->Priority())
            n = n->ParentNode();
        auto* lb = dynamic_cast<TscOperatorNode*>(n);
        if (!lb || lb->Op() != opLeftBracket || !lb->Left())
            throw Exception(QStringLiteral("Unbalanced brackets in expression"));
        TscExpressionNode* parent = lb->ParentNode();
        std::unique_ptr<TscExpressionNode> bracket = parent->Detach(lb);
        std::unique_ptr<TscExpressionNode> sub = bracket->Detach(bracket->Left());
        FCurNode = sub.get();
        parent->Attach(std::move(sub));
        return;
    }
    TscOperatorNode* n = node.get();
    if (FCurNode == FNode.get()) {
        FNode->Attach(std::move(node));
        FCurNode = n;
        return;
    }
    TscExpressionNode* l = FCurNode;
    TscExpressionNode* climb = FCurNode->ParentNode();
    if (auto* c = dynamic_cast<TscOperatorNode*>(FCurNode); c && c->Op() == opLeftBracket) {
        l = nullptr;
        climb = FCurNode;
    }
    while (climb && n->Priority() >= climb->Priority()) {
        l = climb;
        climb = climb->ParentNode();
    }
    if (!climb) throw Exception(QStringLiteral("Malformed expression"));
    std::unique_ptr<TscExpressionNode> left = l ? climb->Detach(l) : nullptr;
    climb->Attach(std::move(node));
    n->Attach(std::move(left));
    FCurNode = n;
}

QString TscExpression::Finalize() {
    std::unique_ptr<TscExpressionNode> root = FNode->Detach(FNode->Left());
    if (!root) root = std::make_unique<TscOperandNode>(Variant::Null());
    FNode = std::move(root);
    FCurNode = FNode.get();
    QString error;
    FNode->Type(this, error);
    FTyp = FNode->Typ();
    FTypeName = FNode->TypeName();
    auto* dn = dynamic_cast<TscDesignatorNode*>(FNode.get());
    FIsReadOnly = !(dn && !dn->Designator()->IsReadOnly());
    return error;
}

QString TscExpression::Optimize(TscDesignator* Designator) {
    auto* target = dynamic_cast<TscVariableDesignator*>(Designator);
    auto* root = dynamic_cast<TscOperatorNode*>(FNode.get());
    if (!target || !root) return QStringLiteral(" ");
    QString opChar;
    // v := v & e must not become v := v + e: the join is no addition.
    if (dynamic_cast<TOpNode<opPlus, true>*>(root)) return QStringLiteral(" ");
    switch (root->Op()) {
    case opPlus:
        opChar = QStringLiteral("+");
        break;
    case opMinus:
        opChar = QStringLiteral("-");
        break;
    case opMul:
        opChar = QStringLiteral("*");
        break;
    case opDivFloat:
        opChar = QStringLiteral("/");
        break;
    default:
        return QStringLiteral(" ");
    }
    TscCustomVariable* var = target->RefItem();
    auto sameVar = [var](TscExpressionNode* n) {
        auto* dn = dynamic_cast<TscDesignatorNode*>(n);
        auto* vd = dn ? dynamic_cast<TscVariableDesignator*>(dn->Designator()) : nullptr;
        return vd && vd->RefItem() == var;
    };
    std::unique_ptr<TscExpressionNode> keep;
    if (sameVar(root->Left())) {
        keep = root->Detach(root->Right());
    } else if ((root->Op() == opPlus || root->Op() == opMul) && sameVar(root->Right()) &&
               var->Typ() != fvtString && var->Typ() != fvtVariant) {
        keep = root->Detach(root->Left());
    }
    if (!keep) return QStringLiteral(" ");
    FNode = std::move(keep);
    FCurNode = FNode.get();
    FTyp = FNode->Typ();
    FTypeName = FNode->TypeName();
    return opChar;
}

TscCustomVariable* TscExpression::SingleItem() const {
    if (auto* dn = dynamic_cast<TscDesignatorNode*>(FNode.get())) return dn->Var();
    if (dynamic_cast<TscOperandNode*>(FNode.get())) return FNode.get();
    return nullptr;
}

Variant TscExpression::GetValue() {
    return FNode->GetValue();
}

void TscExpression::EvalTo(TscEvalResult& R, bool AllowRef) {
    FNode->EvalNode(R, AllowRef);
}

bool TscExpression::GetBool() {
    return FNode->GetBool();
}

void TscExpression::SetValue(const Variant& Value) {
    if (FIsReadOnly) return;
    if (auto* dn = dynamic_cast<TscDesignatorNode*>(FNode.get())) dn->Designator()->SetValue(Value);
}
