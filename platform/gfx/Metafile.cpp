#include "platform/gfx/Metafile.h"

#include <cmath>

TMetafile::TMetafile() = default;

void TMetafile::SetWidth(int value) {
    FWidth = std::max(0, value);
    Changed();
}

void TMetafile::SetHeight(int value) {
    FHeight = std::max(0, value);
    Changed();
}

int TMetafile::MMWidth() const {
    return MulDiv(FWidth, 2540, 96);
}
int TMetafile::MMHeight() const {
    return MulDiv(FHeight, 2540, 96);
}
void TMetafile::SetMMWidth(int value) {
    SetWidth(MulDiv(value, 96, 2540));
}
void TMetafile::SetMMHeight(int value) {
    SetHeight(MulDiv(value, 96, 2540));
}

void TMetafile::Clear() {
    FCommands.reset();
    FWidth = FHeight = 0;
    Changed();
}

const std::vector<TCanvasCommand>& TMetafile::Commands() const {
    static const std::vector<TCanvasCommand> none;
    return FCommands ? *FCommands : none;
}

void TMetafile::SetCommands(std::vector<TCanvasCommand> commands) {
    FCommands = std::make_shared<const std::vector<TCanvasCommand>>(std::move(commands));
    Changed();
}

void TMetafile::Draw(TCanvas& canvas, const TRect& r) {
    if (!FCommands || FCommands->empty() || FWidth <= 0 || FHeight <= 0) return;
    const double sx = static_cast<double>(r.Width()) / FWidth;
    const double sy = static_cast<double>(r.Height()) / FHeight;
    canvas.Replay(*FCommands, QTransform::fromScale(sx, sy) * QTransform::fromTranslate(r.Left, r.Top));
}

QImage TMetafile::ToImage() const {
    if (FWidth <= 0 || FHeight <= 0) return {};
    QImage img(FWidth, FHeight, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        TCanvas c(&img);
        const_cast<TMetafile*>(this)->Draw(c, TRect(0, 0, FWidth, FHeight));
    }
    return img;
}

void TMetafile::Assign(const TGraphic& source) {
    if (&source == this) return;
    if (const auto* m = dynamic_cast<const TMetafile*>(&source)) {
        FCommands = m->FCommands;
        FWidth = m->FWidth;
        FHeight = m->FHeight;
        FEnhanced = m->FEnhanced;
        FTransparent = m->FTransparent;
        Changed();
        return;
    }
    // Another picture becomes one recorded image.
    FWidth = source.Width();
    FHeight = source.Height();
    {
        TMetafileCanvas c(*this);
        const QImage img = source.ToImage();
        c.DrawImage(TRect(0, 0, FWidth, FHeight), img, img.rect(),
                    img.hasAlphaChannel() ? TImageMode::Alpha : TImageMode::Opaque);
    }
}

std::unique_ptr<TGraphic> TMetafile::Clone() const {
    auto m = std::make_unique<TMetafile>();
    m->Assign(*this);
    return m;
}

// ---------------------------------------------------------------------------------------------

TMetafileCanvas::TMetafileCanvas(TMetafile& metafile, int) : FMetafile(metafile) {
    SetRecorder(this);
}

TMetafileCanvas::~TMetafileCanvas() {
    SetRecorder(nullptr);
    if (FMetafile.Width() <= 0 || FMetafile.Height() <= 0) {
        if (FHasBounds) {
            FMetafile.SetWidth(std::max(0, FBounds.Right));
            FMetafile.SetHeight(std::max(0, FBounds.Bottom));
        }
    }
    FMetafile.SetCommands(std::move(FCommands));
}

void TMetafileCanvas::Record(TCanvasCommand&& command) {
    // Rough bounds of the drawing, for a metafile given no size.
    TRect b;
    bool known = true;
    switch (command.Op) {
    case TCanvasOp::Polygon:
    case TCanvasOp::Polyline: {
        if (command.Points.empty()) {
            known = false;
            break;
        }
        b = TRect(command.Points[0].X, command.Points[0].Y, command.Points[0].X, command.Points[0].Y);
        for (const TPoint& p : command.Points) {
            b.Left = std::min(b.Left, p.X);
            b.Top = std::min(b.Top, p.Y);
            b.Right = std::max(b.Right, p.X + 1);
            b.Bottom = std::max(b.Bottom, p.Y + 1);
        }
        break;
    }
    case TCanvasOp::LineTo:
    case TCanvasOp::SetPixel:
    case TCanvasOp::TextOut:
    case TCanvasOp::ExtTextOut:
        b = TRect(command.A[0], command.A[1], command.A[0] + 1, command.A[1] + 1);
        break;
    case TCanvasOp::Picture:
        known = false;
        break;
    default:
        b = TRect(command.A[0], command.A[1], command.A[2], command.A[3]);
        break;
    }
    if (known) {
        if (!FHasBounds) {
            FBounds = b;
            FHasBounds = true;
        } else {
            FBounds.Left = std::min(FBounds.Left, b.Left);
            FBounds.Top = std::min(FBounds.Top, b.Top);
            FBounds.Right = std::max(FBounds.Right, b.Right);
            FBounds.Bottom = std::max(FBounds.Bottom, b.Bottom);
        }
    }
    FCommands.push_back(std::move(command));
}
