#pragma once
// Plain single lines (every unit with a simple advance in the face, left to right) are drawn
// without shaping: glyphs from the character map, pens summed from the face's advance table,
// which is what shaping gives for them. Turning the fast path off makes every line go through
// shaping, so the two can be compared pixel for pixel.

void SetPlainTextFastPath(bool enabled);
bool PlainTextFastPath();
