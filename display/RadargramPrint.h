// The radargram on paper: the current channel's traces page after page, each page filled
// in strips of at most 100 traces through the palette as 5-5-5 bitmaps stretched to the
// page, every trace on exactly one page.
#pragma once

#include "display/RadargramLayout.h"

class QPainter;
class QPrinter;
class QRect;
class RadargramSource;

// The pages of the current channel on a page of pageRect's size.
radargram::PrintLayout RadargramPrintLayout(const QRect& pageRect, RadargramSource& source);
// Draws page `page` (1-based) with `painter` inside pageRect.
void PrintRadargramPage(QPainter& painter, const QRect& pageRect, int page, RadargramSource& source);
// Prints every page on `printer` (or the range its from and to pages choose); with nothing
// to print, one empty page.
void PrintRadargram(QPrinter& printer, RadargramSource& source);
