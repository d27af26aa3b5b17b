#include "platform/sys/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QString>
#include <QTranslator>

#include <memory>

namespace {

struct TLangEntry {
    QLocale::Language Language;
    QLocale::Territory Territory; // AnyTerritory: every territory without an entry of its own
    QLocale::Script Script;       // AnyScript: every script without an entry of its own
    LANGID Id;
};

constexpr QLocale::Territory Any = QLocale::AnyTerritory;
constexpr QLocale::Script AnyS = QLocale::AnyScript;

const TLangEntry LangTable[] = {
    {QLocale::Russian, Any, AnyS, 0x0419},
    {QLocale::Ukrainian, Any, AnyS, 0x0422},
    {QLocale::Belarusian, Any, AnyS, 0x0423},
    {QLocale::Kazakh, Any, AnyS, 0x043F},
    {QLocale::Armenian, Any, AnyS, 0x042B},
    {QLocale::Azerbaijani, Any, QLocale::CyrillicScript, 0x082C},
    {QLocale::Azerbaijani, Any, AnyS, 0x042C},
    {QLocale::Kyrgyz, Any, AnyS, 0x0440},
    {QLocale::Tajik, Any, AnyS, 0x0428},
    {QLocale::English, QLocale::UnitedStates, AnyS, 0x0409},
    {QLocale::English, QLocale::UnitedKingdom, AnyS, 0x0809},
    {QLocale::English, QLocale::Australia, AnyS, 0x0C09},
    {QLocale::English, QLocale::Canada, AnyS, 0x1009},
    {QLocale::English, QLocale::NewZealand, AnyS, 0x1409},
    {QLocale::English, QLocale::Ireland, AnyS, 0x1809},
    {QLocale::English, QLocale::SouthAfrica, AnyS, 0x1C09},
    {QLocale::English, QLocale::India, AnyS, 0x4009},
    {QLocale::English, Any, AnyS, 0x0409},
    {QLocale::German, QLocale::Switzerland, AnyS, 0x0807},
    {QLocale::German, QLocale::Austria, AnyS, 0x0C07},
    {QLocale::German, Any, AnyS, 0x0407},
    {QLocale::French, QLocale::Belgium, AnyS, 0x080C},
    {QLocale::French, QLocale::Canada, AnyS, 0x0C0C},
    {QLocale::French, QLocale::Switzerland, AnyS, 0x100C},
    {QLocale::French, Any, AnyS, 0x040C},
    {QLocale::Spanish, QLocale::Mexico, AnyS, 0x080A},
    {QLocale::Spanish, Any, AnyS, 0x0C0A},
    {QLocale::Italian, Any, AnyS, 0x0410},
    {QLocale::Portuguese, QLocale::Portugal, AnyS, 0x0816},
    {QLocale::Portuguese, Any, AnyS, 0x0416},
    {QLocale::Dutch, QLocale::Belgium, AnyS, 0x0813},
    {QLocale::Dutch, Any, AnyS, 0x0413},
    {QLocale::Polish, Any, AnyS, 0x0415},
    {QLocale::Czech, Any, AnyS, 0x0405},
    {QLocale::Slovak, Any, AnyS, 0x041B},
    {QLocale::Slovenian, Any, AnyS, 0x0424},
    {QLocale::Hungarian, Any, AnyS, 0x040E},
    {QLocale::Romanian, Any, AnyS, 0x0418},
    {QLocale::Bulgarian, Any, AnyS, 0x0402},
    {QLocale::Serbian, Any, QLocale::LatinScript, 0x081A},
    {QLocale::Serbian, Any, AnyS, 0x0C1A},
    {QLocale::Croatian, Any, AnyS, 0x041A},
    {QLocale::Macedonian, Any, AnyS, 0x042F},
    {QLocale::Greek, Any, AnyS, 0x0408},
    {QLocale::Turkish, Any, AnyS, 0x041F},
    {QLocale::Lithuanian, Any, AnyS, 0x0427},
    {QLocale::Latvian, Any, AnyS, 0x0426},
    {QLocale::Estonian, Any, AnyS, 0x0425},
    {QLocale::Finnish, Any, AnyS, 0x040B},
    {QLocale::Swedish, Any, AnyS, 0x041D},
    {QLocale::Danish, Any, AnyS, 0x0406},
    {QLocale::NorwegianBokmal, Any, AnyS, 0x0414},
    {QLocale::NorwegianNynorsk, Any, AnyS, 0x0814},
    {QLocale::Icelandic, Any, AnyS, 0x040F},
    {QLocale::Georgian, Any, AnyS, 0x0437},
    {QLocale::Uzbek, Any, QLocale::CyrillicScript, 0x0843},
    {QLocale::Uzbek, Any, AnyS, 0x0443},
    {QLocale::Turkmen, Any, AnyS, 0x0442},
    {QLocale::Mongolian, Any, AnyS, 0x0450},
    {QLocale::Tatar, Any, AnyS, 0x0444},
    {QLocale::Bashkir, Any, AnyS, 0x046D},
    {QLocale::Hebrew, Any, AnyS, 0x040D},
    {QLocale::Arabic, Any, AnyS, 0x0401},
    {QLocale::Persian, Any, AnyS, 0x0429},
    {QLocale::Hindi, Any, AnyS, 0x0439},
    {QLocale::Chinese, QLocale::Taiwan, AnyS, 0x0404},
    {QLocale::Chinese, QLocale::HongKong, AnyS, 0x0C04},
    {QLocale::Chinese, Any, QLocale::TraditionalChineseScript, 0x0404},
    {QLocale::Chinese, Any, AnyS, 0x0804},
    {QLocale::Japanese, Any, AnyS, 0x0411},
    {QLocale::Korean, Any, AnyS, 0x0412},
    {QLocale::Vietnamese, Any, AnyS, 0x042A},
    {QLocale::Thai, Any, AnyS, 0x041E},
    {QLocale::Indonesian, Any, AnyS, 0x0421},
};

} // namespace

LANGID LangIDFromLocale(const QLocale& locale) {
    const QLocale::Language language = locale.language();
    const QLocale::Territory territory = locale.territory();
    const QLocale::Script script = locale.script();
    // Entries of a language run from the most particular to the general one.
    for (const TLangEntry& e : LangTable) {
        if (e.Language != language) continue;
        if (e.Territory != Any && e.Territory != territory) continue;
        if (e.Script != AnyS && e.Script != script) continue;
        return e.Id;
    }
    return 0x0409;
}

LANGID GetUserDefaultLangID() {
    QString text = qEnvironmentVariable("KORVEL_LANGID").trimmed();
    if (!text.isEmpty()) {
        bool ok = false;
        uint value = 0;
        if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            value = text.mid(2).toUInt(&ok, 16);
        else if (text.startsWith(QLatin1Char('$')))
            value = text.mid(1).toUInt(&ok, 16);
        else
            value = text.toUInt(&ok, 10);
        if (ok && value <= 0xFFFF) return static_cast<LANGID>(value);
    }
    return LangIDFromLocale(QLocale::system());
}

QLocale LocaleFromLangID(LANGID id) {
    for (const TLangEntry& e : LangTable) {
        if (e.Id != id) continue;
        return QLocale(e.Language, e.Script, e.Territory);
    }
    return QLocale(QLocale::English, QLocale::UnitedStates);
}

bool LoadQtTranslations(LANGID id) {
    static std::unique_ptr<QTranslator> installed;
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    const QLocale locale = LocaleFromLangID(id);
    if (locale.language() == QLocale::English) return false;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    if (!QCoreApplication::installTranslator(translator.get())) return false;
    installed = std::move(translator);
    return true;
}
