#pragma once
// Alignment and anchors, kept by the parent for every child control (panels, embedded forms,
// images, labels, group boxes, progress bars: any widget).
//
// Aligned children are placed in the parent's client area in the framework's way: top-aligned
// ones from the top edge down (ordered by their current top, then by creation), bottom-aligned
// ones from the bottom edge up, then client-aligned ones fill what is left. Hidden children take
// no room. A new alignment takes effect once the events are processed (or at Realign); a resize of
// the parent re-aligns at once.
//
// Anchors: a child keeps its distance to the named edges when its parent is resized; left plus
// right stretches it (likewise top plus bottom). The distances are those of the child's place when
// the anchors were set or when the program last moved it, against the parent's size at that time.
#include <QWidget>

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

enum TAnchorKind : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
using TAnchors = unsigned;
constexpr TAnchors akDefault = akLeft | akTop;

TAlign GetAlign(const QWidget* control);
void SetAlign(QWidget* control, TAlign align);
TAnchors GetAnchors(const QWidget* control);
void SetAnchors(QWidget* control, TAnchors anchors);

// Suspends the parent's alignment of its children until the matching EnableAlign (counted).
void DisableAlign(QWidget* parent);
void EnableAlign(QWidget* parent);
// Lays out the parent's aligned and anchored children now.
void Realign(QWidget* parent);
