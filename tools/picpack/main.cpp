// korvel_picpack: packs the pictures of a folder into a picture pack, or lists a pack.
//
//   korvel_picpack [--prefix TEXT] FOLDER PACK   pack every picture of FOLDER into PACK
//   korvel_picpack --list PACK                   print each entry's name and size
//
// A picture file is named "<window>.<control>.<ext>" (the prefix, "graphics" unless given, becomes
// the unused first part of the entry name) or already "<any>.<window>.<control>.<ext>"; the
// extension is bmp, png, jpg, jpeg or gif. Any other file stops the tool with a message naming it,
// so a pack never holds an entry the program would skip.

#include "app/uZlib.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QSaveFile>

#include <cstdio>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: korvel_picpack [--prefix TEXT] FOLDER PACK\n       korvel_picpack --list PACK\n");
    return 2;
}

void Print(FILE* f, const QString& s) {
    std::fputs(s.toLocal8Bit().constData(), f);
    std::fputc('\n', f);
}

int List(const QString& pack) {
    LoadGraphics(pack, QString(), [](TMemoryStream& picture, const QString& name) {
        // The reader puts a folder prefix in front; the stored name follows it.
        Print(stdout, QStringLiteral("%1\t%2").arg(name.mid(1)).arg(picture.Size()));
    });
    return 0;
}

int Pack(const QString& folder, const QString& pack, const QString& prefix) {
    const QDir dir(folder);
    if (!dir.exists()) throw EFOpenError(QStringLiteral("The folder \"%1\" does not exist").arg(folder));
    if (prefix.contains(u'.') || prefix.isEmpty())
        throw EConvertError(QStringLiteral("The prefix \"%1\" must be a non-empty text without \".\"").arg(prefix));
    const TEncoding ansi = TEncoding::ANSI();
    QList<TPicturePackEntry> entries;
    for (const QFileInfo& fi : dir.entryInfoList(QDir::Files, QDir::Name)) {
        const QString file = fi.fileName();
        const int parts = int(file.split(u'.').size());
        const QString name = parts == 3 ? prefix + u'.' + file : file;
        TPictureEntryName entry;
        if (!ParsePictureEntryName(name, entry))
            throw EConvertError(QStringLiteral("\"%1\": a picture must be named <window>.<control>.<extension>").arg(fi.filePath()));
        if (ansi.GetString(ansi.GetBytes(name)) != name)
            throw EConvertError(QStringLiteral("\"%1\": the name has characters the pack cannot store").arg(fi.filePath()));
        QImageReader reader(fi.filePath());
        const QString format = QString::fromLatin1(reader.format());
        const QString ext = entry.Extension == QLatin1String("jpeg") ? QStringLiteral("jpg") : entry.Extension;
        static const QStringList known{QStringLiteral("bmp"), QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("gif")};
        if (!known.contains(ext))
            throw EConvertError(QStringLiteral("\"%1\": .%2 is not a picture kind the program reads (bmp, png, jpg, jpeg, gif)")
                                    .arg(fi.filePath(), entry.Extension));
        if (!reader.canRead() || (format != ext && !(format == QLatin1String("jpeg") && ext == QLatin1String("jpg"))))
            throw EConvertError(QStringLiteral("\"%1\" is not a readable %2 picture").arg(fi.filePath(), ext.toUpper()));
        QFile in(fi.filePath());
        if (!in.open(QIODevice::ReadOnly))
            throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(fi.filePath(), in.errorString()));
        entries.append({name, in.readAll()});
    }
    QSaveFile out(pack);
    if (!out.open(QIODevice::WriteOnly))
        throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(pack, out.errorString()));
    out.write(BuildPicturePack(entries));
    if (!out.commit()) throw EWriteError(QStringLiteral("Cannot write file \"%1\". %2").arg(pack, out.errorString()));
    Print(stdout, QStringLiteral("%1 picture(s) packed into %2").arg(entries.size()).arg(pack));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv); // image format plug-ins
    QStringList args = app.arguments().mid(1);
    try {
        if (args.size() == 2 && args[0] == QLatin1String("--list")) return List(args[1]);
        QString prefix = QStringLiteral("graphics");
        if (args.size() == 4 && args[0] == QLatin1String("--prefix")) {
            prefix = args[1];
            args = args.mid(2);
        }
        if (args.size() != 2 || args[0].startsWith(QLatin1String("--"))) return Usage();
        return Pack(args[0], args[1], prefix);
    } catch (const Exception& e) {
        Print(stderr, QStringLiteral("korvel_picpack: ") + e.Message());
        return 1;
    }
}
