#pragma once
// The settings store that stands in for the registry: hives of keys, each key with named values
// (strings, integers, binary data) and subkeys. Each hive is one INI file in the user's
// configuration folder, "<folder>/registry/<HIVE>.ini": a section per key, named by its full path
// ("Software\Dize Rorerir\Resources"), and a line per value, "name=sz:text", "name=dword:5",
// "name=hex:00FF" ("@" is the key's unnamed value). Names compare without regard to letter case.
//
// The folder is $KORVEL_CONFIG_DIR when set (tests point it at a temporary folder), else the
// user's configuration folder + "/korvel/". The file is read again when another process has
// changed it, and written on every change.

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Types.h"

#include <QByteArray>
#include <QString>

KORVEL_EXCEPTION(ERegistryException, Exception)

using HKEY = quint32;
constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr HKEY HKEY_USERS = 0x80000003u;
constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005u;

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
    TRegDataType RegData = rdUnknown;
    int DataSize = 0;
};

// The folder of Korvel's own settings, with a trailing "/".
QString SettingsFolderPath();
// The file that holds a hive.
QString RegistryHiveFileName(HKEY rootKey);

class TRegistry : public TObject {
public:
    TRegistry() = default;

    HKEY RootKey() const { return FRootKey; }
    // Changing the root closes the open key.
    void SetRootKey(HKEY value);
    // The open key's path without a leading backslash; empty when none is open (the root).
    const QString& CurrentPath() const { return FCurrentPath; }

    // Paths that begin with "\" start at the root, others at the open key.
    bool OpenKey(const QString& key, bool canCreate);
    bool OpenKeyReadOnly(const QString& key);
    void CloseKey();
    bool CreateKey(const QString& key);
    // Removes the key with all its subkeys and values; false when it does not exist.
    bool DeleteKey(const QString& key);
    bool KeyExists(const QString& key) const;
    bool HasSubKeys() const;
    void GetKeyNames(TStrings& strings) const;

    bool ValueExists(const QString& name) const;
    bool DeleteValue(const QString& name);
    void GetValueNames(TStrings& strings) const;
    TRegDataType GetDataType(const QString& name) const;
    int GetDataSize(const QString& name) const; // -1 when the value does not exist
    bool GetDataInfo(const QString& name, TRegDataInfo& info) const;

    // A missing value reads as empty text; a value of another kind raises
    // ERegistryException "Invalid data type for 'name'".
    QString ReadString(const QString& name) const;
    void WriteString(const QString& name, const QString& value);
    void WriteExpandString(const QString& name, const QString& value);
    // Missing values and values of another kind raise ERegistryException.
    int ReadInteger(const QString& name) const;
    void WriteInteger(const QString& name, int value);
    bool ReadBool(const QString& name) const;
    void WriteBool(const QString& name, bool value);
    // Floats and date-times are binary values of 8 bytes.
    double ReadFloat(const QString& name) const;
    void WriteFloat(const QString& name, double value);
    TDateTime ReadDateTime(const QString& name) const { return ReadFloat(name); }
    void WriteDateTime(const QString& name, TDateTime value) { WriteFloat(name, value); }
    // A missing value reads as no bytes.
    QByteArray ReadBinaryData(const QString& name) const;
    void WriteBinaryData(const QString& name, const QByteArray& value);

private:
    QString Resolve(const QString& key) const;
    void CheckWritable(const QString& name) const;

    HKEY FRootKey = HKEY_CURRENT_USER;
    QString FCurrentPath;
    bool FReadOnly = false;
};

// An INI-file view of a registry key: sections are its subkeys, idents their values.
class TRegistryIniFile : public TCustomIniFile {
public:
    // Opens (creating it when needed) the key under the current user's hive.
    explicit TRegistryIniFile(const QString& keyName);

    TRegistry& RegIniFile() { return FRegistry; }

    QString ReadString(const QString& section, const QString& ident, const QString& defaultValue) override;
    void WriteString(const QString& section, const QString& ident, const QString& value) override;
    void ReadSection(const QString& section, TStrings& strings) override;
    void ReadSections(TStrings& strings) override;
    void ReadSectionValues(const QString& section, TStrings& strings) override;
    void EraseSection(const QString& section) override;
    void DeleteKey(const QString& section, const QString& ident) override;
    void UpdateFile() override {}
    bool SectionExists(const QString& section) override;
    bool ValueExists(const QString& section, const QString& ident) override;

private:
    // A registry object opened on the section's key, relative to the view's key.
    bool OpenSection(TRegistry& reg, const QString& section, bool canCreate);

    TRegistry FRegistry;
};
