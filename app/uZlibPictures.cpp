// The picture pack's entries put into the windows' image controls. Kept apart from the pack reader
// so that tools reading and writing packs need none of the windows.
#include "app/uZlib.h"

#include "app/dbControls.h"
#include "platform/ui/Forms.h"

#include <QBuffer>

void LoadPicture(TMemoryStream& picture, const QString& name, const std::vector<TComponent*>& windows) {
    TPictureEntryName parts;
    if (!ParsePictureEntryName(name, parts)) return;
    if (!IsPictureExtension(QStringLiteral("x.") + parts.Extension)) return;
    TdbImage* target = nullptr;
    for (TComponent* window : windows) {
        if (!window || window->Name() != parts.Window) continue;
        for (int i = 0; i < window->ComponentCount(); ++i) {
            auto* image = dynamic_cast<TdbImage*>(window->Components(i));
            if (image && image->Name() == parts.Control) target = image;
        }
    }
    if (!target) return;
    QByteArray bytes = picture.Bytes();
    QBuffer data(&bytes);
    data.open(QIODevice::ReadOnly);
    LoadPictureByExtension(*target->Picture(), data, QStringLiteral("x.") + parts.Extension);
}

void LoadPicture(TMemoryStream& picture, const QString& name) {
    std::vector<TComponent*> windows;
    if (Screen)
        for (int i = 0; i < Screen->FormCount(); ++i) windows.push_back(Screen->Forms(i));
    LoadPicture(picture, name, windows);
}
