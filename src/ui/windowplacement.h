// Where a new top-level window goes on the screen: wholly on it, and clear of the part
// of another window the student works in.  Plain rectangle arithmetic, so any screen
// and any window can be tried without a display.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Top-left corner for a window of `size` (its frame included) on `screen` (the available
// area, without panels): it covers as little of `keepClear` as the screen allows, then
// as little of `rather` (the rest of the other window).  The window lies wholly on the
// screen, or at its top-left corner when it is larger than the screen.
QPoint placeClearOf(const QRect& screen, QSize size, const QRect& keepClear, const QRect& rather);

// `topLeft` moved as little as needed for a window of `size` to lie on `screen`.
QPoint keepOnScreen(const QRect& screen, QSize size, QPoint topLeft);
