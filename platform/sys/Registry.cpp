#include "platform/sys/Registry.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QtEndian>

#include <cstring>
#include <map>
#include <mutex>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------------
// The hive files

struct TRegValue {
    QString Name;
    TRegDataType Type = rdUnknown;
    QString Text;     // rdString, rdExpandString
    int Integer = 0;  // rdInteger
    QByteArray Bytes; // rdBinary
};

struct TRegKey {
    QString Path;
    std::vector<TRegValue> Values;
};

struct THive {
    std::vector<TRegKey> Keys;
    bool Known = false;
    bool Existed = false;
    QDateTime Modified;
    qint64 Size = -1;
};

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool IsBelow(const QString& path, const QString& parent) {
    if (parent.isEmpty()) return !path.isEmpty();
    return path.size() > parent.size() && path.at(parent.size()) == QLatin1Char('\\') &&
           SameName(path.left(parent.size()), parent);
}

// Names and texts are written readable; only what would break a line is escaped as %XX.
QString Escape(const QString& s, bool isName) {
    QString out;
    for (int i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        const bool edge = i == 0 || i == s.size() - 1;
        bool escape = c == QLatin1Char('%') || c.unicode() < 0x20 || c.unicode() == 0x7F;
        if (isName)
            escape = escape || c == QLatin1Char('=') || c == QLatin1Char('[') || c == QLatin1Char(']') ||
                     (i == 0 && (c == QLatin1Char(';') || c == QLatin1Char('#') || c == QLatin1Char('@')));
        if (edge) escape = escape || c == QLatin1Char(' ') || c == QLatin1Char('"') || c == QLatin1Char('\'');
        if (escape)
            out += QStringLiteral("%%1").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
        else
            out += c;
    }
    return out;
}

bool Unescape(const QString& s, QString& out) {
    out.clear();
    for (int i = 0; i < s.size(); ++i) {
        if (s.at(i) != QLatin1Char('%')) {
            out += s.at(i);
            continue;
        }
        bool ok = false;
        const int code = s.mid(i + 1, 2).toInt(&ok, 16);
        if (!ok || i + 2 >= s.size()) return false;
        out += QChar(code);
        i += 2;
    }
    return true;
}

class TRegistryStore {
public:
    static TRegistryStore& Instance() {
        static TRegistryStore store;
        return store;
    }

    std::mutex Mutex;

    THive& Load(const QString& fileName) {
        THive& hive = FHives[fileName];
        const QFileInfo info(fileName);
        const bool exists = info.exists();
        if (hive.Known && exists == hive.Existed &&
            (!exists || (info.lastModified() == hive.Modified && info.size() == hive.Size)))
            return hive;
        THive fresh;
        if (exists) Parse(fileName, fresh);
        fresh.Known = true;
        fresh.Existed = exists;
        fresh.Modified = info.lastModified();
        fresh.Size = info.size();
        hive = std::move(fresh);
        return hive;
    }

    void Save(const QString& fileName, THive& hive) {
        QString text = QStringLiteral("; Korvel settings store\n");
        for (const TRegKey& key : hive.Keys) {
            text += QStringLiteral("\n[") + Escape(key.Path, true) + QStringLiteral("]\n");
            for (const TRegValue& v : key.Values) {
                text += v.Name.isEmpty() ? QStringLiteral("@") : Escape(v.Name, true);
                switch (v.Type) {
                case rdString:
                    text += QStringLiteral("=sz:") + Escape(v.Text, false);
                    break;
                case rdExpandString:
                    text += QStringLiteral("=expand_sz:") + Escape(v.Text, false);
                    break;
                case rdInteger:
                    text += QStringLiteral("=dword:") + QString::number(v.Integer);
                    break;
                default:
                    text += QStringLiteral("=hex:") + QString::fromLatin1(v.Bytes.toHex().toUpper());
                    break;
                }
                text += QLatin1Char('\n');
            }
        }
        QDir().mkpath(QFileInfo(fileName).absolutePath());
        QSaveFile f(fileName);
        if (!f.open(QIODevice::WriteOnly) || f.write(text.toUtf8()) < 0 || !f.commit())
            throw ERegistryException(
                QStringLiteral("Cannot write the settings file \"%1\". %2").arg(fileName, f.errorString()));
        const QFileInfo info(fileName);
        hive.Known = true;
        hive.Existed = true;
        hive.Modified = info.lastModified();
        hive.Size = info.size();
    }

    static TRegKey* FindKey(THive& hive, const QString& path) {
        for (TRegKey& k : hive.Keys)
            if (SameName(k.Path, path)) return &k;
        return nullptr;
    }

    static bool KeyExists(THive& hive, const QString& path) {
        if (path.isEmpty()) return true;
        for (const TRegKey& k : hive.Keys)
            if (SameName(k.Path, path) || IsBelow(k.Path, path)) return true;
        return false;
    }

    // The key, with every key above it, created when missing.
    static TRegKey& CreateKey(THive& hive, const QString& path) {
        const QStringList parts = path.split(QLatin1Char('\\'));
        QString p;
        for (const QString& part : parts) {
            p = p.isEmpty() ? part : p + QLatin1Char('\\') + part;
            if (!FindKey(hive, p)) hive.Keys.push_back({p, {}});
        }
        return *FindKey(hive, path);
    }

private:
    static void Parse(const QString& fileName, THive& hive) {
        QFile f(fileName);
        if (!f.open(QIODevice::ReadOnly))
            throw ERegistryException(
                QStringLiteral("Cannot read the settings file \"%1\". %2").arg(fileName, f.errorString()));
        const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
        TRegKey* key = nullptr;
        for (int n = 0; n < lines.size(); ++n) {
            const QString line = lines[n].trimmed();
            auto fail = [&](const QString& what) {
                throw ERegistryException(
                    QStringLiteral("%1, line %2: %3").arg(fileName).arg(n + 1).arg(what));
            };
            if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
                continue;
            if (line.startsWith(QLatin1Char('['))) {
                QString path;
                if (!line.endsWith(QLatin1Char(']')) || !Unescape(line.mid(1, line.size() - 2), path))
                    fail(QStringLiteral("bad key line"));
                key = FindKey(hive, path);
                if (!key) {
                    hive.Keys.push_back({path, {}});
                    key = &hive.Keys.back();
                }
                continue;
            }
            const int eq = line.indexOf(QLatin1Char('='));
            if (eq < 0 || !key) fail(QStringLiteral("a value outside a key, or without \"=\""));
            TRegValue v;
            const QString rawName = line.left(eq);
            if (rawName != QLatin1String("@") && !Unescape(rawName, v.Name))
                fail(QStringLiteral("bad value name"));
            const QString data = line.mid(eq + 1);
            if (data.startsWith(QLatin1String("sz:"))) {
                v.Type = rdString;
                if (!Unescape(data.mid(3), v.Text)) fail(QStringLiteral("bad text"));
            } else if (data.startsWith(QLatin1String("expand_sz:"))) {
                v.Type = rdExpandString;
                if (!Unescape(data.mid(10), v.Text)) fail(QStringLiteral("bad text"));
            } else if (data.startsWith(QLatin1String("dword:"))) {
                v.Type = rdInteger;
                bool ok = false;
                v.Integer = data.mid(6).toInt(&ok);
                if (!ok) fail(QStringLiteral("bad integer"));
            } else if (data.startsWith(QLatin1String("hex:"))) {
                v.Type = rdBinary;
                const QByteArray hex = data.mid(4).toLatin1();
                if (hex.size() % 2 != 0 || hex.contains(' ')) fail(QStringLiteral("bad binary data"));
                v.Bytes = QByteArray::fromHex(hex);
                if (v.Bytes.toHex().toUpper() != hex.toUpper()) fail(QStringLiteral("bad binary data"));
            } else {
                fail(QStringLiteral("unknown value kind"));
            }
            auto& values = key->Values;
            auto it = std::find_if(values.begin(), values.end(),
                                   [&](const TRegValue& x) { return SameName(x.Name, v.Name); });
            if (it != values.end())
                *it = v;
            else
                values.push_back(v);
        }
    }

    std::map<QString, THive> FHives;
};

const TRegValue* FindValue(THive& hive, const QString& path, const QString& name) {
    TRegKey* key = TRegistryStore::FindKey(hive, path);
    if (!key) return nullptr;
    for (const TRegValue& v : key->Values)
        if (SameName(v.Name, name)) return &v;
    return nullptr;
}

int DataSize(const TRegValue& v) {
    switch (v.Type) {
    case rdString:
    case rdExpandString:
        return static_cast<int>((v.Text.size() + 1) * 2);
    case rdInteger:
        return 4;
    default:
        return static_cast<int>(v.Bytes.size());
    }
}

[[noreturn]] void InvalidType(const QString& name) {
    throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(name));
}

QString HiveName(HKEY key) {
    switch (key) {
    case HKEY_CLASSES_ROOT:
        return QStringLiteral("HKEY_CLASSES_ROOT");
    case HKEY_CURRENT_USER:
        return QStringLiteral("HKEY_CURRENT_USER");
    case HKEY_LOCAL_MACHINE:
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    case HKEY_USERS:
        return QStringLiteral("HKEY_USERS");
    case HKEY_CURRENT_CONFIG:
        return QStringLiteral("HKEY_CURRENT_CONFIG");
    default:
        return QStringLiteral("HKEY_%1").arg(key, 8, 16, QLatin1Char('0'));
    }
}

} // namespace

QString SettingsFolderPath() {
    QString folder = qEnvironmentVariable("KORVEL_CONFIG_DIR");
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                 QStringLiteral("/korvel");
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    return folder;
}

QString RegistryHiveFileName(HKEY rootKey) {
    return SettingsFolderPath() + QStringLiteral("registry/") + HiveName(rootKey) + QStringLiteral(".ini");
}

// ---------------------------------------------------------------------------------------------
// TRegistry

void TRegistry::SetRootKey(HKEY value) {
    CloseKey();
    FRootKey = value;
}

QString TRegistry::Resolve(const QString& key) const {
    QStringList parts;
    if (!key.startsWith(QLatin1Char('\\')) && !FCurrentPath.isEmpty())
        parts = FCurrentPath.split(QLatin1Char('\\'));
    for (const QString& part : key.split(QLatin1Char('\\'), Qt::SkipEmptyParts))
        parts << part;
    return parts.join(QLatin1Char('\\'));
}

bool TRegistry::OpenKey(const QString& key, bool canCreate) {
    const QString path = Resolve(key);
    auto& store = TRegistryStore::Instance();
    std::lock_guard<std::mutex> lock(store.Mutex);
    const QString file = RegistryHiveFileName(FRootKey);
    THive& hive = store.Load(file);
    if (!TRegistryStore::KeyExists(hive, path)) {
        if (!canCreate) return false;
        TRegistryStore::CreateKey(hive, path);
        store.Save(file, hive);
    } else if (canCreate && !path.isEmpty() && !TRegistryStore::FindKey(hive, path)) {
        TRegistryStore::CreateKey(hive, path);
        store.Save(file, hive);
    }
    FCurrentPath = path;
    FReadOnly = false;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const QString& key) {
    const QString path = Resolve(key);
    if (!KeyExists(QLatin1Char('\\') + path)) return false;
    FCurrentPath = path;
    FReadOnly = true;
    return true;
}

void TRegistry::CloseKey() {
    FCurrentPath.clear();
    FReadOnly = false;
}

bool TRegistry::CreateKey(const QString& key) {
    const QString path = Resolve(key);
    if (path.isEmpty()) return true;
    auto& store = TRegistryStore::Instance();
    std::lock_guard<std::mutex> lock(store.Mutex);
    const QString file = RegistryHiveFileName(FRootKey);
    THive& hive = store.Load(file);
    if (!TRegistryStore::FindKey(hive, path)) {
        TRegistryStore::CreateKey(hive, path);
        store.Save(file, hive);
    }
    return true;
}

bool TRegistry::DeleteKey(const QString& key) {
    const QString path = Resolve(key);
    if (path.isEmpty()) return false;
    auto& store = TRegistryStore::Instance();
    std::lock_guard<std::mutex> lock(store.Mutex);
    const QString file = RegistryHiveFileName(FRootKey);
    THive& hive = store.Load(file);
    const auto before = hive.Keys.size();
    std::erase_if(hive.Keys,
                  [&](const TRegKey& k) { return SameName(k.Path, path) || IsBelow(k.Path, path); });
    if (hive.Keys.size() == before) return false;
    store.Save(file, hive);
    if (SameName(FCurrentPath, path) || IsBelow(FCurrentPath, path)) CloseKey();
    return true;
}

bool TRegistry::KeyExists(const QString& key) const {
    const QString path = Resolve(key);
    auto& store = TRegistryStore::Instance();
    std::lock_guard<std::mutex> lock(store.Mutex);
    return TRegistryStore::KeyExists(store.Load(RegistryHiveFileName(FRootKey)), path);
}

void TRegistry::GetKeyNames(TStrings& strings) const {
    strings.Clear();
    auto& store = TRegistryStore::Instance();
    std::lock_guard<std::mutex> lock(store.Mutex);
    THive& hive = store.Load(RegistryHiveFileName(FRootKey));
    QStringList names;
    for (const TRegKey& k : hive.Keys) {
        if (!IsBelow(k.Path, FCurrentPath)) continue;
        const QString rest = FCurrentPath.isEmpty() ? k.Path : k.Path.mid(FCurrentPath.size() + 1);
        const QString name = rest.section(QLatin1Char('\\'), 0, 0);
        if (!names.contains(name, Qt::CaseInsensitive)) names << name;
    }
    for (const QString& n : names)
        strings.Add(n);
}

bool TRegistry::HasSubKeys() const {
    TStringList names;
    GetKeyNames(names);
    return names.Count() > 0;
}

bool TRegistry::ValueExists(const QString& name) const {
    return GetDataType(name) != rdUnknown;
}

bool TRegistry::DeleteValue(const QString& name) {
    CheckWritable(name);
    auto& store = TRegistryStore::Instance();
    std::lock_guard<std::mutex> lock(store.Mutex);
    const QString file = RegistryHiveFileName(FRootKey);
    THive& hive = store.Load(file);
    TRegKey* key = TRegistryStore::FindKey(hive, FCurrentPath);
    if (!key) return false;
    const auto removed =
        std::erase_if(key->Values, [&](const TRegValue& v) { return SameName(v.Name, name); });
    if (removed == 0) return false;
    store.Save(file, hive);
    return true;
}

void TRegistry::GetValueNames(TStrings& strings) const {
    strings.Clear();
    auto& store = TRegistryStore::Instance();
    std::lock_guard<std::mutex> lock(store.Mutex);
    if (TRegKey* key = TRegistryStore::FindKey(store.Load(RegistryHiveFileName(FRootKey)), FCurrentPath))
        for (const TRegValue& v : key->Values)
            strings.Add(v.Name);
}

bool TRegistry::GetDataInfo(const QString& name, TRegDataInfo& info) const {
    auto& store = TRegistryStore::Instance();
    std::lock_guard<std::mutex> lock(store.Mutex);
    const TRegValue* v = FindValue(store.Load(RegistryHiveFileName(FRootKey)), FCurrentPath, name);
    if (!v) {
        info = TRegDataInfo();
        return false;
    }
    info.RegData = v->Type;
    info.DataSize = DataSize(*v);
    return true;
}

TRegDataType TRegistry::GetDataType(const QString& name) const {
    TRegDataInfo info;
    GetDataInfo(name, info);
    return info.RegData;
}

int TRegistry::GetDataSize(const QString& name) const {
    TRegDataInfo info;
    return GetDataInfo(name, info) ? info.DataSize : -1;
}

namespace {

// Reads a copy of a value under the store's lock.
bool ReadValue(HKEY root, const QString& path, const QString& name, TRegValue& out) {
    auto& store = TRegistryStore::Instance();
    std::lock_guard<std::mutex> lock(store.Mutex);
    const TRegValue* v = FindValue(store.Load(RegistryHiveFileName(root)), path, name);
    if (!v) return false;
    out = *v;
    return true;
}

void WriteValue(HKEY root, const QString& path, TRegValue value) {
    auto& store = TRegistryStore::Instance();
    std::lock_guard<std::mutex> lock(store.Mutex);
    const QString file = RegistryHiveFileName(root);
    THive& hive = store.Load(file);
    TRegKey& key = path.isEmpty() ? [&]() -> TRegKey& {
        if (TRegKey* k = TRegistryStore::FindKey(hive, path)) return *k;
        hive.Keys.insert(hive.Keys.begin(), TRegKey{QString(), {}});
        return hive.Keys.front();
    }()
        : TRegistryStore::CreateKey(hive, path);
    auto it = std::find_if(key.Values.begin(), key.Values.end(),
                           [&](const TRegValue& v) { return SameName(v.Name, value.Name); });
    if (it != key.Values.end()) {
        value.Name = it->Name; // the name keeps the letter case it was created with
        *it = std::move(value);
    } else {
        key.Values.push_back(std::move(value));
    }
    store.Save(file, hive);
}

} // namespace

void TRegistry::CheckWritable(const QString& name) const {
    if (FReadOnly) throw ERegistryException(QStringLiteral("Failed to set data for '%1'").arg(name));
}

QString TRegistry::ReadString(const QString& name) const {
    TRegValue v;
    if (!ReadValue(FRootKey, FCurrentPath, name, v)) return QString();
    if (v.Type != rdString && v.Type != rdExpandString) InvalidType(name);
    return v.Text;
}

void TRegistry::WriteString(const QString& name, const QString& value) {
    CheckWritable(name);
    TRegValue v;
    v.Name = name;
    v.Type = rdString;
    v.Text = value;
    WriteValue(FRootKey, FCurrentPath, std::move(v));
}

void TRegistry::WriteExpandString(const QString& name, const QString& value) {
    CheckWritable(name);
    TRegValue v;
    v.Name = name;
    v.Type = rdExpandString;
    v.Text = value;
    WriteValue(FRootKey, FCurrentPath, std::move(v));
}

int TRegistry::ReadInteger(const QString& name) const {
    TRegValue v;
    if (!ReadValue(FRootKey, FCurrentPath, name, v) || v.Type != rdInteger) InvalidType(name);
    return v.Integer;
}

void TRegistry::WriteInteger(const QString& name, int value) {
    CheckWritable(name);
    TRegValue v;
    v.Name = name;
    v.Type = rdInteger;
    v.Integer = value;
    WriteValue(FRootKey, FCurrentPath, std::move(v));
}

bool TRegistry::ReadBool(const QString& name) const {
    return ReadInteger(name) != 0;
}

void TRegistry::WriteBool(const QString& name, bool value) {
    WriteInteger(name, value ? 1 : 0);
}

double TRegistry::ReadFloat(const QString& name) const {
    TRegValue v;
    if (!ReadValue(FRootKey, FCurrentPath, name, v) || v.Type != rdBinary || v.Bytes.size() != 8)
        InvalidType(name);
    const quint64 bits = qFromLittleEndian<quint64>(v.Bytes.constData());
    double d = 0;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

void TRegistry::WriteFloat(const QString& name, double value) {
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    QByteArray bytes(8, '\0');
    qToLittleEndian(bits, bytes.data());
    WriteBinaryData(name, bytes);
}

QByteArray TRegistry::ReadBinaryData(const QString& name) const {
    TRegValue v;
    if (!ReadValue(FRootKey, FCurrentPath, name, v)) return QByteArray();
    if (v.Type != rdBinary) InvalidType(name);
    return v.Bytes;
}

void TRegistry::WriteBinaryData(const QString& name, const QByteArray& value) {
    CheckWritable(name);
    TRegValue v;
    v.Name = name;
    v.Type = rdBinary;
    v.Bytes = value;
    WriteValue(FRootKey, FCurrentPath, std::move(v));
}

// ---------------------------------------------------------------------------------------------
// TRegistryIniFile

TRegistryIniFile::TRegistryIniFile(const QString& keyName) : TCustomIniFile(keyName) {
    FRegistry.OpenKey(keyName, true);
}

bool TRegistryIniFile::OpenSection(TRegistry& reg, const QString& section, bool canCreate) {
    reg.SetRootKey(FRegistry.RootKey());
    const QString base = QLatin1Char('\\') + FRegistry.CurrentPath();
    if (!reg.OpenKey(base, false)) {
        if (!canCreate) return false;
        reg.OpenKey(base, true);
    }
    return section.isEmpty() ? true : reg.OpenKey(section, canCreate);
}

QString TRegistryIniFile::ReadString(const QString& section, const QString& ident,
                                     const QString& defaultValue) {
    TRegistry reg;
    if (!OpenSection(reg, section, false)) return defaultValue;
    switch (reg.GetDataType(ident)) {
    case rdString:
    case rdExpandString:
        return reg.ReadString(ident);
    case rdInteger:
        return QString::number(reg.ReadInteger(ident));
    default:
        return defaultValue;
    }
}

void TRegistryIniFile::WriteString(const QString& section, const QString& ident, const QString& value) {
    TRegistry reg;
    OpenSection(reg, section, true);
    reg.WriteString(ident, value);
}

void TRegistryIniFile::ReadSection(const QString& section, TStrings& strings) {
    strings.Clear();
    TRegistry reg;
    if (OpenSection(reg, section, false)) reg.GetValueNames(strings);
}

void TRegistryIniFile::ReadSections(TStrings& strings) {
    FRegistry.GetKeyNames(strings);
}

void TRegistryIniFile::ReadSectionValues(const QString& section, TStrings& strings) {
    strings.Clear();
    TStringList names;
    ReadSection(section, names);
    for (int i = 0; i < names.Count(); ++i)
        strings.Add(names.Strings(i) + QLatin1Char('=') + ReadString(section, names.Strings(i), QString()));
}

void TRegistryIniFile::EraseSection(const QString& section) {
    TRegistry reg;
    if (OpenSection(reg, QString(), false)) reg.DeleteKey(section);
}

void TRegistryIniFile::DeleteKey(const QString& section, const QString& ident) {
    TRegistry reg;
    if (OpenSection(reg, section, false)) reg.DeleteValue(ident);
}

bool TRegistryIniFile::SectionExists(const QString& section) {
    TRegistry reg;
    return OpenSection(reg, section, false);
}

bool TRegistryIniFile::ValueExists(const QString& section, const QString& ident) {
    TRegistry reg;
    return OpenSection(reg, section, false) && reg.ValueExists(ident);
}
