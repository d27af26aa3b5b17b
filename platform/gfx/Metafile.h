#pragma once
// TMetafile: a recorded picture standing in for metafiles. A TMetafileCanvas records canvas calls
// with the state they were made in; drawing the metafile replays them scaled from its logical size
// into any rectangle, on any canvas.

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/CanvasCommand.h"

class TMetafile : public TGraphic {
public:
    TMetafile();
    QString ClassName() const override { return QStringLiteral("TMetafile"); }

    // Logical size in pixels; MMWidth and MMHeight are the same in 0.01 mm at 96 pixels per inch.
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    int MMWidth() const;
    int MMHeight() const;
    void SetMMWidth(int value);
    void SetMMHeight(int value);
    bool Enhanced() const { return FEnhanced; }
    void SetEnhanced(bool value) { FEnhanced = value; }
    bool Empty() const override { return !FCommands || FCommands->empty(); }
    void Clear();

    const std::vector<TCanvasCommand>& Commands() const;
    void SetCommands(std::vector<TCanvasCommand> commands);

    void Draw(TCanvas& canvas, const TRect& r) override;
    QImage ToImage() const override;
    // Enhanced (or, when not Enhanced, placeable) metafile files holding the picture as one
    // bitmap; reading takes such files back and refuses vector records with EInvalidGraphic.
    void LoadFromStream(QIODevice& stream) override;
    void SaveToStream(QIODevice& stream) override;
    void Assign(const TGraphic& source) override;
    std::unique_ptr<TGraphic> Clone() const override;

private:
    std::shared_ptr<const std::vector<TCanvasCommand>> FCommands;
    int FWidth = 0, FHeight = 0;
    bool FEnhanced = true;
};

// Records into a metafile; the recording lands in the metafile when the canvas is destroyed.
// A metafile without a size takes the bounds of what was drawn.
class TMetafileCanvas : public TCanvas, private TCanvasRecorder {
public:
    explicit TMetafileCanvas(TMetafile& metafile, int referenceDevice = 0);
    ~TMetafileCanvas() override;
    TRect RecordedBounds() const { return FBounds; }

private:
    void Record(TCanvasCommand&& command) override;
    TMetafile& FMetafile;
    std::vector<TCanvasCommand> FCommands;
    TRect FBounds;
    bool FHasBounds = false;
};
