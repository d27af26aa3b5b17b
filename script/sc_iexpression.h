#pragma once
// Expressions: a flat sequence of operands and operator texts becomes a binary tree by operator
// priority (a smaller priority binds tighter), is typed once when complete and is evaluated on
// Variants whenever its value is needed.

#include "script/sc_iinterpreter.h"

#include <climits>
#include <memory>

enum TscOperatorType : unsigned char {
    opNone,
    opGreat,
    opLess,
    opLessEq,
    opGreatEq,
    opNonEq,
    opEq,
    opPlus,
    opMinus,
    opOr,
    opXor,
    opMul,
    opDivFloat,
    opDivInt,
    opMod,
    opAnd,
    opShl,
    opShr,
    opLeftBracket,
    opRightBracket,
    opNot,
    opUnMinus,
    opIn,
    opIs
};

class TscExpression;

// Integer shortcuts of the variant operations: two 32-bit integers are worked out in place and
// every other pair goes to the platform's operation, so the results are the same either way.
namespace ScOps {
inline bool BothInt(const Variant& a, const Variant& b) {
    return a.VType() == varInteger && b.VType() == varInteger;
}
inline long long Int(const Variant& a) {
    return static_cast<int>(a.RawInt());
}
// An integer sum beyond 32 bits becomes an Int64, as the platform gives it.
inline Variant Add(const Variant& a, const Variant& b) {
    if (!BothInt(a, b)) return a + b;
    const long long r = Int(a) + Int(b);
    return r >= INT_MIN && r <= INT_MAX ? Variant(static_cast<int>(r)) : Variant(r);
}
inline bool LessEq(const Variant& a, const Variant& b) {
    return BothInt(a, b) ? Int(a) <= Int(b) : a <= b;
}
inline bool ToBool(const Variant& v) {
    if (v.VType() == varInteger) return Int(v) != 0;
    return v.ToBool();
}
} // namespace ScOps

class TscExpressionNode : public TscCustomVariable {
public:
    TscExpressionNode() : TscCustomVariable(QString(), fvtInt, QString()) {}
    virtual int Priority() const = 0;
    TscExpressionNode* Left() const { return FLeft.get(); }
    TscExpressionNode* Right() const { return FRight.get(); }
    TscExpressionNode* ParentNode() const { return FParent; }

    // Into the left slot when it is empty, else the right one.
    void Attach(std::unique_ptr<TscExpressionNode> Node);
    std::unique_ptr<TscExpressionNode> Detach(TscExpressionNode* Child);
    // Types the subtree bottom-up; records the first ill-typed node's position in FirstError.
    virtual void Type(TscExpression* Owner, QString& FirstError);
    // The value as a condition reads it; comparisons answer without making a Variant.
    virtual bool GetBool() { return ScOps::ToBool(GetValue()); }
    // The node's value in place when reading it runs nothing (a constant, a plain variable or
    // parameter); nullptr when GetValue must be called.
    const Variant* Peek() const { return FPeekVar ? FPeekVar->PeekValue() : nullptr; }
    // The node's integer when it is a constant, plain variable or parameter holding one
    // (nothing runs); false otherwise.
    bool PeekNodeInt(int& v) const { return FPeekVar && FPeekVar->PeekInt(v); }
    // EvalTo with the in-place read worked out here.
    void EvalNode(TscEvalResult& R, bool AllowRef) {
        if (const Variant* p = Peek(); p && (AllowRef || p->VType() == varInteger))
            R.SetRef(p);
        else
            EvalTo(R, AllowRef);
    }

protected:
    std::unique_ptr<TscExpressionNode> FLeft, FRight;
    TscExpressionNode* FParent = nullptr;
    TscCustomVariable* FPeekVar = nullptr;
};

class TscOperandNode : public TscExpressionNode {
public:
    explicit TscOperandNode(const Variant& AValue);
    int Priority() const override { return 0; }

protected:
    TscOperandNode() = default;
};

class TscDesignatorNode : public TscOperandNode {
public:
    explicit TscDesignatorNode(std::unique_ptr<TscDesignator> ADesignator);
    Variant GetValue() override { return FVar->GetValue(); }
    void EvalTo(TscEvalResult& R, bool AllowRef) override {
        if (FCallProc)
            FCallProc->Call(FCallLink, R, FDesignator->NeedResult());
        else
            (FPeekVar ? FPeekVar : FVar)->Eval(R, AllowRef);
    }
    TscDesignator* Designator() const { return FDesignator.get(); }
    TscCustomVariable* Var() const { return FVar; }

private:
    std::unique_ptr<TscDesignator> FDesignator;
    TscCustomVariable* FVar;
    // A script procedure called on its own (Fib(n - 1)): called from here, past the designator.
    TscProcVariable* FCallProc = nullptr;
    TscDesignatorItem* FCallLink = nullptr;
};

class TscSetNode : public TscOperandNode {
public:
    explicit TscSetNode(std::unique_ptr<TscSetExpression> ASet);
    Variant GetValue() override { return FSetExpression->GetValue(); }
    TscSetExpression* SetExpression() const { return FSetExpression.get(); }

private:
    std::unique_ptr<TscSetExpression> FSetExpression;
};

class TscOperatorNode : public TscExpressionNode {
public:
    TscOperatorNode(TscOperatorType AOp, int APriority) : FOp(AOp), FPriority(APriority) {}
    int Priority() const override { return FPriority; }
    TscOperatorType Op() const { return FOp; }
    bool OptimizeBool() const { return FOptimizeBool; }
    void Type(TscExpression* Owner, QString& FirstError) override;

protected:
    TscOperatorType FOp;
    int FPriority;
    bool FOptimizeBool = false;
};

class TscExpression : public TscCustomExpression {
public:
    explicit TscExpression(TscScript* Script);
    ~TscExpression() override;

    void AddConst(const Variant& AValue);
    void AddDesignator(std::unique_ptr<TscDesignator> ADesignator);
    void AddSet(std::unique_ptr<TscSetExpression> ASet);
    // One operator text: ">", "<", "<=", ">=", "<>", "=", "+", "strcat", "-", "or", "xor", "*",
    // "/", "div", "mod", "and", "shl", "shr", "(", ")", "not", "unminus", "in", "is" (any case).
    // Unknown texts raise.
    void AddOperator(const QString& Op);
    // Completes and types the tree: the position of the first ill-typed operator, or empty.
    QString Finalize();
    // For Designator := <this>: " " when unchanged, else "+", "-", "*" or "/" after reducing
    // the expression to the other operand.
    QString Optimize(TscDesignator* Designator);
    TscCustomVariable* SingleItem() const;

    Variant GetValue() override;
    void SetValue(const Variant& Value) override;
    bool GetBool() override;
    void EvalTo(TscEvalResult& R, bool AllowRef) override;
    TscCustomVariable* EvalItem() override { return FNode.get(); }

    const QString& Source() const { return FSource; }
    void SetSource(const QString& v) { FSource = v; }
    TscScript* Script() const { return FScript; }
    TscExpressionNode* Root() const { return FNode.get(); }

private:
    void AddOperand(std::unique_ptr<TscExpressionNode> Node);
    std::unique_ptr<TscExpressionNode> FNode;
    TscExpressionNode* FCurNode;
    TscScript* FScript;
    QString FSource;
};
