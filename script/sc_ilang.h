#pragma once
// The process-wide registry of script languages: each language is a grammar text (an XML
// document) registered under its name. The four shipped languages are registered on first use,
// in the order PascalScript, C++Script, BasicScript, JScript.

#include <QString>
#include <QStringList>

// Replaces the entry of that name (ignoring case; the name takes the new spelling and keeps its
// place) or appends a new one.
void RegisterLanguageGrammar(const QString& name, const QString& grammar);
// Raises Exception(SLangNotFound formatted with the name) for an unregistered language.
QString GetLanguageGrammar(const QString& name);
// Clears the list and adds every registered name in registration order, except names that
// begin with "@".
void GetLanguageNames(QStringList& list);

// The shipped grammar texts.
const QString& PascalScriptGrammar();
const QString& CppScriptGrammar();
const QString& BasicScriptGrammar();
const QString& JScriptGrammar();
