// Where a new top-level window goes on the screen: wholly on it, and clear of the part
// of another window the student works in.  Plain rectangle arithmetic, so any screen
// and any window can be tried without a display.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <span>

// Top-left corner for a window of `size` (its frame included) on `screen` (the available
// area, without panels): it covers as little of `keepClear` as the screen allows, then
// as little of `rather` (the rest of the other window).  The window lies wholly on the
// screen, or at its top-left corner when it is larger than the screen.
QPoint placeClearOf(const QRect& screen, QSize size, const QRect& keepClear, const QRect& rather);
// The same for any number of areas, the first kept clear first: the least overlap with
// it, then with the next, and so on.
QPoint placeClearOf(const QRect& screen, QSize size, std::span<const QRect> inOrder);

// The size, from `least` up to `preferred`, of a window that fits on `screen` beside,
// above or below `keepClear`: `preferred` where it fits there, else the largest that
// does and is not smaller than `least`, else `preferred` (it then covers some of it).
QSize sizeClearOf(const QRect& screen, QSize preferred, QSize least, const QRect& keepClear);

// `topLeft` moved as little as needed for a window of `size` to lie on `screen`.
QPoint keepOnScreen(const QRect& screen, QSize size, QPoint topLeft);
