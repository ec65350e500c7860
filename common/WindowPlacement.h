#pragma once
// Where windows appear: MDI children inside the main window's MDI area, pop-up
// windows on the screen. A window placed by the system's rules (the MDI area's
// own placement, the mouse pointer, a stored size) can reach past the visible
// part; these helpers bring it back without changing a size that fits.
class QMdiSubWindow;
class QWidget;

// Fits a normal (not maximised, not minimised) MDI child into the visible
// part of its area: a frame wider or higher than the area shrinks to it (not
// below the least size its contents need), and a frame reaching past the
// right or bottom edge moves left or up until it ends there. A maximised
// frame lays its contents out at once at the area's size. Does nothing for a
// frame outside an area or an area not shown yet.
void FitIntoMdiArea(QMdiSubWindow *frame);

// Moves and, when needed, shrinks a top-level window so that it lies on the
// available part of the screen it is on (the screen under its centre, else the
// primary screen).
void FitOnScreen(QWidget *window);
