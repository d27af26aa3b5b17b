#include "script/sc_ilang.h"

#include "platform/rtl/Exceptions.h"
#include "script/sc_iconst.h"

#include <mutex>
#include <utility>
#include <vector>

namespace {

struct LanguageRegistry {
    std::mutex lock;
    std::vector<std::pair<QString, QString>> entries; // name, grammar

    LanguageRegistry() {
        entries.emplace_back(QStringLiteral("PascalScript"), PascalScriptGrammar());
        entries.emplace_back(QStringLiteral("C++Script"), CppScriptGrammar());
        entries.emplace_back(QStringLiteral("BasicScript"), BasicScriptGrammar());
        entries.emplace_back(QStringLiteral("JScript"), JScriptGrammar());
    }
};

LanguageRegistry& Registry() {
    static LanguageRegistry registry;
    return registry;
}

} // namespace

void RegisterLanguageGrammar(const QString& name, const QString& grammar) {
    LanguageRegistry& r = Registry();
    std::lock_guard guard(r.lock);
    for (auto& e : r.entries) {
        if (e.first.compare(name, Qt::CaseInsensitive) == 0) {
            e = {name, grammar};
            return;
        }
    }
    r.entries.emplace_back(name, grammar);
}

QString GetLanguageGrammar(const QString& name) {
    LanguageRegistry& r = Registry();
    std::lock_guard guard(r.lock);
    for (const auto& e : r.entries)
        if (e.first.compare(name, Qt::CaseInsensitive) == 0) return e.second;
    QString msg = SLangNotFound;
    msg.replace(QLatin1String("%s"), name);
    throw Exception(msg);
}

void GetLanguageNames(QStringList& list) {
    LanguageRegistry& r = Registry();
    std::lock_guard guard(r.lock);
    list.clear();
    for (const auto& e : r.entries)
        if (!e.first.startsWith(u'@')) list << e.first;
}
