#pragma once
// The GIF writer of the exports' picture converter: a bitmap as a GIF89a file with one image, a
// 256-entry colour table, a comment naming the program and LZW data of minimum code size 8.

class TBitmap;
class TStream;

// Converts the bitmap to 8 bits per pixel (the conversion picks the palette; a picture of more
// than 256 colours is reduced, and the bitmap keeps the reduced pixels), then writes the file at
// the stream's position. A bitmap without pixels or with a side above 65535 raises
// EInvalidGraphicOperation and the bitmap and stream stay untouched; a failed write raises
// EWriteError and a stream written at its end is cut back to where it was.
void WriteGIF(TStream& Stream, TBitmap& Bitmap);
