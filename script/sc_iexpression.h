#pragma once
// Expressions: a flat sequence of operands and operator texts becomes a binary tree by operator
// priority (a smaller priority binds tighter), is typed once when complete and is evaluated on
// Variants whenever its value is needed.

#include "script/sc_iinterpreter.h"

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

protected:
    std::unique_ptr<TscExpressionNode> FLeft, FRight;
    TscExpressionNode* FParent = nullptr;
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
    TscDesignator* Designator() const { return FDesignator.get(); }
    TscCustomVariable* Var() const { return FVar; }

private:
    std::unique_ptr<TscDesignator> FDesignator;
    TscCustomVariable* FVar;
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
