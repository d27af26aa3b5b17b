#include "app/uSQLiteFunctions.h"

#include "platform/data/SQLConnection.h"
#include "platform/rtl/Exceptions.h"

#include <sqlite3.h>

#include <vector>

namespace {

QString ArgText(sqlite3_value* value) {
    const auto* data = static_cast<const char16_t*>(sqlite3_value_text16(value));
    const int bytes = sqlite3_value_bytes16(value);
    return data ? QString::fromUtf16(data, bytes / 2) : QString();
}

void ResultText(sqlite3_context* context, const QString& text) {
    sqlite3_result_text16(context, text.utf16(), static_cast<int>(text.size() * 2), SQLITE_TRANSIENT);
}

void CaseFunction(sqlite3_context* context, int argc, sqlite3_value** argv, bool upper) {
    if (argc != 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    // Numbers and blobs keep SQLite's own answer: their text form has no letters to fold.
    if (sqlite3_value_type(argv[0]) != SQLITE_TEXT) {
        sqlite3_result_value(context, argv[0]);
        return;
    }
    const QString text = ArgText(argv[0]);
    ResultText(context, upper ? text.toUpper() : text.toLower());
}

void UpperFunction(sqlite3_context* c, int argc, sqlite3_value** argv) {
    CaseFunction(c, argc, argv, true);
}
void LowerFunction(sqlite3_context* c, int argc, sqlite3_value** argv) {
    CaseFunction(c, argc, argv, false);
}

// like(pattern, text[, escape]) as SQLite calls it for "text LIKE pattern [ESCAPE e]".
void LikeFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
            sqlite3_result_null(context);
            return;
        }
    QChar escape;
    if (argc == 3) {
        const QString e = ArgText(argv[2]);
        if (e.size() != 1) {
            sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
            return;
        }
        escape = e[0];
    }
    sqlite3_result_int(context, UnicodeLike(ArgText(argv[0]), ArgText(argv[1]), escape) ? 1 : 0);
}

// One pattern element: a literal character (folded), '_' or '%'.
struct TLikeItem {
    enum Kind { Char, One, Any } K;
    QString Folded;
};

std::vector<TLikeItem> CompilePattern(const QString& pattern, QChar escape) {
    std::vector<TLikeItem> items;
    for (int i = 0; i < pattern.size(); ++i) {
        QChar c = pattern[i];
        int len = 1;
        if (!escape.isNull() && c == escape && i + 1 < pattern.size()) {
            ++i;
            len = pattern[i].isHighSurrogate() && i + 1 < pattern.size() ? 2 : 1;
            items.push_back({TLikeItem::Char, pattern.mid(i, len).toCaseFolded()});
            i += len - 1;
        } else if (c == u'%') {
            if (items.empty() || items.back().K != TLikeItem::Any) items.push_back({TLikeItem::Any, {}});
        } else if (c == u'_') {
            items.push_back({TLikeItem::One, {}});
        } else {
            len = c.isHighSurrogate() && i + 1 < pattern.size() ? 2 : 1;
            items.push_back({TLikeItem::Char, pattern.mid(i, len).toCaseFolded()});
            i += len - 1;
        }
    }
    return items;
}

// The text as folded code points, so '_' takes one whole character.
std::vector<QString> FoldText(const QString& text) {
    std::vector<QString> chars;
    for (int i = 0; i < text.size(); ++i) {
        const int len = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        chars.push_back(text.mid(i, len).toCaseFolded());
        i += len - 1;
    }
    return chars;
}

} // namespace

bool UnicodeLike(const QString& pattern, const QString& text, QChar escape) {
    const std::vector<TLikeItem> items = CompilePattern(pattern, escape);
    const std::vector<QString> chars = FoldText(text);
    // Greedy matching with one back-track point for the last '%' seen: linear in practice.
    size_t p = 0, t = 0, starP = SIZE_MAX, starT = 0;
    while (t < chars.size()) {
        if (p < items.size() && items[p].K == TLikeItem::Any) {
            starP = p++;
            starT = t;
        } else if (p < items.size() && (items[p].K == TLikeItem::One || items[p].Folded == chars[t])) {
            ++p;
            ++t;
        } else if (starP != SIZE_MAX) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < items.size() && items[p].K == TLikeItem::Any)
        ++p;
    return p == items.size();
}

void RegisterUnicodeFunctions(TSQLConnection& connection) {
    sqlite3* db = connection.Handle();
    if (!db) throw EDatabaseError(QStringLiteral("The database is not open"));
    struct TFn {
        const char* Name;
        int Args;
        void (*Fn)(sqlite3_context*, int, sqlite3_value**);
    };
    const TFn functions[] = {{"upper", 1, UpperFunction},
                             {"lower", 1, LowerFunction},
                             {"like", 2, LikeFunction},
                             {"like", 3, LikeFunction}};
    for (const TFn& f : functions) {
        const int rc = sqlite3_create_function_v2(db, f.Name, f.Args, SQLITE_UTF16 | SQLITE_DETERMINISTIC,
                                                  nullptr, f.Fn, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            throw EDatabaseError(QStringLiteral("Cannot register %1: %2")
                                     .arg(QLatin1String(f.Name), QString::fromUtf8(sqlite3_errmsg(db))));
    }
}
