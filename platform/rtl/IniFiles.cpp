#include "platform/rtl/IniFiles.h"

#include "platform/rtl/SysUtils.h"

#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

// ---------------------------------------------------------------------------------------------
// The parsed file

namespace {

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString TrimBlanks(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s.at(b).unicode() <= ' ')
        ++b;
    while (e > b && s.at(e - 1).unicode() <= ' ')
        --e;
    return s.mid(b, e - b);
}

bool IsQuote(QChar c) { return c == QLatin1Char('"') || c == QLatin1Char('\''); }

bool Enclosed(const QString& v) { return v.size() >= 2 && IsQuote(v.front()) && v.back() == v.front(); }

QString Unquote(const QString& v) { return Enclosed(v) ? v.mid(1, v.size() - 2) : v; }

// The value as a line stores it, so that reading it back gives the same text.
QString QuoteValue(const QString& v) {
    if (v != TrimBlanks(v) || Enclosed(v))
        return QLatin1Char('"') + v + QLatin1Char('"');
    return v;
}

bool HasLineBreak(const QString& s) {
    return s.contains(QLatin1Char('\r')) || s.contains(QLatin1Char('\n'));
}

QString OsError(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

} // namespace

class TIniData {
public:
    struct Line {
        bool IsKey = false;
        bool Dirty = false;
        QString Raw;
        QString Name;
        QString Value;
    };
    struct Section {
        QString Name;
        bool Header = false; // false only for the lines before the first section
        QString RawHeader;
        std::vector<Line> Lines;
    };

    std::vector<Section> Sections;
    TEncoding Encoding;
    QString LineBreak = QStringLiteral("\r\n");

    void Clear() {
        Sections.clear();
        Encoding = TEncoding();
        LineBreak = QStringLiteral("\r\n");
    }

    void ParseBytes(const QByteArray& bytes, const std::optional<TEncoding>& forced) {
        QString text;
        if (forced) {
            TEncoding marked;
            const int skip = TEncoding::GetBufferEncoding(bytes, marked);
            const bool own = skip > 0 && marked.Name() == forced->Name();
            Encoding = own ? marked : *forced;
            text = Encoding.GetString(own ? bytes.mid(skip) : bytes);
        } else {
            text = TEncoding::DecodeText(bytes, &Encoding);
        }
        ParseText(text);
    }

    void ParseText(const QString& text) {
        Sections.clear();
        const qsizetype cr = text.indexOf(QLatin1Char('\r'));
        const qsizetype lf = text.indexOf(QLatin1Char('\n'));
        if (lf >= 0 && (cr < 0 || lf < cr))
            LineBreak = QStringLiteral("\n");
        else if (cr >= 0)
            LineBreak = (cr + 1 < text.size() && text.at(cr + 1) == QLatin1Char('\n'))
                            ? QStringLiteral("\r\n")
                            : QStringLiteral("\r");
        ForEachTextLine(text, [this](const QString& line) { AddLine(line); });
    }

    void AddLine(const QString& raw) {
        const QString t = TrimBlanks(raw);
        if (t.startsWith(QLatin1Char('['))) {
            const qsizetype close = t.lastIndexOf(QLatin1Char(']'));
            Section s;
            s.Name = TrimBlanks(close > 0 ? t.mid(1, close - 1) : t.mid(1));
            s.Header = true;
            s.RawHeader = raw;
            Sections.push_back(std::move(s));
            return;
        }
        if (Sections.empty())
            Sections.push_back(Section{});
        Line line;
        line.Raw = raw;
        if (!t.isEmpty() && t.front() != QLatin1Char(';') && t.front() != QLatin1Char('#')) {
            line.IsKey = true;
            const qsizetype eq = t.indexOf(QLatin1Char('='));
            if (eq >= 0) {
                line.Name = TrimBlanks(t.left(eq));
                line.Value = Unquote(TrimBlanks(t.mid(eq + 1)));
            } else {
                line.Name = t;
            }
        }
        Sections.back().Lines.push_back(std::move(line));
    }

    QStringList Lines() const {
        QStringList out;
        for (const Section& s : Sections) {
            if (s.Header)
                out << (s.RawHeader.isEmpty() ? QLatin1Char('[') + s.Name + QLatin1Char(']')
                                              : s.RawHeader);
            for (const Line& l : s.Lines)
                out << (l.Dirty ? l.Name + QLatin1Char('=') + QuoteValue(l.Value) : l.Raw);
        }
        return out;
    }

    QString Text() const {
        QString text;
        for (const QString& l : Lines()) {
            text += l;
            text += LineBreak;
        }
        return text;
    }

    QByteArray Bytes() {
        const QString text = Text();
        if (!Encoding.CanEncode(text))
            Encoding = TEncoding::UTF8(); // keep every character rather than the old encoding
        return Encoding.Preamble() + Encoding.GetBytes(text);
    }

    bool Matches(const Section& s, const QString& name) const {
        return SameName(s.Name, name) && (s.Header || name.isEmpty());
    }

    const Line* FindKey(const QString& section, const QString& ident) const {
        const QString sec = TrimBlanks(section), key = TrimBlanks(ident);
        for (const Section& s : Sections)
            if (Matches(s, sec))
                for (const Line& l : s.Lines)
                    if (l.IsKey && SameName(l.Name, key))
                        return &l;
        return nullptr;
    }

    bool HasSection(const QString& section) const {
        const QString sec = TrimBlanks(section);
        for (const Section& s : Sections) {
            if (!Matches(s, sec))
                continue;
            if (s.Header)
                return true;
            for (const Line& l : s.Lines)
                if (l.IsKey)
                    return true;
        }
        return false;
    }

    QStringList KeyNames(const QString& section) const {
        QStringList out;
        const QString sec = TrimBlanks(section);
        for (const Section& s : Sections)
            if (Matches(s, sec))
                for (const Line& l : s.Lines)
                    if (l.IsKey)
                        out << l.Name;
        return out;
    }

    QStringList KeyValues(const QString& section) const {
        QStringList out;
        const QString sec = TrimBlanks(section);
        for (const Section& s : Sections)
            if (Matches(s, sec))
                for (const Line& l : s.Lines)
                    if (l.IsKey)
                        out << l.Name + QLatin1Char('=') + l.Value;
        return out;
    }

    QStringList SectionNames() const {
        QStringList out;
        for (const Section& s : Sections) {
            if (!s.Header)
                continue;
            bool seen = false;
            for (const QString& n : out)
                if (SameName(n, s.Name)) {
                    seen = true;
                    break;
                }
            if (!seen)
                out << s.Name;
        }
        return out;
    }

    // False when the key already had the value (nothing to write).
    bool Write(const QString& fileName, const QString& section, const QString& ident,
               const QString& value) {
        const QString sec = TrimBlanks(section), key = TrimBlanks(ident);
        if (HasLineBreak(sec))
            throw EIniFileException(
                QStringLiteral("Invalid section name \"%1\" for %2").arg(sec, fileName));
        if (HasLineBreak(key) || key.contains(QLatin1Char('=')) ||
            key.startsWith(QLatin1Char('[')) || key.startsWith(QLatin1Char(';')) ||
            key.startsWith(QLatin1Char('#')))
            throw EIniFileException(QStringLiteral("Invalid key name \"%1\" in section [%2] of %3")
                                        .arg(key, sec, fileName));
        if (HasLineBreak(value))
            throw EIniFileException(
                QStringLiteral("A value cannot hold a line break: key \"%1\" in section [%2] of %3")
                    .arg(key, sec, fileName));
        Section* first = nullptr;
        for (Section& s : Sections) {
            if (!Matches(s, sec))
                continue;
            if (!first)
                first = &s;
            for (Line& l : s.Lines)
                if (l.IsKey && SameName(l.Name, key)) {
                    if (l.Value == value)
                        return false; // an unchanged value keeps its line as it was
                    l.Value = value;
                    l.Dirty = true;
                    return true;
                }
        }
        Line line;
        line.IsKey = true;
        line.Dirty = true;
        line.Name = key;
        line.Value = value;
        if (!first) {
            if (!Sections.empty()) {
                const Section& last = Sections.back();
                const bool endsBlank = last.Lines.empty()
                                           ? !last.Header
                                           : TrimBlanks(last.Lines.back().Raw).isEmpty() &&
                                                 !last.Lines.back().Dirty;
                if (!endsBlank)
                    Sections.back().Lines.push_back(Line{});
            }
            Section s;
            s.Name = sec;
            s.Header = true;
            Sections.push_back(std::move(s));
            first = &Sections.back();
            if (sec.isEmpty() && Sections.size() == 1)
                first->Header = false; // keys of the empty section go before any section
        }
        // After the section's last key, before the blank lines and comments that lead into the
        // next section.
        size_t at = 0;
        for (size_t i = 0; i < first->Lines.size(); ++i)
            if (first->Lines[i].IsKey)
                at = i + 1;
        first->Lines.insert(first->Lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
        return true;
    }

    bool Erase(const QString& section) {
        const QString sec = TrimBlanks(section);
        const size_t before = Sections.size();
        std::erase_if(Sections, [&](const Section& s) { return s.Header && SameName(s.Name, sec); });
        bool changed = Sections.size() != before;
        if (sec.isEmpty())
            for (Section& s : Sections)
                if (!s.Header)
                    changed |= std::erase_if(s.Lines, [](const Line& l) { return l.IsKey; }) > 0;
        return changed;
    }

    bool DeleteKey(const QString& section, const QString& ident) {
        const QString sec = TrimBlanks(section), key = TrimBlanks(ident);
        bool changed = false;
        for (Section& s : Sections)
            if (Matches(s, sec))
                changed |= std::erase_if(s.Lines, [&](const Line& l) {
                               return l.IsKey && SameName(l.Name, key);
                           }) > 0;
        return changed;
    }
};

namespace {

// Reads the file: false when it does not exist; raises when it exists and cannot be read.
bool ReadFileBytes(const QString& fileName, QByteArray& bytes) {
    bytes.clear();
    if (fileName.isEmpty())
        return false;
    const QByteArray path = fileName.toLocal8Bit();
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return false;
        throw EIniFileException(QStringLiteral("Unable to read %1. %2").arg(fileName, OsError(errno)));
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        throw EIniFileException(QStringLiteral("Unable to read %1. %2").arg(fileName, OsError(EISDIR)));
    }
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            throw EIniFileException(QStringLiteral("Unable to read %1. %2").arg(fileName, OsError(err)));
        }
        if (n == 0)
            break;
        bytes.append(buf, n);
    }
    ::close(fd);
    return true;
}

bool WriteAll(int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= n;
    }
    return true;
}

// Writes the whole file through a new file beside it that then replaces the old one, so that a
// failure on the way leaves the old content; where no new file can be made beside it (a folder
// we may not write in), the file is overwritten in place.
void WriteFileBytes(const QString& fileName, const QByteArray& bytes) {
    const auto fail = [&](int err) {
        throw EIniFileException(QStringLiteral("Unable to write to %1. %2").arg(fileName, OsError(err)));
    };
    if (fileName.isEmpty())
        fail(ENOENT);
    QString target = fileName;
    const QFileInfo info(fileName);
    if (info.isSymLink() && !info.canonicalFilePath().isEmpty())
        target = info.canonicalFilePath(); // replace the file the link points at, keep the link
    const QByteArray path = target.toLocal8Bit();
    struct stat old {};
    const bool existed = ::stat(path.constData(), &old) == 0;
    if (existed && S_ISDIR(old.st_mode))
        fail(EISDIR);

    static std::atomic<unsigned> counter{0};
    const QByteArray tmp = path + ".tmp" + QByteArray::number(::getpid()) + "-" +
                           QByteArray::number(counter.fetch_add(1));
    const int fd = ::open(tmp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
        if (existed)
            (void)::fchmod(fd, old.st_mode & 07777);
        const bool ok = WriteAll(fd, bytes);
        const int err = errno;
        if (::close(fd) == 0 && ok && ::rename(tmp.constData(), path.constData()) == 0)
            return;
        const int err2 = ok ? errno : err;
        ::unlink(tmp.constData());
        fail(err2);
    }
    if (errno != EACCES && errno != EPERM && errno != EROFS)
        fail(errno);
    const int direct = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (direct < 0)
        fail(errno);
    const bool ok = WriteAll(direct, bytes);
    const int err = errno;
    if (::close(direct) != 0 || !ok)
        fail(ok ? errno : err);
}

void Fill(TStrings& strings, const QStringList& lines) {
    strings.BeginUpdate();
    try {
        strings.Clear();
        strings.AddStrings(lines);
    } catch (...) {
        strings.EndUpdate();
        throw;
    }
    strings.EndUpdate();
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TCustomIniFile

bool TCustomIniFile::SectionExists(const QString& section) {
    TStringList keys;
    ReadSection(section, keys);
    return keys.Count() > 0;
}

bool TCustomIniFile::ValueExists(const QString& section, const QString& ident) {
    TStringList keys;
    ReadSection(section, keys);
    return keys.IndexOf(ident) >= 0;
}

int TCustomIniFile::ReadInteger(const QString& section, const QString& ident, int defaultValue) {
    QString s = ReadString(section, ident, QString());
    if (s.size() > 2 && s.at(0) == QLatin1Char('0') &&
        (s.at(1) == QLatin1Char('x') || s.at(1) == QLatin1Char('X')))
        s = QLatin1Char('$') + s.mid(2);
    return StrToIntDef(s, defaultValue);
}

void TCustomIniFile::WriteInteger(const QString& section, const QString& ident, int value) {
    WriteString(section, ident, IntToStr(value));
}

Int64 TCustomIniFile::ReadInt64(const QString& section, const QString& ident, Int64 defaultValue) {
    QString s = ReadString(section, ident, QString());
    if (s.size() > 2 && s.at(0) == QLatin1Char('0') &&
        (s.at(1) == QLatin1Char('x') || s.at(1) == QLatin1Char('X')))
        s = QLatin1Char('$') + s.mid(2);
    return StrToInt64Def(s, defaultValue);
}

void TCustomIniFile::WriteInt64(const QString& section, const QString& ident, Int64 value) {
    WriteString(section, ident, IntToStr(value));
}

bool TCustomIniFile::ReadBool(const QString& section, const QString& ident, bool defaultValue) {
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const QString& section, const QString& ident, bool value) {
    WriteString(section, ident, value ? QStringLiteral("1") : QStringLiteral("0"));
}

double TCustomIniFile::ReadFloat(const QString& section, const QString& name, double defaultValue) {
    const QString s = ReadString(section, name, QString());
    double value = 0;
    return !s.isEmpty() && TryStrToFloat(s, value) ? value : defaultValue;
}

void TCustomIniFile::WriteFloat(const QString& section, const QString& name, double value) {
    WriteString(section, name, FloatToStr(value));
}

TDateTime TCustomIniFile::ReadDate(const QString& section, const QString& name,
                                   TDateTime defaultValue) {
    const QString s = ReadString(section, name, QString());
    TDateTime value = 0;
    return !s.isEmpty() && TryStrToDate(s, value) ? value : defaultValue;
}

void TCustomIniFile::WriteDate(const QString& section, const QString& name, TDateTime value) {
    WriteString(section, name, DateToStr(value));
}

TDateTime TCustomIniFile::ReadTime(const QString& section, const QString& name,
                                   TDateTime defaultValue) {
    const QString s = ReadString(section, name, QString());
    TDateTime value = 0;
    return !s.isEmpty() && TryStrToTime(s, value) ? value : defaultValue;
}

void TCustomIniFile::WriteTime(const QString& section, const QString& name, TDateTime value) {
    WriteString(section, name, TimeToStr(value));
}

TDateTime TCustomIniFile::ReadDateTime(const QString& section, const QString& name,
                                       TDateTime defaultValue) {
    const QString s = ReadString(section, name, QString());
    TDateTime value = 0;
    return !s.isEmpty() && TryStrToDateTime(s, value) ? value : defaultValue;
}

void TCustomIniFile::WriteDateTime(const QString& section, const QString& name, TDateTime value) {
    WriteString(section, name, DateTimeToStr(value));
}

int TCustomIniFile::ReadBinaryStream(const QString& section, const QString& name, TStream& value) {
    const QString text = ReadString(section, name, QString());
    QByteArray bytes;
    bytes.reserve(text.size() / 2);
    auto hex = [](QChar c) -> int {
        const char16_t u = c.unicode();
        if (u >= '0' && u <= '9')
            return u - '0';
        if (u >= 'A' && u <= 'F')
            return u - 'A' + 10;
        if (u >= 'a' && u <= 'f')
            return u - 'a' + 10;
        return -1;
    };
    for (qsizetype i = 0; i + 1 < text.size(); i += 2) {
        const int hi = hex(text.at(i)), lo = hex(text.at(i + 1));
        if (hi < 0 || lo < 0)
            break;
        bytes.append(static_cast<char>(hi * 16 + lo));
    }
    if (bytes.isEmpty())
        return 0;
    const Int64 pos = value.Position();
    value.WriteBytes(bytes);
    if (dynamic_cast<TCustomMemoryStream*>(&value))
        value.SetPosition(pos);
    return static_cast<int>(bytes.size());
}

void TCustomIniFile::WriteBinaryStream(const QString& section, const QString& name,
                                       TStream& value) {
    const Int64 pos = value.Position();
    const QByteArray bytes = value.ReadAll();
    value.SetPosition(pos);
    WriteString(section, name, QString::fromLatin1(bytes.toHex().toUpper()));
}

// ---------------------------------------------------------------------------------------------
// TMemIniFile

TMemIniFile::TMemIniFile(const QString& fileName, std::optional<TEncoding> encoding)
    : TCustomIniFile(fileName), FForcedEncoding(std::move(encoding)),
      FData(std::make_unique<TIniData>()) {
    Load();
}

TMemIniFile::~TMemIniFile() = default;

void TMemIniFile::Load() {
    FData->Clear();
    QByteArray bytes;
    if (ReadFileBytes(FFileName, bytes))
        FData->ParseBytes(bytes, FForcedEncoding);
    else if (FForcedEncoding)
        FData->Encoding = *FForcedEncoding;
}

QString TMemIniFile::ReadString(const QString& section, const QString& ident,
                                const QString& defaultValue) {
    const TIniData::Line* line = FData->FindKey(section, ident);
    return line ? line->Value : defaultValue;
}

void TMemIniFile::WriteString(const QString& section, const QString& ident, const QString& value) {
    FData->Write(FFileName, section, ident, value);
}

void TMemIniFile::ReadSection(const QString& section, TStrings& strings) {
    Fill(strings, FData->KeyNames(section));
}

void TMemIniFile::ReadSections(TStrings& strings) { Fill(strings, FData->SectionNames()); }

void TMemIniFile::ReadSectionValues(const QString& section, TStrings& strings) {
    Fill(strings, FData->KeyValues(section));
}

void TMemIniFile::EraseSection(const QString& section) { FData->Erase(section); }

void TMemIniFile::DeleteKey(const QString& section, const QString& ident) {
    FData->DeleteKey(section, ident);
}

void TMemIniFile::UpdateFile() { WriteFileBytes(FFileName, FData->Bytes()); }

bool TMemIniFile::SectionExists(const QString& section) { return FData->HasSection(section); }

bool TMemIniFile::ValueExists(const QString& section, const QString& ident) {
    return FData->FindKey(section, ident) != nullptr;
}

void TMemIniFile::Clear() { FData->Sections.clear(); }

void TMemIniFile::GetStrings(TStrings& list) { Fill(list, FData->Lines()); }

void TMemIniFile::SetStrings(const TStrings& list) {
    FData->Sections.clear();
    for (int i = 0, n = list.Count(); i < n; ++i) {
        // A line of the list that holds line breaks is several lines of the file.
        const QString s = list.Get(i);
        if (HasLineBreak(s)) {
            TStringList parts;
            parts.SetText(s);
            for (int j = 0; j < parts.Count(); ++j)
                FData->AddLine(parts.Get(j));
        } else {
            FData->AddLine(s);
        }
    }
}

void TMemIniFile::LoadFromBytes(const QByteArray& bytes) { FData->ParseBytes(bytes, FForcedEncoding); }

void TMemIniFile::Rename(const QString& fileName, bool reload) {
    FFileName = fileName;
    if (reload)
        Load();
}

const TEncoding& TMemIniFile::Encoding() const { return FData->Encoding; }

// ---------------------------------------------------------------------------------------------
// TIniFile

TIniFile::TIniFile(const QString& fileName)
    : TCustomIniFile(fileName), FData(std::make_unique<TIniData>()) {}

TIniFile::~TIniFile() = default;

TIniFile::TStamp TIniFile::Stamp() const {
    TStamp stamp;
    struct stat st {};
    const QByteArray path = FFileName.toLocal8Bit();
    if (!path.isEmpty() && ::stat(path.constData(), &st) == 0) {
        stamp.Exists = true;
        stamp.Size = st.st_size;
        stamp.MTimeNs = static_cast<Int64>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        stamp.Inode = static_cast<Int64>(st.st_ino);
    }
    return stamp;
}

TIniData& TIniFile::Current() {
    const TStamp now = Stamp();
    if (!FStamp || !(*FStamp == now)) {
        FStamp.reset();
        FData->Clear();
        QByteArray bytes;
        if (ReadFileBytes(FFileName, bytes))
            FData->ParseBytes(bytes, std::nullopt);
        FStamp = Stamp();
    }
    return *FData;
}

void TIniFile::Store() {
    try {
        WriteFileBytes(FFileName, FData->Bytes());
    } catch (...) {
        FStamp.reset(); // the change did not reach the file: read it again next time
        throw;
    }
    FStamp = Stamp();
}

QString TIniFile::ReadString(const QString& section, const QString& ident,
                             const QString& defaultValue) {
    const TIniData::Line* line = Current().FindKey(section, ident);
    return line ? line->Value : defaultValue;
}

void TIniFile::WriteString(const QString& section, const QString& ident, const QString& value) {
    if (Current().Write(FFileName, section, ident, value))
        Store();
}

void TIniFile::ReadSection(const QString& section, TStrings& strings) {
    Fill(strings, Current().KeyNames(section));
}

void TIniFile::ReadSections(TStrings& strings) { Fill(strings, Current().SectionNames()); }

void TIniFile::ReadSectionValues(const QString& section, TStrings& strings) {
    Fill(strings, Current().KeyValues(section));
}

void TIniFile::EraseSection(const QString& section) {
    if (Current().Erase(section))
        Store();
}

void TIniFile::DeleteKey(const QString& section, const QString& ident) {
    if (Current().DeleteKey(section, ident))
        Store();
}

void TIniFile::UpdateFile() {}

bool TIniFile::SectionExists(const QString& section) { return Current().HasSection(section); }

bool TIniFile::ValueExists(const QString& section, const QString& ident) {
    return Current().FindKey(section, ident) != nullptr;
}
