#pragma once
// The walk over the selected items of an object list that the list's actions
// share: items in list order, each found after the previous one without
// rescanning the list; the status line counts "n / total"; Esc stops the walk
// before the next item. While the walk lives the list's change signals are
// held back and the cursor is the hourglass; the status text, the signals and
// the cursor come back when it ends, however it ends.
//
//     TSelectionWalk walk(lstObject, true);
//     while (TtvListItem *item = walk.Next()) {
//         ... handle item ...
//         walk.Deselect();
//     }
#include <QSignalBlocker>
#include <QString>

#include <optional>

class TtvListItem;
class TtvListView;

class TSelectionWalk {
public:
    // `scroll`: each item is scrolled into view before it is handled.
    TSelectionWalk(TtvListView *list, bool scroll);
    ~TSelectionWalk();
    TSelectionWalk(const TSelectionWalk &) = delete;
    TSelectionWalk &operator=(const TSelectionWalk &) = delete;

    // The next selected item after the current one (the first on the first
    // call); null at the end of the list and when Esc was pressed.
    TtvListItem *Next();
    // What became of the current item: deselected (the usual end of a step),
    // removed from the list (and freed), or left selected.
    void Deselect();
    void Remove();
    void Keep();

    // A new pass from the top: the total becomes the number still selected
    // and counting starts again.
    void Restart();
    // The selected items when the pass began, and the number handled so far.
    int Total() const { return FTotal; }
    int Count() const { return FCount; }
    // Esc ended the walk.
    bool Escaped() const { return FEscaped; }

private:
    TtvListView *FList;
    bool FScroll;
    std::optional<QSignalBlocker> FBlock;
    int FPos = 0;      // where the search for the next selected item begins
    int FCurrent = -1; // the current item's index (-1: none)
    int FTotal = 0;
    int FCount = 0;
    bool FEscaped = false;
};

// The message that ends a drop over a list's selection whose errors were
// ignored: "オブジェクトが削除されました。", with the number of items that
// still failed on the last pass when there were any.
QString DropDoneText(int Failed);
