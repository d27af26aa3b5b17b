#pragma once
// Hand-built trees for the engine tests: designators link by link, and expressions from a
// space-separated token text (numbers, 'text', True/False, operators, names of script items,
// sets written {1,3..5,9}), fed to TscExpression in source order as the builder would.

#include "script/sc_iexpression.h"
#include "script/sc_iinterpreter.h"

#include <gtest/gtest.h>

#include <QStringList>

class DB {
public:
    explicit DB(TscScript* s) : FD(std::make_unique<TscDesignator>(s)) {}
    DB& Link(TscCustomVariable* item) {
        EXPECT_NE(item, nullptr);
        FD->AddLink(item);
        return *this;
    }
    DB& Arg(std::unique_ptr<TscCustomExpression> e) {
        FD->GetItem(FD->Count() - 1)->Add(std::move(e));
        return *this;
    }
    std::unique_ptr<TscDesignator> Done() { return TscDesignator::Build(std::move(FD)); }

private:
    std::unique_ptr<TscDesignator> FD;
};

inline std::unique_ptr<TscDesignator> Var(TscScript* s, const QString& name) {
    TscCustomVariable* v = s->Find(name);
    EXPECT_NE(v, nullptr) << name.toStdString();
    return DB(s).Link(v).Done();
}

inline Variant Lit(const QString& t) {
    if (t.startsWith('\'')) return Variant(t.mid(1, t.size() - 2));
    if (t == "True") return Variant(true);
    if (t == "False") return Variant(false);
    if (t.contains('.')) return Variant(t.toDouble());
    return Variant(t.toInt());
}

inline bool IsOperatorText(const QString& t) {
    static const QStringList ops = {">",   "<",   "<=",  ">=", "<>",  "=",       "+",   "strcat",
                                    "-",   "or",  "xor", "*",  "/",   "div",     "mod", "and",
                                    "shl", "shr", "(",   ")",  "not", "unminus", "in",  "is"};
    return ops.contains(t);
}

// Builds and finalizes; the typing result goes to *error when given, else must be empty.
inline std::unique_ptr<TscExpression> Ex(TscScript* s, const QString& text, QString* error = nullptr) {
    auto e = std::make_unique<TscExpression>(s);
    e->SetSourcePos("1:1");
    for (const QString& t : text.split(' ', Qt::SkipEmptyParts)) {
        if (IsOperatorText(t)) {
            e->AddOperator(t);
        } else if (t.startsWith('{')) {
            auto set = std::make_unique<TscSetExpression>();
            for (const QString& part : t.mid(1, t.size() - 2).split(',', Qt::SkipEmptyParts)) {
                const QStringList ends = part.split("..");
                auto a = std::make_unique<TscExpression>(s);
                a->AddConst(Lit(ends[0]));
                a->Finalize();
                set->AddExpression(std::move(a));
                if (ends.size() == 2) {
                    set->AddRange();
                    auto b = std::make_unique<TscExpression>(s);
                    b->AddConst(Lit(ends[1]));
                    b->Finalize();
                    set->AddExpression(std::move(b));
                }
            }
            e->AddSet(std::move(set));
        } else if (t[0].isDigit() || t.startsWith('\'') || t == "True" || t == "False") {
            e->AddConst(Lit(t));
        } else {
            e->AddDesignator(Var(s, t));
        }
    }
    const QString err = e->Finalize();
    if (error)
        *error = err;
    else
        EXPECT_TRUE(err.isEmpty()) << text.toStdString();
    return e;
}

// Registers the basic type names the way the system functions module does.
inline void AddBasicTypes(TscScript* s) {
    s->AddType("Integer", fvtInt);
    s->AddType("Byte", fvtInt);
    s->AddType("Word", fvtInt);
    s->AddType("Int64", fvtInt64);
    s->AddType("Boolean", fvtBool);
    s->AddType("Extended", fvtFloat);
    s->AddType("Double", fvtFloat);
    s->AddType("TDateTime", fvtFloat);
    s->AddType("Char", fvtChar);
    s->AddType("String", fvtString);
    s->AddType("Variant", fvtVariant);
    s->AddType("Array", fvtArray);
    s->AddType("Constructor", fvtConstructor);
}

// v := <expression text>, appended to list.
inline void AddAssign(TscStatement* list, const QString& var, const QString& expr) {
    TscScript* s = list->Program();
    auto a = std::make_unique<TscAssignmentStmt>(s, QString(), "1:1");
    a->SetDesignator(Var(s, var));
    a->SetExpression(Ex(s, expr));
    a->Optimize();
    list->AddStatement(std::move(a));
}
