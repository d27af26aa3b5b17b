#include "app/uSaveSettings.h"

#include "app/uSQL.h"
#include "platform/rtl/IniFiles.h"
#include "platform/sys/Program.h"

namespace {
const QString Options = QStringLiteral("Options");
const QString Server = QStringLiteral("server");
} // namespace

QString SettingsFileName() { return ProgramFolder() + QStringLiteral("settings.ini"); }

QString ReadServerOption(TMenuOptions& menu) {
    TMemIniFile ini(SettingsFileName());
    auto flag = [&](const char* key, std::optional<bool>& target) {
        // A present key that is not a number hides the item.
        if (ini.ValueExists(Options, QLatin1String(key))) target = ini.ReadInteger(Options, QLatin1String(key), 0) != 0;
    };
    flag("VisibleOptions", menu.VisibleOptions);
    flag("VisibleReport", menu.VisibleReport);
    flag("VisibleDBLocation", menu.VisibleDBLocation);
    return ini.ValueExists(Options, Server) ? ini.ReadString(Options, Server, QString()) : QString();
}

void WriteServerOption(const QString& path) {
    TIniFile ini(SettingsFileName());
    if (path.isEmpty()) ini.DeleteKey(Options, Server);
    else ini.WriteString(Options, Server, path);
}

void LoadDisableUpperCase() {
    UpperCaseExemptList = std::make_unique<TStringList>();
    TMemIniFile ini(SettingsFileName());
    ini.ReadSection(QStringLiteral("DisableUpperCase"), *UpperCaseExemptList);
}
