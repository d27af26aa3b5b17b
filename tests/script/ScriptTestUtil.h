#pragma once
// Helpers shared by the script tests.

#include "script/sc_iilparser.h"
#include "script/sc_xml.h"

#include <QString>

// A compact form of an intermediate program: each element as its name, ":" and its text
// attribute when it has one, children in parentheses; positions and the types copy left out.
inline QString Compact(const TscXMLItem* item) {
    QString r = item->Name();
    if (item->PropExists("text")) r += ":" + item->GetProp("text");
    if (item->PropExists("unit")) r += ":" + item->GetProp("unit");
    QStringList kids;
    for (int i = 0; i < item->Count(); ++i) {
        const TscXMLItem* c = item->Items(i);
        if (c->Name() == "types" && item->Name() == "program") continue;
        kids << Compact(c);
    }
    if (!kids.isEmpty()) r += "(" + kids.join(' ') + ")";
    return r;
}

// The program's statements in compact form (the children of the program element).
inline QString CompactProgram(const TscXMLDocument* doc) {
    QStringList kids;
    const TscXMLItem* root = doc->Root();
    for (int i = 0; i < root->Count(); ++i)
        if (root->Items(i)->Name() != "types") kids << Compact(root->Items(i));
    return kids.join(' ');
}

struct ParseResult {
    bool ok = false;
    QString il;  // compact program on success
    QString msg; // error message on failure
    QString pos;
    QString unit;
};

inline ParseResult ParseScript(const QString& lang, const QString& text, TscCompileHost* host = nullptr) {
    TscCompileHost own;
    // Units are empty unless the caller's host supplies them.
    own.OnGetUnit = [](TscCompileHost*, const QString&, QString& text) { text.clear(); };
    if (!host) host = &own;
    TscILParser p(host);
    p.SelectLanguage(lang);
    ParseResult r;
    r.ok = p.MakeILScript(text);
    if (r.ok) r.il = CompactProgram(p.ILScript());
    r.msg = host->ErrorMsg();
    r.pos = host->ErrorPos();
    r.unit = host->ErrorUnit();
    return r;
}
